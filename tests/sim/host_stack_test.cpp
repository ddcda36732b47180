// The simulated module behind the real host stack and stream driver: what the driver makes
// of the module's answers, faults injected at run time, and memory across a re-plug.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/nist_reference.h"
#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

uint32_t Be32(const uint8_t *p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

class SimThroughHostStack : public DriverTest {};

TEST_F(SimThroughHostStack, ThermocoupleReadGivesTheCodeOfItsNistEmf)
{
    const int id = Plug(21, {{"terminal_c", 20.0}, {"channels", {{{"thermocouple", "K"}, {"temp_c", 300.0}}}}});
    const HANDLE h = Open(21);
    uint8_t config[24] = {0, 0, 0, 1, 0, 0x22}; // K, as a temperature read configures it
    ASSERT_TRUE(Control(h, IOCTL_QMS_MAI_CONFIG, config, sizeof config, nullptr, 0));
    uint8_t scan[8] = {0, 0, 0, 1, 0, 0};
    uint8_t block[36] = {};
    ASSERT_TRUE(Control(h, IOCTL_QMS_MAI_READ, scan, sizeof scan, block, sizeof block));
    const double volts = (sim::nist::emfMillivolts('K', 300.0) - sim::nist::emfMillivolts('K', 20.0)) / 1000.0;
    EXPECT_EQ(Be32(block + 4), static_cast<uint32_t>(std::floor((volts + 0.078) / 0.156 * 65536.0 + 0.5)));
    EXPECT_EQ(State(id)["host_open"], true);
}

TEST_F(SimThroughHostStack, FaultSetAtRunTimeFailsExactlyThatControlCall)
{
    const int id = Plug(22);
    const HANDLE h = Open(22);
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults": [{"group": 127, "command": 1, "occurrence": 1, "fault": "stall"}]})"), 0)
        << qms_sim_last_error();
    uint8_t word[4] = {};
    EXPECT_FALSE(Control(h, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, word, sizeof word));
    EXPECT_EQ(GetLastError(), 0x200001F5u);
    EXPECT_TRUE(Control(h, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, word, sizeof word)) << "endpoint 0 was reset";
    EXPECT_EQ(Be32(word), 22u);
    EXPECT_GE(State(id)["pipe_resets"].get<int>(), 1);
}

TEST_F(SimThroughHostStack, BoardNumberWrittenThroughTheDriverSurvivesReplug)
{
    const int id = Plug(23, {{"serial", "HS-REPLUG"}, {"reset_store", true}});
    const HANDLE h = Open(23);
    uint8_t word[4] = {0, 0, 0, 24};
    ASSERT_TRUE(Control(h, IOCTL_QMS_SET_BOARD_ID, word, sizeof word, nullptr, 0));
    Close(h);
    ASSERT_EQ(qms_sim_unplug(id), 0);
    const int again = Plug(23, {{"serial", "HS-REPLUG"}});
    EXPECT_EQ(State(again)["board_number"], 24);
    EXPECT_TRUE(Eventually([] { return DeviceNumberOf(24) >= 0; }, std::chrono::milliseconds(2000)))
        << "the driver published the stored board number";
}

TEST_F(SimThroughHostStack, WaitRemovedReturnsOnceTheDriversRemovalPathHasRun)
{
    const int id = Plug(26);
    EXPECT_EQ(qms_sim_wait_removed(id, 0), -1) << "still plugged";
    EXPECT_EQ(qms_sim_wait_removed(id + 1000, 0), -1) << "never given";
    const std::u16string callName = ReadString(DriverKey(DeviceNumberOf(26)), QMS_REGVAL_CALL_NAME);
    const HANDLE h = Open(26);
    ASSERT_EQ(qms_sim_unplug(id), 0);
    EXPECT_EQ(qms_sim_wait_removed(id, 50), -2) << "the removal path waits for the open handle";
    EXPECT_NE(std::string(qms_sim_last_error()), "");
    Close(h);
    ASSERT_EQ(qms_sim_wait_removed(id, 5000), 0) << qms_sim_last_error();
    // No polling: the stream device is already deactivated and its Active key gone.
    EXPECT_EQ(CreateFileW(callName.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ActiveKeyOf(callName), u"");
    EXPECT_EQ(qms_sim_wait_removed(id, 0), 0) << "asking again";
}

TEST_F(SimThroughHostStack, ModuleWithAForeignInterfaceIsDeclined)
{
    const int id = Plug(25, {{"interface_subclass", 1}});
    EXPECT_EQ(DeviceNumberOf(25), -1);
    EXPECT_TRUE(Wire(id).empty()) << "no driver talked to it";
}

} // namespace
} // namespace qms::testing
