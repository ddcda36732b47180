// AIConfig, MAIConfig, AIGetConfig: the input range of a run of channels.
#include <cstring>

#include "api/api_call.h"
#include "api/control_request.h"
#include "api/gain_list.h"
#include "api/parameter_blocks.h"

using namespace qms::api;

namespace {

// Positions map to channels as the module applies them: position i is channel
// (start + i) mod 8.
uint16_t ChannelOfPosition(uint16_t start, uint16_t position)
{
    return static_cast<uint16_t>((start + position) % QMS_AI_CHANNELS);
}

// What the module holds, and keeps as the channels' range index, from now on: a scan that
// finds its ranges there need not configure them again. Not known after a refused request
// (the module may have taken the codes or not), nor when the index was not stored.
void NoteHeldRanges(DeviceRecord &record, uint16_t count, uint16_t start,
                    const uint16_t *rangeCodes, bool known)
{
    for (uint16_t i = 0; i < count; ++i) {
        if (rangeCodes[i] != QMS_RANGE_UNCHANGED)
            record.heldRange[ChannelOfPosition(start, i)] = known ? rangeCodes[i] : 0;
    }
}

uint32_t ConfigureChannels(DeviceRecord &record, uint16_t count, uint16_t start,
                           const uint16_t *rangeCodes)
{
    const uint32_t dev = record.deviceNumber;
    if (count == 0 || count > Features().channelCount || start >= Features().channelCount)
        return DeviceError(dev, QMS_ERRIDX_OUT_OF_RANGE);
    if (!rangeCodes)
        return DeviceError(dev, QMS_ERRIDX_ARGUMENT);

    // Every code is checked before anything is stored or sent: a rejected call leaves the
    // record and the module as they were.
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t code = rangeCodes[i];
        if (code == QMS_RANGE_UNCHANGED)
            continue;
        if (record.rangeOverride[ChannelOfPosition(start, i)] == 0 && FindGainListIndex(code) == kNoRow)
            return DeviceError(dev, QMS_ERRIDX_RANGE_CODE);
    }

    MaiConfigRequest request{};
    request.startChannel = Swap16(start);
    request.channelCount = Swap16(count);
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t code = rangeCodes[i];
        uint16_t moduleCode = code;
        if (code != QMS_RANGE_UNCHANGED && (code & QMS_RANGE_CURRENT_BIT)) {
            const int row = FindInternalGainRow(code);
            if (row != kNoRow)
                moduleCode = static_cast<uint16_t>(InternalGainList()[row].moduleCode);
        }
        request.codes[i] = Swap16(moduleCode);
    }
    // The module must have taken the ranges before the record or the stored power-up ranges
    // (block 0x210) follow them; after a refused request nothing more is sent.
    if (const uint32_t refused = SendControl(record, IOCTL_QMS_MAI_CONFIG, &request,
                                             sizeof request, nullptr, 0)) {
        NoteHeldRanges(record, count, start, rangeCodes, false);
        return refused;
    }

    uint32_t indexes[QMS_AI_CHANNELS] = {};
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t code = rangeCodes[i];
        const uint16_t channel = ChannelOfPosition(start, i);
        if (code != QMS_RANGE_UNCHANGED) {
            record.rangeIndex[channel] = record.rangeOverride[channel] != 0
                                             ? record.rangeOverride[channel]
                                             : static_cast<uint32_t>(FindInternalGainRow(code));
            record.rangeCode[channel] = code;
        }
        indexes[i] = record.rangeIndex[channel];
    }
    const bool persist = record.persistSuppression == 0;
    const bool stored =
        persist && WriteDeviceParameters(&record, QMS_BLOCK_RANGE_INDEX, start, count, indexes) == 0;
    NoteHeldRanges(record, count, start, rangeCodes, stored);
    if (persist && !stored)
        return DeviceError(dev, QMS_ERRIDX_BLOCK_ACCESS);
    return QMS_SUCCESS;
}

} // namespace

extern "C" QMS_EXPORT uint32_t MAIConfig(uint32_t handle, uint16_t count, uint16_t start,
                                         const uint16_t *rangeCodes)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return ConfigureChannels(record, count, start, rangeCodes);
    });
}

extern "C" QMS_EXPORT uint32_t AIConfig(uint32_t handle, uint16_t channel, uint16_t rangeCode)
{
    return MAIConfig(handle, 1, channel, &rangeCode);
}

extern "C" QMS_EXPORT uint32_t AIGetConfig(uint32_t handle, AIGetConfigResult *result,
                                           uint16_t /*size: the result is always whole*/)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!result)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        result->deviceType = record.settings.BoardID;
        result->value4 = 1;
        std::memset(result->value8, 0, sizeof result->value8);
        result->value16 = 0xFFFF;
        for (AIConfigEntry &entry : result->entries) {
            entry.value0 = 0;
            entry.value4 = 0;
            entry.value8 = 0;
            entry.value12 = 0;
        }
        return QMS_SUCCESS;
    });
}
