// Faults in the module: every failure path returns its code and leaves the caller's buffers
// as they were.
#include <algorithm>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "api/parameter_blocks.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

class ModuleFaults : public OpenDevice {
protected:
    void Inject(nlohmann::json rule) { module->update({{"faults", {rule}}}); }
};

constexpr float kUntouched = -123.0f;

} // namespace

TEST_F(ModuleFaults, StalledSampleReadLeavesTheValues)
{
    Inject({{"group", GROUP_AI}, {"command", CMD_AI_SAMPLES}, {"fault", "stall"}});
    const uint16_t codes[2] = {QMS_RANGE_0_1V, QMS_RANGE_0_1V};
    float values[2] = {kUntouched, kUntouched};
    EXPECT_EQ(MAIVoltageIn(handle, 2, 0, codes, 0, values), TransferFailed(dev));
    EXPECT_EQ(values[0], kUntouched);
    EXPECT_EQ(values[1], kUntouched);
}

TEST_F(ModuleFaults, ShortDigitalReplyLeavesTheValue)
{
    Inject({{"group", GROUP_DIO}, {"command", CMD_DIO_DI_REPLY}, {"fault", "short"}, {"bytes", 4}});
    uint16_t value = 0x4242;
    uint8_t ports[2] = {0x42, 0x42};
    EXPECT_NE(DioReadPortByte(handle, 0, &value), 0u);
    EXPECT_EQ(value, 0x4242);
    EXPECT_NE(DioReadDiPorts(handle, 0, 1, ports), 0u);
    EXPECT_EQ(ports[0], 0x42) << "what the failed read left behind stays in the library";
}

TEST_F(ModuleFaults, DigitalDeviceErrorIsTheDriversCode)
{
    Inject({{"group", GROUP_DIO}, {"command", CMD_DIO_DO_READBACK_REPLY}, {"fault", "dio_error"},
            {"error", 4}});
    uint16_t value = 0x4242;
    EXPECT_EQ(DioGetCurrentDOByte(handle, 0, &value), Code(dev, 4));
    EXPECT_EQ(value, 0x4242);
    module->clearWire();
    EXPECT_EQ(DioWritePortByte(handle, 0, 0xFF, 0x01), Code(dev, 4));
    EXPECT_TRUE(module->wire(GROUP_DIO, CMD_DIO_DO_WRITE).empty())
        << "a failed read-back leaves the outputs alone";
}

TEST_F(ModuleFaults, FailedBlockReadFailsThePropertyRead)
{
    Inject({{"group", GROUP_AI}, {"command", CMD_AI_CHAN_CONFIG_READ}, {"fault", "stall"}});
    uint32_t settings[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    uint32_t size = sizeof settings;
    EXPECT_EQ(DeviceGetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, &size),
              Code(dev, QMS_ERRIDX_BLOCK_ACCESS));
    EXPECT_EQ(settings[0], 9u);
    EXPECT_EQ(size, 32u) << "the size is not touched either";
    EXPECT_EQ(qms::api::FindRecordByHandle(handle)->burnOutSetting[0], 0u);
}

TEST_F(ModuleFaults, NonzeroBlockStatusStoresNothing)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    uint32_t values[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    // The module refuses a first channel beyond its eight.
    EXPECT_EQ(qms::api::ReadDeviceParameters(record.get(), QMS_BLOCK_BURNOUT_STATUS, 9, 1, values), -1);
    EXPECT_EQ(values[0], 9u);
    EXPECT_EQ(qms::api::ReadDeviceParameters(record.get(), QMS_BLOCK_BURNOUT_STATUS, 5, 1, values), 0);
    EXPECT_EQ(values[0], 0u);
    EXPECT_EQ(values[1], 9u) << "exactly one value is stored";
    EXPECT_EQ(qms::api::ReadDeviceParameters(nullptr, QMS_BLOCK_BURNOUT_STATUS, 5, 1, values), -1);
    const uint32_t bad[1] = {99};
    EXPECT_EQ(qms::api::WriteDeviceParameters(record.get(), QMS_BLOCK_RANGE_INDEX, 0, 1, bad), 0x0105u)
        << "the module's status word in the processor's order";
}

TEST_F(ModuleFaults, EepromStatusIsOneAndTheValueIsStillStored)
{
    // Beyond the EEPROM the module flags the word it sends as bad.
    uint32_t value = 7;
    EXPECT_EQ(DirectReadEEData(handle, 0x400, &value), 1);
    EXPECT_EQ(value, 0u) << "the word is stored whenever the request went through";
    EXPECT_EQ(DirectWriteEEData(handle, 0x400, 1), 1);
    Inject({{"group", GROUP_EEPROM}, {"command", CMD_EEPROM_SELECT}, {"fault", "stall"}});
    value = 7;
    EXPECT_EQ(DirectReadEEData(handle, 0x310, &value), static_cast<int32_t>(TransferFailed(dev)));
    EXPECT_EQ(value, 7u);
}

TEST_F(ModuleFaults, UnansweredRequestTimesOut)
{
    Inject({{"group", GROUP_AI}, {"command", CMD_AI_SCAN}, {"fault", "no_completion"}, {"occurrence", 1}});
    uint16_t reading = 0x4242;
    EXPECT_EQ(AIBinaryIn(handle, 0, 0, &reading), TransferFailed(dev));
    EXPECT_EQ(reading, 0x4242);
    EXPECT_EQ(AIBinaryIn(handle, 0, 0, &reading), 0u) << "the next request goes through";
}

TEST_F(ModuleFaults, RemovedModuleRefusesEveryCall)
{
    module->unplug();
    uint16_t value = 0x4242;
    float volts = kUntouched;
    EXPECT_NE(DioReadPortByte(handle, 0, &value), 0u);
    EXPECT_NE(AIVoltageIn(handle, 0, QMS_RANGE_0_1V, 0, &volts), 0u);
    EXPECT_EQ(value, 0x4242);
    EXPECT_EQ(volts, kUntouched);
    EXPECT_EQ(DeviceClose(&handle), 0u);
    EXPECT_EQ(handle, 0u);
}
