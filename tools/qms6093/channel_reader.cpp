#include "channel_reader.h"

#include "device_session.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "text_table.h"
#include "tool_error.h"

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
    session.check(QmsReadDeviceParameters(session.handle(), QMS_BLOCK_RANGE_INDEX, 0, 8, indexes.data()),
                  "Reading the channels' stored ranges failed");
    std::array<const InputRange *, 8> ranges{};
    for (size_t i = 0; i < indexes.size(); ++i)
        ranges[i] = RangeOfIndex(indexes[i]);
    return ranges;
}

namespace {

// One plan per channel from the range given for all, or else from the channel's stored
// range (nullptr when the stored index names none); `make` checks the range and plans.
template <typename Make>
std::vector<ChannelPlan> PlanEach(DeviceSession &session, const std::vector<uint16_t> &channels,
                                  const InputRange *given, Make make)
{
    const auto stored = given ? std::array<const InputRange *, 8>{} : StoredRanges(session);
    std::vector<ChannelPlan> plans;
    for (uint16_t channel : channels)
        plans.push_back(make(channel, given ? given : stored[channel]));
    return plans;
}

std::string NoStoredRange(uint16_t channel, const char *remedy)
{
    return "channel " + std::to_string(channel) + " has no stored range; name one with " + remedy;
}

} // namespace

std::vector<ChannelPlan> ElectricalPlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                         const InputRange *range)
{
    return PlanEach(session, channels, range, [](uint16_t channel, const InputRange *use) {
        if (!use)
            throw BadArgument("--range", NoStoredRange(channel, "--range"));
        return Electrical(channel, use);
    });
}

std::vector<ChannelPlan> TemperaturePlans(DeviceSession &session, const std::vector<uint16_t> &channels,
                                          const InputRange *type)
{
    return PlanEach(session, channels, type, [](uint16_t channel, const InputRange *use) {
        if (!use || !use->thermocouple)
            throw BadArgument("--type", "channel " + std::to_string(channel) + " is set to " +
                                            (use ? use->name : std::string("no range")) +
                                            ", not a thermocouple; name its type with --type");
        return ChannelPlan{channel, use, true, false};
    });
}

std::vector<ChannelPlan> StoredPlans(DeviceSession &session, const std::vector<uint16_t> &channels)
{
    return PlanEach(session, channels, nullptr, [](uint16_t channel, const InputRange *use) {
        if (!use)
            throw BadArgument("--channel", NoStoredRange(channel, "--range or --type"));
        return use->thermocouple ? ChannelPlan{channel, use, true, false} : Electrical(channel, use);
    });
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
