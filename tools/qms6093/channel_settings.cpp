#include "channel_settings.h"

#include "channel_reader.h"
#include "device_session.h"
#include "qms6093.h"
#include "text_table.h"

namespace qms::cli {

namespace {

std::array<uint32_t, 8> ReadSettingsProperty(DeviceSession &session, uint16_t property, const char *what)
{
    std::array<uint32_t, 8> values{};
    uint32_t size = sizeof values;
    session.check(DeviceGetProperty(session.handle(), property, values.data(), &size), what);
    return values;
}

std::string RangeName(const InputRange *range)
{
    return range ? range->name : "?";
}

} // namespace

ChannelSettings ReadChannelSettings(DeviceSession &session)
{
    ChannelSettings settings;
    settings.ranges = StoredRanges(session);
    settings.burnout = ReadSettingsProperty(session, QMS_PROP_BURNOUT_SETTINGS, "Reading the burn-out settings failed");
    settings.exception =
        ReadSettingsProperty(session, QMS_PROP_4_20MA_EXCEPTIONS, "Reading the 4-20 mA exception settings failed");
    return settings;
}

nlohmann::json ChannelSettingsJson(const ChannelSettings &settings)
{
    nlohmann::json channels = nlohmann::json::array();
    for (uint16_t channel = 0; channel < 8; ++channel)
        channels.push_back({{"channel", channel},
                            {"range", RangeName(settings.ranges[channel])},
                            {"burnout", settings.burnout[channel]},
                            {"burnout_label", BurnoutLabel(settings.burnout[channel])},
                            {"exception_4_20", settings.exception[channel]},
                            {"exception_4_20_label", ExceptionLabel(settings.exception[channel])}});
    return channels;
}

std::string ChannelSettingsTable(const ChannelSettings &settings)
{
    TextTable table({">channel", "range", "burn-out", "4-20 mA exception"});
    for (uint16_t channel = 0; channel < 8; ++channel)
        table.add({std::to_string(channel), RangeName(settings.ranges[channel]),
                   BurnoutLabel(settings.burnout[channel]), ExceptionLabel(settings.exception[channel])});
    return table.render();
}

} // namespace qms::cli
