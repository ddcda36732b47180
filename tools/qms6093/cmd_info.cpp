// qms6093 info: what the module is and how it is set.
#include <cstdio>
#include <cstring>

#include "channel_settings.h"
#include "commands.h"
#include "device_session.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_text.h"
#include "text_table.h"

namespace qms::cli {

using qms::Utf8;

namespace {

// The properties a device answers, with what each holds.
struct PropertyRow {
    uint16_t code;
    const char *meaning;
};
constexpr PropertyRow kProperties[] = {
    {QMS_PROP_DEVICE_NUMBER, "device number"},
    {QMS_PROP_BOARD_ID, "device type code"},
    {QMS_PROP_SWITCH_ID, "board ID"},
    {0x1000, "constant"},
    {QMS_PROP_BURNOUT_SETTINGS, "burn-out settings, channels 0-7"},
    {QMS_PROP_4_20MA_EXCEPTIONS, "4-20 mA exception settings, channels 0-7"},
    {0x3005, "constant"},
    {0x3C82, "constant"},
    {0x3C83, "constant"},
    {0x3C84, "constant"},
    {0x4806, "constant"},
    {0x4807, "constant"},
    {0x4808, "constant"},
    {QMS_PROP_USER_DATA, "user data (label)"},
};

std::string Label(const uint8_t *bytes)
{
    std::string label;
    for (size_t i = 0; i < QMS_USER_DATA_BYTES && bytes[i]; ++i)
        label += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '?';
    return label;
}

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string Span(const GainListEntry &entry)
{
    const bool current = entry.rangeCode & QMS_RANGE_CURRENT_BIT;
    const char *unit = current ? "mA" : "V";
    char text[64];
    std::snprintf(text, sizeof text, "%g to %g %s", entry.low, entry.high, unit);
    return text;
}

} // namespace

int RunInfo(const Output &out, uint32_t deviceNumber, bool verbose)
{
    DeviceSession session(deviceNumber);
    const uint32_t handle = session.handle();
    nlohmann::json doc = {{"device", session.number()}, {"stream", session.installed().callName}};
    std::string human;

    char version[64] = {};
    session.check(QmsReadFirmwareVersion(handle, version, sizeof version), "Retrieve version failed");
    const std::string firmware = version;
    uint32_t boardId = 0;
    session.check(QmsReadBoardID(handle, &boardId), "Read board ID failed");
    uint8_t userData[QMS_USER_DATA_BYTES] = {};
    uint32_t size = sizeof userData;
    session.check(DeviceGetProperty(handle, QMS_PROP_USER_DATA, userData, &size), "Retrieve user data failed");
    doc["firmware"] = firmware;
    doc["board_id"] = boardId;
    doc["label"] = Label(userData);
    const std::string &serial = session.installed().serial;
    doc["serial"] = serial.empty() ? nlohmann::json() : nlohmann::json(serial);
    human += "Device " + std::to_string(session.number()) + ": board ID " + std::to_string(boardId) +
             (serial.empty() ? "" : ", serial " + serial) + ", firmware \"" + firmware + "\"\n";
    if (verbose)
        human += "Stream device: " + session.installed().callName + "\n";
    human += "Label: \"" + Label(userData) + "\"\n\n";

    DeviceFeatures features{};
    session.check(DeviceGetFeatures(handle, &features, sizeof features), "Reading the device features failed");
    nlohmann::json ranges = nlohmann::json::array();
    TextTable rangeTable({"range", ">code", "span"});
    for (unsigned i = 0; i < features.gainCount && i < 16; ++i) {
        const GainListEntry &entry = features.gainList[i];
        const std::string name = Utf8(entry.name, 16);
        ranges.push_back({{"name", name}, {"code", entry.rangeCode}, {"low", entry.low}, {"high", entry.high},
                          {"unit", entry.rangeCode & QMS_RANGE_CURRENT_BIT ? "mA" : "V"}});
        rangeTable.add({name, Hex(entry.rangeCode, 4), Span(entry)});
    }
    std::string thermocouples;
    for (const InputRange &range : InputRanges())
        if (range.thermocouple)
            thermocouples += (thermocouples.empty() ? "" : " ") + range.name;
    doc["features"] = {{"library_version", Utf8(features.version, 8)},
                       {"library_file", Utf8(features.fileName, 16)},
                       {"device_type", features.deviceType},
                       {"analog_inputs", features.channelCount},
                       {"ad_resolution_bits", features.adResolution},
                       {"ranges", ranges},
                       {"thermocouple_types", thermocouples}};
    if (verbose)
        human += "Library: " + Utf8(features.version, 8) + " (" + Utf8(features.fileName, 16) + ")\n";
    human += "Features: device type " + std::to_string(features.deviceType) + ", " +
             std::to_string(features.channelCount) + " analog inputs, " +
             std::to_string(features.adResolution) + "-bit A/D, 8 digital inputs, 8 digital outputs\n";
    human += "Thermocouple types: " + thermocouples + "\n\n" + rangeTable.render() + "\n";

    nlohmann::json properties = nlohmann::json::array();
    TextTable propertyTable({">property", ">hex", ">size", "value", "meaning"});
    for (const PropertyRow &row : kProperties) {
        uint8_t buffer[32] = {};
        uint32_t length = sizeof buffer;
        session.check(DeviceGetProperty(handle, row.code, buffer, &length),
                      "Reading property " + std::to_string(row.code) + " failed");
        nlohmann::json value;
        std::string text;
        if (row.code == 0x3005) {
            // A one-byte property; the library leaves the size as the buffer's.
            length = 1;
            value = buffer[0];
            text = std::to_string(buffer[0]);
        } else if (row.code == QMS_PROP_USER_DATA) {
            value = Label(buffer);
            text = "\"" + Label(buffer) + "\"";
        } else if (length == 32) {
            std::array<uint32_t, 8> words{};
            std::memcpy(words.data(), buffer, sizeof words);
            value = words;
            for (uint32_t word : words)
                text += (text.empty() ? "" : " ") + std::to_string(word);
        } else {
            uint32_t number = 0;
            std::memcpy(&number, buffer, length < 4 ? length : 4);
            value = number;
            text = std::to_string(number);
        }
        properties.push_back({{"code", row.code}, {"size", length}, {"value", value}, {"meaning", row.meaning}});
        propertyTable.add({std::to_string(row.code), Hex(row.code, 4), std::to_string(length), text, row.meaning});
    }
    doc["properties"] = properties;
    human += propertyTable.render() + "\n";

    const ChannelSettings settings = ReadChannelSettings(session);
    doc["channels"] = ChannelSettingsJson(settings);
    human += ChannelSettingsTable(settings) + "\n";

    // What temperature compensation uses (the driver's samples less the module's offset),
    // the sensor's own reading and the module's offset, all as the library computes them.
    float compensation = 0, sensor = 0, offsetCelsius = 0;
    uint16_t offsetCode = 0;
    session.check(QmsReadCJCHistoryTemp(handle, &compensation), "Reading the cold-junction temperature failed");
    session.check(QmsReadCJCTemp(handle, &sensor), "Reading the cold-junction temperature failed");
    session.check(QmsReadCJCOffset(handle, &offsetCelsius, &offsetCode), "Reading the CJC offset failed");
    const double offset = Rounded(offsetCelsius, 2);
    doc["cjc"] = {{"temperature_c", Rounded(compensation, 2)},
                  {"sensor_c", Rounded(sensor, 2)},
                  {"offset_c", offset},
                  {"offset_code", offsetCode}};
    human += "CJC: " + FormatFixed(compensation, 2) + " °C (sensor " + FormatFixed(sensor, 2) + " °C, offset " +
             FormatFixed(offset, 2) + " °C, code " + Hex(offsetCode, 4) + ")\n";
    out.emit(doc, human);
    return 0;
}

} // namespace qms::cli
