#include "sim/faults.h"

#include "sim/json_fields.h"
#include "sim/scenario_error.h"

namespace qms::sim {
namespace {

struct KindName {
    FaultKind kind;
    const char *name;
    const char *valueKey; // the member that carries the rule's value, if any
};

constexpr KindName kKinds[] = {
    {FaultKind::Stall, "stall", nullptr},
    {FaultKind::NoCompletion, "no_completion", nullptr},
    {FaultKind::Short, "short", "bytes"},
    {FaultKind::Status, "status", "status"},
    {FaultKind::BadEcho, "bad_echo", "echo"},
    {FaultKind::DioError, "dio_error", "error"},
    {FaultKind::Remove, "remove", nullptr},
    {FaultKind::Latency, "latency", "micros"},
};

} // namespace

const char *faultKindName(FaultKind kind)
{
    for (const KindName &k : kKinds)
        if (k.kind == kind)
            return k.name;
    return "?";
}

void FaultPlan::add(std::vector<FaultRule> rules)
{
    rules_.insert(rules_.end(), rules.begin(), rules.end());
}

FaultDecision FaultPlan::decide(const SetupPacket &setup)
{
    FaultDecision decision;
    const Direction dir = directionOf(setup);
    for (FaultRule &rule : rules_) {
        if ((rule.group >= 0 && rule.group != setup.bRequest) ||
            (rule.command >= 0 && rule.command != setup.wValue) ||
            (rule.direction && *rule.direction != dir))
            continue;
        ++rule.matched;
        if (rule.occurrence != 0 && rule.occurrence != rule.matched)
            continue;
        if (rule.kind == FaultKind::Latency)
            decision.extraLatencyMicros += rule.value;
        else if (!decision.fault)
            decision.fault = rule;
    }
    return decision;
}

nlohmann::json FaultPlan::toJson() const
{
    nlohmann::json list = nlohmann::json::array();
    for (const FaultRule &rule : rules_) {
        nlohmann::json j = {{"fault", faultKindName(rule.kind)}, {"matched", rule.matched}};
        if (rule.group >= 0)
            j["group"] = rule.group;
        if (rule.command >= 0)
            j["command"] = rule.command;
        if (rule.direction)
            j["dir"] = *rule.direction == Direction::In ? "in" : "out";
        if (rule.occurrence != 0)
            j["occurrence"] = rule.occurrence;
        else
            j["every"] = true;
        for (const KindName &k : kKinds)
            if (k.kind == rule.kind && k.valueKey != nullptr)
                j[k.valueKey] = rule.value;
        list.push_back(j);
    }
    return list;
}

std::vector<FaultRule> parseFaultRules(const nlohmann::json &array, const std::string &path)
{
    if (!array.is_array())
        throw ScenarioError(path, "must be an array of fault rules");
    std::vector<FaultRule> rules;
    for (size_t i = 0; i < array.size(); ++i) {
        const std::string at = fields::element(path, i);
        const nlohmann::json &j = array[i];
        fields::rejectUnknownKeys(j, at, {"group", "command", "dir", "occurrence", "every", "fault",
                                          "bytes", "status", "echo", "error", "micros"});
        FaultRule rule;
        if (j.contains("group"))
            rule.group = static_cast<int>(fields::integer(j["group"], fields::member(at, "group"), 0, 255));
        if (j.contains("command"))
            rule.command = static_cast<int>(fields::integer(j["command"], fields::member(at, "command"), 0, 65535));
        if (j.contains("dir")) {
            const std::string d = fields::text(j["dir"], fields::member(at, "dir"), 3);
            if (d != "in" && d != "out")
                throw ScenarioError(fields::member(at, "dir"), "must be \"in\" or \"out\"");
            rule.direction = d == "in" ? Direction::In : Direction::Out;
        }
        if (j.contains("occurrence") && j.contains("every"))
            throw ScenarioError(fields::member(at, "occurrence"), "give either occurrence or every");
        if (j.contains("occurrence"))
            rule.occurrence = static_cast<uint32_t>(
                fields::integer(j["occurrence"], fields::member(at, "occurrence"), 1, UINT32_MAX));
        if (j.contains("every") && !fields::boolean(j["every"], fields::member(at, "every")))
            throw ScenarioError(fields::member(at, "every"), "false means nothing: give occurrence instead");
        if (!j.contains("fault"))
            throw ScenarioError(fields::member(at, "fault"), "missing");
        const std::string name = fields::text(j["fault"], fields::member(at, "fault"), 32);
        const KindName *kind = nullptr;
        for (const KindName &k : kKinds)
            if (name == k.name)
                kind = &k;
        if (kind == nullptr)
            throw ScenarioError(fields::member(at, "fault"),
                                "must be one of stall, no_completion, short, status, bad_echo, "
                                "dio_error, remove, latency");
        rule.kind = kind->kind;
        for (const char *key : {"bytes", "status", "echo", "error", "micros"}) {
            if (!j.contains(key))
                continue;
            if (kind->valueKey == nullptr || std::string(key) != kind->valueKey)
                throw ScenarioError(fields::member(at, key), std::string("does not belong to a ") + name + " fault");
        }
        if (kind->valueKey != nullptr) {
            const std::string key = kind->valueKey;
            if (j.contains(key)) {
                const int64_t max = rule.kind == FaultKind::Short ? 65535
                                  : rule.kind == FaultKind::BadEcho ? 65535
                                  : rule.kind == FaultKind::Latency ? 60000000
                                  : UINT32_MAX;
                rule.value = static_cast<uint32_t>(fields::integer(j[key], fields::member(at, key), 0, max));
            } else if (rule.kind == FaultKind::BadEcho) {
                rule.value = 2;
            } else {
                throw ScenarioError(fields::member(at, key), std::string("a ") + name + " fault needs it");
            }
        }
        rules.push_back(rule);
    }
    return rules;
}

} // namespace qms::sim
