#include "api/parameter_blocks.h"

#include "api/control_request.h"
#include "api/error_codes.h"

namespace qms::api {

int32_t ReadDeviceParameters(DeviceRecord *record, uint16_t blockId, uint16_t firstChannel,
                             uint16_t count, uint32_t *values)
{
    if (!record || !values)
        return -1;
    return ReadParameterBlock(*record, blockId, firstChannel, count, values) == 0 ? 0 : -1;
}

uint32_t ReadParameterBlock(DeviceRecord &record, uint16_t blockId, uint16_t firstChannel,
                            uint16_t count, uint32_t *values)
{
    if (count > QMS_AI_CHANNELS)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    const ChanConfigReadRequest request{Swap16(blockId), Swap16(firstChannel), Swap16(count)};
    ChanConfigReadReply reply{};
    if (const uint32_t refused = SendControl(record, IOCTL_QMS_READ_CHAN_CONFIG, &request,
                                             sizeof request, &reply, sizeof reply))
        return refused;
    if (reply.status != 0)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_BLOCK_ACCESS);
    for (uint16_t i = 0; i < count; ++i)
        values[i] = Swap32(reply.values[i]);
    return QMS_SUCCESS;
}

uint32_t WriteDeviceParameters(DeviceRecord *record, uint16_t blockId, uint16_t firstChannel,
                               uint16_t count, const uint32_t *values)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    if (count > QMS_AI_CHANNELS || (count != 0 && !values))
        return DeviceError(record->deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    ChanConfigWriteRequest request{};
    for (uint16_t i = 0; i < count; ++i)
        request.values[i] = Swap32(values[i]);
    request.blockId = Swap16(blockId);
    request.firstChannel = Swap16(firstChannel);
    request.channelCount = Swap16(count);
    StatusReply reply{};
    if (const uint32_t refused = SendControl(*record, IOCTL_QMS_WRITE_CHAN_CONFIG, &request,
                                             sizeof request, &reply, sizeof reply))
        return refused;
    return Swap32(reply.status);
}

} // namespace qms::api
