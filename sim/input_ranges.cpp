#include "sim/input_ranges.h"

#include <array>
#include <utility>

namespace qms::sim {
namespace {

constexpr std::array<InputRange, 15> kRanges{{
    {0x0008, 0.0, 0.015, "0-0.015V"},
    {0x000A, 0.0, 0.05, "0-0.050V"},
    {0x000B, 0.0, 0.1, "0-0.100V"},
    {0x000D, 0.0, 0.5, "0-0.500V"},
    {0x000E, 0.0, 1.0, "0-1.0V"},
    {0x000F, 0.0, 2.5, "0-2.5V"},
    {0x001F, 0.0, 2.4, "0-20mA/4-20mA"},
    {0x0080, -0.05, 0.05, "J"},
    {0x0081, -0.078, 0.078, "K"},
    {0x0082, 0.0, 0.019, "S"},
    {0x0083, -0.022, 0.022, "T"},
    {0x0084, 0.0, 0.015, "B"},
    {0x0085, 0.0, 0.022, "R"},
    {0x0086, -0.078, 0.078, "E"},
    {0x0100, 0.0, 0.5, "0-0.500V CJC"},
}};

// Module code of each row of the host's internal gain list, in row order.
constexpr std::array<uint16_t, 17> kRowModuleCodes{
    0x0008, 0x000A, 0x000B, 0x000D, 0x000E, 0x000F, 0x001F, 0x001F, 0x0080,
    0x0081, 0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x0100, 0x001F};

constexpr char kTypeOrder[] = "JKSTBRE";

// The host configures a thermocouple channel with its row's range code (J 0x0012, K and E
// 0x0022, S 0x0028, T 0x0011, B 0x0018, R 0x0019) and calibrates it with the row's module
// code (0x80 | type): the front end answers to both.
constexpr std::array<std::pair<uint16_t, uint16_t>, 6> kThermocoupleRangeCodes{{
    {0x0012, 0x0080}, {0x0022, 0x0081}, {0x0028, 0x0082},
    {0x0011, 0x0083}, {0x0018, 0x0084}, {0x0019, 0x0085}}};

} // namespace

std::optional<InputRange> findInputRange(uint16_t moduleCode)
{
    for (const InputRange &r : kRanges)
        if (r.moduleCode == moduleCode)
            return r;
    for (const auto &[rangeCode, thermocoupleCode] : kThermocoupleRangeCodes)
        if (rangeCode == moduleCode)
            return findInputRange(thermocoupleCode);
    return std::nullopt;
}

std::optional<uint16_t> moduleCodeOfRangeIndex(uint32_t rangeIndex)
{
    if (rangeIndex >= kRowModuleCodes.size())
        return std::nullopt;
    return kRowModuleCodes[rangeIndex];
}

std::optional<uint32_t> thermocoupleRangeIndex(char type)
{
    for (uint32_t i = 0; kTypeOrder[i] != '\0'; ++i)
        if (kTypeOrder[i] == type)
            return 8 + i;
    return std::nullopt;
}

} // namespace qms::sim
