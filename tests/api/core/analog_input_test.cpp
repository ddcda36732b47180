// Analog input end to end: ranges on the wire and in the module, readings, the 4-20 mA
// correction and the values in volts and milliamperes.
#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr double kMilliampsOfCode(double code) { return code * 20.0 / 65536.0; }

class AnalogInput : public OpenDevice {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario();
        s["channels"][0] = {{"volts", 1.25}};
        s["channels"][1] = {{"milliamps", 12.0}, {"exception_4_20", 1}};
        s["channels"][2] = {{"open", true}, {"exception_4_20", 0}};
        s["channels"][3] = {{"open", true}, {"exception_4_20", 1}};
        s["channels"][4] = {{"milliamps", kMilliampsOfCode(6553)}, {"exception_4_20", 1}};
        s["channels"][5] = {{"milliamps", kMilliampsOfCode(39321)}, {"exception_4_20", 0}};
        s["channels"][6] = {{"milliamps", kMilliampsOfCode(6553)}, {"exception_4_20", 0}};
        s["channels"][7] = {{"milliamps", 8.0}, {"exception_4_20", 2}};
        return s;
    }
    Bytes LastConfigPayload() const
    {
        const auto configs = module->wire(GROUP_AI, CMD_AI_CONFIG);
        return configs.empty() ? Bytes{} : configs.back().data;
    }
    std::vector<uint32_t> ModuleBlock(const char *id) const
    {
        return module->state()["blocks"][id].get<std::vector<uint32_t>>();
    }
};

} // namespace

TEST_F(AnalogInput, AIConfigSendsOneChannel)
{
    ASSERT_EQ(AIConfig(handle, 7, QMS_RANGE_0_1V), 0u);
    EXPECT_EQ(LastConfigPayload(),
              (Bytes{0, 7, 0, 1, 0, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ModuleBlock("0x210")[7], 4u) << "the module keeps the range index";
    EXPECT_EQ(module->state()["channels"][7]["range"], "0-1.0V");
}

TEST_F(AnalogInput, MAIConfigWrapsFromChannelSevenToZero)
{
    const uint16_t codes[] = {QMS_RANGE_0_2500MV, QMS_RANGE_4_20MA, QMS_RANGE_0_20MA, QMS_RANGE_0_15MV};
    ASSERT_EQ(MAIConfig(handle, 4, 6, codes), 0u);
    EXPECT_EQ(LastConfigPayload(), (Bytes{0, 6, 0, 4, 0, 0x0F, 0, 0x1F, 0, 0x1F, 0, 0x08, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0, 0}));
    const auto writes = module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].data, (Bytes{0, 0, 0, 5, 0, 0, 0, 7, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x10, 0, 6, 0, 4, 0, 0}));
    const auto record = qms::api::FindRecordByHandle(handle);
    EXPECT_EQ(record->rangeCode[7], QMS_RANGE_4_20MA) << "the record keeps the caller's code";
    EXPECT_EQ(record->rangeIndex[0], 6u);
    EXPECT_EQ(record->rangeIndex[1], 0u);
}

TEST_F(AnalogInput, RangeCodesOutsideTheGainListAreRefusedBeforeAnythingIsSent)
{
    const uint16_t codes[] = {QMS_RANGE_0_1V, 0x0012};
    EXPECT_EQ(MAIConfig(handle, 2, 0, codes), Code(dev, QMS_ERRIDX_RANGE_CODE));
    EXPECT_TRUE(module->wire().empty());
    const auto record = qms::api::FindRecordByHandle(handle);
    EXPECT_EQ(record->rangeCode[0], 0) << "a refused call stores nothing";
    EXPECT_EQ(AIConfig(handle, 8, QMS_RANGE_0_1V), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIConfig(handle, 0, 0, codes), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIConfig(handle, 9, 0, codes), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIConfig(handle, 1, 0, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_TRUE(module->wire().empty());

    // A range outside the gain list passes while the channel's range override is set, and
    // the override is stored as the channel's range index.
    record->rangeOverride[3] = 16;
    EXPECT_EQ(AIConfig(handle, 3, 0x001F), 0u);
    EXPECT_EQ(record->rangeIndex[3], 16u);
    EXPECT_EQ(ModuleBlock("0x210")[3], 16u);
    record->rangeOverride[3] = 0;
}

TEST_F(AnalogInput, PersistSuppressionLeavesTheStoredRangesAlone)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    record->persistSuppression = 1;
    ASSERT_EQ(AIConfig(handle, 0, QMS_RANGE_0_1V), 0u);
    record->persistSuppression = 0;
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).empty());
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CONFIG).size(), 1u);
}

