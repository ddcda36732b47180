// The module readers and writers of the configuration dialogs, for tools and bindings: thin
// C entries over the very functions the library and its dialogs call, so that a tool shows
// what the library computes. Each looks its handle up and checks its arguments before a
// request goes out.
#include <cmath>
#include <cstring>

#include "api/api_call.h"
#include "api/module_commands.h"
#include "api/parameter_blocks.h"
#include "api/thermo/cjc_readers.h"
#include "api/ext/copy_text.h"
#include "qms6093ext.h"
#include "qms_text.h"

using namespace qms::api;

namespace {

constexpr float kCjcOffsetLimit = 10.0f;

uint32_t BadArgument(const DeviceRecord &record)
{
    return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
}

// The code of a request that an internal reader reports only as failed: the driver code of
// the thread's last error, or a failed module request when the driver left none.
uint32_t RefusedRequest(const DeviceRecord &record)
{
    const uint32_t mapped = MapDriverError(GetLastError());
    return DeviceError(record.deviceNumber, mapped != 0 ? mapped : QMS_ERRIDX_BLOCK_ACCESS);
}

} // namespace

uint32_t QmsReadFirmwareVersion(uint32_t handle, char *text, size_t size)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!text || size == 0)
            return BadArgument(record);
        char16_t version[QMS_FW_VERSION_BYTES] = {};
        if (const uint32_t code = ReadFirmwareVersion(&record, version))
            return code;
        qms::ext::CopyText(qms::Utf8(version, QMS_FW_VERSION_BYTES), text, size);
        return QMS_SUCCESS;
    });
}

uint32_t QmsReadBoardID(uint32_t handle, uint32_t *boardID)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!boardID)
            return BadArgument(record);
        return ReadBoardID(&record, boardID);
    });
}

uint32_t QmsWriteBoardID(uint32_t handle, uint32_t boardID)
{
    return OnDevice(handle, [&](DeviceRecord &record) { return WriteBoardID(&record, boardID); });
}

uint32_t QmsReadCJCTemp(uint32_t handle, float *celsius)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!celsius)
            return BadArgument(record);
        float value = 0.0f;
        if (ReadCJCTemp(&record, &value) != 0)
            return RefusedRequest(record);
        *celsius = value;
        return QMS_SUCCESS;
    });
}

uint32_t QmsReadCJCHistoryTemp(uint32_t handle, float *celsius)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!celsius)
            return BadArgument(record);
        float value = 0.0f;
        const uint32_t code = ReadCJCHistoryTemp(&record, &value);
        // The reader leaves the device part of its own failure to its caller.
        if (code == kCjcHistoryFailed)
            return DeviceError(record.deviceNumber, kCjcHistoryFailed);
        if (code != 0)
            return code;
        *celsius = value;
        return QMS_SUCCESS;
    });
}

uint32_t QmsReadCJCOffset(uint32_t handle, float *offsetCelsius, uint16_t *offsetCode)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!offsetCelsius || !offsetCode)
            return BadArgument(record);
        float celsius = 0.0f;
        uint16_t code = 0;
        if (ReadCJCOffset(&record, &celsius, &code) != 0)
            return RefusedRequest(record);
        *offsetCelsius = celsius;
        *offsetCode = code;
        return QMS_SUCCESS;
    });
}

uint32_t QmsWriteCJCOffset(uint32_t handle, float offsetCelsius)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        // The module's code spans -10 to +10 degrees; the writer would clamp anything beyond
        // to the nearest end and store an offset nobody asked for.
        if (!std::isfinite(offsetCelsius) || std::fabs(offsetCelsius) > kCjcOffsetLimit)
            return BadArgument(record);
        if (WriteCJCOffsetCode(&record, offsetCelsius) != 0)
            return RefusedRequest(record);
        return QMS_SUCCESS;
    });
}

uint32_t QmsResetCJCOffset(uint32_t handle)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        // The reset reports a refused request as 1; the caller gets the driver's code for it.
        const uint32_t result = ResetCJCOffset(&record);
        return result == QMS_ERR_REFUSED ? RefusedRequest(record) : result;
    });
}

uint32_t QmsReadDeviceParameters(uint32_t handle, uint16_t blockId, uint16_t firstChannel,
                                 uint16_t count, uint32_t *values)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!values)
            return BadArgument(record);
        if (count == 0 || firstChannel >= QMS_AI_CHANNELS || count > QMS_AI_CHANNELS - firstChannel)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
        uint32_t read[QMS_AI_CHANNELS] = {};
        if (ReadDeviceParameters(&record, blockId, firstChannel, count, read) != 0)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_BLOCK_ACCESS);
        std::memcpy(values, read, count * sizeof read[0]);
        return QMS_SUCCESS;
    });
}
