// What a request costs on the libusb path against the simulated bus: one digital-input read
// through the public API (two vendor requests: the port selection and its reply), once to a
// simulated module and once to the same firmware emulated below libusb (umockdev). The
// emulated device answers through umockdev's socket, so the libusb figure is an upper bound
// of what the backend itself adds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "qms6093.h"
#include "qms_platform.h"
#include "tests/api/core/simulated_device.h"
#include "tests/platform/usbd/libusb/emulated_module.h"

namespace {

void ReadDigitalInputs(benchmark::State &state, uint32_t dev)
{
    uint32_t handle = 0;
    if (DeviceOpen(dev, &handle) != 0) {
        if (handle)
            DeviceClose(&handle);
        state.SkipWithError("the module does not open");
        return;
    }
    uint16_t value = 0;
    for (auto _ : state) {
        if (DioReadPortByte(handle, 0, &value) != 0) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
    DeviceClose(&handle);
}

void DigitalReadSimulatedBus(benchmark::State &state)
{
    qms::test::SimulatedModule module(qms::test::QuietScenario(61));
    ReadDigitalInputs(state, module.deviceNumber());
}
BENCHMARK(DigitalReadSimulatedBus)->Unit(benchmark::kMicrosecond);

void DigitalReadLibusb(benchmark::State &state)
{
    qms::test::EmulatedModule module(qms::test::QuietScenario(62));
    module.plug();
    // Attached once its registry keys name the board and it opens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    uint32_t dev = 0xFFFFFFFFu;
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            dev = qms::test::DeviceNumberOfBoard(62);
            uint32_t handle = 0;
            const bool opened = DeviceOpen(dev, &handle) == 0;
            if (handle)
                DeviceClose(&handle);
            if (opened)
                break;
        } catch (const std::exception &) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ReadDigitalInputs(state, dev);
    module.unplug();
}
BENCHMARK(DigitalReadLibusb)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    // The test bed comes before libusb and before any thread.
    qms::test::CreateTestBed();
    setenv("QMS_REGISTRY", ":memory:", 0);
    setenv("QMS_SIM", "none", 0);
    setenv("QMS_USB", "on", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    qms_platform_shutdown();
    return 0;
}
