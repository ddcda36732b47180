// The code the calibration commands carry for a range named in the wizard's list.
#pragma once

#include <cstdint>
#include <string>

namespace qms::api::ui {

// The first of the voltage and current ranges with exactly this name (the row after them
// when none has it): its module code where it has one, else its range code. "0-20mA" gives
// 0x1F, the code of the combined current calibration.
uint16_t CalibrationCodeOf(const std::u16string &rangeName);

} // namespace qms::api::ui
