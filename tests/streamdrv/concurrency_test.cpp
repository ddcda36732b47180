// Threads on one or two modules: removal under load, and independence of modules.
#include <atomic>
#include <thread>

#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

class Concurrency : public DriverTest {
protected:
    // Since the wire log was cleared.
    static bool SamplerReadInFlight(int id) { return SamplerStarted(id); }
};

TEST_F(Concurrency, ManyThreadsOnAModuleThatIsUnpluggedAllReturn)
{
    const int id = Plug(1);
    const HANDLE handle = Open(1);
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::atomic<int> failures{0};
    const DWORD codes[] = {IOCTL_QMS_GET_BOARD_ID, IOCTL_QMS_MAI_READ, IOCTL_QMS_GET_CJC_HISTORY, IOCTL_QMS_DI_READ,
                           IOCTL_QMS_CAL_FULL, IOCTL_QMS_GET_FW_VERSION};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                BYTE in[64] = {0, 0, 0, 8};
                BYTE out[64] = {};
                DWORD returned = 0;
                const DWORD code = codes[(t + i) % std::size(codes)];
                if (!DeviceIoControl(handle, code, in, 8, out, 64, &returned, nullptr))
                    ++failures;
                ++calls;
            }
        });
    }
    // Every thread under way.
    ASSERT_TRUE(Eventually([&] { return calls.load() >= 80; }, std::chrono::milliseconds(5000)));
    const auto unplugged = Clock::now();
    ASSERT_EQ(qms_sim_unplug(id), 0);
    // Requests keep returning, and fail fast: each thread makes calls of its own after the
    // unplug.
    const int before = calls;
    EXPECT_TRUE(Eventually([&] { return calls.load() >= before + 80; }, std::chrono::milliseconds(1000)));
    EXPECT_TRUE(Eventually([&] { return failures.load() > 0; }, std::chrono::milliseconds(1000)));
    stop = true;
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_LT(Clock::now() - unplugged, std::chrono::milliseconds(1500));
    EXPECT_GT(failures.load(), 0);
    Close(handle);
}

TEST_F(Concurrency, ASlowRequestOnOneModuleNeverDelaysTheOther)
{
    const int slow = Plug(1);
    Plug(2);
    const HANDLE slowHandle = Open(1);
    const HANDLE fastHandle = Open(2);
    ASSERT_EQ(qms_sim_update(slow, R"({"add_faults":[{"group":127,"command":1,"fault":"latency","micros":800000}]})"), 0);
    qms_sim_clear_wire_log(slow);
    std::thread blocked([&] {
        BYTE out[4];
        EXPECT_TRUE(DeviceIoControl(slowHandle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4, nullptr, nullptr));
    });
    // The slow request has reached its module: its thread holds that module's lock.
    ASSERT_TRUE(Eventually(
        [&] {
            for (const WireRequest &r : Wire(slow))
                if (r.group == GROUP_DEVICE && r.command == CMD_DEVICE_GET_BOARD_ID)
                    return true;
            return false;
        },
        std::chrono::milliseconds(2000)));
    const auto start = Clock::now();
    for (int i = 0; i < 50; ++i) {
        BYTE out[4];
        ASSERT_TRUE(DeviceIoControl(fastHandle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4, nullptr, nullptr));
        EXPECT_EQ(out[3], 2);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
    blocked.join();
}

TEST_F(Concurrency, TheSamplerGivesWayRatherThanMakeAnApplicationCallWaitItsTimeOut)
{
    const int id = Plug(6);
    const HANDLE handle = Open(6);
    // The sensor stops answering; the rest of the module does not.
    ASSERT_EQ(qms_sim_update(id, R"({"faults":[{"group":2,"command":35,"fault":"no_completion"}]})"), 0);
    qms_sim_clear_wire_log(id);
    ASSERT_TRUE(SamplerReadInFlight(id));
    BYTE out[4] = {};
    const auto start = Clock::now();
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4)) << GetLastError();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(out[3], 6);
}

TEST_F(Concurrency, ACallToAModuleThatStopsAnsweringEndsWithinOneTimeOut)
{
    const int id = Plug(7);
    const HANDLE handle = Open(7);
    ASSERT_EQ(qms_sim_update(id, R"({"faults":[{"fault":"no_completion"}]})"), 0);
    qms_sim_clear_wire_log(id);
    ASSERT_TRUE(SamplerReadInFlight(id)); // and holding the transfer lock
    qms_sim_clear_wire_log(id);
    BYTE in[2] = {};
    BYTE out[4] = {};
    const auto start = Clock::now();
    EXPECT_FALSE(Control(handle, IOCTL_QMS_CAL_ZERO, in, 2, out, 4));
    const auto took = Clock::now() - start;
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::milliseconds(3500)) << "one transfer time-out, not two (4 s)";
    const auto wire = WireWithoutSampler(id);
    ASSERT_EQ(wire.size(), 1u) << "no status read after the command timed out";
    EXPECT_EQ(wire[0].command, CMD_CAL_ZERO);
    ASSERT_EQ(qms_sim_update(id, R"({"clear_faults":true})"), 0); // for the close notice
}

TEST_F(Concurrency, ModulesPluggedAtOnceGetDistinctNumbers)
{
    std::vector<std::thread> threads;
    for (unsigned board = 1; board <= 4; ++board)
        threads.emplace_back([board] {
            nlohmann::json scenario{{"board_id", board}, {"serial", "P" + std::to_string(board)}};
            EXPECT_GT(qms_sim_plug(scenario.dump().c_str()), 0);
        });
    for (std::thread &thread : threads)
        thread.join();
    std::vector<int> numbers;
    for (unsigned board = 1; board <= 4; ++board)
        numbers.push_back(DeviceNumberOf(board));
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(Concurrency, OpensAndClosesFromManyThreadsSendOneNoticeEach)
{
    const int id = Plug(5);
    const std::u16string callName = ReadString(DriverKey(DeviceNumberOf(5)), QMS_REGVAL_CALL_NAME);
    const HANDLE keeper = Open(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                const HANDLE h = CreateFileW(callName.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                ASSERT_NE(h, INVALID_HANDLE_VALUE);
                CloseHandle(h);
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    const auto state = State(id);
    EXPECT_EQ(state["host_open"], true);
    Close(keeper);
    EXPECT_EQ(State(id)["host_open"], false);
}

} // namespace
} // namespace qms::testing
