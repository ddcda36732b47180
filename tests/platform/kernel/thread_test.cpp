#include <atomic>
#include <chrono>

#include <gtest/gtest.h>

#include "qms_platform.h"

namespace {

using namespace std::chrono_literals;

// Start-routine argument: the thread waits for `go`, records its id, returns `exitCode`.
struct Job {
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD exitCode = 42;
    std::atomic<DWORD> seenId{0};

    ~Job()
    {
        CloseHandle(go);
        CloseHandle(done);
    }

    static DWORD run(LPVOID parameter)
    {
        auto *job = static_cast<Job *>(parameter);
        job->seenId = GetCurrentThreadId();
        WaitForSingleObject(job->go, INFINITE);
        const DWORD exitCode = job->exitCode;
        SetEvent(job->done); // the job may be gone from here on
        return exitCode;
    }
};

TEST(Thread, ExitCodeIsStillActiveUntilTheThreadEnds)
{
    Job job;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, Job::run, &job, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);

    SetEvent(job.go);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(job.seenId.load(), id);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Thread, EndOfAThreadWakesAWaitOnSeveralHandles)
{
    Job job;
    HANDLE handles[2] = {CreateEventW(nullptr, TRUE, FALSE, nullptr),
                         CreateThread(nullptr, 0, Job::run, &job, 0, nullptr)};
    SetEvent(job.go);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 10000), WAIT_OBJECT_0 + 1);
    for (HANDLE h : handles)
        CloseHandle(h);
}

TEST(Thread, ClosingTheHandleEarlyLetsTheThreadRunOn)
{
    Job job;
    HANDLE thread = CreateThread(nullptr, 0, Job::run, &job, 0, nullptr);
    ASSERT_TRUE(CloseHandle(thread));
    SetEvent(job.go);
    EXPECT_EQ(WaitForSingleObject(job.done, 10000), WAIT_OBJECT_0);
    DWORD code;
    EXPECT_FALSE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Thread, TerminateNeverStopsARunningThread)
{
    Job job;
    job.exitCode = 7;
    HANDLE thread = CreateThread(nullptr, 0, Job::run, &job, 0, nullptr);
    SetLastError(0);
    EXPECT_FALSE(TerminateThread(thread, 99));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, STILL_ACTIVE);

    SetEvent(job.go);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(TerminateThread(thread, 99)) << "nothing left to stop";
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
}

TEST(Thread, BadRequestsAreRefused)
{
    Job job;
    SetLastError(0);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateThread(nullptr, 0, Job::run, &job, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD code;
    for (HANDLE notAThread : {HANDLE{}, INVALID_HANDLE_VALUE, event}) {
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeThread(notAThread, &code));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(TerminateThread(notAThread, 0));
    }
    HANDLE thread = CreateThread(nullptr, 0, Job::run, &job, 0, nullptr);
    EXPECT_FALSE(GetExitCodeThread(thread, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetEvent(thread)) << "a thread is not an event";
    SetEvent(job.go);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(event);
}

TEST(Thread, IdsAreStablePerThreadAndDistinct)
{
    const DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    Job first, second;
    DWORD a = 0, b = 0;
    HANDLE ta = CreateThread(nullptr, 0, Job::run, &first, 0, &a);
    HANDLE tb = CreateThread(nullptr, 0, Job::run, &second, 0, &b);
    EXPECT_NE(a, b);
    EXPECT_NE(a, mine);
    SetEvent(first.go);
    SetEvent(second.go);
    WaitForSingleObject(ta, 10000);
    WaitForSingleObject(tb, 10000);
    CloseHandle(ta);
    CloseHandle(tb);
}

TEST(Clock, SleepLastsAtLeastItsTimeAndTicksAdvance)
{
    const DWORD before = GetTickCount();
    const auto start = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - before), 29u);
    Sleep(0); // yields, returns at once
}

} // namespace
