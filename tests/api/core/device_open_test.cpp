// Opening and closing a device: records, handles, reference counts, parameter blocks.
#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "api/registry_values.h"
#include "qms_identity.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

void SetRegistryBoardID(uint32_t dev, uint32_t boardId)
{
    qms::api::RegistryValueRow rows[] = {
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &boardId}, {nullptr, 0, 0, nullptr}};
    const std::u16string key = qms::api::DeviceKeyPath(QMS_REG_DRIVER_KEY, dev);
    ASSERT_EQ(qms::api::AccessRegistryValues(key.c_str(), rows, qms::api::RegistryWrite, 1), 1);
}

nlohmann::json ScenarioWithPresets()
{
    nlohmann::json s = QuietScenario();
    s["channels"][2] = {{"volts", 0.0}, {"range_index", 5}, {"burnout", 3}, {"exception_4_20", 1}};
    s["channels"][6] = {{"milliamps", 12.0}, {"range_index", 7}, {"exception_4_20", 2}};
    return s;
}

} // namespace

TEST(DeviceOpen, RepeatedOpensShareOneRecordUntilTheLastClose)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    uint32_t first = 0, second = 0;
    ASSERT_EQ(DeviceOpen(dev, &first), 0u);
    ASSERT_EQ(DeviceOpen(dev, &second), 0u);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(module.state()["open_notices"], 1) << "one stream handle for both opens";

    uint32_t copy = first;
    EXPECT_EQ(DeviceClose(&first), 0u);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(StartAIConversion(copy), 0u) << "the first close leaves the handle usable";
    EXPECT_EQ(DeviceClose(&second), 0u);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(StartAIConversion(copy), 3u) << "a closed handle is refused, not followed";
    EXPECT_EQ(module.state()["close_notices"], 1);
}

TEST(DeviceOpen, ReadsTheParameterBlocksIntoTheRecord)
{
    SimulatedModule module(ScenarioWithPresets());
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    const auto record = qms::api::FindRecordByHandle(handle);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->rangeIndex[2], 5u);
    EXPECT_EQ(record->rangeIndex[6], 7u);
    EXPECT_EQ(record->burnOutSetting[2], 3u);
    EXPECT_EQ(record->exception420[2], 1u);
    EXPECT_EQ(record->exception420[6], 2u);
    EXPECT_EQ(record->settings.BoardID, QMS_DEVICE_TYPE_CODE);
    DeviceClose(&handle);
}

TEST(DeviceOpen, BoardIdOtherThanTheDeviceTypeLeavesNoRecord)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    SetRegistryBoardID(dev, 197);
    uint32_t handle = 77;
    EXPECT_EQ(DeviceOpen(dev, &handle), Code(dev, QMS_ERRIDX_BOARD_ID));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(module.state()["close_notices"], 1) << "the stream handle was closed again";
    SetRegistryBoardID(dev, 198);
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u) << "a fresh record, not the refused one";
    EXPECT_EQ(module.state()["open_notices"], 2);
    DeviceClose(&handle);
}

TEST(DeviceOpen, UnreadableParameterBlocksStillGiveAUsableHandle)
{
    nlohmann::json s = ScenarioWithPresets();
    // Every block reply stalls.
    s["faults"] = {{{"group", GROUP_AI}, {"command", CMD_AI_CHAN_CONFIG_READ}, {"fault", "stall"}}};
    SimulatedModule module(s);
    const uint32_t dev = module.deviceNumber();
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), Code(dev, QMS_ERRIDX_PARAMETERS));
    ASSERT_NE(handle, 0u);
    const auto record = qms::api::FindRecordByHandle(handle);
    EXPECT_EQ(record->exception420[2], 0u) << "unread settings stay 0";
    module.update({{"clear_faults", true}});
    uint16_t di = 0;
    EXPECT_EQ(DioReadPortByte(handle, 0, &di), 0u);
    DeviceClose(&handle);
}

