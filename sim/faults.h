// Faults injected into chosen requests: a rule names the request (group, command, direction;
// any of them may be left out to match every value), which of its occurrences it hits (the
// n-th matching request since the rule was set, or every one) and what happens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/request.h"

namespace qms::sim {

enum class FaultKind {
    Stall,        // endpoint 0 stalls; the command is not carried out
    NoCompletion, // the module never answers; the command is not carried out
    Short,        // an IN reply stops after `value` bytes
    Status,       // the next status read IN(127,3) answers `value`
    BadEcho,      // the digital-I/O reply echoes `value` as its count
    DioError,     // the digital-I/O reply carries `value` as its device error
    Remove,       // the module goes away in the middle of the transfer
    Latency,      // the transfer takes `value` microseconds more
};

struct FaultRule {
    int group = -1;   // -1: any
    int command = -1; // -1: any
    std::optional<Direction> direction;
    uint32_t occurrence = 0; // 0: every matching request
    FaultKind kind = FaultKind::Stall;
    uint32_t value = 0;
    uint32_t matched = 0; // matching requests seen so far
};

struct FaultDecision {
    std::optional<FaultRule> fault; // the first rule that fires, latency rules aside
    uint32_t extraLatencyMicros = 0;
};

class FaultPlan {
public:
    void set(std::vector<FaultRule> rules) { rules_ = std::move(rules); }
    void add(std::vector<FaultRule> rules);
    void clear() { rules_.clear(); }
    // Counts the request against every rule and tells what happens to it.
    FaultDecision decide(const SetupPacket &setup);
    nlohmann::json toJson() const;

private:
    std::vector<FaultRule> rules_;
};

// Parses an array of fault rules; throws ScenarioError naming the field.
std::vector<FaultRule> parseFaultRules(const nlohmann::json &array, const std::string &path);

const char *faultKindName(FaultKind kind);

} // namespace qms::sim
