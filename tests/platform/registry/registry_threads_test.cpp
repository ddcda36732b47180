// The registry from several threads at once: one store, one table of open keys.
#include <atomic>
#include <thread>

#include "tests/platform/registry/registry_fixture.h"

namespace qms::registry::test {
namespace {

using RegistryThreads = MemoryRegistry;

TEST_F(RegistryThreads, ConcurrentWritersReadersAndHandlesStayConsistent)
{
    constexpr int kThreads = 4;
    constexpr DWORD kRounds = 150;
    HKEY shared = create(u"Shared");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::u16string path = u"Threads\\T" + std::u16string(1, char16_t(u'0' + t));
            std::u16string valueName = u"From" + std::u16string(1, char16_t(u'0' + t));
            for (DWORD i = 0; i < kRounds; ++i) {
                HKEY key = nullptr;
                if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
                        ERROR_SUCCESS ||
                    setDword(key, u"N", i) != ERROR_SUCCESS || setDword(shared, valueName.c_str(), i))
                    ++failures;
                DWORD v = 0, size = 4;
                if (RegQueryValueExW(key, u"n", nullptr, nullptr, reinterpret_cast<BYTE *>(&v), &size) !=
                        ERROR_SUCCESS ||
                    v != i)
                    ++failures;
                WCHAR name[16];
                DWORD cch = 16;
                if (RegEnumValueW(shared, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    ++failures;
                if (RegCloseKey(key) != ERROR_SUCCESS)
                    ++failures;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t) {
        std::u16string valueName = u"From" + std::u16string(1, char16_t(u'0' + t));
        EXPECT_EQ(getDword(shared, valueName.c_str()), kRounds - 1);
    }
    RegCloseKey(shared);
}

} // namespace
} // namespace qms::registry::test
