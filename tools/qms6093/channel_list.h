// Channel lists as users write them: "3", "0-7", "0,3,5-6", "all".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qms::cli {

constexpr uint16_t kChannelCount = 8;

// The channels in the order given, each once. A channel outside 0-7 or text that is not a
// list throws a bad-argument error naming `argument`.
std::vector<uint16_t> ParseChannelList(const std::string &text, const std::string &argument);

} // namespace qms::cli
