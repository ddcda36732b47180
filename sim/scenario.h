// Scenarios: the JSON that describes a simulated module when it is plugged in, and the
// patches that change its inputs and faults while it runs. The keys are described in
// sim/README.md. Parsing checks everything before anything is used and throws ScenarioError
// naming the offending field.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/faults.h"
#include "sim/signal_source.h"

namespace qms::sim {

constexpr size_t kChannelCount = 8;

// What the module's surroundings do to it: the physics the firmware measures.
struct ModuleInputs {
    double terminalC = 25.0; // terminal block, the thermocouples' cold junction
    double cjcErrorC = 0.0;  // how far the CJC sensor reads high
    uint8_t di = 0;          // digital input lines
    std::array<SignalSource, kChannelCount> channels{};
    double noiseUv = 0.0;          // rms noise on every analog input, microvolts
    uint64_t seed = 1;             // seed of the noise
    uint32_t notReadyPolls = 1;    // sample-block reads answered "not ready" after a scan request
    uint32_t cjcInvalidReads = 1;  // CJC reads answered invalid after a conversion start
    uint32_t latencyMicros = 0;    // time the bus takes for every transfer
};

// Per-channel values of the parameter blocks that a scenario presets.
struct ChannelPresets {
    std::optional<uint32_t> rangeIndex;
    std::optional<uint32_t> burnout;
    std::optional<uint32_t> exception420;
};

struct Scenario {
    ModuleInputs inputs;
    std::array<ChannelPresets, kChannelCount> presets{};
    uint32_t boardId = 0;
    std::string firmware = "USB-6093 FW 1.00 (simulated)";
    std::string serial;    // empty: chosen when plugged
    std::string stateFile; // empty: memory kept only in the process
    bool resetStore = false;
    bool converting = true; // the A/D conversion runs from power-up
    uint8_t interfaceClass = 0xFF;
    uint8_t interfaceSubClass = 0;
    std::vector<FaultRule> faults;
};

struct Patch {
    ModuleInputs inputs;   // the module's inputs with the patch applied
    bool reseed = false;   // the patch set a seed
    bool clearFaults = false;
    std::vector<FaultRule> addFaults; // after clearing when both are given
};

Scenario parseScenario(const nlohmann::json &j);
// One scenario object, or an array of them (the QMS_SIM form).
std::vector<Scenario> parseScenarioList(const nlohmann::json &j);
Patch parsePatch(const nlohmann::json &j, const ModuleInputs &current);

// Text of a JSON document; throws ScenarioError("scenario", ...) for bad JSON.
nlohmann::json parseJsonText(const char *text, const char *what);

// The built-in demo module plugged when QMS_SIM is unset.
const char *demoScenarioJson();
// The demo module as it is plugged: its scenario with the state file that keeps its memory
// between processes, as a real module keeps its EEPROM.
nlohmann::json demoScenario();
// Where the demo module keeps its memory: $XDG_STATE_HOME/qms6093/demo-module.json (an
// absolute XDG_STATE_HOME only), else $HOME/.local/state/qms6093/demo-module.json; the folder
// is made when missing. Empty without either, or when it cannot be made: the module then
// forgets at unplug.
std::string demoStateFile();

} // namespace qms::sim
