// Cost of one thermocouple conversion per type: TcTemp (EMF to temperature) and TcErrorVolts
// (temperature to EMF, the cold-junction compensation of every temperature reading).
#include "qms6093_thermo.h"

#include <array>

#include <benchmark/benchmark.h>

namespace {

constexpr const char *kTypeNames[] = {"J", "K", "S", "T", "B", "R", "E", "N"};

// Temperatures spread over every type's segments, and the EMF they give.
constexpr std::array<float, 16> kCelsius = {-150.0f, -60.0f, -5.0f, 20.0f, 65.0f, 120.0f, 250.0f, 400.0f,
                                            500.0f, 640.0f, 780.0f, 900.0f, 1070.0f, 1200.0f, 1300.0f, 1700.0f};

void tcTemp(benchmark::State &state)
{
    const auto type = static_cast<unsigned short>(state.range(0));
    std::array<float, kCelsius.size()> millivolts{};
    for (std::size_t i = 0; i < kCelsius.size(); ++i)
        millivolts[i] = TcErrorVolts(kCelsius[i], type);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TcTemp(millivolts[i], type));
        i = (i + 1) % millivolts.size();
    }
    state.SetLabel(kTypeNames[type]);
}

void tcErrorVolts(benchmark::State &state)
{
    const auto type = static_cast<unsigned short>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TcErrorVolts(kCelsius[i], type));
        i = (i + 1) % kCelsius.size();
    }
    state.SetLabel(kTypeNames[type]);
}

void convertTempScale(benchmark::State &state)
{
    unsigned short scale = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertTempScale(36.6f, scale));
        scale = static_cast<unsigned short>((scale + 1) & 3);
    }
}

}  // namespace

BENCHMARK(tcTemp)->DenseRange(0, 7);
BENCHMARK(tcErrorVolts)->DenseRange(0, 7);
BENCHMARK(convertTempScale);
