// Cost of the firmware model per request: the scan of eight thermocouples (one conversion
// each, NIST EMF included), a status read, and a request it stalls.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/nonvolatile_store.h"
#include "sim/scenario.h"
#include "sim/sim_module.h"

namespace {

using qms::sim::SimModule;

std::shared_ptr<SimModule> eightThermocouples()
{
    const char *json = R"({"not_ready_polls": 0, "noise_uv": 1, "channels": [
        {"thermocouple": "K", "temp_c": 250}, {"thermocouple": "J", "temp_c": 120},
        {"thermocouple": "T", "temp_c": -40}, {"thermocouple": "S", "temp_c": 1100},
        {"thermocouple": "B", "temp_c": 1200}, {"thermocouple": "R", "temp_c": 900},
        {"thermocouple": "E", "temp_c": 500}, {"thermocouple": "N", "temp_c": 700}]})";
    const qms::sim::Scenario s = qms::sim::parseScenario(nlohmann::json::parse(json));
    auto memory = std::make_shared<qms::sim::NonVolatileState>();
    for (size_t i = 0; i < 8; ++i)
        memory->rangeIndex[i] = *s.presets[i].rangeIndex;
    return std::make_shared<SimModule>(s, "BENCH", memory);
}

void ScanOfEightThermocouples(benchmark::State &state)
{
    auto module = eightThermocouples();
    uint8_t scan[8] = {0, 0, 0, 8, 0, 0, 0, 0};
    std::vector<uint8_t> block(36);
    for (auto _ : state) {
        module->control({0x40, 2, 4, 0, 8}, scan);
        module->control({0xC0, 2, 5, 0, 36}, block.data());
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(ScanOfEightThermocouples);

void StatusRead(benchmark::State &state)
{
    auto module = eightThermocouples();
    uint8_t word[4];
    for (auto _ : state)
        benchmark::DoNotOptimize(module->control({0xC0, 127, 3, 0, 4}, word));
}
BENCHMARK(StatusRead);

void StalledRequest(benchmark::State &state)
{
    auto module = eightThermocouples();
    uint8_t word[4];
    for (auto _ : state)
        benchmark::DoNotOptimize(module->control({0xC0, 9, 9, 0, 4}, word));
}
BENCHMARK(StalledRequest);

} // namespace
