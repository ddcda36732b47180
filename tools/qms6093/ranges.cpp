#include "ranges.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "qms_text.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

constexpr uint32_t kSelectableRows = 15; // 8 voltage and current ranges, 7 thermocouples
constexpr uint32_t kFirstThermocoupleRow = 8;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::string Names(bool thermocouple)
{
    std::string names;
    for (const InputRange &range : InputRanges())
        if (range.thermocouple == thermocouple)
            names += (names.empty() ? "" : ", ") + range.name;
    return names;
}

template <size_t N>
uint32_t ParseLabel(const std::string &text, const std::string &argument,
                    const std::array<const char *, N> &labels,
                    std::initializer_list<std::pair<const char *, uint32_t>> aliases)
{
    const std::string key = Lower(text);
    for (uint32_t i = 0; i < N; ++i)
        if (key == Lower(labels[i]) || key == std::to_string(i))
            return i;
    for (const auto &[alias, value] : aliases)
        if (key == alias)
            return value;
    std::string accepted;
    for (uint32_t i = 0; i < N; ++i)
        accepted += (i ? ", " : "") + std::to_string(i) + " \"" + labels[i] + "\"";
    throw BadArgument(argument, "\"" + text + "\" is not a setting; use one of " + accepted);
}

} // namespace

const std::vector<InputRange> &InputRanges()
{
    static const std::vector<InputRange> ranges = [] {
        tagINTERNALGAINLIST rows[QMS_INTERNAL_GAIN_ROWS] = {};
        uint16_t count = 0;
        RetrieveAllGainInfo(0, rows, &count);
        std::vector<InputRange> list;
        for (uint32_t i = 0; i < std::min<uint32_t>(count, kSelectableRows); ++i) {
            InputRange range;
            range.index = i;
            range.code = static_cast<uint16_t>(rows[i].code);
            range.name = qms::Utf8(rows[i].name, std::size(rows[i].name));
            range.high = rows[i].high;
            range.low = rows[i].low;
            range.thermocouple = i >= kFirstThermocoupleRow;
            range.tcType = static_cast<uint16_t>(range.thermocouple ? i - kFirstThermocoupleRow : 0);
            list.push_back(range);
        }
        return list;
    }();
    return ranges;
}

const InputRange *RangeOfIndex(uint32_t index)
{
    const auto &ranges = InputRanges();
    return index < ranges.size() ? &ranges[index] : nullptr;
}

const InputRange &ParseRange(const std::string &text, const std::string &argument,
                             bool allowThermocouple)
{
    const std::string key = Lower(text);
    for (const InputRange &range : InputRanges())
        if ((allowThermocouple || !range.thermocouple) && key == Lower(range.name))
            return range;
    throw BadArgument(argument, "\"" + text + "\" is not an input range; ranges are " + Names(false) +
                                    (allowThermocouple ? "; thermocouple types " + Names(true) : ""));
}

const InputRange &ParseThermocouple(const std::string &text, const std::string &argument)
{
    const std::string key = Lower(text);
    for (const InputRange &range : InputRanges())
        if (range.thermocouple && key == Lower(range.name))
            return range;
    if (key == "n")
        throw BadArgument(argument, "type N has no input range on the USB-6093; types are " + Names(true));
    throw BadArgument(argument, "\"" + text + "\" is not a thermocouple type; types are " + Names(true));
}

Scale ParseScale(const std::string &text, const std::string &argument)
{
    const std::string key = Lower(text);
    if (key == "c" || key == "celsius")
        return {0, "°C"};
    if (key == "f" || key == "fahrenheit")
        return {1, "°F"};
    if (key == "r" || key == "rankine")
        return {2, "°R"};
    if (key == "k" || key == "kelvin")
        return {3, "K"};
    throw BadArgument(argument, "\"" + text + "\" is not a temperature scale; use C, F, R or K");
}

std::string BurnoutLabel(uint32_t setting)
{
    return setting < kBurnoutLabels.size() ? kBurnoutLabels[setting]
                                           : "value " + std::to_string(setting);
}

std::string ExceptionLabel(uint32_t setting)
{
    return setting < kExceptionLabels.size() ? kExceptionLabels[setting]
                                             : "value " + std::to_string(setting);
}

uint32_t ParseBurnout(const std::string &text, const std::string &argument)
{
    return ParseLabel(text, argument, kBurnoutLabels,
                      {{"off", 0}, {"max", 3}, {"maximum", 3}, {"min", 4}, {"minimum", 4}});
}

uint32_t ParseException(const std::string &text, const std::string &argument)
{
    return ParseLabel(text, argument, kExceptionLabels,
                      {{"upper", 0}, {"high", 0}, {"lower", 1}, {"low", 1}, {"last", 2}});
}

} // namespace qms::cli
