// Threads blocked on events: who wakes, how many, and what happens when handles close.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qms_platform.h"

namespace {

using namespace std::chrono_literals;

// Waiters that block on one handle and count how many of them came back with WAIT_OBJECT_0.
class Waiters {
public:
    Waiters(HANDLE handle, int count, DWORD timeout)
    {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, handle, timeout] {
                const DWORD result = WaitForSingleObject(handle, timeout);
                (result == WAIT_OBJECT_0 ? woken : timedOut).fetch_add(1);
            });
        }
    }
    ~Waiters() { join(); }

    void join()
    {
        for (auto &t : threads_)
            if (t.joinable())
                t.join();
    }

    // Waits (boundedly) until at least n waiters have been woken.
    bool awaitWoken(int n)
    {
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (woken.load() < n && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return woken.load() >= n;
    }

    std::atomic<int> woken{0};
    std::atomic<int> timedOut{0};

private:
    std::vector<std::thread> threads_;
};

TEST(EventWait, AutoResetSetOnceWakesExactlyOneOfTwoWaiters)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Waiters waiters(event, 2, 10000);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(waiters.awaitWoken(1));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(waiters.woken.load(), 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "the woken waiter consumed the signal";
    ASSERT_TRUE(SetEvent(event)); // release the other one
    waiters.join();
    EXPECT_EQ(waiters.woken.load(), 2);
    CloseHandle(event);
}

TEST(EventWait, ManualResetWakesBothWaitersAndStaysSet)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Waiters waiters(event, 2, 10000);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(SetEvent(event));
    waiters.join();
    EXPECT_EQ(waiters.woken.load(), 2);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST(EventWait, PulseReleasesWaitersAndLeavesTheEventClear)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Waiters waiters(event, 2, 10000);
    // A pulse reaches only threads already waiting; keep pulsing until both have been caught.
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (waiters.woken.load() < 2 && std::chrono::steady_clock::now() < until) {
        ASSERT_TRUE(PulseEvent(event));
        std::this_thread::sleep_for(5ms);
    }
    waiters.join();
    EXPECT_EQ(waiters.woken.load(), 2);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(EventWait, WaitOnMultipleWakesWithTheIndexOfTheSetEvent)
{
    HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                        CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<DWORD> result{WAIT_FAILED};
    std::thread waiter([&] { result = WaitForMultipleObjects(2, events, FALSE, 10000); });
    std::this_thread::sleep_for(50ms);
    SetEvent(events[1]);
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
    for (HANDLE h : events)
        CloseHandle(h);
}

TEST(EventWait, SettingANamedEventWakesAWaiterOnTheOtherHandle)
{
    HANDLE driverSide = CreateEventW(nullptr, FALSE, FALSE, u"QMS_EVT_DEVREMOVED_007");
    HANDLE librarySide = CreateEventW(nullptr, FALSE, FALSE, u"QMS_EVT_DEVREMOVED_007");
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    Waiters waiters(librarySide, 1, 10000);
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(EventModify(driverSide, EVENT_SET));
    waiters.join();
    EXPECT_EQ(waiters.woken.load(), 1);
    CloseHandle(driverSide);
    CloseHandle(librarySide);
}

// The waiter holds the object, not the handle: closing the handle under it neither crashes
// nor wakes it; it keeps waiting on the object.
TEST(EventWait, ClosingTheHandleUnderAWaiterLeavesItWaitingOnTheObject)
{
    HANDLE unnamed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Waiters timing(unnamed, 1, 300);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(CloseHandle(unnamed));
    timing.join();
    EXPECT_EQ(timing.timedOut.load(), 1);
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(unnamed, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    HANDLE mine = CreateEventW(nullptr, TRUE, FALSE, u"qms-close-under-waiter");
    HANDLE theirs = CreateEventW(nullptr, TRUE, FALSE, u"qms-close-under-waiter");
    Waiters waiters(mine, 1, 10000);
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(CloseHandle(mine));
    ASSERT_TRUE(SetEvent(theirs));
    waiters.join();
    EXPECT_EQ(waiters.woken.load(), 1);
    CloseHandle(theirs);
}

TEST(EventWait, ManyThreadsSettingAndWaitingLoseNoSignal)
{
    // Every set of an auto-reset event with a waiter present wakes one waiter: 4 consumers
    // take exactly as many signals as the producer hands out, one at a time.
    constexpr int rounds = 2000;
    HANDLE work = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE taken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> consumed{0};
    std::vector<std::thread> consumers;
    for (int i = 0; i < 4; ++i) {
        consumers.emplace_back([&] {
            const HANDLE handles[2] = {stop, work};
            while (WaitForMultipleObjects(2, handles, FALSE, 10000) == WAIT_OBJECT_0 + 1) {
                consumed.fetch_add(1);
                SetEvent(taken);
            }
        });
    }
    for (int i = 0; i < rounds; ++i) {
        SetEvent(work);
        if (WaitForSingleObject(taken, 10000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "signal lost in round " << i;
            break;
        }
    }
    SetEvent(stop);
    for (auto &t : consumers)
        t.join();
    EXPECT_EQ(consumed.load(), rounds);
    for (HANDLE h : {work, taken, stop})
        CloseHandle(h);
}

TEST(LastError, EachThreadKeepsItsOwn)
{
    SetLastError(1234);
    std::atomic<DWORD> seenInOther{0xFFFF};
    std::thread other([&] {
        seenInOther = GetLastError();
        SetLastError(5678);
    });
    other.join();
    EXPECT_EQ(seenInOther.load(), 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

} // namespace
