#include "sim/analog_inputs.h"

namespace qms::sim {

AnalogInputs::AnalogInputs(const ModuleInputs &inputs,
                           const std::array<uint16_t, kChannelCount> &powerUpCodes, bool converting)
    : moduleCodes(powerUpCodes), converting(converting), inputs_(inputs), noise_(inputs.seed)
{
}

void AnalogInputs::setInputs(const ModuleInputs &inputs, bool reseed)
{
    inputs_ = inputs;
    if (reseed)
        noise_.seed(inputs.seed);
}

bool AnalogInputs::isOpen(size_t channel) const
{
    return inputs_.channels[channel].kind == SourceKind::Open;
}

std::optional<double> AnalogInputs::measureVolts(size_t channel)
{
    std::optional<double> v = terminalVolts(inputs_.channels[channel], inputs_.terminalC);
    if (v && inputs_.noiseUv > 0.0) {
        std::normal_distribution<double> gauss(0.0, inputs_.noiseUv * 1e-6);
        *v += gauss(noise_);
    }
    return v;
}

uint16_t AnalogInputs::convertOn(size_t channel, const InputRange &range, const CalibrationSet &calibration)
{
    const std::optional<double> v = measureVolts(channel);
    if (!v)
        return range.moduleCode == 0x001F ? 0 : 65535;
    return toReading(calibratedCode(calibration, range, idealCode(range, *v)));
}

uint16_t AnalogInputs::convert(size_t channel, const CalibrationSet &calibration)
{
    const std::optional<InputRange> range = findInputRange(moduleCodes[channel]);
    return range ? convertOn(channel, *range, calibration) : 0;
}

} // namespace qms::sim
