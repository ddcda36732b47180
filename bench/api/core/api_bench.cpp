// The library's own cost against a simulated module that answers at once: repeated open and
// close of an open device, a scan of all eight channels in volts, a digital input read. The
// slow-module case shows that a call waiting for the module does not burn a core: its CPU
// time stays far below its wall time.
#include <string>

#include <benchmark/benchmark.h>

#include "qms6093.h"
#include "qms_sim.h"

namespace {

int Plug(unsigned latencyMicros)
{
    static int board = 10;
    const std::string scenario = R"({"board_id": )" + std::to_string(board) + R"(, "serial": "BENCH-)" +
                                 std::to_string(board) +
                                 R"(", "noise_uv": 0, "not_ready_polls": 0, "latency_us": )" +
                                 std::to_string(latencyMicros) + "}";
    ++board;
    return qms_sim_plug(scenario.c_str());
}

// Opens the device of a freshly plugged module; its number is the count of modules plugged
// before it in this process.
struct BenchDevice {
    explicit BenchDevice(unsigned latencyMicros)
    {
        static uint32_t nextNumber = 0;
        id = Plug(latencyMicros);
        deviceNumber = nextNumber++;
        ok = id > 0 && DeviceOpen(deviceNumber, &handle) == 0;
    }
    ~BenchDevice()
    {
        DeviceClose(&handle);
        qms_sim_unplug(id);
    }
    int id = -1;
    uint32_t deviceNumber = 0;
    uint32_t handle = 0;
    bool ok = false;
};

void BM_DeviceOpenCloseOfAnOpenDevice(benchmark::State &state)
{
    BenchDevice device(0);
    if (!device.ok)
        return state.SkipWithError("no device");
    for (auto _ : state) {
        uint32_t again = 0;
        benchmark::DoNotOptimize(DeviceOpen(device.deviceNumber, &again));
        DeviceClose(&again);
    }
}
BENCHMARK(BM_DeviceOpenCloseOfAnOpenDevice);

void ScanEightChannels(benchmark::State &state, unsigned latencyMicros)
{
    BenchDevice device(latencyMicros);
    uint16_t ranges[8];
    for (uint16_t &r : ranges)
        r = QMS_RANGE_0_2500MV;
    if (!device.ok || MAIConfig(device.handle, 8, 0, ranges) != 0)
        return state.SkipWithError("no device");
    float values[8];
    for (auto _ : state)
        benchmark::DoNotOptimize(MAIVoltageIn(device.handle, 8, 0, ranges, 0, values));
}

void BM_MAIVoltageInEightChannels(benchmark::State &state) { ScanEightChannels(state, 0); }
BENCHMARK(BM_MAIVoltageInEightChannels);

void BM_MAIVoltageInEightChannelsSlowModule(benchmark::State &state)
{
    ScanEightChannels(state, 200);
}
BENCHMARK(BM_MAIVoltageInEightChannelsSlowModule)->Iterations(200);

void BM_DioReadPortByte(benchmark::State &state)
{
    BenchDevice device(0);
    if (!device.ok)
        return state.SkipWithError("no device");
    uint16_t value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(DioReadPortByte(device.handle, 0, &value));
}
BENCHMARK(BM_DioReadPortByte);

} // namespace
