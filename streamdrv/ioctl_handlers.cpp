#include "ioctl_handlers.h"

#include <algorithm>
#include <cstring>

#include "cjc_history.h"
#include "transport.h"

namespace {

// Which caller buffer a vendor request sends from or reads into.
enum class Buffer : uint8_t { None, In, Out };

struct VendorStep {
    BYTE group;
    WORD command;
    Buffer buffer;
};

constexpr VendorStep kNoStep{0, 0, Buffer::None};
// The device status word read after a command: IN(127,3) 4 into the output buffer.
constexpr VendorStep kStatus{GROUP_DEVICE, CMD_DEVICE_STATUS, Buffer::Out};

struct ControlRow;
using Handler = BOOL (*)(DeviceContext *, IoRequest &, const ControlRow &);

struct ControlRow {
    DWORD code;
    DWORD minIn;  // bytes the handler reads from the input buffer (0: not used)
    DWORD minOut; // bytes it writes to the output buffer (0: not used)
    Handler handler;
    VendorStep first;
    VendorStep second;
    DWORD returned;  // the count of bytes returned
    bool alwaysTrue; // the result ignores a failed transfer (still recorded)
};

// ---- helpers ----------------------------------------------------------------------------------

bool Failed(DeviceContext *context)
{
    RecordDriverError(context, QMS_DRVERR_TRANSFER);
    return false;
}

bool Send(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length)
{
    return VendorOut(context, group, command, 0, buffer, length) || Failed(context);
}

bool Receive(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length)
{
    return VendorIn(context, group, command, 0, buffer, length) || Failed(context);
}

// One request of the command set, with its direction and length from the command table.
bool Issue(DeviceContext *context, const VendorStep &step, IoRequest &request)
{
    const qms::VendorCommand *command = qms::FindVendorCommand(step.group, step.command);
    void *buffer = step.buffer == Buffer::In ? request.in : request.out;
    if (command->direction == qms::VendorDirection::In)
        return Receive(context, step.group, step.command, buffer, command->length);
    return Send(context, step.group, step.command, buffer, command->length);
}

uint32_t LoadWord(const BYTE *bytes)
{
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The caller's bytes padded with zeros to the payload the module expects.
template <size_t N> void PadPayload(BYTE (&payload)[N], const IoRequest &request)
{
    std::memset(payload, 0, N);
    std::memcpy(payload, request.in, std::min<size_t>(request.inLength, N));
}

// ---- handlers -----------------------------------------------------------------------------------

// One or two requests under the lock; both are issued even when the first fails.
BOOL Exchange(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    TransferLockGuard lock(context);
    const bool first = Issue(context, row.first, request);
    const bool second = row.second.buffer == Buffer::None || Issue(context, row.second, request);
    return first && second;
}

BOOL NoDeviceRequest(DeviceContext *, IoRequest &, const ControlRow &)
{
    return TRUE;
}

BOOL CopyHistory(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    CopyCjcHistory(context, request.out);
    return TRUE;
}

// IOCTL_QMS_CJC_CMD37: the command, then the history copy whatever the command did.
BOOL CommandThenHistory(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    Exchange(context, request, row);
    CopyCjcHistory(context, request.out);
    return TRUE;
}

// Digital-I/O read: select the port, read the 12-byte reply, hand out the port value.
BOOL DioRead(DeviceContext *context, IoRequest &request, WORD selectCommand, WORD replyCommand,
             bool orDeviceError)
{
    DioSelectPayload select{Swap16(static_cast<uint16_t>(LoadWord(request.in))), Swap16(1)};
    DioReply reply{};
    bool transferred;
    {
        TransferLockGuard lock(context);
        const bool selected = Send(context, GROUP_DIO, selectCommand, &select, sizeof select);
        const bool replied = Receive(context, GROUP_DIO, replyCommand, &reply, sizeof reply);
        transferred = selected && replied;
    }
    const uint16_t value = reply.data[1];
    std::memcpy(request.out, &value, std::min<DWORD>(request.outLength, sizeof value));
    *request.bytesReturned = QmsLoadLe16(reply.echo);
    // After a failed transfer the reply holds nothing to check: 501 stands.
    if (!transferred)
        return FALSE;
    BOOL result = TRUE;
    if (reply.echo[0] != 0x00 || reply.echo[1] != 0x01) {
        RecordDriverError(context, QMS_DRVERR_DIO_ECHO);
        result = FALSE;
    }
    if (reply.deviceError != 0) {
        const DWORD threadError = orDeviceError ? (QMS_DRIVER_ERROR_BIT | reply.deviceError)
                                                : (QMS_DRIVER_ERROR_BIT + reply.deviceError);
        RecordDeviceError(context, reply.deviceError, threadError);
        result = FALSE;
    }
    return result;
}

BOOL DiRead(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    return DioRead(context, request, CMD_DIO_DI_SELECT, CMD_DIO_DI_REPLY, true);
}

BOOL DoReadback(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    return DioRead(context, request, CMD_DIO_DO_READBACK_SELECT, CMD_DIO_DO_READBACK_REPLY, false);
}

// The caller gives port, count and the port bytes (count + 8 bytes); the module takes the
// bytes after the header as one 32-bit value, so missing ones are sent as 0.
BOOL DoWrite(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    BYTE value[4] = {};
    if (request.inLength > 8)
        std::memcpy(value, request.in + 8, std::min<DWORD>(request.inLength - 8, sizeof value));
    DoWritePayload payload{Swap16(static_cast<uint16_t>(LoadWord(request.in))),
                           Swap16(static_cast<uint16_t>(LoadWord(request.in + 4))), Swap32(LoadWord(value))};
    TransferLockGuard lock(context);
    Send(context, GROUP_DIO, CMD_DIO_DO_WRITE, &payload, sizeof payload);
    return TRUE;
}

BOOL SetBoardId(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    const BOOL result = Exchange(context, request, row);
    Sleep(5); // the module stores the number before it answers again
    return result;
}

// The scan request, then the sample block until the module reports it ready. The whole poll
// is bounded by the transfer time-out; after a few immediate polls it pauses between them.
BOOL MaiRead(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    constexpr int kImmediatePolls = 3;
    BYTE scan[sizeof(ScanRequest)];
    PadPayload(scan, request);
    SampleBlock block{};
    bool ok;
    {
        TransferLockGuard lock(context);
        ok = Send(context, GROUP_AI, CMD_AI_SCAN, scan, sizeof scan);
        const DWORD start = GetTickCount();
        for (int poll = 0; ok; ++poll) {
            ok = Receive(context, GROUP_AI, CMD_AI_SAMPLES, &block, sizeof block);
            if (!ok || Swap32(block.ready) != 0)
                break;
            if (GetTickCount() - start >= context->transferTimeout || ModuleRemoved(context))
                ok = Failed(context);
            else if (poll >= kImmediatePolls)
                Sleep(1);
        }
    }
    std::memcpy(request.out, &block, sizeof block);
    return ok;
}

BOOL MaiConfig(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    BYTE ranges[sizeof(MaiConfigRequest)];
    PadPayload(ranges, request);
    TransferLockGuard lock(context);
    return Send(context, GROUP_AI, CMD_AI_CONFIG, ranges, sizeof ranges);
}

BOOL FirmwareVersion(DeviceContext *context, IoRequest &request, const ControlRow &)
{
    const WORD length = static_cast<WORD>(std::min<DWORD>(request.outLength, 0xFFFF));
    *request.bytesReturned = length;
    TransferLockGuard lock(context);
    return Receive(context, GROUP_DEVICE, CMD_DEVICE_FW_VERSION, request.out, length);
}

// The offset requests keep the history's offset word current.
BOOL SetCjcOffset(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    const BOOL result = Exchange(context, request, row);
    if (result)
        StoreOffsetWord(context, LoadWord(request.in));
    return result;
}

BOOL GetCjcOffset(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    const BOOL result = Exchange(context, request, row);
    if (result)
        StoreOffsetWord(context, LoadWord(request.in));
    return result;
}

// Reset of the offset to the module's reference: when the module accepted it, the new offset
// is read back so that the history tells the truth.
BOOL ResetCjcOffset(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    TransferLockGuard lock(context);
    const BOOL result = Exchange(context, request, row);
    if (result && LoadWord(request.out) == 0) {
        uint32_t offset = 0;
        if (VendorIn(context, GROUP_AI, CMD_AI_GET_CJC_OFFSET, 0, &offset, sizeof offset))
            StoreOffsetWord(context, offset);
    }
    return result;
}

// ---- the table ------------------------------------------------------------------------------

constexpr VendorStep Out(BYTE group, WORD command, Buffer from) { return {group, command, from}; }
constexpr VendorStep In(BYTE group, WORD command, Buffer into) { return {group, command, into}; }

constexpr Buffer kIn = Buffer::In;
constexpr Buffer kOut = Buffer::Out;

const ControlRow kControlRows[] = {
    {IOCTL_QMS_ENABLE_EVENT, QMS_ENABLE_EVENT_MIN_IN, 0, NoDeviceRequest, kNoStep, kNoStep, 0, false},
    {IOCTL_QMS_DI_READ, 4, 1, DiRead, kNoStep, kNoStep, 0, false},
    {IOCTL_QMS_DO_WRITE, 8, 0, DoWrite, kNoStep, kNoStep, 0, true},
    {IOCTL_QMS_GET_CJC_HISTORY, 0, sizeof(CjcHistory), CopyHistory, kNoStep, kNoStep, sizeof(CjcHistory), false},
    {IOCTL_QMS_DO_READBACK, 4, 1, DoReadback, kNoStep, kNoStep, 0, false},
    {IOCTL_QMS_AI_CMD2, 4, 8, Exchange, Out(GROUP_AI, CMD_AI_CMD2, kIn), In(GROUP_AI, CMD_AI_CMD2_REPLY, kOut), 8, false},
    {IOCTL_QMS_AI_CMD1, 6, 0, Exchange, Out(GROUP_AI, CMD_AI_CMD1, kIn), kNoStep, 0, false},
    {IOCTL_QMS_GET_BOARD_ID, 0, 4, Exchange, In(GROUP_DEVICE, CMD_DEVICE_GET_BOARD_ID, kOut), kNoStep, 4, false},
    {IOCTL_QMS_SET_BOARD_ID, 4, 0, SetBoardId, Out(GROUP_DEVICE, CMD_DEVICE_SET_BOARD_ID, kIn), kNoStep, 0, false},
    {IOCTL_QMS_MAI_READ, 6, sizeof(SampleBlock), MaiRead, kNoStep, kNoStep, sizeof(SampleBlock), false},
    {IOCTL_QMS_MAI_CONFIG, 20, 0, MaiConfig, kNoStep, kNoStep, 0, false},
    {IOCTL_QMS_EEPROM_READ, 2, 8, Exchange, Out(GROUP_EEPROM, CMD_EEPROM_SELECT, kIn), In(GROUP_EEPROM, CMD_EEPROM_READ, kOut), 8, false},
    {IOCTL_QMS_EEPROM_WRITE, 8, 4, Exchange, Out(GROUP_EEPROM, CMD_EEPROM_WRITE, kIn), kStatus, 4, false},
    {IOCTL_QMS_GET_FW_VERSION, 0, 1, FirmwareVersion, kNoStep, kNoStep, 0, false},
    {IOCTL_QMS_LOCATE, 1, 0, Exchange, Out(GROUP_DEVICE, CMD_DEVICE_LOCATE, kIn), kNoStep, 0, true},
    {IOCTL_QMS_READ_CHAN_CONFIG, 6, 36, Exchange, Out(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT, kIn), In(GROUP_AI, CMD_AI_CHAN_CONFIG_READ, kOut), 36, false},
    {IOCTL_QMS_WRITE_CHAN_CONFIG, 40, 4, Exchange, Out(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE, kIn), kStatus, 0, false},
    {IOCTL_QMS_CAL_ZERO, 2, 4, Exchange, Out(GROUP_CAL, CMD_CAL_ZERO, kIn), kStatus, 4, false},
    {IOCTL_QMS_CAL_FULL, 2, 4, Exchange, Out(GROUP_CAL, CMD_CAL_FULL, kIn), kStatus, 4, false},
    {IOCTL_QMS_CAL_FULL_ALT, 2, 4, Exchange, Out(GROUP_CAL, CMD_CAL_FULL, kIn), kStatus, 4, false},
    {IOCTL_QMS_FIX_FULL_CAL, 2, 4, Exchange, Out(GROUP_CAL, CMD_CAL_FIX_FULL, kIn), kStatus, 4, false},
    // IOCTL_QMS_FIX_ZERO_CAL has no row: the module offers no such command.
    {IOCTL_QMS_CAL_COMPLETE, 2, 4, Exchange, Out(GROUP_CAL, CMD_CAL_COMPLETE, kIn), kStatus, 4, false},
    {IOCTL_QMS_CJC_CMD36, 0, 4, ResetCjcOffset, Out(GROUP_AI, CMD_AI_CJC_CMD36, kOut), kStatus, 4, false},
    {IOCTL_QMS_SET_CJC_OFFSET, 4, 0, SetCjcOffset, Out(GROUP_AI, CMD_AI_SET_CJC_OFFSET, kIn), kNoStep, 0, false},
    {IOCTL_QMS_GET_CJC_OFFSET, 4, 0, GetCjcOffset, In(GROUP_AI, CMD_AI_GET_CJC_OFFSET, kIn), kNoStep, 4, false},
    {IOCTL_QMS_READ_CJC, 0, 8, Exchange, In(GROUP_AI, CMD_AI_READ_CJC, kOut), kNoStep, 8, false},
    {IOCTL_QMS_CJC_CMD38, 4, 0, Exchange, In(GROUP_AI, CMD_AI_CJC_CMD38, kIn), kNoStep, 4, false},
    {IOCTL_QMS_CJC_CMD37, 4, sizeof(CjcHistory), CommandThenHistory, Out(GROUP_AI, CMD_AI_CJC_CMD37, kIn), kNoStep, sizeof(CjcHistory), true},
    {IOCTL_QMS_RESET_AI_CONV, 0, 4, Exchange, Out(GROUP_AI, CMD_AI_RESET_CONV, kOut), kStatus, 4, false},
    {IOCTL_QMS_START_AI_CONV, 0, 4, Exchange, Out(GROUP_AI, CMD_AI_START_CONV, kOut), kStatus, 4, false},
};

const ControlRow *FindRow(DWORD code)
{
    for (const ControlRow &row : kControlRows)
        if (row.code == code)
            return &row;
    return nullptr;
}

bool BuffersFit(const ControlRow &row, const IoRequest &request)
{
    if (row.minIn && (!request.in || request.inLength < row.minIn))
        return false;
    if (row.minOut && (!request.out || request.outLength < row.minOut))
        return false;
    return true;
}

} // namespace

BOOL DispatchIoControl(DeviceContext *context, DWORD code, IoRequest &request)
{
    const ControlRow *row = FindRow(code);
    if (!row) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (!BuffersFit(*row, request)) {
        RecordDriverError(context, QMS_DRVERR_BAD_BUFFER);
        return FALSE;
    }
    *request.bytesReturned = row->returned;
    const BOOL result = row->handler(context, request, *row);
    return row->alwaysTrue ? TRUE : result;
}