TEST(DeviceOpen, AModuleThatStopsAnsweringIsAskedOnce)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    // The read-back of the outputs and the parameter blocks go unanswered (the CJC sampler's
    // requests are left alone: its own time-outs are the driver's matter).
    module.update({{"faults", {{{"group", GROUP_DIO}, {"command", CMD_DIO_DO_READBACK_REPLY},
                                {"fault", "no_completion"}},
                               {{"group", GROUP_AI}, {"command", CMD_AI_CHAN_CONFIG_SELECT},
                                {"fault", "no_completion"}}}}});
    module.clearWire();
    uint32_t handle = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(DeviceOpen(dev, &handle), Code(dev, QMS_ERRIDX_PARAMETERS));
    // One 2 s transfer time-out, not one per request (two would be 4 s); the rest is room for a
    // loaded machine and the sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3500))
        << "one transfer time-out, not one per request";
    EXPECT_EQ(module.wire(GROUP_DIO, CMD_DIO_DO_READBACK_SELECT).size(), 1u);
    EXPECT_TRUE(module.wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT).empty())
        << "nothing is asked after the unanswered request";
    ASSERT_NE(handle, 0u);
    module.update({{"clear_faults", true}});
    uint16_t di = 0;
    EXPECT_EQ(DioReadPortByte(handle, 0, &di), 0u) << "the handle works once the module answers";
    DeviceClose(&handle);
}

TEST(DeviceOpen, AModuleRemovedDuringTheOpenGivesNoHandleAndDoesNotHoldUpItsRemoval)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    // The module goes away while its first parameter block is asked for.
    module.update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_CHAN_CONFIG_SELECT},
                                {"fault", "remove"}}}}});
    uint32_t handle = 77;
    EXPECT_EQ(DeviceOpen(dev, &handle), Code(dev, QMS_ERRIDX_STREAM_OPEN)) << "the module is absent";
    EXPECT_EQ(handle, 0u) << "no handle to a module that has gone";
    module.unplug();
    const bool removed = module.waitRemoved(3000);
    if (handle)
        DeviceClose(&handle); // what the caller of a failed open never does
    EXPECT_TRUE(removed) << "the removal waited for a stream handle the application never had";
}

TEST(DeviceOpen, SendsTheBlockRequestsInOrder)
{
    SimulatedModule module(QuietScenario());
    uint32_t handle = 0;
    module.clearWire();
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    const auto selects = module.wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT);
    ASSERT_EQ(selects.size(), 3u);
    EXPECT_EQ(selects[0].data, (std::vector<uint8_t>{0x02, 0x10, 0, 0, 0, 8}));
    EXPECT_EQ(selects[1].data, (std::vector<uint8_t>{0x02, 0x20, 0, 0, 0, 8}));
    EXPECT_EQ(selects[2].data, (std::vector<uint8_t>{0x02, 0x40, 0, 0, 0, 8}));
    EXPECT_EQ(module.wire(GROUP_DIO, CMD_DIO_DO_READBACK_SELECT).size(), 1u);
    DeviceClose(&handle);
}

TEST(DeviceOpen, ThroughDriverProc)
{
    SimulatedModule module(QuietScenario());
    uint32_t handle = 0;
    ASSERT_EQ(DriverProc(0, 0, FC_DEVICE_OPEN, module.deviceNumber(), &handle), 0u);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(DriverProc(0, 0, FC_DEVICE_CLOSE, reinterpret_cast<uintptr_t>(&handle), nullptr), 0u);
    EXPECT_EQ(handle, 0u);
}

TEST(DeviceOpenAtExit, AnApplicationEndingWithOpenDevicesDoesNotHang)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            SimulatedModule module(QuietScenario());
            uint32_t handle = 0;
            if (DeviceOpen(module.deviceNumber(), &handle) != 0)
                std::exit(2);
            std::exit(0); // the handle stays open, the module plugged
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3))
        << "the platform's shutdown did not wait for the open stream handle";
}
