// The I/O-control contract as both libraries see it: control codes, driver error values, the
// module's command set, the wire placement of request fields and the API's result codes.
#include <cstddef>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms_ioctl.h"

extern "C" {
uint32_t qms_c_ctl_function(uint32_t code);
uint32_t qms_c_device_code(uint32_t deviceNumber, uint32_t index);
size_t qms_c_layout_size(int which);
const char16_t *qms_c_driver_key(void);
}

namespace {

TEST(ControlCodes, EachDecomposesIntoTypeAccessFunctionAndMethod)
{
    std::set<uint32_t> codes;
    for (const auto &entry : qms::kControlCodes) {
        SCOPED_TRACE(entry.name);
        const uint32_t type = QmsCtlDeviceType(entry.code);
        const uint32_t access = QmsCtlAccess(entry.code);
        EXPECT_EQ(QmsCtlMethod(entry.code), QMS_METHOD_BUFFERED);
        if (type == QMS_DEVTYPE_EVENT_DIO)
            EXPECT_LE(access, 1u);
        else if (type == QMS_DEVTYPE_MODULE)
            EXPECT_EQ(access, 3u);
        else
            ADD_FAILURE() << "device type " << std::hex << type;
        EXPECT_EQ(QMS_CTL_CODE(type, QmsCtlFunction(entry.code), QMS_METHOD_BUFFERED, access),
                  entry.code);
        EXPECT_EQ(qms_c_ctl_function(entry.code), QmsCtlFunction(entry.code));
        EXPECT_TRUE(codes.insert(entry.code).second) << "duplicate code";
        EXPECT_EQ(qms::ControlCodeNameOf(entry.code), std::string_view(entry.name));
    }
    EXPECT_EQ(codes.size(), 31u);
}

TEST(ControlCodes, DocumentedExamplesDecompose)
{
    EXPECT_EQ(QmsCtlDeviceType(IOCTL_QMS_DI_READ), 0x9C40u);
    EXPECT_EQ(QmsCtlAccess(IOCTL_QMS_DI_READ), 1u);
    EXPECT_EQ(QmsCtlFunction(IOCTL_QMS_DI_READ), 0xE0Cu);
    EXPECT_EQ(QmsCtlAccess(IOCTL_QMS_ENABLE_EVENT), 0u);
    EXPECT_EQ(QmsCtlDeviceType(IOCTL_QMS_MAI_READ), 0xDC7Fu);
    EXPECT_EQ(QmsCtlAccess(IOCTL_QMS_MAI_READ), 3u);
    EXPECT_EQ(QmsCtlFunction(IOCTL_QMS_MAI_READ), 0xE32u);
    EXPECT_EQ(qms::ControlCodeNameOf(0xDC7FF800u), nullptr);
}

TEST(DriverErrors, CarryBit29OverThePlainValue)
{
    EXPECT_EQ(QMS_DRIVER_ERROR(QMS_DRVERR_TRANSFER), 0x200001F5u);
    EXPECT_EQ(QMS_DRIVER_ERROR(QMS_DRVERR_DIO_ECHO), 0x200001F7u);
    EXPECT_TRUE(qms::IsDriverError(QMS_LASTERR_BAD_CONTEXT));
    EXPECT_FALSE(qms::IsDriverError(QMS_LASTERR_UNKNOWN_CODE));
    EXPECT_EQ(QMS_LASTERR_BAD_BUFFER & ~QMS_DRIVER_ERROR_BIT, QMS_DRVERR_BAD_BUFFER);
}

TEST(VendorCommands, EveryRowIsUniqueAndInAKnownGroup)
{
    const std::set<unsigned> groups{GROUP_DIO, GROUP_AI, GROUP_CAL, GROUP_EEPROM, GROUP_DEVICE};
    std::set<std::pair<unsigned, unsigned>> seen;
    for (const auto &row : qms::kVendorCommands) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(groups.count(row.group));
        EXPECT_TRUE(seen.insert({row.group, row.command}).second) << "duplicate request";
        EXPECT_EQ(row.callerLength, row.length == 0);
        EXPECT_EQ(qms::FindVendorCommand(row.group, row.command), &row);
    }
    EXPECT_EQ(seen.size(), 36u);
}

