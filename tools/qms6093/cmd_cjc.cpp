// qms6093 cjc: the cold-junction offset of a module: measure it, show or set it, reset it.
#include <cmath>
#include <cstdio>

#include "channel_list.h"
#include "commands.h"
#include "device_session.h"
#include "error_text.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "ranges.h"
#include "text_table.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

std::string Hex(uint16_t code)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", code);
    return text;
}

// The module's active offset, as the library reads it.
uint16_t ReadOffset(DeviceSession &session, float &celsius)
{
    uint16_t code = 0;
    session.check(QmsReadCJCOffset(session.handle(), &celsius, &code), "Reading the CJC offset failed");
    return code;
}

int ShowOffset(const Output &out, DeviceSession &session, const char *action, const std::string &prefix)
{
    float celsius = 0;
    const uint16_t code = ReadOffset(session, celsius);
    const double offset = Rounded(celsius, 2);
    out.emit({{"device", session.number()}, {"action", action}, {"offset_c", offset}, {"offset_code", code}},
             prefix + "CJC offset: " + FormatFixed(offset, 2) + " °C (code " + Hex(code) + ")\n");
    return 0;
}

// The reference temperature of each type's calibrator (J K S T B R E); B has none.
constexpr int kReferenceCelsius[] = {380, 685, 1125, 150, 0, 1125, 500};
constexpr int32_t kMeasureBeyondOffset = 9;

int Measure(const Output &out, DeviceSession &session, const InputRange &type, uint16_t channel)
{
    const std::string reference = std::to_string(kReferenceCelsius[type.tcType]) + " °C";
    float before = 0;
    const uint16_t beforeCode = ReadOffset(session, before);
    // Said before anything is stored: where the error is measured, against what, and what
    // becomes of it.
    if (!out.json)
        std::printf("Measuring the CJC error on channel %u against a type %s calibrator at %s.\n"
                    "The error found becomes the module's reference offset (now %s °C, code %s)\n"
                    "if it lies within -10 to +10 °C; otherwise nothing is stored.\n",
                    channel, type.name.c_str(), reference.c_str(), FormatFixed(Rounded(before, 2), 2).c_str(),
                    Hex(beforeCode).c_str());
    std::fflush(stdout);
    float error = 0;
    const int32_t code = MeasureCJCError(session.handle(), type.tcType, channel, &error);
    // The measurement leaves the conversion reset, refused or not: readings go on after it.
    const uint32_t started = StartAIConversion(session.handle());
    const std::string subject = "device " + std::to_string(session.number());
    if (code == kMeasureBeyondOffset)
        throw ToolError(ExitDeviceError, subject,
                        "channel " + std::to_string(channel) + " gives a CJC error of " +
                            FormatFixed(Rounded(error, 2), 2) + " °C, beyond what the offset holds (-10 to +10 °C); " +
                            "is a type " + type.name + " calibrator at " + reference + " on channel " +
                            std::to_string(channel) + "? Nothing was stored (code 9)",
                        static_cast<uint32_t>(code));
    if (code != 0)
        throw ToolError(ExitDeviceError, subject,
                        "Measuring the CJC error on channel " + std::to_string(channel) +
                            " failed: " + DescribeCjcMeasureCode(code),
                        static_cast<uint32_t>(code));
    session.check(started, "Start AD failed, try again or re-install the device");
    // What the module took, as it reports it now.
    float stored = 0;
    const uint16_t offsetCode = ReadOffset(session, stored);
    const double shown = Rounded(error, 2);
    out.emit({{"device", session.number()},
              {"action", "measure"},
              {"channel", channel},
              {"type", type.name},
              {"error_c", shown},
              {"offset_code", offsetCode},
              {"previous_offset_code", beforeCode}},
             "CJC error: " + FormatFixed(shown, 2) + " °C; stored as the module's reference offset, code " +
                 Hex(offsetCode) + " (was " + Hex(beforeCode) + ")\n");
    return 0;
}

int SetOffset(const Output &out, DeviceSession &session, double celsius)
{
    const uint32_t handle = session.handle();
    session.check(ResetAIConversion(handle), "Reset AD failed, try again or re-install the device");
    const uint32_t written = QmsWriteCJCOffset(handle, static_cast<float>(celsius));
    const uint32_t started = StartAIConversion(handle);
    session.check(written, "Save Parameters Error");
    session.check(started, "Start AD failed, try again or re-install the device");
    return ShowOffset(out, session, "offset", "");
}

int Reset(const Output &out, DeviceSession &session)
{
    const uint32_t handle = session.handle();
    session.check(ResetAIConversion(handle), "Reset initialization failed");
    const uint32_t reset = QmsResetCJCOffset(handle);
    const uint32_t started = StartAIConversion(handle);
    session.check(reset, "CJC Offset Settings Reset failed");
    session.check(started, "Start AD failed, Please re-install the device");
    return ShowOffset(out, session, "reset", "CJC Offset Settings Reset Complete\n");
}

} // namespace

int RunCjc(const Output &out, const CjcOptions &options)
{
    const std::string &action = options.action;
    if (action != "measure" && action != "offset" && action != "reset")
        throw BadArgument("ACTION", "\"" + action + "\" is not an action; use measure, offset or reset");
    if (action == "measure" && (options.type.empty() || !options.channel))
        throw BadArgument(options.type.empty() ? "--type" : "--channel",
                          "cjc measure needs the channel the calibrator feeds and its type, as in "
                          "`qms6093 cjc measure -c 5 -t K`");
    const InputRange &type = ParseThermocouple(options.type.empty() ? "K" : options.type, "--type");
    if (action == "measure" && type.tcType == TC_TYPE_B)
        throw BadArgument("--type", "type B cannot measure the CJC error (its EMF is flat near room temperature); "
                                    "use a calibrator of type J, K, S, T, R or E");
    if (options.channel && *options.channel >= kChannelCount)
        throw BadArgument("--channel", "channel " + std::to_string(*options.channel) +
                                           " does not exist; the module has channels 0 to 7");
    if (options.set && (!std::isfinite(*options.set) || *options.set < -10.0 || *options.set > 10.0))
        throw BadArgument("--set", "the CJC offset must lie between -10.00 and 10.00 °C");
    if (options.set && action != "offset")
        throw BadArgument("--set", "goes with `cjc offset` only");

    DeviceSession session(options.device);
    if (action == "measure")
        return Measure(out, session, type, *options.channel);
    if (action == "reset")
        return Reset(out, session);
    if (options.set)
        return SetOffset(out, session, *options.set);
    return ShowOffset(out, session, "offset", "");
}

} // namespace qms::cli
