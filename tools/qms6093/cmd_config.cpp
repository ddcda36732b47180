// qms6093 config: the settings a module keeps (board ID, per-channel range, burn-out and
// 4-20 mA exception, label), checked and saved the way the device setting dialog does.
#include <cstring>

#include "channel_list.h"
#include "channel_settings.h"
#include "commands.h"
#include "device_session.h"
#include "installed_devices.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

constexpr int64_t kHighestBoardId = 15;
constexpr size_t kLabelCharacters = QMS_USER_DATA_BYTES - 1; // NUL-terminated in 32 bytes

// "CHANNELS=VALUE", the channels as a channel list.
struct Assignment {
    std::vector<uint16_t> channels;
    std::string value;
};

std::vector<Assignment> ParseAssignments(const std::vector<std::string> &items, const std::string &argument)
{
    std::vector<Assignment> assignments;
    for (const std::string &item : items) {
        const size_t equals = item.find('=');
        if (equals == std::string::npos || equals + 1 == item.size())
            throw BadArgument(argument, "\"" + item + "\" is not CHANNELS=VALUE (write e.g. 0-3=K)");
        assignments.push_back({ParseChannelList(item.substr(0, equals), argument), item.substr(equals + 1)});
    }
    return assignments;
}

// The per-channel changes, all checked before anything is sent.
struct Changes {
    std::vector<std::pair<uint16_t, const InputRange *>> ranges;
    std::vector<std::pair<uint16_t, uint32_t>> burnout;
    std::vector<std::pair<uint16_t, uint32_t>> exception;
};

Changes ParseChanges(const ConfigOptions &options)
{
    Changes changes;
    for (const auto &a : ParseAssignments(options.ranges, "--range")) {
        const InputRange &range = ParseRange(a.value, "--range", true);
        for (uint16_t channel : a.channels)
            changes.ranges.emplace_back(channel, &range);
    }
    for (const auto &a : ParseAssignments(options.burnouts, "--burnout")) {
        const uint32_t setting = ParseBurnout(a.value, "--burnout");
        for (uint16_t channel : a.channels)
            changes.burnout.emplace_back(channel, setting);
    }
    for (const auto &a : ParseAssignments(options.exceptions, "--exception")) {
        const uint32_t setting = ParseException(a.value, "--exception");
        for (uint16_t channel : a.channels)
            changes.exception.emplace_back(channel, setting);
    }
    return changes;
}

void CheckLabel(const std::string &label)
{
    if (label.size() > kLabelCharacters)
        throw BadArgument("--label", "the label holds at most 31 characters; this one has " +
                                         std::to_string(label.size()));
    for (unsigned char c : label)
        if (c < 0x20 || c >= 0x7F)
            throw BadArgument("--label", "the label takes printable ASCII characters only");
}

void CheckBoardId(uint32_t device, int64_t boardId)
{
    if (boardId < 0 || boardId > kHighestBoardId)
        throw BadArgument("--board-id", "board ID " + std::to_string(boardId) + " is outside 0 to 15");
    for (const InstalledDevice &other : InstalledDevices())
        if (other.number != device && other.boardId == boardId)
            throw BadArgument("--board-id", "BoardID Confliction: device " + std::to_string(other.number) +
                                                " already has board ID " + std::to_string(boardId));
}

void SetRange(DeviceSession &session, uint16_t channel, const InputRange &range)
{
    const uint32_t handle = session.handle();
    if (!range.thermocouple) {
        session.check(AIConfig(handle, channel, range.code), "Configure AI failed");
        return;
    }
    // A temperature read sets the channel to the thermocouple's range and stores it as the
    // channel's range; an open thermocouple has been set all the same.
    float celsius = 0;
    const uint32_t code = TCMuxRead(handle, channel, 0, 0, range.tcType, 0, &celsius);
    if (code != QmsDeviceCode(session.number(), QMS_ERRIDX_BURNOUT))
        session.check(code, "Configure AI failed");
}

void SetSettings(DeviceSession &session, uint16_t property, const std::vector<std::pair<uint16_t, uint32_t>> &changes,
                 const std::string &failure)
{
    if (changes.empty())
        return;
    std::array<uint32_t, 8> values{};
    uint32_t size = sizeof values;
    session.check(DeviceGetProperty(session.handle(), property, values.data(), &size), failure);
    for (const auto &[channel, value] : changes)
        values[channel] = value;
    session.check(DeviceSetProperty(session.handle(), property, values.data(), sizeof values), failure);
}

void SetLabel(DeviceSession &session, const std::string &label)
{
    uint8_t bytes[QMS_USER_DATA_BYTES] = {};
    std::memcpy(bytes, label.data(), label.size());
    session.check(DeviceSetProperty(session.handle(), QMS_PROP_USER_DATA, bytes, sizeof bytes),
                  "Save user data failed");
}

void SetBoardId(DeviceSession &session, uint32_t boardId)
{
    session.check(QmsWriteBoardID(session.handle(), boardId), "Write board ID failed");
    uint32_t saved = 0;
    session.check(QmsReadBoardID(session.handle(), &saved), "Read board ID failed");
    if (saved != boardId)
        throw ToolError(ExitDeviceError, "device " + std::to_string(session.number()),
                        "Saved board ID is corrupted: the module reports " + std::to_string(saved));
    if (SaveBoardId(session.number(), boardId) != 0)
        throw ToolError(ExitDeviceError, "device " + std::to_string(session.number()),
                        "Setting failed: the registry refused the board ID");
}

std::string Label(DeviceSession &session)
{
    char bytes[QMS_USER_DATA_BYTES + 1] = {};
    uint32_t size = QMS_USER_DATA_BYTES;
    session.check(DeviceGetProperty(session.handle(), QMS_PROP_USER_DATA, bytes, &size),
                  "Retrieve user data failed");
    return bytes;
}

} // namespace

int RunConfig(const Output &out, const ConfigOptions &options)
{
    const Changes changes = ParseChanges(options);
    if (options.label)
        CheckLabel(*options.label);
    if (options.boardId && (*options.boardId < 0 || *options.boardId > kHighestBoardId))
        throw BadArgument("--board-id", "board ID " + std::to_string(*options.boardId) + " is outside 0 to 15");

    DeviceSession session(options.device);
    if (options.boardId)
        CheckBoardId(session.number(), *options.boardId);
    for (const auto &[channel, range] : changes.ranges)
        SetRange(session, channel, *range);
    SetSettings(session, QMS_PROP_BURNOUT_SETTINGS, changes.burnout, "Save burn out setting failed");
    SetSettings(session, QMS_PROP_4_20MA_EXCEPTIONS, changes.exception, "Save 4-20mA exception setting failed");
    if (options.label)
        SetLabel(session, *options.label);
    if (options.boardId)
        SetBoardId(session, static_cast<uint32_t>(*options.boardId));

    uint32_t boardId = 0;
    session.check(QmsReadBoardID(session.handle(), &boardId), "Read board ID failed");
    const std::string label = Label(session);
    const ChannelSettings settings = ReadChannelSettings(session);
    out.emit({{"device", session.number()}, {"board_id", boardId}, {"label", label},
              {"channels", ChannelSettingsJson(settings)}},
             "Device " + std::to_string(session.number()) + ", board ID " + std::to_string(boardId) +
                 ", label \"" + label + "\"\n" + ChannelSettingsTable(settings));
    return 0;
}

} // namespace qms::cli
