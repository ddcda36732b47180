// Registry reads as the driver and the API library do them: one REG_DWORD from an open key,
// and the open-read-close of a settings read, against a store file and against memory.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/registry/store.h"
#include "qms_platform.h"

namespace {

constexpr const char16_t *kDeviceKey = u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device000";

// Points the registry at a fresh store (a file in a temporary folder, or memory) with one
// device key in it, and removes it again at the end.
class BenchStore {
public:
    explicit BenchStore(bool file)
    {
        if (file) {
            char pattern[] = "/tmp/qms-registry-bench-XXXXXX";
            if (mkdtemp(pattern))
                folder_ = pattern;
        }
        setenv("QMS_REGISTRY", folder_.empty() ? ":memory:" : (folder_ + "/registry.db").c_str(), 1);
        qms::registry::closeStore();
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDeviceKey, 0, nullptr, 0, 0, nullptr, &key, nullptr);
        DWORD boardId = 198;
        RegSetValueExW(key, u"BoardID", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&boardId), 4);
    }
    ~BenchStore()
    {
        RegCloseKey(key);
        qms::registry::closeStore();
        if (!folder_.empty())
            std::filesystem::remove_all(folder_);
    }

    HKEY key = nullptr;

private:
    std::string folder_;
};

void queryDword(benchmark::State &state, bool file)
{
    BenchStore store(file);
    for (auto _ : state) {
        DWORD value = 0, type = 0, size = 4;
        LONG rc = RegQueryValueExW(store.key, u"BoardID", nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(value);
    }
}

void openQueryClose(benchmark::State &state, bool file)
{
    BenchStore store(file);
    for (auto _ : state) {
        HKEY key = nullptr;
        DWORD value = 0, type = 0, size = 4;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceKey, 0, 0, &key);
        LONG rc = RegQueryValueExW(key, u"BoardID", nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
        RegCloseKey(key);
        benchmark::DoNotOptimize(rc);
    }
}

void setDword(benchmark::State &state, bool file)
{
    BenchStore store(file);
    DWORD value = 0;
    for (auto _ : state) {
        ++value;
        LONG rc = RegSetValueExW(store.key, u"SwitchID", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), 4);
        benchmark::DoNotOptimize(rc);
    }
}

BENCHMARK_CAPTURE(queryDword, file, true);
BENCHMARK_CAPTURE(queryDword, memory, false);
BENCHMARK_CAPTURE(openQueryClose, file, true);
BENCHMARK_CAPTURE(openQueryClose, memory, false);
BENCHMARK_CAPTURE(setDword, file, true)->Iterations(200);
BENCHMARK_CAPTURE(setDword, memory, false);

} // namespace
