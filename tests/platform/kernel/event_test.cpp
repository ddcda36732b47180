#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "platform/kernel/object.h"

namespace {

DWORD waitNow(HANDLE handle)
{
    return WaitForSingleObject(handle, 0);
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(waitNow(event), WAIT_TIMEOUT);
    EXPECT_TRUE(EventModify(event, EVENT_SET));
    EXPECT_EQ(waitNow(event), WAIT_OBJECT_0);
    EXPECT_EQ(waitNow(event), WAIT_OBJECT_0);
    EXPECT_TRUE(EventModify(event, EVENT_RESET));
    EXPECT_EQ(waitNow(event), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Event, AutoResetIsConsumedByOneWait)
{
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(waitNow(event), WAIT_OBJECT_0);
    EXPECT_EQ(waitNow(event), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(SetEvent(event)); // a second set on a set event adds nothing
    EXPECT_EQ(waitNow(event), WAIT_OBJECT_0);
    EXPECT_EQ(waitNow(event), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(Event, PulseWithoutWaitersLeavesTheEventClear)
{
    HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_TRUE(PulseEvent(manual));
    EXPECT_TRUE(EventModify(automatic, EVENT_PULSE));
    EXPECT_EQ(waitNow(manual), WAIT_TIMEOUT);
    EXPECT_EQ(waitNow(automatic), WAIT_TIMEOUT);
    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST(Event, ZeroTimeOutOnAClearEventReturnsAtOnce)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WAIT_TIMEOUT, 258u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    CloseHandle(event);
}

TEST(Event, TimedWaitLastsItsTimeOut)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(60));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    CloseHandle(event);
}

TEST(Event, BadArgumentsAreRefused)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetLastError(0);
    EXPECT_FALSE(EventModify(event, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(EventModify(event, 4));
    for (HANDLE bogus : {HANDLE{}, INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(SetEvent(bogus));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(ResetEvent(bogus));
        EXPECT_FALSE(PulseEvent(bogus));
        EXPECT_EQ(WaitForSingleObject(bogus, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    const std::u16string tooLong(261, u'x');
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, tooLong.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    CloseHandle(event);
}

TEST(Event, ClosedHandleCannotBeUsedAnyMore)
{
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(NamedEvent, SecondCreateOpensTheSameEvent)
{
    HANDLE first = CreateEventW(nullptr, FALSE, FALSE, u"QMS_EVT_DEVREMOVED_002");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    // The second caller's reset mode and initial state do not change the existing event.
    HANDLE second = CreateEventW(nullptr, TRUE, TRUE, u"QMS_EVT_DEVREMOVED_002");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    EXPECT_EQ(waitNow(second), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(first));
    EXPECT_EQ(waitNow(second), WAIT_OBJECT_0);
    EXPECT_EQ(waitNow(first), WAIT_TIMEOUT); // auto-reset: consumed through the other handle

    HANDLE other = CreateEventW(nullptr, FALSE, TRUE, u"QMS_EVT_DEVREMOVED_001");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(waitNow(first), WAIT_TIMEOUT); // another name is another event
    EXPECT_EQ(waitNow(other), WAIT_OBJECT_0);
    CloseHandle(other);
    CloseHandle(first);
    CloseHandle(second);
}

TEST(NamedEvent, NameLivesWhileAnyHandleIsOpen)
{
    HANDLE first = CreateEventW(nullptr, TRUE, TRUE, u"qms-kernel-test-name");
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, u"qms-kernel-test-name");
    ASSERT_TRUE(CloseHandle(first));
    HANDLE third = CreateEventW(nullptr, TRUE, FALSE, u"qms-kernel-test-name");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(waitNow(third), WAIT_OBJECT_0);
    CloseHandle(second);
    CloseHandle(third);
    // All handles closed: the name is free and a create makes a fresh, clear event.
    HANDLE fresh = CreateEventW(nullptr, TRUE, FALSE, u"qms-kernel-test-name");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(waitNow(fresh), WAIT_TIMEOUT);
    CloseHandle(fresh);
}

TEST(NamedEvent, NamesAreCaseSensitiveAndEmptyMeansUnnamed)
{
    HANDLE upper = CreateEventW(nullptr, TRUE, TRUE, u"QMS_CASE");
    HANDLE lower = CreateEventW(nullptr, TRUE, FALSE, u"qms_case");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(waitNow(lower), WAIT_TIMEOUT);
    HANDLE empty1 = CreateEventW(nullptr, TRUE, TRUE, u"");
    HANDLE empty2 = CreateEventW(nullptr, TRUE, FALSE, u"");
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(waitNow(empty2), WAIT_TIMEOUT);
    for (HANDLE h : {upper, lower, empty1, empty2})
        CloseHandle(h);
}

TEST(WaitForMultipleObjects, LowestSignalledIndexWinsAndOnlyItIsConsumed)
{
    HANDLE events[3] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                        CreateEventW(nullptr, FALSE, TRUE, nullptr),
                        CreateEventW(nullptr, FALSE, TRUE, nullptr)};
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(events[0]);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(waitNow(events[1]), WAIT_OBJECT_0);
    for (HANDLE h : events)
        CloseHandle(h);
}

TEST(WaitForMultipleObjects, TwoSetEventsReportIndexZero)
{
    HANDLE events[2] = {CreateEventW(nullptr, TRUE, TRUE, nullptr),
                        CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 1000), WAIT_OBJECT_0);
    for (HANDLE h : events)
        CloseHandle(h);
}

TEST(WaitForMultipleObjects, BadArgumentsFailWithTheirError)
{
    HANDLE events[MAXIMUM_WAIT_OBJECTS + 1];
    for (HANDLE &h : events)
        h = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    struct Case {
        DWORD count;
        const HANDLE *handles;
        BOOL waitAll;
        DWORD error;
    };
    HANDLE stale = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(stale);
    // A handle on something that cannot be waited on (a stream device, say).
    HANDLE notWaitable = qms::kernel::insertObject(std::make_shared<qms::kernel::Object>());
    const HANDLE withStale[2] = {events[0], stale};
    const HANDLE withFile[2] = {events[0], notWaitable};
    for (const Case &c : {Case{0, events, FALSE, ERROR_INVALID_PARAMETER},
                          Case{MAXIMUM_WAIT_OBJECTS + 1, events, FALSE, ERROR_INVALID_PARAMETER},
                          Case{2, nullptr, FALSE, ERROR_INVALID_PARAMETER},
                          Case{2, events, TRUE, ERROR_INVALID_PARAMETER},
                          Case{2, withStale, FALSE, ERROR_INVALID_HANDLE},
                          Case{2, withFile, FALSE, ERROR_INVALID_HANDLE}}) {
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.waitAll, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, events, FALSE, 0), WAIT_OBJECT_0);
    for (HANDLE h : events)
        CloseHandle(h);
    CloseHandle(notWaitable);
}

} // namespace
