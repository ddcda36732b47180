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

// Whether a reading is a measurement: a thermocouple open (burn-out), an input at the end of
// its range, or a temperature beyond what its type's conversion covers are not, though the
// reading happened.
enum class ReadingStatus { Ok, Burnout, OverRange, OutOfRange };

struct Reading {
    uint16_t channel = 0;
    std::string label;     // range name or thermocouple type
    double value = 0;      // in `unit`, rounded to `decimals`; what was reported when not Ok
    std::string unit;
    int decimals = 0;
    bool temperature = false;
    ReadingStatus status = ReadingStatus::Ok;
    std::string limits;    // not Ok: the range or span the value is at or beyond

    bool measured() const { return status == ReadingStatus::Ok; }
    const char *statusName() const;  // "ok", "burnout", "over_range", "out_of_range"
    std::string valueText() const;   // "250.03", or "open", "over", "out"
    std::string note() const;        // "" for a measurement, else what the value is
    // {"channel", "range", "value" (null when not measured), "unit", "status"}, "reported"
    // beside a null value, and "burnout" for temperatures.
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
    // One reading of each plan, in their order; a refusal throws a device error with the
    // dialog's text for it. Thermocouples on neighbouring channels are read in one scan.
    std::vector<Reading> readAll(const std::vector<ChannelPlan> &plans);

private:
    Reading read(const ChannelPlan &plan);
    // Plans [first, first + count), thermocouples on channels that follow one another.
    void scan(const ChannelPlan *first, size_t count, std::vector<Reading> &readings);
    Reading temperature(const ChannelPlan &plan, float value, bool burnout) const;

    DeviceSession &session_;
    Scale scale_;
};

} // namespace qms::cli