TEST(VendorCommands, LookupGivesDirectionAndLength)
{
    const auto *samples = qms::FindVendorCommand(GROUP_AI, CMD_AI_SAMPLES);
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->direction, qms::VendorDirection::In);
    EXPECT_EQ(samples->length, 36u);
    EXPECT_EQ(qms::RequestTypeOf(samples->direction), 0xC0u);

    const auto *locate = qms::FindVendorCommand(GROUP_DEVICE, CMD_DEVICE_LOCATE);
    ASSERT_NE(locate, nullptr);
    EXPECT_EQ(qms::RequestTypeOf(locate->direction), 0x40u);
    EXPECT_EQ(locate->length, 1u);

    EXPECT_TRUE(qms::FindVendorCommand(GROUP_DEVICE, CMD_DEVICE_FW_VERSION)->callerLength);
    // Calibration has no command 37, and no group 3 exists.
    EXPECT_EQ(qms::FindVendorCommand(GROUP_CAL, 37), nullptr);
    EXPECT_EQ(qms::FindVendorCommand(3, 1), nullptr);
}

// The request fields land on the wire at their documented bytes once swapped.
TEST(WireLayout, ParameterBlockWriteCarriesItsHeaderAfterTheValues)
{
    ChanConfigWriteRequest request{};
    request.values[0] = Swap32(1);
    request.values[7] = Swap32(0x01020304u);
    request.blockId = Swap16(QMS_BLOCK_BURNOUT_SETTING);
    request.firstChannel = Swap16(0);
    request.channelCount = Swap16(8);
    uint8_t bytes[sizeof request];
    std::memcpy(bytes, &request, sizeof request);
    EXPECT_EQ(QmsLoadBe32(bytes + 0), 1u);
    EXPECT_EQ(QmsLoadBe32(bytes + 28), 0x01020304u);
    EXPECT_EQ(bytes[32], 0x02);
    EXPECT_EQ(bytes[33], 0x20);
    EXPECT_EQ(QmsLoadBe16(bytes + 36), 8u);
    EXPECT_EQ(bytes[38] | bytes[39], 0);
}

TEST(WireLayout, DigitalReplyPortValueIsByteNine)
{
    const uint8_t wire[12] = {0, 0, 0, 0, 0x00, 0x01, 0xEE, 0xEE, 0x00, 0xA5, 0xEE, 0xEE};
    DioReply reply;
    std::memcpy(&reply, wire, sizeof reply);
    EXPECT_EQ(reply.deviceError, 0u);
    EXPECT_EQ(QmsLoadBe16(reply.echo), 1u);
    EXPECT_EQ(reply.data[1], 0xA5);
    EXPECT_EQ(QmsLoadBe16(reply.data), 0xA5u);
}

TEST(ResultCodes, DeviceAndDriverCodesFollowTheDeviceNumber)
{
    EXPECT_EQ(QmsDeviceCode(3, 102), 16486u); // device 3, last error 6 mapped to 102
    EXPECT_EQ(QmsDeviceCode(0, 5), 4101u);    // device 0, last error 0x20000005
    EXPECT_EQ(QmsDeviceCode(0, QMS_LASTERR_UNKNOWN_CODE), 4146u);
    EXPECT_EQ(QmsDeviceCode(1, QMS_ERRIDX_BOARD_ID), 8194u);
    EXPECT_EQ(qms_c_device_code(2, QMS_ERRIDX_BLOCK_ACCESS), QmsDeviceCode(2, 501));
}

TEST(Identity, NamesMatchWhatTheirReadersParse)
{
    // The device number is parsed after the first six characters of a subkey name.
    EXPECT_EQ(std::u16string_view(QMS_REG_DEVICE_SUBKEY_PREFIX).size(), 6u);
    static_assert(sizeof(DeviceSettings::CallName) / sizeof(char16_t) == QMS_CALL_NAME_CHARS);
    EXPECT_EQ(std::u16string_view(qms_c_driver_key()),
              std::u16string_view(u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s"));
    EXPECT_EQ(QMS_DEVICE_SIGNATURE >> 16, QMS_USB_VENDOR_ID);
    EXPECT_EQ(QMS_DEVICE_SIGNATURE & 0xFFFFu, QMS_USB_PRODUCT_ID);
}

TEST(Layouts, CAndCppAgree)
{
    EXPECT_EQ(qms_c_layout_size(0), sizeof(DeviceFeatures));
    EXPECT_EQ(qms_c_layout_size(1), sizeof(CjcHistory));
    EXPECT_EQ(qms_c_layout_size(2), sizeof(MAIVoltageInParams));
    EXPECT_EQ(qms_c_layout_size(3), offsetof(DeviceGetPropertyParams, buffer));
    EXPECT_EQ(qms_c_layout_size(4), sizeof(tagINTERNALGAINLIST));
    EXPECT_EQ(qms_c_layout_size(5), sizeof(DioReply));
}

} // namespace
