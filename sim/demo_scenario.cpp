// The module plugged when QMS_SIM is unset: something on every input, so that every feature
// of the stack shows. Each channel's stored range suits its source.
#include "sim/scenario.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>


namespace qms::sim {

const char *demoScenarioJson()
{
    return R"({
  "board_id": 0,
  "serial": "SIM6093-DEMO",
  "terminal_c": 24.5,
  "cjc_error_c": 0.4,
  "di": 165,
  "noise_uv": 0.5,
  "seed": 6093,
  "channels": [
    {"thermocouple": "K", "temp_c": 250.0, "range_index": 9, "burnout": 1},
    {"thermocouple": "J", "temp_c": 120.0, "range_index": 8, "burnout": 1},
    {"thermocouple": "T", "temp_c": -40.0, "range_index": 11, "burnout": 1},
    {"thermocouple": "S", "temp_c": 1100.0, "range_index": 10, "burnout": 1},
    {"volts": 1.25, "range_index": 5},
    {"milliamps": 12.0, "range_index": 7, "exception_4_20": 1},
    {"open": true, "range_index": 9, "burnout": 1},
    {"calibrator": "K", "temp_c": 685.0, "range_index": 9, "burnout": 1}
  ]
})";
}

std::string demoStateFile()
{
    std::filesystem::path base;
    if (const char *state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "state";
    else
        return "";
    const std::filesystem::path folder = base / "qms6093";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        return "";
    return (folder / "demo-module.json").string();
}

nlohmann::json demoScenario()
{
    nlohmann::json j = nlohmann::json::parse(demoScenarioJson());
    if (const std::string path = demoStateFile(); !path.empty())
        j["state_file"] = path;
    return j;
}

} // namespace qms::sim
