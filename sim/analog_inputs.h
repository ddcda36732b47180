// The module's eight analog inputs and its A/D conversion: each channel's configured range,
// the conversion state, the scan the host asked for and the noise on the inputs.
//
// An input's voltage is converted on the channel's range to a 16-bit code over the range's
// span (see calibration.h for the correction), rounded to the nearest code and held within
// 0 to 65535. An open input reads 65535 on every voltage and thermocouple range, where the
// burn-out current drives it to positive full scale, and 0 on the current range, where no
// loop current flows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>

#include "sim/calibration.h"
#include "sim/scenario.h"

namespace qms::sim {

struct ScanRequest {
    uint16_t start = 0; // 0 to 8; channel of position i is (start + i) mod 8
    uint16_t count = 0; // 1 to 8
    uint16_t mode = 0;  // recorded, no effect
    uint32_t pollsBeforeReady = 0;
};

class AnalogInputs {
public:
    AnalogInputs(const ModuleInputs &inputs, const std::array<uint16_t, kChannelCount> &powerUpCodes,
                 bool converting);

    void setInputs(const ModuleInputs &inputs, bool reseed);
    const ModuleInputs &inputs() const { return inputs_; }

    // Configured module code per channel.
    std::array<uint16_t, kChannelCount> moduleCodes;
    bool converting;
    std::optional<ScanRequest> scan;

    // Converts one channel on its configured range (noise included).
    uint16_t convert(size_t channel, const CalibrationSet &calibration);
    // Converts one channel on the given range.
    uint16_t convertOn(size_t channel, const InputRange &range, const CalibrationSet &calibration);
    // The voltage the A/D sees on a channel now, noise included; none when the input is open.
    std::optional<double> measureVolts(size_t channel);
    bool isOpen(size_t channel) const;

private:
    ModuleInputs inputs_;
    std::mt19937_64 noise_;
};

} // namespace qms::sim
