#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "qms_platform.h"

// An impossible allocation must come back as NULL, also under the sanitizers.
extern "C" QMS_EXPORT const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}

extern "C" QMS_EXPORT const char *__tsan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace {

TEST(LocalMemory, ZeroInitFillsWithZeros)
{
    auto *block = static_cast<unsigned char *>(LocalAlloc(LPTR, 4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(block[i], 0) << "byte " << i;
    std::memset(block, 0xA5, 4096);
    EXPECT_EQ(LocalFree(block), nullptr);
    void *empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr) << "a zero-byte block is still a block";
    EXPECT_EQ(LocalFree(empty), nullptr);
}

TEST(LocalMemory, DoubleOrForeignFreeIsRefused)
{
    void *block = LocalAlloc(LMEM_FIXED, 16);
    ASSERT_EQ(LocalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int onStack = 0;
    EXPECT_EQ(LocalFree(&onStack), &onStack);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(LocalMemory, FailuresSetTheirError)
{
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LPTR, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(LocalAlloc(0x0002 /* moveable */, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
