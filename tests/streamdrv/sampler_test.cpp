// The CJC sampler as a reader of the history sees it.
#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

class Sampler : public DriverTest {};

CjcHistory History(HANDLE handle)
{
    CjcHistory history{};
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history, &returned,
                                nullptr));
    EXPECT_EQ(returned, sizeof history);
    return history;
}

TEST_F(Sampler, CountClimbsOncePerSecondToFiveThenTheRingOverwritesTheOldestSlot)
{
    const int id = Plug(1, nlohmann::json{{"terminal_c", 20.0}});
    const HANDLE handle = Open(1);
    // The first sample is taken as soon as the sampler runs.
    ASSERT_TRUE(Eventually([&] { return History(handle).count == 1; }, std::chrono::milliseconds(300)));
    const auto start = Clock::now();
    CjcHistory history = History(handle);
    EXPECT_EQ(history.count, 1);
    const uint16_t firstCode = history.samples[0];
    EXPECT_NE(firstCode, 0);
    EXPECT_EQ(history.samples[1], 0);

    for (uint16_t expected = 2; expected <= 5; ++expected) {
        ASSERT_TRUE(Eventually([&] { return History(handle).count == expected; }, std::chrono::milliseconds(1500)));
        const auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, std::chrono::milliseconds(1000 * (expected - 1) - 300)) << expected;
    }
    history = History(handle);
    for (uint16_t sample : history.samples)
        EXPECT_NE(sample, 0);

    // Change the sensor's temperature: the sixth sample lands in slot 0.
    ASSERT_EQ(qms_sim_update(id, R"({"terminal_c":60.0})"), 0);
    ASSERT_TRUE(Eventually([&] { return History(handle).samples[0] != firstCode; }, std::chrono::milliseconds(1500)));
    history = History(handle);
    EXPECT_EQ(history.count, 5);
    EXPECT_GT(history.samples[0], history.samples[1]); // 40 K warmer than the rest
}

TEST_F(Sampler, ACycleWhoseReadsFailStoresNoSample)
{
    const int id = Plug(2, nlohmann::json{{"faults", {{{"group", 2}, {"command", 35}, {"fault", "stall"}}}}});
    const HANDLE handle = Open(2);
    // Two cycles have failed: the first at once, the second a period later.
    ASSERT_TRUE(Eventually(
        [&] {
            int reads = 0;
            for (const WireRequest &r : Wire(id))
                reads += r.group == GROUP_AI && r.command == CMD_AI_READ_CJC;
            return reads >= 2;
        },
        std::chrono::milliseconds(3000)));
    const CjcHistory history = History(handle);
    EXPECT_EQ(history.count, 0);
    for (uint16_t sample : history.samples)
        EXPECT_EQ(sample, 0);
}

TEST_F(Sampler, TheOffsetWordIsTheModulesOffset)
{
    const int id = Plug(3);
    const HANDLE handle = Open(3);
    EXPECT_EQ(History(handle).offsetWord, State(id)["cjc_offset_code"].get<int>());
}

} // namespace
} // namespace qms::testing
