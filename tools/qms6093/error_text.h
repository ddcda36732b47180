// Words for the result codes of the device API library, so that every failure reaches the
// user as a sentence plus the number. The sentences are the library's own (QmsErrorText).
#pragma once

#include <cstdint>
#include <string>

namespace qms::cli {

// "<sentence> (code N)" for a code the library returned. The device the code carries is not
// repeated: the user sees it beside the message.
std::string DescribeCode(uint32_t code);

// The sentence alone, without the code.
std::string CodeSentence(uint32_t code);

// The small codes of the cold-junction measurement, which keep outside the scheme.
std::string DescribeCjcMeasureCode(int32_t code);

} // namespace qms::cli
