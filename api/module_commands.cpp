#include "api/module_commands.h"

#include "api/ai_scale.h"
#include "api/control_request.h"
#include "api/error_codes.h"

namespace qms::api {

namespace {
constexpr float kCjcOffsetHigh = 10.0f;
constexpr float kCjcOffsetLow = -10.0f;
}

uint32_t RequestStatus(DeviceRecord &record, uint32_t code, const uint16_t *argument,
                       uint32_t *status)
{
    const CalibrationRequest request{argument ? Swap16(*argument) : uint16_t{0}};
    StatusReply reply{};
    if (const uint32_t refused =
            SendControl(record, code, argument ? &request : nullptr,
                        argument ? sizeof request : 0, &reply, sizeof reply))
        return refused;
    *status = Swap32(reply.status);
    return QMS_SUCCESS;
}

uint32_t SendStatusCommand(DeviceRecord *record, uint32_t code, const uint16_t *argument)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    uint32_t status = 0;
    if (const uint32_t refused = RequestStatus(*record, code, argument, &status))
        return refused;
    return status;
}

uint32_t ReadBoardID(DeviceRecord *record, uint32_t *boardId)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    if (!boardId)
        return DeviceError(record->deviceNumber, QMS_ERRIDX_ARGUMENT);
    ModuleWord word{};
    if (const uint32_t refused = SendControl(*record, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, &word,
                                             sizeof word))
        return refused;
    *boardId = Swap32(word.value);
    return QMS_SUCCESS;
}

uint32_t WriteBoardID(DeviceRecord *record, uint32_t boardId)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    const ModuleWord word{Swap32(boardId)};
    return SendControl(*record, IOCTL_QMS_SET_BOARD_ID, &word, sizeof word, nullptr, 0);
}

uint32_t ReadFirmwareVersion(DeviceRecord *record, char16_t *text)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    if (!text)
        return DeviceError(record->deviceNumber, QMS_ERRIDX_ARGUMENT);
    uint8_t version[QMS_FW_VERSION_BYTES] = {};
    if (const uint32_t refused = SendControl(*record, IOCTL_QMS_GET_FW_VERSION, nullptr, 0,
                                             version, sizeof version))
        return refused;
    // The module's text is 8-bit (UTF-8); a character takes one or two units, so 64 bytes
    // never need more than 64 units.
    const int units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, reinterpret_cast<const char *>(version),
                                          QMS_FW_VERSION_BYTES, text, QMS_FW_VERSION_BYTES);
    text[units > 0 ? units - 1 : 0] = 0;
    text[QMS_FW_VERSION_BYTES - 1] = 0;
    return QMS_SUCCESS;
}

uint16_t CjcOffsetCode(float offsetCelsius)
{
    return ValueToCode(offsetCelsius, kCjcOffsetHigh, kCjcOffsetLow);
}

int32_t WriteCJCOffsetCode(DeviceRecord *record, float offsetCelsius)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    const ModuleWord word{Swap32(CjcOffsetCode(offsetCelsius))};
    return SendControl(*record, IOCTL_QMS_SET_CJC_OFFSET, &word, sizeof word, nullptr, 0) == 0 ? 0
                                                                                              : -1;
}

uint32_t ResetCJCOffset(DeviceRecord *record)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    uint32_t status = 0;
    if (RequestStatus(*record, IOCTL_QMS_CJC_CMD36, nullptr, &status) != 0)
        return QMS_ERR_REFUSED;
    return status;
}

} // namespace qms::api
