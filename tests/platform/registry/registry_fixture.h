// Test fixtures for the registry: a fresh in-memory store per test, or a store file of its
// own in a temporary folder.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry/store.h"
#include "qms_platform.h"

namespace qms::registry::test {

inline std::vector<BYTE> dwordBytes(DWORD v)
{
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

// The bytes of a terminated UTF-16 string, as REG_SZ stores it.
inline std::vector<BYTE> stringBytes(std::u16string_view s)
{
    std::vector<BYTE> out;
    for (char16_t c : s) {
        out.push_back(BYTE(c));
        out.push_back(BYTE(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

class MemoryRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("QMS_REGISTRY", ":memory:", 1);
        closeStore();
    }
    void TearDown() override { closeStore(); }

    // Creates a key below HKEY_LOCAL_MACHINE and keeps its handle for the test.
    HKEY create(const char16_t *path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    static LONG setDword(HKEY key, const char16_t *name, DWORD v)
    {
        auto bytes = dwordBytes(v);
        return RegSetValueExW(key, name, 0, REG_DWORD, bytes.data(), 4);
    }

    static LONG setString(HKEY key, const char16_t *name, std::u16string_view s, DWORD type = REG_SZ)
    {
        auto bytes = stringBytes(s);
        return RegSetValueExW(key, name, 0, type, bytes.data(), DWORD(bytes.size()));
    }

    static DWORD getDword(HKEY key, const char16_t *name)
    {
        DWORD v = 0, type = 0, size = 4;
        EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&v), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_DWORD);
        return v;
    }
};

// A store file in a temporary folder of its own; the tests switch QMS_REGISTRY to it.
class FileRegistry : public MemoryRegistry {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qms-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/registry.db";
        setenv("QMS_REGISTRY", path_.c_str(), 1);
        closeStore();
    }
    void TearDown() override
    {
        closeStore();
        setenv("QMS_REGISTRY", ":memory:", 1);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    std::string folder_;
    std::string path_;
};

} // namespace qms::registry::test
