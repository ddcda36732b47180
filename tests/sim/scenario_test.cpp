// Scenarios and patches: bad ones are refused with a message that names the field.
#include <gtest/gtest.h>

#include "sim/scenario.h"
#include "sim/scenario_error.h"

namespace qms::sim {
namespace {

std::string rejection(const char *json, bool patch = false)
{
    try {
        const nlohmann::json j = parseJsonText(json, "scenario");
        if (patch)
            parsePatch(j, ModuleInputs{});
        else
            parseScenarioList(j);
    } catch (const ScenarioError &e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(Scenario, BadScenariosNameTheField)
{
    struct Case {
        const char *json;
        const char *field;
    };
    const Case cases[] = {
        {R"({"board_id": -1})", "board_id"},
        {R"({"board_id": "seven"})", "board_id"},
        {R"({"terminal_c": "warm"})", "terminal_c"},
        {R"({"termnal_c": 25})", "termnal_c"},
        {R"({"di": 256})", "di"},
        {R"({"firmware": 3})", "firmware"},
        {R"({"channels": {}})", "channels"},
        {R"({"channels": [{}, {}, {}, {}, {}, {}, {}, {}, {}]})", "channels"},
        {R"({"channels": [{}, {"thermocouple": "X", "temp_c": 1}]})", "channels[1].thermocouple"},
        {R"({"channels": [{}, {}, {"thermocouple": "K", "temp_c": 2000}]})", "channels[2].temp_c"},
        {R"({"channels": [{"thermocouple": "K"}]})", "channels[0].temp_c"},
        {R"({"channels": [{"volts": 1, "milliamps": 2}]})", "channels[0]"},
        {R"({"channels": [{"volts": 1, "temp_c": 2}]})", "channels[0].temp_c"},
        {R"({"channels": [{"calibrator": "N"}]})", "channels[0].temp_c"},
        {R"({"channels": [{"thermocouple": "B", "temp_c": 1000}], "terminal_c": -20})", "terminal_c"},
        {R"({"channels": [{"volts": 1, "range_index": 17}]})", "channels[0].range_index"},
        {R"({"channels": [{"volts": 1, "colour": "red"}]})", "channels[0].colour"},
        {R"({"faults": [{"group": 2, "fault": "explode"}]})", "faults[0].fault"},
        {R"({"faults": [{"group": 2}]})", "faults[0].fault"},
        {R"({"faults": [{"fault": "short"}]})", "faults[0].bytes"},
        {R"({"faults": [{"fault": "stall", "bytes": 3}]})", "faults[0].bytes"},
        {R"({"faults": [{"fault": "stall", "dir": "up"}]})", "faults[0].dir"},
        {R"({"faults": [{"fault": "stall", "occurrence": 0}]})", "faults[0].occurrence"},
        {R"([{"board_id": 1}, {"board_id": true}])", "[1]: board_id"},
        {R"([])", "scenario"},
        {R"({"serial": ""})", "serial"},
        {R"(not json)", "scenario"},
        {R"(42)", "scenario"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.json);
        const std::string message = rejection(c.json);
        EXPECT_EQ(message.rfind(std::string(c.field) + ":", 0), 0u) << message;
    }
}

TEST(Scenario, PatchesNameTheFieldAndTakeOnlyRunTimeKeys)
{
    EXPECT_EQ(rejection(R"({"board_id": 3})", true).rfind("board_id:", 0), 0u);
    EXPECT_EQ(rejection(R"({"channels": {"8": {"volts": 1}}})", true).rfind("channels.8:", 0), 0u);
    EXPECT_EQ(rejection(R"({"channels": [{"volts": 1, "range_index": 2}]})", true).rfind("channels[0].range_index:", 0), 0u);
    EXPECT_EQ(rejection(R"({"add_faults": [{"fault": "latency"}]})", true).rfind("add_faults[0].micros:", 0), 0u);
    EXPECT_EQ(rejection(R"({"terminal_c": 30, "channels": {"3": {"volts": 0.5}}})", true), "(accepted)");
}

TEST(Scenario, DefaultsAndStoredRangesSuitTheSources)
{
    const Scenario s = parseScenario(nlohmann::json::parse(R"({"channels": [
        {"thermocouple": "E", "temp_c": 100}, {"volts": 0.3}, {"milliamps": 4}, {"open": true}, {"calibrator": "S"}]})"));
    EXPECT_EQ(s.presets[0].rangeIndex, 14u);
    EXPECT_EQ(s.presets[1].rangeIndex, 3u);
    EXPECT_EQ(s.presets[2].rangeIndex, 6u);
    EXPECT_EQ(s.presets[3].rangeIndex, 9u);
    EXPECT_EQ(s.presets[4].rangeIndex, 10u);
    EXPECT_EQ(s.presets[5].rangeIndex, 5u);
    EXPECT_DOUBLE_EQ(s.inputs.channels[4].tempC, 1125.0) << "a calibrator defaults to the reference temperature";
    EXPECT_DOUBLE_EQ(s.inputs.terminalC, 25.0);
    EXPECT_TRUE(s.converting);
    EXPECT_EQ(s.interfaceClass, 0xFF);
}

TEST(Scenario, DemoModuleIsAValidScenario)
{
    const Scenario s = parseScenario(nlohmann::json::parse(demoScenarioJson()));
    int kinds[6] = {};
    for (const SignalSource &c : s.inputs.channels)
        ++kinds[static_cast<int>(c.kind)];
    EXPECT_GE(kinds[static_cast<int>(SourceKind::Thermocouple)], 3);
    EXPECT_EQ(kinds[static_cast<int>(SourceKind::Open)], 1);
    EXPECT_EQ(kinds[static_cast<int>(SourceKind::Milliamps)], 1);
    EXPECT_NE(s.inputs.di, 0);
}

} // namespace
} // namespace qms::sim
