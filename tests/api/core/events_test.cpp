// Waiting in CheckEvent: time-outs, removal of the module, the last close of the handle.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;
using namespace std::chrono_literals;

namespace {

struct Wait {
    uint32_t result = 0xDEAD;
    uint16_t code = 0;
    std::chrono::steady_clock::time_point at;
};

std::future<Wait> WaitInThread(uint32_t handle, uint32_t timeout)
{
    return std::async(std::launch::async, [=] {
        Wait w;
        w.result = CheckEvent(handle, &w.code, timeout);
        w.at = std::chrono::steady_clock::now();
        return w;
    });
}

// Until `count` threads are inside CheckEvent on the handle (they may not have reached the
// wait itself yet: an event set before they do is still seen).
void WaitForWaiters(uint32_t handle, int count)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    ASSERT_TRUE(record);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        {
            std::lock_guard guard(record->waitLock);
            if (record->waiters >= count)
                return;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "waiters never came";
        std::this_thread::yield();
    }
}

using Events = OpenDevice;

} // namespace

TEST_F(Events, NoEventWithinTheTimeOut)
{
    uint16_t code = 0;
    EXPECT_EQ(CheckEvent(handle, &code, 0), 0u);
    EXPECT_EQ(code, QMS_EVENT_TIMEOUT);
    EXPECT_EQ(CheckEvent(handle, nullptr, 0), Code(dev, QMS_ERRIDX_ARGUMENT));
}

TEST(EventsOfTwoDevices, RemovalWakesOnlyTheWaiterOfThatDevice)
{
    SimulatedModule first(QuietScenario(1));
    SimulatedModule second(QuietScenario(2));
    uint32_t h1 = 0, h2 = 0;
    ASSERT_EQ(DeviceOpen(first.deviceNumber(), &h1), 0u);
    ASSERT_EQ(DeviceOpen(second.deviceNumber(), &h2), 0u);
    auto onFirst = WaitInThread(h1, 5000);
    auto onSecond = WaitInThread(h2, 600);
    WaitForWaiters(h1, 1);
    WaitForWaiters(h2, 1);

    const auto unplugged = std::chrono::steady_clock::now();
    second.unplug();
    const Wait woken = onSecond.get();
    EXPECT_EQ(woken.result, 0u);
    EXPECT_EQ(woken.code, QMS_EVENT_DEVICE_REMOVED);
    // Woken by the removal, well before its own time-out (also on a busy machine).
    EXPECT_LT(woken.at - unplugged, 400ms);
    EXPECT_EQ(onFirst.wait_for(100ms), std::future_status::timeout) << "the other device sleeps on";

    DeviceClose(&h2);
    DeviceClose(&h1);
    EXPECT_EQ(onFirst.get().code, QMS_EVENT_HANDLE_CLOSING);
}

TEST_F(Events, LastCloseWakesEveryWaiterBeforeItReturns)
{
    uint32_t second = 0;
    ASSERT_EQ(DeviceOpen(dev, &second), 0u);
    // The codes land in variables CheckEvent itself writes: the waiting threads may still be
    // on their way out of it when DeviceClose returns, but their answers are in.
    uint16_t codes[2] = {0, 0};
    auto waitInto = [this](uint16_t &code) {
        return std::async(std::launch::async, [h = handle, &code] {
            const uint32_t result = CheckEvent(h, &code, 0xFFFFFFFFu);
            return std::make_pair(result, std::chrono::steady_clock::now());
        });
    };
    auto a = waitInto(codes[0]);
    auto b = waitInto(codes[1]);
    WaitForWaiters(handle, 2);

    DeviceClose(&second);
    EXPECT_EQ(a.wait_for(50ms), std::future_status::timeout) << "the first close is not the last";
    const uint32_t closed = handle;
    const auto closing = std::chrono::steady_clock::now();
    DeviceClose(&handle);
    // DeviceClose has returned: both waiters have their answer already.
    EXPECT_EQ(codes[0], QMS_EVENT_HANDLE_CLOSING);
    EXPECT_EQ(codes[1], QMS_EVENT_HANDLE_CLOSING);
    const auto wa = a.get(), wb = b.get();
    EXPECT_EQ(wa.first, 0u);
    EXPECT_EQ(wb.first, 0u);
    // Woken by the close, not by a time-out (also on a busy machine).
    EXPECT_LT(wa.second - closing, 500ms);
    uint16_t code = 0;
    EXPECT_EQ(CheckEvent(closed, &code, 0), 3u) << "the closed handle is gone";
}

TEST_F(Events, WaiterThatClosesOnWakeUpDoesNotDeadlock)
{
    uint32_t copy = handle;
    auto waiter = std::async(std::launch::async, [&copy] {
        uint16_t code = 0;
        CheckEvent(copy, &code, 0xFFFFFFFFu);
        // Closing a handle that is already gone is harmless.
        uint32_t again = copy;
        DeviceClose(&again);
        return code;
    });
    WaitForWaiters(copy, 1);
    DeviceClose(&handle);
    ASSERT_EQ(waiter.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), QMS_EVENT_HANDLE_CLOSING);
}

TEST_F(Events, TheCodeIsWrittenBeforeTheLastCloseReturns)
{
    // What a program reads right after its DeviceClose returned, in the variable CheckEvent
    // wrote; many rounds, since the gap was narrow.
    DeviceClose(&handle);
    for (int round = 0; round < 200; ++round) {
        uint32_t h = 0;
        ASSERT_EQ(DeviceOpen(dev, &h), 0u);
        uint16_t codes[2] = {0, 0};
        std::vector<std::jthread> waiters;
        for (uint16_t &code : codes)
            waiters.emplace_back([h, &code] { CheckEvent(h, &code, 0xFFFFFFFFu); });
        WaitForWaiters(h, 2);
        DeviceClose(&h);
        ASSERT_EQ(codes[0], QMS_EVENT_HANDLE_CLOSING) << "round " << round;
        ASSERT_EQ(codes[1], QMS_EVENT_HANDLE_CLOSING) << "round " << round;
    }
}

TEST_F(Events, RemovalReachesEveryWaiterOfTheDevice)
{
    constexpr int kWaiters = 4;
    std::vector<std::future<Wait>> waits;
    for (int i = 0; i < kWaiters; ++i)
        waits.push_back(WaitInThread(handle, 3000));
    WaitForWaiters(handle, kWaiters);

    const auto unplugged = std::chrono::steady_clock::now();
    module->unplug();
    for (auto &wait : waits) {
        const Wait woken = wait.get();
        EXPECT_EQ(woken.result, 0u);
        EXPECT_EQ(woken.code, QMS_EVENT_DEVICE_REMOVED);
        EXPECT_LT(woken.at - unplugged, 500ms);
    }
    uint16_t code = 0;
    EXPECT_EQ(CheckEvent(handle, &code, 0), 0u);
    EXPECT_EQ(code, QMS_EVENT_DEVICE_REMOVED) << "a later look still finds the module gone";
}
