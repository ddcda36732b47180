// Gain and offset calibration of the analog front end, one pair per input range.
//
// A conversion first computes the ideal code of the input, (V - low) / (high - low) * 65536,
// then corrects it: code = zeroCode + gain * (ideal - zeroRaw), where zeroCode is the ideal
// code of 0 V on that range. Factory values (gain 1, zeroRaw = zeroCode) leave the ideal code
// as it is.
//
// The zero command takes the signal on input 0 as 0 V and the full-scale command takes it as
// the range's high end; both change the working calibration at once. "Fix" copies one range's
// working calibration to the saved calibration, "complete" copies every range's; "reset"
// brings every range back to the saved calibration, which is the factory calibration until
// something was fixed or completed. Both sets are kept in the module's non-volatile memory.
#pragma once

#include <cstdint>
#include <map>

#include <nlohmann/json.hpp>

#include "sim/input_ranges.h"

namespace qms::sim {

struct RangeCalibration {
    double zeroRaw = 0.0; // ideal code read when the zero reference was applied
    double gain = 1.0;

    bool operator==(const RangeCalibration &) const = default;
};

struct CalibrationSet {
    std::map<uint16_t, RangeCalibration> working; // ranges absent here use factory values
    std::map<uint16_t, RangeCalibration> saved;

    bool operator==(const CalibrationSet &) const = default;
};

// Ideal code of a voltage on a range, before calibration and rounding.
double idealCode(const InputRange &range, double volts);

// The corrected code of an ideal code, before rounding and clamping.
double calibratedCode(const CalibrationSet &set, const InputRange &range, double ideal);

// The 16-bit reading: rounded to the nearest code and held within 0 to 65535.
uint16_t toReading(double code);

// Calibration steps; each returns a device status word (0 when taken).
uint32_t calibrateZero(CalibrationSet &set, const InputRange &range, double inputVolts);
uint32_t calibrateFull(CalibrationSet &set, const InputRange &range, double inputVolts);
void resetCalibration(CalibrationSet &set);
void fixCalibration(CalibrationSet &set, uint16_t moduleCode);
void completeCalibration(CalibrationSet &set);

nlohmann::json calibrationToJson(const std::map<uint16_t, RangeCalibration> &ranges);
std::map<uint16_t, RangeCalibration> calibrationFromJson(const nlohmann::json &j);

} // namespace qms::sim
