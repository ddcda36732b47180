// The module's input ranges and thermocouple types by name, the temperature scales and the
// labels of the per-channel burn-out and 4-20 mA exception settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "qms6093.h"

namespace qms::cli {

// One row of the library's internal gain list that a channel can be set to: the voltage
// and current ranges (rows 0-7) and the thermocouple types J K S T B R E (rows 8-14).
struct InputRange {
    uint32_t index = 0;       // row: what the module stores as the channel's range index
    uint16_t code = 0;        // range code
    std::string name;         // "0-2.5V", "4-20mA", "K"
    float high = 0, low = 0;  // span in volts or milliamperes
    bool thermocouple = false;
    uint16_t tcType = 0;      // TcType of a thermocouple row

    bool current() const { return !thermocouple && (code & QMS_RANGE_CURRENT_BIT); }
};

// Rows 0-14 in table order, read from the library.
const std::vector<InputRange> &InputRanges();
// The row a channel's stored range index names; nullptr for an index outside 0-14.
const InputRange *RangeOfIndex(uint32_t index);
// The voltage or current range named `text` (case does not matter); with
// `allowThermocouple` also a thermocouple type. Throws a bad-argument error naming
// `argument` and the accepted names.
const InputRange &ParseRange(const std::string &text, const std::string &argument,
                             bool allowThermocouple);
// The thermocouple row of a type name (J K S T B R E).
const InputRange &ParseThermocouple(const std::string &text, const std::string &argument);

// Temperature scale: C, F, R or K.
struct Scale {
    uint16_t code;      // TempScale
    const char *unit;   // "°C"
};
Scale ParseScale(const std::string &text, const std::string &argument);

// Labels of the per-channel settings, as the device setting dialog shows them.
inline constexpr std::array<const char *, 5> kBurnoutLabels = {
    "Disable", "888888", "-888888", "Maximum value", "Minimum value"};
inline constexpr std::array<const char *, 3> kExceptionLabels = {"Upper limit", "Lower limit",
                                                                  "Last  value"};
std::string BurnoutLabel(uint32_t setting);
std::string ExceptionLabel(uint32_t setting);
// A setting by label, short name (disable, max, min; upper, lower, last) or index.
uint32_t ParseBurnout(const std::string &text, const std::string &argument);
uint32_t ParseException(const std::string &text, const std::string &argument);

} // namespace qms::cli
