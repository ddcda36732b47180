#include "tools/qms6093/channel_reader.h"

#include "qms6093.h"
#include "tools/qms6093/device_session.h"
#include "tools/qms6093/text_table.h"
#include "tools/qms6093/tool_error.h"

namespace qms::cli {

namespace {

constexpr int kTemperatureDecimals = 2;
constexpr int kMilliDecimals = 4;
constexpr int kVoltDecimals = 6;

ChannelPlan Electrical(uint16_t channel, const InputRange *range)
{
    // A thermocouple range cannot be set through the analog configuration; its channel is
    // read in the range the module holds for it.
    return {channel, range, false, !range->thermocouple};
}

} // namespace

std::string Reading::valueText() const
{
    return burnout ? "open" : FormatFixed(value, decimals);
}

nlohmann::json Reading::json() const
{
    nlohmann::json j = {{"channel", channel}, {"range", label}, {"value", value}, {"unit", unit}};
    if (unit.find("°") != std::string::npos || unit == "K")
        j["burnout"] = burnout;
    return j;
}

std::array<const InputRange *, 8> StoredRanges(DeviceSession &session)
{
    std::array<uint32_t, 8> indexes{};
    session.check(session.port().readBlock(0x210, indexes), "Reading the channels' stored ranges failed");
    std::array<const InputRange *, 8> ranges{};
    for (size_t i = 0; i < indexes.size(); ++i)
        ranges[i] = RangeOfIndex(indexes[i]);
    return ranges;
}

std::vector<ChannelPlan> ElectricalPlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                         const InputRange *range)
{
    std::vector<ChannelPlan> plans;
    const auto stored = range ? std::array<const InputRange *, 8>{} : StoredRanges(session);
    for (uint16_t channel : channels) {
        const InputRange *use = range ? range : stored[channel];
        if (!use)
            throw BadArgument("--range", "channel " + std::to_string(channel) +
                                             " has no stored range; name one with --range");
        plans.push_back(Electrical(channel, use));
    }
    return plans;
}

std::vector<ChannelPlan> TemperaturePlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                          const InputRange *type)
{
    std::vector<ChannelPlan> plans;
    const auto stored = type ? std::array<const InputRange *, 8>{} : StoredRanges(session);
    for (uint16_t channel : channels) {
        const InputRange *use = type ? type : stored[channel];
        if (!use || !use->thermocouple)
            throw BadArgument("--type", "channel " + std::to_string(channel) + " is set to " +
                                            (use ? use->name : std::string("no range")) +
                                            ", not a thermocouple; name its type with --type");
        plans.push_back({channel, use, true, false});
    }
    return plans;
}

std::vector<ChannelPlan> StoredPlans(DeviceSession &session, const std::vector<uint16_t> &channels)
{
    std::vector<ChannelPlan> plans;
    const auto stored = StoredRanges(session);
    for (uint16_t channel : channels) {
        const InputRange *use = stored[channel];
        if (!use)
            throw BadArgument("--channel", "channel " + std::to_string(channel) +
                                               " has no stored range; name one with --range or --type");
        plans.push_back(use->thermocouple ? ChannelPlan{channel, use, true, false} : Electrical(channel, use));
    }
    return plans;
}

std::vector<uint16_t> ThermocoupleChannels(DeviceSession &session)
{
    std::vector<uint16_t> channels;
    const auto stored = StoredRanges(session);
    for (uint16_t channel = 0; channel < stored.size(); ++channel)
        if (stored[channel] && stored[channel]->thermocouple)
            channels.push_back(channel);
    return channels;
}

Reading ChannelReader::read(const ChannelPlan &plan)
{
    Reading reading;
    reading.channel = plan.channel;
    reading.label = plan.range->name;
    const uint32_t handle = session_.handle();
    float value = 0;
    if (plan.temperature) {
        const uint32_t code = TCMuxRead(handle, plan.channel, 0, 0, plan.range->tcType, scale_.code, &value);
        reading.burnout = code == QmsDeviceCode(session_.number(), QMS_ERRIDX_BURNOUT);
        if (code != 0 && !reading.burnout)
            session_.check(code, "Read temperature failed.");
        reading.unit = scale_.unit;
        reading.decimals = kTemperatureDecimals;
        reading.value = Rounded(value, reading.decimals);
        return reading;
    }
    if (plan.configure)
        session_.check(AIConfig(handle, plan.channel, plan.range->code), "Configure AI failed.");
    session_.check(AIVoltageIn(handle, plan.channel, plan.range->code, 0, &value), "Read AI data failed.");
    double shown = value;
    if (plan.range->current()) {
        reading.unit = "mA";
        reading.decimals = kMilliDecimals;
    } else if (plan.range->thermocouple || plan.range->high < 1.0f) {
        shown = value * 1000.0;
        reading.unit = "mV";
        reading.decimals = kMilliDecimals;
    } else {
        reading.unit = "V";
        reading.decimals = kVoltDecimals;
    }
    reading.value = Rounded(shown, reading.decimals);
    return reading;
}

} // namespace qms::cli
