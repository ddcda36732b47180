// Conversion between the module's 16-bit readings and volts or milliamperes.
#pragma once

#include <cstdint>

namespace qms::api {

// What AIScale needs to turn a reading of a range into a value: the range's high end as the
// full-scale value, the maximum count and the offset count (0xC000 stands for -16384).
struct ScaleParameters {
    float fullScale;
    uint16_t maxCount;
    uint16_t offsetCount;
};

// The scale parameters of a range code; false for a code the internal gain list lacks.
bool ScaleOfRange(uint16_t rangeCode, ScaleParameters *scale);

// The code of a value v on a span [low, high]: truncate((v - low) x 65536 / (high - low)),
// limited to 0 to 65535.
uint16_t ValueToCode(float value, float high, float low);

} // namespace qms::api
