// Reading channels: what each listed channel is read as (a voltage or current range, a
// thermocouple's EMF, or a thermocouple temperature) and one reading of it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ranges.h"

namespace qms::cli {

class DeviceSession;

struct ChannelPlan {
    uint16_t channel = 0;
    const InputRange *range = nullptr; // the range read in
    bool temperature = false;          // a thermocouple read as a temperature
    bool configure = false;            // set the channel to the range before each reading
};

struct Reading {
    uint16_t channel = 0;
    std::string label;     // range name or thermocouple type
    double value = 0;      // in `unit`, rounded to `decimals`
    std::string unit;
    int decimals = 0;
    bool burnout = false;  // thermocouple open; value is what the burn-out setting reports

    std::string valueText() const;   // "250.03", or "open" for a burn-out
    nlohmann::json json() const;
};

// The stored range of every channel (parameter block 0x210); nullptr for an index that
// names no selectable range.
std::array<const InputRange *, 8> StoredRanges(DeviceSession &session);

// Voltage and current: each channel in `range`, or in its stored range (a channel stored as
// a thermocouple gives its EMF in millivolts).
std::vector<ChannelPlan> ElectricalPlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                         const InputRange *range);
// Temperatures: each channel as a thermocouple of `type`, or of its stored type; a channel
// stored as a voltage or current range without a type throws a bad-argument error.
std::vector<ChannelPlan> TemperaturePlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                          const InputRange *type);
// Each channel as it is stored: thermocouples as temperatures, the others electrically.
std::vector<ChannelPlan> StoredPlans(DeviceSession &session, const std::vector<uint16_t> &channels);
// The channels stored as thermocouples.
std::vector<uint16_t> ThermocoupleChannels(DeviceSession &session);

class ChannelReader {
public:
    ChannelReader(DeviceSession &session, Scale scale) : session_(session), scale_(scale) {}
    // One reading; a refusal throws a device error with the dialog's text for it.
    Reading read(const ChannelPlan &plan);

private:
    DeviceSession &session_;
    Scale scale_;
};

} // namespace qms::cli
