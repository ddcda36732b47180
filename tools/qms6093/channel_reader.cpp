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

const char *Reading::statusName() const
{
    switch (status) {
    case ReadingStatus::Ok:
        return "ok";
    case ReadingStatus::Burnout:
        return "burnout";
    case ReadingStatus::OverRange:
        return "over_range";
    case ReadingStatus::OutOfRange:
        return "out_of_range";
    }
    return "ok";
}

std::string Reading::valueText() const
{
    switch (status) {
    case ReadingStatus::Ok:
        break;
    case ReadingStatus::Burnout:
        return "open";
    case ReadingStatus::OverRange:
        return "over";
    case ReadingStatus::OutOfRange:
        return "out";
    }
    return FormatFixed(value, decimals);
}

std::string Reading::note() const
{
    const std::string reported = FormatFixed(value, decimals) + " " + unit;
    switch (status) {
    case ReadingStatus::Ok:
        break;
    case ReadingStatus::Burnout:
        return "thermocouple open (burn-out; reports " + reported + ")";
    case ReadingStatus::OverRange:
        return "over range (reads " + reported + ", the end of " + limits + ")";
    case ReadingStatus::OutOfRange:
        return "out of range (" + reported + " is beyond type " + label + "'s " + limits + ")";
    }
    return "";
}

nlohmann::json Reading::json() const
{
    nlohmann::json j = {{"channel", channel}, {"range", label}, {"value", nullptr}, {"unit", unit},
                        {"status", statusName()}};
    if (measured())
        j["value"] = value;
    else
        j["reported"] = value;
    if (temperature)
        j["burnout"] = status == ReadingStatus::Burnout;
    return j;
}

namespace {

// Where each type's conversion to a temperature holds (J K S T B R E), in degrees Celsius:
// beyond it a reading is an extrapolation, no temperature. The conversion from EMF starts
// at 250 °C for type B.
struct ConvertibleSpan {
    float low, high;
};
constexpr ConvertibleSpan kConvertible[] = {
    {.low = -210.0f, .high = 1200.0f}, {.low = -200.0f, .high = 1372.0f}, {.low = -50.0f, .high = 1768.1f},
    {.low = -200.0f, .high = 400.0f},  {.low = 250.0f, .high = 1820.0f},  {.low = -50.0f, .high = 1768.1f},
    {.low = -200.0f, .high = 1000.0f},
};

// An input within two A/D codes of its range's top end: the converter is at full scale, the
// input may be anywhere above.
bool AtFullScale(double value, const InputRange &range)
{
    return value >= range.high - 2.0 * range.high / 65536.0;
}

} // namespace

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

Reading ChannelReader::temperature(const ChannelPlan &plan, float value, bool burnout) const
{
    Reading reading;
    reading.channel = plan.channel;
    reading.label = plan.range->name;
    reading.temperature = true;
    reading.unit = scale_.unit;
    reading.decimals = kTemperatureDecimals;
    reading.value = Rounded(value, reading.decimals);
    if (burnout) {
        reading.status = ReadingStatus::Burnout;
        return reading;
    }
    const ConvertibleSpan &span = kConvertible[plan.range->tcType];
    const float low = QmsConvertTempScale(span.low, scale_.code);
    const float high = QmsConvertTempScale(span.high, scale_.code);
    if (!(value >= low && value <= high)) {
        reading.status = ReadingStatus::OutOfRange;
        reading.limits = FormatFixed(Rounded(low, 1), 1) + " to " + FormatFixed(Rounded(high, 1), 1) + " " + scale_.unit;
    }
    return reading;
}

void ChannelReader::scan(const ChannelPlan *first, size_t count, std::vector<Reading> &readings)
{
    std::array<uint16_t, 8> types{};
    std::array<float, 8> values{};
    std::array<uint32_t, 8> status{};
    for (size_t i = 0; i < count; ++i)
        types[i] = first[i].range->tcType;
    session_.check(QmsTcScan(session_.handle(), first->channel, static_cast<uint16_t>(count), types.data(),
                             scale_.code, values.data(), status.data()),
                   "Read temperature failed.");
    for (size_t i = 0; i < count; ++i)
        readings.push_back(temperature(first[i], values[i], status[i] == QMS_TC_BURNOUT));
}

std::vector<Reading> ChannelReader::readAll(const std::vector<ChannelPlan> &plans)
{
    std::vector<Reading> readings;
    for (size_t i = 0; i < plans.size();) {
        if (!plans[i].temperature) {
            readings.push_back(read(plans[i++]));
            continue;
        }
        size_t run = 1;
        while (i + run < plans.size() && plans[i + run].temperature &&
               plans[i + run].channel == plans[i].channel + run)
            ++run;
        scan(&plans[i], run, readings);
        i += run;
    }
    return readings;
}

Reading ChannelReader::read(const ChannelPlan &plan)
{
    Reading reading;
    reading.channel = plan.channel;
    reading.label = plan.range->name;
    const uint32_t handle = session_.handle();
    float value = 0;
    if (plan.configure)
        session_.check(AIConfig(handle, plan.channel, plan.range->code), "Configure AI failed.");
    session_.check(AIVoltageIn(handle, plan.channel, plan.range->code, 0, &value), "Read AI data failed.");
    double shown = value;
    std::string end = plan.range->name;
    if (plan.range->current()) {
        reading.unit = "mA";
        reading.decimals = kMilliDecimals;
    } else if (plan.range->thermocouple || plan.range->high < 1.0f) {
        shown = value * 1000.0;
        reading.unit = "mV";
        reading.decimals = kMilliDecimals;
        if (plan.range->thermocouple)
            end = "type " + plan.range->name + "'s range, " + FormatFixed(plan.range->high * 1000.0, 0) + " mV";
    } else {
        reading.unit = "V";
        reading.decimals = kVoltDecimals;
    }
    reading.value = Rounded(shown, reading.decimals);
    if (AtFullScale(value, *plan.range)) {
        reading.status = ReadingStatus::OverRange;
        reading.limits = end;
    }
    return reading;
}

} // namespace qms::cli
