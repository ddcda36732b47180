// DirectReadEEData, DirectWriteEEData: one word of the module's EEPROM; RetrieveAllGainInfo:
// the internal gain list.
#include <cstring>

#include "api/api_call.h"
#include "api/control_request.h"
#include "api/gain_list.h"

using namespace qms::api;

namespace {
constexpr int32_t kModuleRefused = 1; // the module's status word was nonzero
}

extern "C" QMS_EXPORT int32_t DirectReadEEData(uint32_t handle, uint16_t address, uint32_t *value)
{
    return static_cast<int32_t>(OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!value)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        const EepromReadRequest request{Swap16(address)};
        EepromReadReply reply{};
        if (const uint32_t refused = SendControl(record, IOCTL_QMS_EEPROM_READ, &request,
                                                 sizeof request, &reply, sizeof reply))
            return refused;
        // Stored also when the module flags an error: callers may look at what it sent.
        *value = Swap32(reply.data);
        return reply.status != 0 ? kModuleRefused : 0;
    }));
}

extern "C" QMS_EXPORT int32_t DirectWriteEEData(uint32_t handle, uint16_t address, uint32_t value)
{
    return static_cast<int32_t>(OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        const EepromWriteRequest request{Swap32(value), Swap16(address), 0};
        StatusReply reply{};
        if (const uint32_t refused = SendControl(record, IOCTL_QMS_EEPROM_WRITE, &request,
                                                 sizeof request, &reply, sizeof reply))
            return refused;
        return reply.status != 0 ? kModuleRefused : 0;
    }));
}

extern "C" QMS_EXPORT uint32_t RetrieveAllGainInfo(uint32_t /*handle: not needed*/,
                                                   tagINTERNALGAINLIST *rows, uint16_t *count)
{
    if (!rows || !count)
        return QMS_ERR_NULL_BUFFER;
    std::memcpy(rows, InternalGainList(), sizeof(tagINTERNALGAINLIST) * QMS_INTERNAL_GAIN_ROWS);
    *count = QMS_INTERNAL_GAIN_ROWS;
    return QMS_SUCCESS;
}
