// Eight thermocouples per scan: QmsTcScan against eight TCMuxRead calls. On a module whose
// every control transfer takes 1 ms, as on a full-speed bus, the transfers per scan set the
// scans per second a logger gets; on a module that answers at once, the CPU time per scan is
// the library's and the stack's own cost. Counters: transfers_per_scan (from the module's
// wire log, without the CJC sampler's reads) and scans_per_s (wall clock).
#include <string>

#include <benchmark/benchmark.h>

#include "bench/api/thermo/thermocouple_module.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_sim.h"

using qms::bench::HostTransfers;
using qms::bench::ModuleSetup;
using qms::bench::ThermocoupleModule;

namespace {

constexpr long kCounted = 100; // scans whose transfers are counted (the log keeps 10000)

// Eight K thermocouples at 250 degrees Celsius, burn-out reporting as given.
std::string EightThermocouples(bool burnOut)
{
    std::string channels = "[";
    for (int i = 0; i < 8; ++i)
        channels += std::string(i ? ", " : "") + R"({"thermocouple": "K", "temp_c": 250, "burnout": )" +
                    (burnOut ? "1" : "0") + "}";
    return channels + "]";
}

// Runs `scan` once per iteration on a fresh module after one unmeasured scan, which sets
// the ranges; range(0) is the transfer latency in microseconds, range(1) the not-ready polls.
template <typename Scan>
void ScanEight(benchmark::State &state, bool burnOut, Scan scan)
{
    const ModuleSetup setup{EightThermocouples(burnOut), static_cast<unsigned>(state.range(1)),
                            static_cast<unsigned>(state.range(0))};
    ThermocoupleModule module(setup);
    if (!module.ok || !scan(module.handle))
        return state.SkipWithError("no module");
    qms_sim_clear_wire_log(module.id);
    long scans = 0;
    bool ok = true;
    for (auto _ : state) {
        ok = scan(module.handle) && ok;
        if (++scans == kCounted)
            state.counters["transfers_per_scan"] = static_cast<double>(HostTransfers(module.id)) / scans;
    }
    if (!ok)
        return state.SkipWithError("a scan failed");
    if (scans < kCounted)
        state.counters["transfers_per_scan"] = static_cast<double>(HostTransfers(module.id)) / scans;
    state.counters["scans_per_s"] = benchmark::Counter(static_cast<double>(scans), benchmark::Counter::kIsRate);
}

bool OneScan(uint32_t handle)
{
    static const uint16_t types[8] = {TC_TYPE_K, TC_TYPE_K, TC_TYPE_K, TC_TYPE_K,
                                      TC_TYPE_K, TC_TYPE_K, TC_TYPE_K, TC_TYPE_K};
    float celsius[8];
    uint32_t status[8];
    const bool ok = QmsTcScan(handle, 0, 8, types, TEMP_SCALE_CELSIUS, celsius, status) == 0;
    benchmark::DoNotOptimize(celsius);
    return ok;
}

bool EightReads(uint32_t handle)
{
    bool ok = true;
    for (uint16_t channel = 0; channel < 8; ++channel) {
        float celsius = 0.0f;
        ok = TCMuxRead(handle, channel, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &celsius) == 0 && ok;
        benchmark::DoNotOptimize(celsius);
    }
    return ok;
}

void BM_QmsTcScan(benchmark::State &state) { ScanEight(state, false, OneScan); }
void BM_EightTCMuxRead(benchmark::State &state) { ScanEight(state, false, EightReads); }
void BM_QmsTcScanWithBurnOut(benchmark::State &state) { ScanEight(state, true, OneScan); }
void BM_EightTCMuxReadWithBurnOut(benchmark::State &state) { ScanEight(state, true, EightReads); }

// {latency in microseconds, not-ready polls}: a 1 ms bus with the sample block ready at the
// first poll and, as the module answers by default, at the second; a module that answers at
// once. Wall time throughout; CPU time of the whole process, the stack's threads included.
void Modules(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"latency_us", "not_ready"})
        ->Args({1000, 0})
        ->Args({1000, 1})
        ->Args({0, 0})
        ->UseRealTime()
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_QmsTcScan)->Apply(Modules);
BENCHMARK(BM_EightTCMuxRead)->Apply(Modules);
BENCHMARK(BM_QmsTcScanWithBurnOut)->Apply(Modules);
BENCHMARK(BM_EightTCMuxReadWithBurnOut)->Apply(Modules);

} // namespace
