#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qms_platform.h"

namespace {

TEST(Interlocked, ReturnsTheResultingOrPreviousValue)
{
    LONG volatile value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 8), 9); // no match: unchanged
    EXPECT_EQ(value, 9);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 9), 9);
    EXPECT_EQ(value, 1);
    value = INT32_MAX;
    EXPECT_EQ(InterlockedIncrement(&value), INT32_MIN);
}

TEST(Interlocked, NullTargetIsRefused)
{
    SetLastError(0);
    EXPECT_EQ(InterlockedIncrement(nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(InterlockedDecrement(nullptr), 0);
    EXPECT_EQ(InterlockedExchange(nullptr, 1), 0);
    EXPECT_EQ(InterlockedCompareExchange(nullptr, 1, 0), 0);
}

TEST(Interlocked, ConcurrentCountsAddUpAndOneThreadSeesZero)
{
    // The open-count pattern: many increments and decrements, the last decrement sees 0.
    LONG volatile openCount = 0;
    std::atomic<int> sawZero{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50000; ++i)
                InterlockedIncrement(&openCount);
        });
    }
    for (auto &t : threads)
        t.join();
    threads.clear();
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50000; ++i)
                if (InterlockedDecrement(&openCount) == 0)
                    sawZero.fetch_add(1);
        });
    }
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(openCount, 0);
    EXPECT_EQ(sawZero.load(), 1);
}

} // namespace
