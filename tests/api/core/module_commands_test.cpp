// Conversion control, calibration, EEPROM words and the small module commands end to end.
#include <gtest/gtest.h>

#include "api/device_record.h"
#include "api/module_commands.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

using Bytes = std::vector<uint8_t>;

nlohmann::json StatusFault(uint32_t status, uint32_t occurrence = 1)
{
    return {{"group", GROUP_DEVICE}, {"command", CMD_DEVICE_STATUS}, {"fault", "status"},
            {"status", status}, {"occurrence", occurrence}};
}

nlohmann::json Stall(int group, int command)
{
    return {{"group", group}, {"command", command}, {"fault", "stall"}};
}

using ModuleCommands = OpenDevice;

} // namespace

TEST_F(ModuleCommands, ConversionStartsAndStops)
{
    ASSERT_EQ(ResetAIConversion(handle), 0u);
    EXPECT_FALSE(module->state()["converting"].get<bool>());
    ASSERT_EQ(StartAIConversion(handle), 0u);
    EXPECT_TRUE(module->state()["converting"].get<bool>());
    const auto starts = module->wire(GROUP_AI, CMD_AI_START_CONV);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].data, (Bytes{0, 0, 0, 0})) << "four zero bytes as the payload";
}

TEST_F(ModuleCommands, StatusWordsComeBackInTheProcessorsOrder)
{
    module->update({{"faults", {StatusFault(5)}}});
    EXPECT_EQ(FixFullCalibration(handle, 0x1234), 5u);
    const auto fixes = module->wire(GROUP_CAL, CMD_CAL_FIX_FULL);
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_EQ(fixes[0].data, (Bytes{0x12, 0x34}));
    module->update({{"faults", {StatusFault(0x01020304)}}});
    EXPECT_EQ(StartAIConversion(handle), 0x01020304u);
}

TEST_F(ModuleCommands, FixZeroCalibrationIsRefusedByTheDriver)
{
    EXPECT_EQ(FixZeroCalibration(handle, 1), dev * 4096 + 4096 + 50);
    EXPECT_EQ(dev, 0u);
    EXPECT_EQ(FixZeroCalibration(handle, 1), 4146u);
    EXPECT_TRUE(module->wire().empty());
}

TEST_F(ModuleCommands, CompleteCalibrationResetsAfterwards)
{
    ASSERT_EQ(Complete_Calibration(handle), 0u);
    const auto wire = module->wire();
    const auto completes = module->wire(GROUP_CAL, CMD_CAL_COMPLETE);
    const auto resets = module->wire(GROUP_CAL, CMD_CAL_FULL);
    ASSERT_EQ(completes.size(), 1u);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0].data, (Bytes{0, 0})) << "the reset is a full-scale calibration with 0";

    module->update({{"faults", {StatusFault(7)}}});
    EXPECT_EQ(Complete_Calibration(handle), 7u) << "a good reset passes the own status on";
    module->update({{"faults", {StatusFault(7), Stall(GROUP_CAL, CMD_CAL_FULL)}}});
    EXPECT_EQ(Complete_Calibration(handle), 1u) << "a failed reset outranks the own status";
    module->update({{"faults", {Stall(GROUP_CAL, CMD_CAL_COMPLETE)}}});
    EXPECT_EQ(Complete_Calibration(handle), TransferFailed(dev));
}

TEST_F(ModuleCommands, CalibrationStepsSendTheModuleCode)
{
    ASSERT_EQ(qms::api::StartZeroCalibration(handle, 0x1F), 0u);
    module->update({{"channels", {{"0", {{"volts", 2.5}}}}}}); // full scale of 0-2.5 V
    ASSERT_EQ(qms::api::StartFullCalibration(handle, 0x0F), 0u);
    EXPECT_EQ(module->wire(GROUP_CAL, CMD_CAL_ZERO).at(0).data, (Bytes{0, 0x1F}));
    EXPECT_EQ(module->wire(GROUP_CAL, CMD_CAL_FULL).at(0).data, (Bytes{0, 0x0F}));
    EXPECT_EQ(qms::api::ResetAICalibration(0), 3u);
}

TEST_F(ModuleCommands, EepromWordsRoundTrip)
{
    ASSERT_EQ(DirectWriteEEData(handle, 0x300, 0x11223344u), 0);
    EXPECT_EQ(module->wire(GROUP_EEPROM, CMD_EEPROM_WRITE).at(0).data,
              (Bytes{0x11, 0x22, 0x33, 0x44, 0x03, 0x00, 0, 0}));
    uint32_t value = 0;
    ASSERT_EQ(DirectReadEEData(handle, 0x300, &value), 0);
    EXPECT_EQ(value, 0x11223344u);
    EXPECT_EQ(module->wire(GROUP_EEPROM, CMD_EEPROM_SELECT).at(0).data, (Bytes{0x03, 0x00}));
}

TEST_F(ModuleCommands, BoardNumberFirmwareAndCjcOffset)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    uint32_t board = 99;
    ASSERT_EQ(qms::api::ReadBoardID(record.get(), &board), 0u);
    EXPECT_EQ(board, 0u);
    ASSERT_EQ(qms::api::WriteBoardID(record.get(), 5), 0u);
    EXPECT_EQ(module->state()["board_number"], 5);
    ASSERT_EQ(qms::api::WriteBoardID(record.get(), 0), 0u);

    char16_t version[64];
    ASSERT_EQ(qms::api::ReadFirmwareVersion(record.get(), version), 0u);
    EXPECT_EQ(std::u16string(version), u"USB-6093 FW 1.00 (simulated)");

    ASSERT_EQ(qms::api::WriteCJCOffsetCode(record.get(), 0.0f), 0);
    EXPECT_EQ(module->state()["cjc_offset_code"], 32768);
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(record.get(), -25.0f), 0);
    EXPECT_EQ(module->state()["cjc_offset_code"], 0) << "below -10 degrees the code stays 0";
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_SET_CJC_OFFSET).back().data, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(qms::api::ResetCJCOffset(record.get()), 0u);

    EXPECT_EQ(qms::api::ReadBoardID(nullptr, &board), 3u);
    EXPECT_EQ(qms::api::WriteCJCOffsetCode(nullptr, 0.0f), 3);
    module->update({{"faults", {Stall(GROUP_AI, CMD_AI_SET_CJC_OFFSET), Stall(GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE)}}});
    EXPECT_EQ(qms::api::WriteCJCOffsetCode(record.get(), 1.0f), -1);
    EXPECT_EQ(qms::api::ResetCJCOffset(record.get()), 1u);
}

TEST_F(ModuleCommands, EnableEventIsAcceptedWithoutModuleTraffic)
{
    EXPECT_EQ(EnableEvent(handle, 0x0400, 1, 1), 0u);
    EXPECT_TRUE(module->wire().empty());
}
