// TCMuxRead against a simulated module that answers at once: the library's and the stack's
// own cost per thermocouple reading, and the USB transfers each reading takes (counted from
// the module's wire log). At 1 ms per control transfer on a full-speed bus, the transfer
// count bounds the readings one module can give per second.
#include <string>

#include <benchmark/benchmark.h>

#include "qms6093.h"
#include "qms_sim.h"

namespace {

// A module with a K thermocouple at 250 degrees Celsius on channels 0 (burn-out reporting
// off) and 1 (on), plugged and opened for one benchmark run. Each run plugs a new board,
// which the driver gives the next device number of the process.
struct ThermocoupleModule {
    explicit ThermocoupleModule(unsigned notReadyPolls)
    {
        static unsigned board = 60;
        static uint32_t nextNumber = 0;
        const std::string scenario =
            R"({"board_id": )" + std::to_string(board) + R"(, "serial": "BENCH-TC-)" +
            std::to_string(board) + R"(", "noise_uv": 0, "latency_us": 0, "not_ready_polls": )" +
            std::to_string(notReadyPolls) +
            R"(, "channels": [{"thermocouple": "K", "temp_c": 250, "burnout": 0},
                              {"thermocouple": "K", "temp_c": 250, "burnout": 1}]})";
        ++board;
        id = qms_sim_plug(scenario.c_str());
        ok = id > 0 && DeviceOpen(nextNumber++, &handle) == 0;
        float warmUp = 0.0f; // waits for the driver's first CJC sample
        ok = ok && TCMuxRead(handle, 0, 0, 0, 1, 0, &warmUp) == 0;
    }
    ~ThermocoupleModule()
    {
        DeviceClose(&handle);
        qms_sim_unplug(id);
    }
    int id = -1;
    uint32_t handle = 0;
    bool ok = false;
};

// Transfers in the wire log, leaving out the CJC sampler's own sensor reads.
long HostTransfers(int id)
{
    const long size = qms_sim_wire_log(id, nullptr, 0);
    std::string log(static_cast<size_t>(size) + 1, '\0');
    qms_sim_wire_log(id, log.data(), log.size());
    long count = 0;
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = log.substr(start, end - start);
        if (!line.empty() && line.find("\"group\":2,\"command\":35,") == std::string::npos)
            ++count;
    }
    return count;
}

void ReadChannel(benchmark::State &state, uint16_t channel, unsigned notReadyPolls)
{
    ThermocoupleModule module(notReadyPolls);
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
