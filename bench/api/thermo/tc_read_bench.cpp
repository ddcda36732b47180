// TCMuxRead against a simulated module that answers at once: the library's and the stack's
// own cost per thermocouple reading, and the USB transfers each reading takes (counted from
// the module's wire log). At 1 ms per control transfer on a full-speed bus, the transfer
// count bounds the readings one module can give per second.
#include <string>

#include <benchmark/benchmark.h>

#include "bench/api/thermo/thermocouple_module.h"
#include "qms6093.h"
#include "qms_sim.h"

using qms::bench::HostTransfers;
using qms::bench::ThermocoupleModule;

namespace {

// A K thermocouple at 250 degrees Celsius on channels 0 (burn-out reporting off) and 1 (on).
constexpr const char *kChannels = R"([{"thermocouple": "K", "temp_c": 250, "burnout": 0},
                                     {"thermocouple": "K", "temp_c": 250, "burnout": 1}])";

void ReadChannel(benchmark::State &state, uint16_t channel, unsigned notReadyPolls)
{
    ThermocoupleModule module({kChannels, notReadyPolls, 0});
    if (!module.ok)
        return state.SkipWithError("no module");
    qms_sim_clear_wire_log(module.id);
    // The log keeps the newest 10000 requests: the transfers are counted over the first
    // readings only.
    constexpr long kCounted = 500;
    long reads = 0;
    float celsius = 0.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TCMuxRead(module.handle, channel, 0, 0, 1, 0, &celsius));
        if (++reads == kCounted)
            state.counters["transfers_per_read"] = static_cast<double>(HostTransfers(module.id)) / reads;
    }
    if (reads < kCounted)
        state.counters["transfers_per_read"] = static_cast<double>(HostTransfers(module.id)) / reads;
    state.counters["celsius"] = celsius;
}

// Burn-out reporting off; the sample block ready at the first poll.
void BM_TCMuxRead(benchmark::State &state) { ReadChannel(state, 0, 0); }
BENCHMARK(BM_TCMuxRead);

// As the module answers by default: the sample block not ready at the first poll.
void BM_TCMuxReadOneNotReadyPoll(benchmark::State &state) { ReadChannel(state, 0, 1); }
BENCHMARK(BM_TCMuxReadOneNotReadyPoll);

// Burn-out reporting on: the status block is asked as well.
void BM_TCMuxReadWithBurnOutQuery(benchmark::State &state) { ReadChannel(state, 1, 0); }
BENCHMARK(BM_TCMuxReadWithBurnOutQuery);

} // namespace