TEST_F(AnalogInput, UnchangedPositionsKeepTheirChannel)
{
    ASSERT_EQ(AIConfig(handle, 1, QMS_RANGE_0_1V), 0u);
    const uint16_t codes[] = {QMS_RANGE_UNCHANGED, QMS_RANGE_0_2500MV};
    ASSERT_EQ(MAIConfig(handle, 2, 1, codes), 0u);
    EXPECT_EQ(LastConfigPayload()[4], 0);
    EXPECT_EQ(LastConfigPayload()[5], 0xFF) << "0x00FF travels unchanged";
    const auto record = qms::api::FindRecordByHandle(handle);
    EXPECT_EQ(record->rangeCode[1], QMS_RANGE_0_1V);
    EXPECT_EQ(record->rangeCode[2], QMS_RANGE_0_2500MV);
}

TEST_F(AnalogInput, VoltsReadWithinOneCode)
{
    ASSERT_EQ(AIConfig(handle, 0, QMS_RANGE_0_2500MV), 0u);
    float volts = 0.0f;
    ASSERT_EQ(AIVoltageIn(handle, 0, QMS_RANGE_0_2500MV, 0, &volts), 0u);
    EXPECT_NEAR(volts, 1.25f, 2.5f / 65536.0f);
    uint16_t reading = 0;
    ASSERT_EQ(AIBinaryIn(handle, 0, 0, &reading), 0u);
    EXPECT_NEAR(reading, 32768, 1);
    const auto scans = module->wire(GROUP_AI, CMD_AI_SCAN);
    ASSERT_FALSE(scans.empty());
    EXPECT_EQ(scans.back().data, (Bytes{0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST_F(AnalogInput, FourToTwentyMilliampsReadAsMilliamps)
{
    ASSERT_EQ(AIConfig(handle, 1, QMS_RANGE_4_20MA), 0u);
    float mA = 0.0f;
    ASSERT_EQ(AIVoltageIn(handle, 1, QMS_RANGE_4_20MA, 0, &mA), 0u);
    EXPECT_NEAR(mA, 12.0f, 20.0f / 65536.0f);
    ASSERT_EQ(AIConfig(handle, 1, QMS_RANGE_0_20MA), 0u);
    ASSERT_EQ(AIVoltageIn(handle, 1, QMS_RANGE_0_20MA, 0, &mA), 0u);
    EXPECT_NEAR(mA, 12.0f, 20.0f / 65536.0f);
}

TEST_F(AnalogInput, FourToTwentyCorrectionOfRawReadings)
{
    const uint16_t loops[] = {QMS_RANGE_4_20MA, QMS_RANGE_4_20MA, QMS_RANGE_4_20MA};
    ASSERT_EQ(MAIConfig(handle, 3, 4, loops), 0u);
    uint16_t readings[3] = {};
    ASSERT_EQ(MAIBinaryIn(handle, 3, 4, 0, readings), 0u);
    EXPECT_EQ(readings[0], 0) << "6553 with exception setting 1: the low end";
    EXPECT_EQ(readings[1], 32767) << "39321, about 12 mA";
    EXPECT_EQ(readings[2], 65535) << "6553 with exception setting 0: the high end";
}

TEST_F(AnalogInput, OpenLoopFollowsItsExceptionSetting)
{
    const uint16_t loops[] = {QMS_RANGE_4_20MA, QMS_RANGE_4_20MA};
    ASSERT_EQ(MAIConfig(handle, 2, 2, loops), 0u);
    float mA[2] = {};
    ASSERT_EQ(MAIVoltageIn(handle, 2, 2, loops, 0, mA), 0u);
    EXPECT_NEAR(mA[0], 20.0f, 0.001f);
    EXPECT_FLOAT_EQ(mA[1], 4.0f);
}

TEST_F(AnalogInput, AnOpenLoopHoldsItsOwnLastValue)
{
    // Channel 7 holds the last value of its own loop, whatever other loops read meanwhile.
    ASSERT_EQ(AIConfig(handle, 7, QMS_RANGE_4_20MA), 0u);
    ASSERT_EQ(AIConfig(handle, 1, QMS_RANGE_4_20MA), 0u);
    float mA = 0.0f;
    ASSERT_EQ(AIVoltageIn(handle, 7, QMS_RANGE_4_20MA, 0, &mA), 0u);
    EXPECT_NEAR(mA, 8.0f, 0.001f);
    module->update({{"channels", {{"7", {{"open", true}}}}}});
    ASSERT_EQ(AIVoltageIn(handle, 1, QMS_RANGE_4_20MA, 0, &mA), 0u);
    EXPECT_NEAR(mA, 12.0f, 0.001f);
    ASSERT_EQ(AIVoltageIn(handle, 7, QMS_RANGE_4_20MA, 0, &mA), 0u);
    EXPECT_NEAR(mA, 8.0f, 0.001f);
}

TEST_F(AnalogInput, ExceptionSettingsAreTakenPerChannelAcrossTheWrap)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    // Channels 6, 7, 0 and 1 as 4-20 mA, each deciding an open loop by its own setting.
    const uint16_t loops[] = {QMS_RANGE_4_20MA, QMS_RANGE_4_20MA, QMS_RANGE_4_20MA, QMS_RANGE_4_20MA};
    ASSERT_EQ(MAIConfig(handle, 4, 6, loops), 0u);
    module->update({{"channels", {{"0", {{"open", true}}}, {"7", {{"open", true}}}}}});
    record->exception420[0] = 0;
    record->exception420[7] = 1;
    uint16_t readings[4] = {};
    ASSERT_EQ(MAIBinaryIn(handle, 4, 6, 0, readings), 0u);
    EXPECT_EQ(readings[0], 65535) << "channel 6: 2 mA, setting 0";
    EXPECT_EQ(readings[1], 0) << "channel 7: open, setting 1";
    EXPECT_EQ(readings[2], 65535) << "channel 0: open, setting 0";
    EXPECT_NEAR(readings[3], 32768, 1) << "channel 1: 12 mA";
}

TEST_F(AnalogInput, WithoutConfigurationReadingsPassUncorrected)
{
    uint16_t readings[8] = {};
    // Every position at its power-up range: nothing is marked 4-20 mA in the record yet.
    ASSERT_EQ(MAIBinaryIn(handle, 8, 0, 0, readings), 0u);
    const auto record = qms::api::FindRecordByHandle(handle);
    for (uint16_t code : record->rangeCode)
        EXPECT_EQ(code, 0);
}

TEST_F(AnalogInput, ArgumentsAreCheckedBeforeTheModuleIsAsked)
{
    uint16_t readings[9] = {};
    float values[9];
    std::fill(std::begin(values), std::end(values), -1.0f);
    const uint16_t codes[9] = {QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V,
                               QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V,
                               QMS_RANGE_0_1V};
    EXPECT_EQ(MAIBinaryIn(handle, 0, 0, 0, readings), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIBinaryIn(handle, 9, 0, 0, readings), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIBinaryIn(handle, 1, 9, 0, readings), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_EQ(MAIBinaryIn(handle, 1, 0, 0, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(MAIVoltageIn(handle, 1, 0, nullptr, 0, values), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(MAIVoltageIn(handle, 1, 0, codes, 0, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    const uint16_t unknown[] = {QMS_RANGE_0_1V, 0x0042};
    EXPECT_EQ(MAIVoltageIn(handle, 2, 0, unknown, 0, values), Code(dev, QMS_ERRIDX_RANGE_CODE));
    EXPECT_EQ(values[0], -1.0f);
    EXPECT_TRUE(module->wire().empty());
    // Start 8 is passed on as it is.
    EXPECT_EQ(MAIBinaryIn(handle, 1, 8, 0, readings), 0u);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_SCAN).back().data, (Bytes{0, 8, 0, 1, 0, 0, 0, 0}));
}

TEST_F(AnalogInput, GetConfigWritesTheWholeResult)
{
    AIGetConfigResult result;
    std::memset(&result, 0xCD, sizeof result);
    ASSERT_EQ(AIGetConfig(handle, &result, 0), 0u);
    EXPECT_EQ(result.deviceType, 198u);
    EXPECT_EQ(result.value4, 1u);
    EXPECT_EQ(result.value16, 0xFFFF);
    EXPECT_EQ(result.reserved18, 0xCDCD) << "not written";
    EXPECT_EQ(result.entries[15].value12, 0);
    EXPECT_EQ(result.entries[15].reserved14, 0xCDCD);
    EXPECT_EQ(AIGetConfig(handle, nullptr, 0), Code(dev, QMS_ERRIDX_ARGUMENT));
}

TEST_F(AnalogInput, DriverProcCarriesTheAnalogCalls)
{
    AIConfigParams config{7, QMS_RANGE_0_1V};
    ASSERT_EQ(DriverProc(0, 0, 0x10003u, handle, &config), 0u);
    EXPECT_EQ(LastConfigPayload()[1], 7);
    uint16_t codes[] = {QMS_RANGE_0_2500MV};
    MAIConfigParams maiConfig{1, 0, codes};
    ASSERT_EQ(DriverProc(0, 0, FC_MAI_CONFIG, handle, &maiConfig), 0u);
    float volts = 0.0f;
    MAIVoltageInParams read{};
    read.count = 1;
    read.start = 0;
    read.rangeCodes = codes;
    read.values = &volts;
    ASSERT_EQ(DriverProc(0, 0, FC_MAI_VOLTAGE_IN, handle, &read), 0u);
    EXPECT_NEAR(volts, 1.25f, 0.0001f);
    AIVoltageInParams one{0, QMS_RANGE_0_2500MV, 0, 0, &volts};
    volts = 0.0f;
    ASSERT_EQ(DriverProc(0, 0, FC_AI_VOLTAGE_IN, handle, &one), 0u);
    EXPECT_NEAR(volts, 1.25f, 0.0001f);
}

TEST_F(AnalogInput, ARangeTheModuleDidNotTakeIsNotStored)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    ASSERT_EQ(AIConfig(handle, 2, QMS_RANGE_0_2500MV), 0u);
    const std::vector<uint32_t> stored = ModuleBlock("0x210");
    module->clearWire();
    module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_CONFIG}, {"fault", "stall"}}}}});

    EXPECT_EQ(AIConfig(handle, 2, QMS_RANGE_0_1V), TransferFailed(dev));
    const uint16_t codes[] = {QMS_RANGE_4_20MA, QMS_RANGE_0_1V};
    EXPECT_EQ(MAIConfig(handle, 2, 1, codes), TransferFailed(dev));
    EXPECT_EQ(ModuleBlock("0x210"), stored) << "the power-up ranges stay what the module has";
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).empty())
        << "nothing is sent after the refused request";
    EXPECT_EQ(record->rangeCode[1], 0) << "no position is marked 4-20 mA";
    EXPECT_EQ(record->rangeCode[2], QMS_RANGE_0_2500MV);
    EXPECT_EQ(record->rangeIndex[2], stored[2]);

    module->update({{"clear_faults", true}});
    ASSERT_EQ(AIConfig(handle, 2, QMS_RANGE_0_1V), 0u);
    EXPECT_EQ(ModuleBlock("0x210")[2], 4u);
}
