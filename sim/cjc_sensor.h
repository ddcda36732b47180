// The cold-junction sensor on the terminal block: 1 mV per kelvin, converted over the
// 0 to 0.5 V span of the CJC range. It reads high by the scenario's sensor error. The first
// readings after a conversion start (and after power-up) are not yet valid.
#pragma once

#include <cstdint>

#include "sim/scenario.h"

namespace qms::sim {

struct CjcReading {
    uint16_t code;
    bool valid;
};

class CjcSensor {
public:
    explicit CjcSensor(uint32_t invalidReads) : invalidLeft_(invalidReads) {}
    void conversionStarted(uint32_t invalidReads) { invalidLeft_ = invalidReads; }
    CjcReading read(const ModuleInputs &inputs);
    static uint16_t codeOf(double sensorCelsius);

private:
    uint32_t invalidLeft_;
};

} // namespace qms::sim
