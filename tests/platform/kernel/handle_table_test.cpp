#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/kernel/object.h"

namespace {

using qms::kernel::insertObject;
using qms::kernel::lookupObject;
using qms::kernel::Object;

class CountingObject : public Object {
public:
    explicit CountingObject(BOOL result = TRUE) : result_(result) {}
    BOOL onHandleClosed() override
    {
        ++closes;
        return result_;
    }
    int closes = 0;

private:
    BOOL result_;
};

TEST(HandleTable, HandlesAreNeverZeroNorInvalidAndNameTheirObject)
{
    auto object = std::make_shared<CountingObject>();
    HANDLE handle = insertObject(object);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_LE(reinterpret_cast<std::uintptr_t>(handle), 0x7FFFFFFFu); // travels as a DWORD
    EXPECT_EQ(lookupObject(handle), object);
    EXPECT_EQ(qms::kernel::lookup<CountingObject>(handle), object);
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_EQ(object->closes, 1);
}

TEST(HandleTable, ClosedHandleIsStaleAndSecondCloseFails)
{
    auto object = std::make_shared<CountingObject>();
    HANDLE handle = insertObject(object);
    ASSERT_TRUE(CloseHandle(handle));
    EXPECT_EQ(lookupObject(handle), nullptr);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(object->closes, 1); // the object heard of one close only
}

TEST(HandleTable, ForeignValuesAreRefused)
{
    for (HANDLE bogus : {HANDLE{}, INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(1),
                         reinterpret_cast<HANDLE>(0x12345678), reinterpret_cast<HANDLE>(~std::uintptr_t{0} - 1)}) {
        EXPECT_EQ(lookupObject(bogus), nullptr);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bogus));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(insertObject(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(HandleTable, StaleHandleNeverNamesALaterObject)
{
    HANDLE stale = insertObject(std::make_shared<CountingObject>());
    ASSERT_TRUE(CloseHandle(stale));
    // Churn through many objects: none may come back under the stale value.
    for (int i = 0; i < 5000; ++i) {
        HANDLE handle = insertObject(std::make_shared<CountingObject>());
        ASSERT_NE(handle, stale);
        ASSERT_TRUE(CloseHandle(handle));
    }
    EXPECT_EQ(lookupObject(stale), nullptr);
}

TEST(HandleTable, OneObjectCanHaveSeveralHandles)
{
    auto object = std::make_shared<CountingObject>();
    HANDLE first = insertObject(object);
    HANDLE second = insertObject(object);
    ASSERT_NE(first, second);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(lookupObject(second), object);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(object->closes, 2);
}

TEST(HandleTable, RefusedCloseIsReportedButTheHandleIsGone)
{
    auto object = std::make_shared<CountingObject>(FALSE);
    HANDLE handle = insertObject(object);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(lookupObject(handle), nullptr);
}

TEST(HandleTable, FullTableRefusesAndRecovers)
{
    auto object = std::make_shared<Object>();
    std::vector<HANDLE> handles;
    for (;;) {
        HANDLE handle = insertObject(object);
        if (!handle)
            break;
        handles.push_back(handle);
        ASSERT_LT(handles.size(), 70000u) << "the table never fills";
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_GT(handles.size(), 60000u);
    ASSERT_TRUE(CloseHandle(handles.back()));
    handles.pop_back();
    HANDLE again = insertObject(object);
    EXPECT_NE(again, nullptr);
    handles.push_back(again);
    for (HANDLE handle : handles)
        ASSERT_TRUE(CloseHandle(handle));
}

} // namespace
