// qms6093 dio: the digital input and output lines.
#include <cstdio>

#include "commands.h"
#include "device_session.h"
#include "qms6093.h"
#include "text_table.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

// A byte written as decimal, 0x hex or 0b binary.
uint16_t ParseByte(const std::string &text, const std::string &argument, unsigned limit = 255)
{
    int base = 10;
    std::string digits = text;
    if (digits.size() > 2 && (digits.compare(0, 2, "0x") == 0 || digits.compare(0, 2, "0X") == 0)) {
        base = 16;
        digits = digits.substr(2);
    } else if (digits.size() > 2 && (digits.compare(0, 2, "0b") == 0 || digits.compare(0, 2, "0B") == 0)) {
        base = 2;
        digits = digits.substr(2);
    }
    size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(digits, &used, base);
    } catch (const std::exception &) {
        used = 0;
    }
    if (digits.empty() || used != digits.size() || digits[0] == '-' || digits[0] == '+' || value > limit)
        throw BadArgument(argument, "\"" + text + "\" is not a number from 0 to " + std::to_string(limit));
    return static_cast<uint16_t>(value);
}

int Show(const Output &out, uint32_t device, const char *port, uint16_t value)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", value);
    nlohmann::json lines = nlohmann::json::array();
    std::vector<std::string> cells = {port, hex};
    for (int bit = 7; bit >= 0; --bit)
        cells.push_back(std::to_string((value >> bit) & 1));
    for (int bit = 0; bit <= 7; ++bit)
        lines.push_back((value >> bit) & 1);
    TextTable table({"port", ">byte", ">7", ">6", ">5", ">4", ">3", ">2", ">1", ">0"});
    table.add(cells);
    out.emit({{"device", device}, {"port", port}, {"value", value}, {"lines", lines}}, table.render());
    return 0;
}

} // namespace

int RunDio(const Output &out, const DioOptions &options)
{
    const std::string &action = options.action;
    const size_t expected = action == "set" || action == "clear" ? 1 : action == "write" ? 2 : 0;
    if (action != "in" && action != "out" && !expected)
        throw BadArgument("ACTION", "\"" + action + "\" is not an action; use in, out, set, clear or write");
    if (options.values.size() != expected)
        throw BadArgument(action, expected == 1 ? "takes one BIT (0 to 7)"
                                  : expected == 2 ? "takes MASK and STATE (0 to 255 each)"
                                                  : "takes no values");
    uint16_t first = 0, second = 0;
    if (expected >= 1)
        first = ParseByte(options.values[0], expected == 1 ? "BIT" : "MASK", expected == 1 ? 7 : 255);
    if (expected == 2)
        second = ParseByte(options.values[1], "STATE");

    DeviceSession session(options.device);
    const uint32_t handle = session.handle();
    uint16_t value = 0;
    if (action == "in") {
        session.check(DioReadPortByte(handle, 0, &value), "Reading the digital inputs failed");
        return Show(out, session.number(), "in", value);
    }
    if (action == "set" || action == "clear")
        session.check(DioWriteBit(handle, 0, first, action == "set" ? 1 : 0),
                      "Writing digital output " + std::to_string(first) + " failed");
    else if (action == "write")
        session.check(DioWritePortByte(handle, 0, first, second), "Writing the digital outputs failed");
    session.check(DioGetCurrentDOByte(handle, 0, &value), "Reading the digital outputs failed");
    return Show(out, session.number(), "out", value);
}

} // namespace qms::cli
