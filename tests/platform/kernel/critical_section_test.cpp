#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "qms_platform.h"

namespace {

class CriticalSection : public testing::Test {
protected:
    void SetUp() override { InitializeCriticalSection(&section); }
    void TearDown() override { DeleteCriticalSection(&section); }
    CRITICAL_SECTION section{};
};

TEST_F(CriticalSection, OwnerMayEnterAgainOtherThreadsMayNot)
{
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    BOOL otherGotIt = TRUE;
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(otherGotIt);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(otherGotIt) << "still held once";
    LeaveCriticalSection(&section);
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&section);
        if (otherGotIt)
            LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST_F(CriticalSection, ExcludesOtherThreads)
{
    constexpr int perThread = 20000;
    long counter = 0; // deliberately not atomic: the section alone must protect it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < perThread; ++i) {
                EnterCriticalSection(&section);
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
                LeaveCriticalSection(&section);
            }
        });
    }
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(counter, 4L * perThread);
}

TEST_F(CriticalSection, LeaveByANonOwnerChangesNothing)
{
    EnterCriticalSection(&section);
    DWORD error = 0;
    std::thread([&] {
        SetLastError(0);
        LeaveCriticalSection(&section);
        error = GetLastError();
    }).join();
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    BOOL otherGotIt = TRUE;
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(otherGotIt);
    LeaveCriticalSection(&section);
}

TEST_F(CriticalSection, DeleteOfASectionHeldElsewhereIsRefused)
{
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        EnterCriticalSection(&section);
        SetEvent(held);
        WaitForSingleObject(release, 10000);
        LeaveCriticalSection(&section);
    });
    ASSERT_EQ(WaitForSingleObject(held, 10000), WAIT_OBJECT_0);
    SetLastError(0);
    DeleteCriticalSection(&section);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetEvent(release);
    owner.join();
    EXPECT_TRUE(TryEnterCriticalSection(&section)) << "the section is still usable";
    LeaveCriticalSection(&section);
    CloseHandle(held);
    CloseHandle(release);
}

TEST(CriticalSectionMisuse, NullOrUninitialisedSectionsAreRefused)
{
    SetLastError(0);
    InitializeCriticalSection(nullptr);
    EnterCriticalSection(nullptr);
    LeaveCriticalSection(nullptr);
    DeleteCriticalSection(nullptr);
    EXPECT_FALSE(TryEnterCriticalSection(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    CRITICAL_SECTION never{};
    EnterCriticalSection(&never);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(TryEnterCriticalSection(&never));

    CRITICAL_SECTION deleted;
    InitializeCriticalSection(&deleted);
    EnterCriticalSection(&deleted); // the owner may delete while holding it
    DeleteCriticalSection(&deleted);
    EXPECT_EQ(deleted.impl, nullptr);
    DeleteCriticalSection(&deleted);
    EXPECT_FALSE(TryEnterCriticalSection(&deleted));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

} // namespace
