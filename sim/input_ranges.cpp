#include "sim/input_ranges.h"

#include <array>

namespace qms::sim {
namespace {

// Each front-end range once, by the range code the host configures it with.
constexpr std::array<InputRange, 14> kRanges{{
    {0x0008, 0.0, 0.015, "0-0.015V"},
    {0x000A, 0.0, 0.05, "0-0.050V"},
    {0x000B, 0.0, 0.1, "0-0.100V"},
    {0x000D, 0.0, 0.5, "0-0.500V"},
    {0x000E, 0.0, 1.0, "0-1.0V"},
    {0x000F, 0.0, 2.5, "0-2.5V"},
    {0x001F, 0.0, 2.4, "0-20mA/4-20mA"},
    {0x0012, -0.05, 0.05, "J"},
    {0x0022, -0.078, 0.078, "K/E"},
    {0x0028, 0.0, 0.019, "S"},
    {0x0011, -0.022, 0.022, "T"},
    {0x0018, 0.0, 0.015, "B"},
    {0x0019, 0.0, 0.022, "R"},
    {0x001D, 0.0, 0.5, "0-0.500V CJC"},
}};

// The thermocouple and CJC rows also have module codes of their own (0x80 | type, 0x100),
// which the calibration commands carry; they name the same front-end ranges.
struct Alias {
    uint16_t code;
    uint16_t rangeCode;
};
constexpr Alias kAliases[] = {{0x0080, 0x0012}, {0x0081, 0x0022}, {0x0082, 0x0028}, {0x0083, 0x0011},
                              {0x0084, 0x0018}, {0x0085, 0x0019}, {0x0086, 0x0022}, {0x0100, 0x001D}};

// Code the host configures each row of its internal gain list with, in row order: the range
// code, 0x1F for both current rows.
constexpr std::array<uint16_t, 17> kRowCodes{
    0x0008, 0x000A, 0x000B, 0x000D, 0x000E, 0x000F, 0x001F, 0x001F, 0x0012,
    0x0022, 0x0028, 0x0011, 0x0018, 0x0019, 0x0022, 0x001D, 0x001F};

constexpr char kTypeOrder[] = "JKSTBRE";

} // namespace

std::optional<InputRange> findInputRange(uint16_t moduleCode)
{
    for (const Alias &a : kAliases)
        if (a.code == moduleCode)
            moduleCode = a.rangeCode;
    for (const InputRange &r : kRanges)
        if (r.moduleCode == moduleCode)
            return r;
    return std::nullopt;
}

std::optional<uint16_t> moduleCodeOfRangeIndex(uint32_t rangeIndex)
{
    if (rangeIndex >= kRowCodes.size())
        return std::nullopt;
    return kRowCodes[rangeIndex];
}

std::optional<uint32_t> thermocoupleRangeIndex(char type)
{
    for (uint32_t i = 0; kTypeOrder[i] != '\0'; ++i)
        if (kTypeOrder[i] == type)
            return 8 + i;
    return std::nullopt;
}

} // namespace qms::sim
