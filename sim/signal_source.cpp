#include "sim/signal_source.h"

#include <cctype>
#include <cmath>

#include "sim/json_fields.h"
#include "sim/nist_reference.h"
#include "sim/scenario_error.h"

namespace qms::sim {
namespace {

char parseType(const nlohmann::json &value, const std::string &path)
{
    const std::string s = fields::text(value, path, 1);
    const char type = s.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    if (type == '\0' || std::string("JKSTBREN").find(type) == std::string::npos)
        throw ScenarioError(path, "must be one of the thermocouple types J, K, S, T, B, R, E, N");
    return type;
}

const char *kindName(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Thermocouple: return "thermocouple";
    case SourceKind::Calibrator: return "calibrator";
    case SourceKind::Volts: return "volts";
    case SourceKind::Milliamps: return "milliamps";
    case SourceKind::Open: return "open";
    case SourceKind::None: break;
    }
    return "none";
}

} // namespace

std::optional<double> calibratorReferenceC(char type)
{
    switch (type) {
    case 'J': return 380.0;
    case 'K': return 685.0;
    case 'S': return 1125.0;
    case 'T': return 150.0;
    case 'B': return 1150.0;
    case 'R': return 1125.0;
    case 'E': return 500.0;
    default: return std::nullopt;
    }
}

std::optional<double> terminalVolts(const SignalSource &source, double terminalC)
{
    switch (source.kind) {
    case SourceKind::None: return 0.0;
    case SourceKind::Open: return std::nullopt;
    case SourceKind::Volts: return source.value;
    case SourceKind::Milliamps: return source.value / 1000.0 * 120.0;
    case SourceKind::Thermocouple:
        return (nist::emfMillivolts(source.tcType, source.tempC + source.deviationC) -
                nist::emfMillivolts(source.tcType, terminalC)) /
               1000.0;
    case SourceKind::Calibrator: {
        const double hot = nist::emfMillivolts(source.tcType, source.tempC);
        const double cold = source.compensated ? nist::emfMillivolts(source.tcType, terminalC) : 0.0;
        return (hot - cold) / 1000.0;
    }
    }
    return 0.0;
}

SignalSource parseSignalSource(const nlohmann::json &channel, const std::string &path)
{
    SignalSource src;
    int kinds = 0;
    for (const char *key : {"thermocouple", "calibrator", "volts", "milliamps", "open"})
        kinds += channel.contains(key) ? 1 : 0;
    if (kinds > 1)
        throw ScenarioError(path, "give only one of thermocouple, calibrator, volts, milliamps, open");

    if (channel.contains("thermocouple")) {
        src.kind = SourceKind::Thermocouple;
        src.tcType = parseType(channel["thermocouple"], fields::member(path, "thermocouple"));
        if (!channel.contains("temp_c"))
            throw ScenarioError(fields::member(path, "temp_c"), "a thermocouple needs its hot-junction temperature");
    } else if (channel.contains("calibrator")) {
        src.kind = SourceKind::Calibrator;
        src.tcType = parseType(channel["calibrator"], fields::member(path, "calibrator"));
        const auto reference = calibratorReferenceC(src.tcType);
        if (!channel.contains("temp_c") && !reference)
            throw ScenarioError(fields::member(path, "temp_c"), "a type N calibrator needs its temperature");
        src.tempC = reference.value_or(0.0);
    } else if (channel.contains("volts")) {
        src.kind = SourceKind::Volts;
        src.value = fields::number(channel["volts"], fields::member(path, "volts"), -100.0, 100.0);
    } else if (channel.contains("milliamps")) {
        src.kind = SourceKind::Milliamps;
        src.value = fields::number(channel["milliamps"], fields::member(path, "milliamps"), -50.0, 50.0);
    } else if (channel.contains("open")) {
        src.kind = fields::boolean(channel["open"], fields::member(path, "open")) ? SourceKind::Open
                                                                                 : SourceKind::None;
    }

    const bool thermal = src.kind == SourceKind::Thermocouple || src.kind == SourceKind::Calibrator;
    if (channel.contains("temp_c")) {
        if (!thermal)
            throw ScenarioError(fields::member(path, "temp_c"), "only a thermocouple or a calibrator has a temperature");
        src.tempC = fields::number(channel["temp_c"], fields::member(path, "temp_c"), -273.15, 2000.0);
    }
    if (channel.contains("deviation_c")) {
        if (src.kind != SourceKind::Thermocouple)
            throw ScenarioError(fields::member(path, "deviation_c"), "only a thermocouple deviates from the reference function");
        src.deviationC = fields::number(channel["deviation_c"], fields::member(path, "deviation_c"), -50.0, 50.0);
    }
    if (channel.contains("compensated")) {
        if (src.kind != SourceKind::Calibrator)
            throw ScenarioError(fields::member(path, "compensated"), "only a calibrator has cold-junction compensation");
        src.compensated = fields::boolean(channel["compensated"], fields::member(path, "compensated"));
    }
    if (thermal && std::isnan(nist::emfMillivolts(src.tcType, src.tempC + src.deviationC)))
        throw ScenarioError(fields::member(path, "temp_c"),
                            "outside the range of a type " + std::string(1, src.tcType) + " thermocouple");
    return src;
}

nlohmann::json signalSourceToJson(const SignalSource &source)
{
    nlohmann::json j = nlohmann::json::object();
    switch (source.kind) {
    case SourceKind::None: break;
    case SourceKind::Open: j["open"] = true; break;
    case SourceKind::Volts: j["volts"] = source.value; break;
    case SourceKind::Milliamps: j["milliamps"] = source.value; break;
    case SourceKind::Thermocouple:
    case SourceKind::Calibrator:
        j[kindName(source.kind)] = std::string(1, source.tcType);
        j["temp_c"] = source.tempC;
        if (source.kind == SourceKind::Thermocouple && source.deviationC != 0.0)
            j["deviation_c"] = source.deviationC;
        if (source.kind == SourceKind::Calibrator && !source.compensated)
            j["compensated"] = false;
        break;
    }
    return j;
}

} // namespace qms::sim
