#include "sim/scenario.h"

#include <cmath>

#include "sim/input_ranges.h"
#include "sim/json_fields.h"
#include "sim/nist_reference.h"
#include "sim/scenario_error.h"

namespace qms::sim {
namespace {

using fields::member;

// Input keys shared by a scenario and a patch.
void parseInputs(const nlohmann::json &j, ModuleInputs &in)
{
    if (j.contains("terminal_c"))
        in.terminalC = fields::number(j["terminal_c"], "terminal_c", -60.0, 150.0);
    if (j.contains("cjc_error_c"))
        in.cjcErrorC = fields::number(j["cjc_error_c"], "cjc_error_c", -50.0, 50.0);
    if (j.contains("di"))
        in.di = static_cast<uint8_t>(fields::integer(j["di"], "di", 0, 255));
    if (j.contains("noise_uv"))
        in.noiseUv = fields::number(j["noise_uv"], "noise_uv", 0.0, 1.0e6);
    if (j.contains("seed"))
        in.seed = static_cast<uint64_t>(fields::integer(j["seed"], "seed", 0, INT64_MAX));
    if (j.contains("not_ready_polls"))
        in.notReadyPolls = static_cast<uint32_t>(fields::integer(j["not_ready_polls"], "not_ready_polls", 0, 100000));
    if (j.contains("cjc_invalid_reads"))
        in.cjcInvalidReads = static_cast<uint32_t>(fields::integer(j["cjc_invalid_reads"], "cjc_invalid_reads", 0, 100000));
    if (j.contains("latency_us"))
        in.latencyMicros = static_cast<uint32_t>(fields::integer(j["latency_us"], "latency_us", 0, 60000000));
}

// Every thermocouple and calibrator must have a reference EMF at the terminal temperature.
void checkColdJunctions(const ModuleInputs &in, bool terminalGiven)
{
    for (size_t i = 0; i < kChannelCount; ++i) {
        const SignalSource &s = in.channels[i];
        if (s.kind != SourceKind::Thermocouple && s.kind != SourceKind::Calibrator)
            continue;
        if (std::isnan(nist::emfMillivolts(s.tcType, in.terminalC)))
            throw ScenarioError(terminalGiven ? "terminal_c" : fields::element("channels", i),
                                "terminal temperature outside the range of the type " +
                                    std::string(1, s.tcType) + " thermocouple on channel " + std::to_string(i));
    }
}

const std::initializer_list<const char *> kSourceKeys = {
    "thermocouple", "calibrator", "temp_c", "deviation_c", "compensated", "volts", "milliamps", "open"};

void parseChannelPresets(const nlohmann::json &c, const std::string &at, ChannelPresets &p)
{
    if (c.contains("range_index"))
        p.rangeIndex = static_cast<uint32_t>(fields::integer(c["range_index"], member(at, "range_index"), 0, 16));
    if (c.contains("burnout"))
        p.burnout = static_cast<uint32_t>(fields::integer(c["burnout"], member(at, "burnout"), 0, UINT32_MAX));
    if (c.contains("exception_4_20"))
        p.exception420 = static_cast<uint32_t>(fields::integer(c["exception_4_20"], member(at, "exception_4_20"), 0, UINT32_MAX));
}

// The range a channel's source is best read on, for channels whose range is not preset.
uint32_t defaultRangeIndex(const SignalSource &s)
{
    switch (s.kind) {
    case SourceKind::Thermocouple:
    case SourceKind::Calibrator: return thermocoupleRangeIndex(s.tcType).value_or(9);
    case SourceKind::Open: return 9; // a thermocouple input waiting for its sensor
    case SourceKind::Milliamps: return 6;
    case SourceKind::Volts: {
        static constexpr double highs[] = {0.015, 0.05, 0.1, 0.5, 1.0};
        for (uint32_t i = 0; i < 5; ++i)
            if (s.value < highs[i])
                return i;
        return 5;
    }
    case SourceKind::None: break;
    }
    return 5;
}

} // namespace

nlohmann::json parseJsonText(const char *text, const char *what)
{
    if (text == nullptr)
        throw ScenarioError(what, "missing");
    nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded())
        throw ScenarioError(what, "is not valid JSON");
    return j;
}

