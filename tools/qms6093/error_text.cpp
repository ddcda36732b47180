#include "tools/qms6093/error_text.h"

#include <cstdio>

#include "qms6093.h"
#include "qms_ioctl.h"

namespace qms::cli {

namespace {

struct Sentence {
    uint32_t value;
    const char *text;
};

// Plain codes, independent of the device.
constexpr Sentence plainCodes[] = {
    {QMS_ERR_REFUSED, "the module refused the command"},
    {QMS_ERR_SETTINGS, "the device number has no registry settings: no such device is installed"},
    {QMS_ERR_NULL_HANDLE, "the device handle is not open"},
    {QMS_ERR_SCALE, "the scaling counts are equal"},
    {QMS_ERR_NULL_BUFFER, "a buffer argument is missing"},
    {QMS_ERR_FUNCTION_CODE, "the function code is not supported"},
};

// Error indexes of device codes.
constexpr Sentence errorIndexes[] = {
    {QMS_ERRIDX_NO_RECORD, "no device record could be created (out of memory or events)"},
    {QMS_ERRIDX_BOARD_ID, "the registry says the device is not a USB-6093 (BoardID is not 198)"},
    {QMS_ERRIDX_OUT_OF_RANGE, "the channel, channel count or port is out of range"},
    {QMS_ERRIDX_RANGE_CODE, "the range is not one of the module's input ranges"},
    {QMS_ERRIDX_ARGUMENT, "an argument was rejected (missing buffer, bit above 7 or buffer too small)"},
    {QMS_ERRIDX_PARAMETERS, "the module's stored channel settings could not be read"},
    {QMS_ERRIDX_DEVICE_TYPE, "the device is not a USB-6093 (device type is not 198)"},
    {QMS_ERRIDX_STREAM_OPEN, "the module is not attached: its stream device could not be opened"},
    {QMS_ERRIDX_PROPERTY_SIZE, "the property data is shorter than 32 bytes"},
    {QMS_ERRIDX_EVENTS, "the device's events could not be created"},
    {QMS_ERRIDX_PROPERTY_CODE, "the property is not supported"},
    {QMS_ERRIDX_BURNOUT, "the thermocouple is open (burn-out)"},
    {QMS_ERRIDX_CJC_HISTORY, "the driver refused to hand out the cold-junction readings"},
    {QMS_ERRIDX_BLOCK_ACCESS, "a request to the module failed (no answer, stall or error reply)"},
};

// Mapped last errors of driver codes that are not error indexes as well.
constexpr Sentence driverErrors[] = {
    {QMS_DRVERR_BAD_CONTEXT, "the driver rejected the open context"},
    {QMS_LASTERR_UNKNOWN_CODE, "the driver does not support this request"},
    {100, "the driver failed without saying why"},
    {101, "the stream device does not exist"},
    {102, "the stream device handle is not valid"},
    {103, "the driver is busy"},
    {105, "the request was aborted"},
    {QMS_DRVERR_DIO_ECHO, "the module's digital I/O reply was malformed"},
    {31, "the device failed the request"},
    {55, "the device does not exist any more"},
    {87, "the driver rejected a parameter"},
    {1167, "the module is not connected"},
    {1460, "the request timed out"},
    {1617, "the module was removed"},
};

// Status words the module answers commands with.
constexpr Sentence statusWords[] = {
    {0x0101, "the module refused the range or calibration code"},
    {0x0102, "the module does not have that parameter block"},
    {0x0103, "the module refused the channel"},
    {0x0104, "the module refused the channel count"},
    {0x0105, "the module refused the value"},
    {0x0106, "the module's burn-out status block is read-only"},
    {0x0107, "the calibration signal is wrong"},
    {0x0108, "the EEPROM address is beyond the module's memory"},
    {0x0109, "the module has no such digital port"},
    {0x010A, "the module was asked for a reply before its request"},
    {0x010B, "the module's conversion is stopped"},
};

// The codes of the cold-junction measurement.
struct SignedSentence {
    int32_t value;
    const char *text;
};
constexpr SignedSentence cjcMeasureCodes[] = {
    {-1, "the thermocouple type has no reference temperature"},
    {1, "the conversion could not be stopped before the measurement"},
    {2, "the conversion could not be started"},
    {3, "the cold-junction sensor could not be read"},
    {4, "the thermocouple type has no input range"},
    {5, "the channel could not be set to the thermocouple range"},
    {6, "the measured offset could not be sent to the module"},
    {7, "the conversion could not be stopped after the measurement"},
    {8, "a reading of the channel failed, or the module refused the new offset"},
};

template <typename Table, typename Value>
const char *Find(const Table &table, Value value)
{
    for (const auto &row : table)
        if (row.value == value)
            return row.text;
    return nullptr;
}

std::string Format(const char *format, uint32_t value)
{
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string CodeSentence(uint32_t code)
{
    if (code == 0)
        return "success";
    if (code < 4096) {
        if (const char *text = Find(plainCodes, code))
            return text;
        if (const char *text = Find(statusWords, code))
            return text;
        return Format("the module answered with status word 0x%04X", code);
    }
    // The device number is the upper part; the user sees it beside the message.
    const uint32_t rest = code % 4096;
    const char *text = Find(errorIndexes, rest);
    if (!text)
        text = Find(driverErrors, rest);
    if (text)
        return text;
    return Format("the driver refused the request (error %u)", rest);
}

std::string DescribeCode(uint32_t code)
{
    return CodeSentence(code) + Format(" (code %u)", code);
}

std::string DescribeCjcMeasureCode(int32_t code)
{
    const char *text = nullptr;
    for (const auto &row : cjcMeasureCodes)
        if (row.value == code)
            text = row.text;
    char number[32];
    std::snprintf(number, sizeof number, " (code %d)", code);
    return std::string(text ? text : "the cold-junction measurement failed") + number;
}

uint32_t DriverCode(uint32_t deviceNumber, uint32_t lastError)
{
    uint32_t mapped = lastError;
    if (lastError & QMS_DRIVER_ERROR_BIT)
        mapped = lastError & ~QMS_DRIVER_ERROR_BIT;
    else if (lastError == 56)
        mapped = 103;
    else if (lastError == 2)
        mapped = 101;
    else if (lastError == 6)
        mapped = 102;
    else if (lastError == 998)
        mapped = 105;
    else if (lastError == 0xFFFFFFFFu)
        mapped = 100;
    return QmsDeviceCode(deviceNumber, mapped);
}

} // namespace qms::cli
