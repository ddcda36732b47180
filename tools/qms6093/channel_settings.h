// The stored per-channel settings of a module (range, burn-out, 4-20 mA exception) as
// info and config show them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "ranges.h"

namespace qms::cli {

class DeviceSession;

struct ChannelSettings {
    std::array<const InputRange *, 8> ranges{};
    std::array<uint32_t, 8> burnout{};
    std::array<uint32_t, 8> exception{};
};

// Read afresh from the module.
ChannelSettings ReadChannelSettings(DeviceSession &session);
nlohmann::json ChannelSettingsJson(const ChannelSettings &settings);
std::string ChannelSettingsTable(const ChannelSettings &settings);

} // namespace qms::cli
