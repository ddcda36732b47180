// Sentences for the result codes of the device API library, so that every failure reaches
// the user as words plus the number.
#pragma once

#include <cstdint>
#include <string>

namespace qms::cli {

// "<sentence> (code N)" for a code of the library's scheme: plain codes, device codes
// (device number x 4096 + 4096 + error index), driver codes (the same formula with the
// driver's mapped last error) and the module's own status words.
std::string DescribeCode(uint32_t code);

// The sentence alone, without the code.
std::string CodeSentence(uint32_t code);

// The small codes of the cold-junction measurement, which keep outside the scheme.
std::string DescribeCjcMeasureCode(int32_t code);

// The driver code of the calling thread's last error after a refused request on the
// stream device of this device number, mapped the way the library maps it.
uint32_t DriverCode(uint32_t deviceNumber, uint32_t lastError);

} // namespace qms::cli