Scenario parseScenario(const nlohmann::json &j)
{
    fields::rejectUnknownKeys(j, "", {"board_id", "firmware", "terminal_c", "cjc_error_c", "di", "channels",
                                      "noise_uv", "seed", "not_ready_polls", "cjc_invalid_reads", "latency_us",
                                      "serial", "state_file", "reset_store", "converting", "interface_class",
                                      "interface_subclass", "faults"});
    Scenario s;
    parseInputs(j, s.inputs);
    if (j.contains("board_id"))
        s.boardId = static_cast<uint32_t>(fields::integer(j["board_id"], "board_id", 0, UINT32_MAX));
    if (j.contains("firmware"))
        s.firmware = fields::text(j["firmware"], "firmware", 63);
    if (j.contains("serial")) {
        s.serial = fields::text(j["serial"], "serial", 64);
        if (s.serial.empty())
            throw ScenarioError("serial", "must not be empty");
    }
    if (j.contains("state_file")) {
        s.stateFile = fields::text(j["state_file"], "state_file", 4096);
        if (s.stateFile.empty())
            throw ScenarioError("state_file", "must not be empty");
    }
    if (j.contains("reset_store"))
        s.resetStore = fields::boolean(j["reset_store"], "reset_store");
    if (j.contains("converting"))
        s.converting = fields::boolean(j["converting"], "converting");
    if (j.contains("interface_class"))
        s.interfaceClass = static_cast<uint8_t>(fields::integer(j["interface_class"], "interface_class", 0, 255));
    if (j.contains("interface_subclass"))
        s.interfaceSubClass = static_cast<uint8_t>(fields::integer(j["interface_subclass"], "interface_subclass", 0, 255));
    if (j.contains("faults"))
        s.faults = parseFaultRules(j["faults"], "faults");
    if (j.contains("channels")) {
        const nlohmann::json &list = j["channels"];
        if (!list.is_array())
            throw ScenarioError("channels", "must be an array of up to 8 channel objects");
        if (list.size() > kChannelCount)
            throw ScenarioError("channels", "the module has 8 analog inputs, not " + std::to_string(list.size()));
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string at = fields::element("channels", i);
            std::initializer_list<const char *> allowed = {
                "thermocouple", "calibrator", "temp_c", "deviation_c", "compensated", "volts",
                "milliamps", "open", "range_index", "burnout", "exception_4_20"};
            if (list[i].is_null())
                continue;
            fields::rejectUnknownKeys(list[i], at, allowed);
            s.inputs.channels[i] = parseSignalSource(list[i], at);
            parseChannelPresets(list[i], at, s.presets[i]);
        }
    }
    for (size_t i = 0; i < kChannelCount; ++i)
        if (!s.presets[i].rangeIndex)
            s.presets[i].rangeIndex = defaultRangeIndex(s.inputs.channels[i]);
    checkColdJunctions(s.inputs, j.contains("terminal_c"));
    return s;
}

std::vector<Scenario> parseScenarioList(const nlohmann::json &j)
{
    std::vector<Scenario> list;
    if (!j.is_array()) {
        list.push_back(parseScenario(j));
        return list;
    }
    if (j.empty())
        throw ScenarioError("scenario", "the array names no module");
    for (size_t i = 0; i < j.size(); ++i) {
        try {
            list.push_back(parseScenario(j[i]));
        } catch (const ScenarioError &e) {
            throw ScenarioError("[" + std::to_string(i) + "]", e.what());
        }
    }
    return list;
}

Patch parsePatch(const nlohmann::json &j, const ModuleInputs &current)
{
    fields::rejectUnknownKeys(j, "", {"terminal_c", "cjc_error_c", "di", "channels", "noise_uv", "seed",
                                      "not_ready_polls", "cjc_invalid_reads", "latency_us", "faults",
                                      "add_faults", "clear_faults"});
    Patch p;
    p.inputs = current;
    parseInputs(j, p.inputs);
    p.reseed = j.contains("seed");
    if (j.contains("channels")) {
        const nlohmann::json &list = j["channels"];
        // An array replaces channels in order (null keeps one); an object names them by index.
        auto patchChannel = [&](size_t index, const nlohmann::json &c, const std::string &at) {
            if (c.is_null())
                return;
            fields::rejectUnknownKeys(c, at, kSourceKeys);
            p.inputs.channels[index] = parseSignalSource(c, at);
        };
        if (list.is_array()) {
            if (list.size() > kChannelCount)
                throw ScenarioError("channels", "the module has 8 analog inputs, not " + std::to_string(list.size()));
            for (size_t i = 0; i < list.size(); ++i)
                patchChannel(i, list[i], fields::element("channels", i));
        } else if (list.is_object()) {
            for (auto it = list.begin(); it != list.end(); ++it) {
                const std::string at = member("channels", it.key());
                const int64_t index = fields::integer(nlohmann::json(it.key()), at, 0, kChannelCount - 1);
                patchChannel(static_cast<size_t>(index), it.value(), at);
            }
        } else {
            throw ScenarioError("channels", "must be an array or an object keyed by channel number");
        }
    }
    if (j.contains("faults")) { // replaces every rule
        p.clearFaults = true;
        p.addFaults = parseFaultRules(j["faults"], "faults");
    }
    if (j.contains("clear_faults"))
        p.clearFaults = p.clearFaults || fields::boolean(j["clear_faults"], "clear_faults");
    if (j.contains("add_faults")) {
        std::vector<FaultRule> more = parseFaultRules(j["add_faults"], "add_faults");
        p.addFaults.insert(p.addFaults.end(), more.begin(), more.end());
    }
    checkColdJunctions(p.inputs, j.contains("terminal_c"));
    return p;
}

} // namespace qms::sim
