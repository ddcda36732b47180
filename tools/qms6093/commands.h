// The subcommands of qms6093 and their options, as the command line fills them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qms::cli {

// Where a command's result goes: one JSON document with --json, else text for people.
struct Output {
    bool json = false;
    void emit(const nlohmann::json &document, const std::string &human) const;
};

struct ReadOptions {
    uint32_t device = 0;
    std::string channels = "all";
    std::string range;
};

struct TempOptions {
    uint32_t device = 0;
    std::string channels;   // empty: the channels stored as thermocouples
    std::string type;       // empty: each channel's stored type
    std::string scale = "C";
};

struct DioOptions {
    uint32_t device = 0;
    std::string action;     // in, out, set, clear, write
    std::vector<std::string> values;
};

struct WatchOptions {
    uint32_t device = 0;
    std::string channels;
    std::string type;
    std::string range;
    std::string scale = "C";
    double interval = 1.0;
    std::optional<uint64_t> count;
    std::string duration;
    std::string csv;
};

struct CjcOptions {
    uint32_t device = 0;
    std::string action;     // measure, offset, reset
    std::string type;                 // measure: the calibrator's type, required
    std::optional<uint16_t> channel;  // measure: the channel it feeds, required
    std::optional<double> set;
};

struct ConfigOptions {
    uint32_t device = 0;
    std::optional<int64_t> boardId;
    std::vector<std::string> ranges;      // CHANNELS=NAME
    std::vector<std::string> burnouts;    // CHANNELS=SETTING
    std::vector<std::string> exceptions;  // CHANNELS=SETTING
    std::optional<std::string> label;
};

// Each returns the exit status; failures throw ToolError.
int RunList(const Output &out);
int RunVersion(const Output &out);
int RunForget(const Output &out, uint32_t device);
int RunInfo(const Output &out, uint32_t device, bool verbose);
int RunRead(const Output &out, const ReadOptions &options);
int RunTemp(const Output &out, const TempOptions &options);
int RunDio(const Output &out, const DioOptions &options);
int RunWatch(const Output &out, const WatchOptions &options);
int RunCjc(const Output &out, const CjcOptions &options);
int RunConfig(const Output &out, const ConfigOptions &options);

} // namespace qms::cli
