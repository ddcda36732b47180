#include "sim/calibration.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/device_status.h"

namespace qms::sim {
namespace {

// A calibration signal further than this share of the span from its reference is refused:
// the user wired the wrong source.
constexpr double kSignalTolerance = 0.05;

double zeroCodeOf(const InputRange &range) { return idealCode(range, 0.0); }

RangeCalibration current(const std::map<uint16_t, RangeCalibration> &set, const InputRange &range)
{
    auto it = set.find(range.moduleCode);
    if (it != set.end())
        return it->second;
    return RangeCalibration{zeroCodeOf(range), 1.0};
}

bool nearReference(const InputRange &range, double volts, double reference)
{
    return std::isfinite(volts) &&
           std::fabs(volts - reference) <= kSignalTolerance * (range.high - range.low);
}

} // namespace

double idealCode(const InputRange &range, double volts)
{
    return (volts - range.low) / (range.high - range.low) * 65536.0;
}

double calibratedCode(const CalibrationSet &set, const InputRange &range, double ideal)
{
    auto it = set.working.find(range.moduleCode);
    if (it == set.working.end())
        return ideal; // factory calibration
    return zeroCodeOf(range) + it->second.gain * (ideal - it->second.zeroRaw);
}

uint16_t toReading(double code)
{
    if (!(code > 0.0)) // also NaN
        return 0;
    const double rounded = std::floor(code + 0.5);
    return rounded >= 65535.0 ? 65535 : static_cast<uint16_t>(rounded);
}

uint32_t calibrateZero(CalibrationSet &set, const InputRange &range, double inputVolts)
{
    if (!nearReference(range, inputVolts, 0.0))
        return StatusBadSignal;
    RangeCalibration cal = current(set.working, range);
    cal.zeroRaw = idealCode(range, inputVolts);
    set.working[range.moduleCode] = cal;
    return StatusOk;
}

uint32_t calibrateFull(CalibrationSet &set, const InputRange &range, double inputVolts)
{
    if (!nearReference(range, inputVolts, range.high))
        return StatusBadSignal;
    RangeCalibration cal = current(set.working, range);
    const double measuredSpan = idealCode(range, inputVolts) - cal.zeroRaw;
    if (measuredSpan < 0.5 * (idealCode(range, range.high) - zeroCodeOf(range)))
        return StatusBadSignal; // zero and full scale too close: the zero step was wrong
    cal.gain = (idealCode(range, range.high) - zeroCodeOf(range)) / measuredSpan;
    set.working[range.moduleCode] = cal;
    return StatusOk;
}

void resetCalibration(CalibrationSet &set) { set.working = set.saved; }

void fixCalibration(CalibrationSet &set, uint16_t moduleCode)
{
    auto it = set.working.find(moduleCode);
    if (it == set.working.end())
        set.saved.erase(moduleCode);
    else
        set.saved[moduleCode] = it->second;
}

void completeCalibration(CalibrationSet &set) { set.saved = set.working; }

nlohmann::json calibrationToJson(const std::map<uint16_t, RangeCalibration> &ranges)
{
    nlohmann::json j = nlohmann::json::object();
    for (const auto &[code, cal] : ranges) {
        char key[8];
        std::snprintf(key, sizeof key, "0x%02X", code);
        j[key] = {{"zero_raw", cal.zeroRaw}, {"gain", cal.gain}};
    }
    return j;
}

std::map<uint16_t, RangeCalibration> calibrationFromJson(const nlohmann::json &j)
{
    std::map<uint16_t, RangeCalibration> ranges;
    if (!j.is_object())
        return ranges;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const unsigned long code = std::strtoul(it.key().c_str(), nullptr, 0);
        if (!findInputRange(static_cast<uint16_t>(code)) || !it->is_object())
            continue;
        RangeCalibration cal;
        cal.zeroRaw = it->value("zero_raw", 0.0);
        cal.gain = it->value("gain", 1.0);
        ranges[static_cast<uint16_t>(code)] = cal;
    }
    return ranges;
}

} // namespace qms::sim
