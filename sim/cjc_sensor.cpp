#include "sim/cjc_sensor.h"

#include "sim/calibration.h"

namespace qms::sim {

uint16_t CjcSensor::codeOf(double sensorCelsius)
{
    const double volts = (sensorCelsius + 273.15) * 0.001;
    return toReading(volts / 0.5 * 65536.0);
}

CjcReading CjcSensor::read(const ModuleInputs &inputs)
{
    if (invalidLeft_ > 0) {
        --invalidLeft_;
        return {0, false};
    }
    return {codeOf(inputs.terminalC + inputs.cjcErrorC), true};
}

} // namespace qms::sim
