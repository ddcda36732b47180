// The input ranges of the module's analog front end, by the code the host configures a
// channel with: the range code of a row of its internal gain list (thermocouple rows
// included), 0x1F for both current ranges. The module codes of the thermocouple and CJC rows
// (0x80 | type, 0x100), which the calibration commands carry, name the same ranges. Every
// range is a span of volts at the input terminals: the current range measures the voltage
// across the 120 ohm shunt, so 0 to 20 mA is 0 to 2.4 V.
#pragma once

#include <cstdint>
#include <optional>

namespace qms::sim {

struct InputRange {
    uint16_t moduleCode; // the range code that stands for the range; calibration is kept by it
    double low;  // volts at code 0
    double high; // volts at code 65536
    const char *name;
};

constexpr double kShuntOhms = 120.0;

// The range the module converts with for a code, or none for a code it does not know.
std::optional<InputRange> findInputRange(uint16_t moduleCode);

// The code of the range that a stored range index (row of the host's internal gain list,
// block 0x210) stands for; none for an index outside the 17 rows.
std::optional<uint16_t> moduleCodeOfRangeIndex(uint32_t rangeIndex);

// The row of the internal gain list that names a thermocouple type's range, by type letter.
std::optional<uint32_t> thermocoupleRangeIndex(char type);

} // namespace qms::sim
