// qms6093 read and qms6093 temp: one reading of each listed channel.
#include "channel_list.h"
#include "channel_reader.h"
#include "commands.h"
#include "device_session.h"
#include "text_table.h"

namespace qms::cli {

namespace {

void Emit(const Output &out, uint32_t device, const std::vector<Reading> &readings, const char *labelHeading)
{
    nlohmann::json list = nlohmann::json::array();
    TextTable table({">channel", labelHeading, ">value", "unit", "note"});
    for (const Reading &reading : readings) {
        list.push_back(reading.json());
        table.add({std::to_string(reading.channel), reading.label, reading.valueText(),
                   reading.measured() ? reading.unit : "", reading.note()});
    }
    out.emit({{"device", device}, {"readings", list}}, table.render());
}

} // namespace

int RunRead(const Output &out, const ReadOptions &options)
{
    const auto channels = ParseChannelList(options.channels, "--channel");
    const InputRange *range = options.range.empty() ? nullptr : &ParseRange(options.range, "--range", false);
    DeviceSession session(options.device);
    const auto plans = ElectricalPlans(session, channels, range);
    ChannelReader reader(session, ParseScale("C", "--scale"));
    Emit(out, session.number(), reader.readAll(plans), "range");
    return 0;
}

int RunTemp(const Output &out, const TempOptions &options)
{
    const Scale scale = ParseScale(options.scale, "--scale");
    const InputRange *type = options.type.empty() ? nullptr : &ParseThermocouple(options.type, "--type");
    std::vector<uint16_t> channels;
    if (!options.channels.empty())
        channels = ParseChannelList(options.channels, "--channel");
    DeviceSession session(options.device);
    if (options.channels.empty())
        channels = ThermocoupleChannels(session);
    const auto plans = TemperaturePlans(session, channels, type);
    ChannelReader reader(session, scale);
    Emit(out, session.number(), reader.readAll(plans), "type");
    return 0;
}

} // namespace qms::cli
