// The sentence of every code the library returns, and the buffer contract of the text
// functions (snprintf's: the whole length back, what fits copied, always terminated).
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_ioctl.h"

extern "C" size_t qms_c_error_text(uint32_t code, char *buf, size_t size);

namespace {

std::string Text(uint32_t code)
{
    char buf[256];
    const size_t length = QmsErrorText(code, buf, sizeof buf);
    EXPECT_EQ(length, std::strlen(buf));
    return buf;
}

std::string Sentence(uint32_t code)
{
    char buf[256];
    QmsErrorSentence(code, buf, sizeof buf);
    return buf;
}

std::string MeasureText(int32_t code)
{
    char buf[256];
    QmsMeasureCJCErrorText(code, buf, sizeof buf);
    return buf;
}

TEST(ErrorText, NamesTheDeviceOfDeviceAndDriverCodes)
{
    EXPECT_EQ(Text(QmsDeviceCode(2, QMS_ERRIDX_BURNOUT)),
              "device 2: the thermocouple is open (burn-out)");
    EXPECT_EQ(Text(QmsDeviceCode(0, QMS_ERRIDX_STREAM_OPEN)),
              "device 0: the module is not attached: its stream device could not be opened");
    EXPECT_EQ(Text(QmsDeviceCode(254, 1460)), "device 254: the request timed out");
    EXPECT_EQ(Text(QmsDeviceCode(7, 4000)), "device 7: the driver refused the request (error 4000)");
    // The same sentence without the device, for callers that name it themselves.
    EXPECT_EQ(Sentence(QmsDeviceCode(2, QMS_ERRIDX_BURNOUT)), "the thermocouple is open (burn-out)");
}

TEST(ErrorText, PlainCodesStatusWordsAndTheDriversOwnValues)
{
    EXPECT_EQ(Text(0), "success");
    EXPECT_EQ(Text(QMS_ERR_NULL_HANDLE), "the device handle is not open");
    EXPECT_EQ(Text(QMS_ERR_FUNCTION_CODE), "the function code is not supported");
    EXPECT_EQ(Text(0x0105), "the module refused the value");
    EXPECT_EQ(Text(0x0200), "the module answered with status word 0x0200");
    EXPECT_EQ(Text(QMS_LASTERR_TRANSFER),
              "a request to the module failed (no answer, stall or error reply)");
    EXPECT_EQ(Text(QMS_DRIVER_ERROR(77)), "the driver failed with its error 77");
    EXPECT_EQ(Text(0xFFFFFFFFu), "the thermocouple type is not one this function can use");
    EXPECT_EQ(Text(0x01000000u), "the code 0x01000000 is not one the library returns");
}

TEST(ErrorText, EveryErrorIndexOfThePublicHeaderHasItsOwnSentence)
{
    for (uint32_t index : {QMS_ERRIDX_NO_RECORD, QMS_ERRIDX_BOARD_ID, QMS_ERRIDX_OUT_OF_RANGE,
                           QMS_ERRIDX_RANGE_CODE, QMS_ERRIDX_ARGUMENT, QMS_ERRIDX_PARAMETERS,
                           QMS_ERRIDX_DEVICE_TYPE, QMS_ERRIDX_STREAM_OPEN,
                           QMS_ERRIDX_PROPERTY_SIZE, QMS_ERRIDX_EVENTS, QMS_ERRIDX_PROPERTY_CODE,
                           QMS_ERRIDX_BURNOUT, QMS_ERRIDX_CJC_HISTORY, QMS_ERRIDX_BLOCK_ACCESS}) {
        const std::string text = Sentence(QmsDeviceCode(0, index));
        EXPECT_EQ(text.find("(error"), std::string::npos) << index << ": " << text;
    }
    for (uint32_t code : {QMS_ERR_REFUSED, QMS_ERR_SETTINGS, QMS_ERR_NULL_HANDLE, QMS_ERR_SCALE,
                          QMS_ERR_NULL_BUFFER, QMS_ERR_FUNCTION_CODE})
        EXPECT_EQ(Text(code).find("status word"), std::string::npos) << code;
}

TEST(ErrorText, MeasureCjcCodesNameTheStepThatFailed)
{
    EXPECT_EQ(MeasureText(0), "success");
    EXPECT_EQ(MeasureText(-1), "the thermocouple type has no reference temperature");
    EXPECT_EQ(MeasureText(6), "the measured offset could not be sent to the module");
    EXPECT_EQ(MeasureText(9).rfind("the measured error lies beyond what the offset holds", 0), 0u);
    EXPECT_EQ(MeasureText(42), "the cold-junction measurement failed with code 42");
}

TEST(ErrorText, CopiesWhatFitsAndReturnsTheWholeLength)
{
    const uint32_t code = QmsDeviceCode(3, QMS_ERRIDX_BURNOUT);
    const std::string whole = "device 3: the thermocouple is open (burn-out)";

    EXPECT_EQ(QmsErrorText(code, nullptr, 0), whole.size());
    // A null buffer holds nothing, whatever size comes with it.
    EXPECT_EQ(QmsErrorText(code, nullptr, 64), whole.size());

    char small[11];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(QmsErrorText(code, small, sizeof small), whole.size());
    EXPECT_STREQ(small, "device 3: ");

    char one = 'x';
    EXPECT_EQ(QmsErrorText(code, &one, 1), whole.size());
    EXPECT_EQ(one, '\0');

    char untouched = 'x';
    EXPECT_EQ(QmsErrorText(code, &untouched, 0), whole.size());
    EXPECT_EQ(untouched, 'x');

    char exact[64];
    EXPECT_EQ(qms_c_error_text(code, exact, whole.size() + 1), whole.size());
    EXPECT_EQ(exact, whole);
}

} // namespace
