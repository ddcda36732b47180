#include "ioctl_handlers.h"

#include <algorithm>
#include <cstring>

#include "cjc_history.h"
#include "transport.h"

namespace {

// Which caller buffer a vendor request sends from or reads into.
enum class Buffer : uint8_t { None, In, Out };

// How many bytes of an IN reply the caller goes on to read, from its request.
using ReplyNeed = WORD (*)(const IoRequest &request);

// One vendor request of a control code: the command, the caller buffer it uses and its
// direction, which must be the command table's. An IN reply shorter than the caller reads
// fails the request and leaves the buffer as it was; without `need` the caller reads it all.
struct VendorStep {
    BYTE group = 0;
    WORD command = 0;
    Buffer buffer = Buffer::None;
    qms::VendorDirection direction = qms::VendorDirection::Out;
    ReplyNeed need = nullptr;
};

// The device status word read after a command: IN(127,3) 4 into the output buffer.
constexpr VendorStep kStatus{GROUP_DEVICE, CMD_DEVICE_STATUS, Buffer::Out, qms::VendorDirection::In, nullptr};

struct ControlRow;
using Handler = BOOL (*)(DeviceContext *, IoRequest &, const ControlRow &);

struct ControlRow {
    DWORD code = 0;
    DWORD minIn = 0;  // bytes the handler reads from the input buffer (0: not used)
    DWORD minOut = 0; // bytes it writes to the output buffer (0: not used)
    Handler handler = nullptr;
    VendorStep first{};  // the requests of the handlers that run them from the table
    VendorStep second{};
    DWORD returned = 0;       // the count of bytes returned
    bool alwaysTrue = false;  // the result ignores a failed transfer (still recorded)
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

// An IN request whose reply the caller reads up to `needed` bytes of.
bool Receive(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length, WORD needed)
{
    return VendorInAtLeast(context, group, command, buffer, length, needed) || Failed(context);
}

// One request of the command set, with its direction and length from the command table.
bool Issue(DeviceContext *context, const VendorStep &step, IoRequest &request)
{
    const qms::VendorCommand *command = qms::FindVendorCommand(step.group, step.command);
    void *buffer = step.buffer == Buffer::In ? request.in : request.out;
    if (command->direction == qms::VendorDirection::In)
        return Receive(context, step.group, step.command, buffer, command->length,
                       step.need ? step.need(request) : command->length);
    return Send(context, step.group, step.command, buffer, command->length);
}

uint32_t LoadWord(const BYTE *bytes)
{
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// A reply of a status or ready word and one 32-bit value per channel: the caller reads the
// channels its request counted (big-endian u16 at `countOffset` of the request).
template <size_t countOffset> WORD WordAndChannels(const IoRequest &request)
{
    const unsigned count = QmsLoadBe16(request.in + countOffset);
    return static_cast<WORD>(4 + 4 * std::min(count, QMS_AI_CHANNELS));
}

// Bytes 0-5 and 9 of the digital-I/O reply are read; 10 must have come.
constexpr WORD kDioReplyRead = offsetof(DioReply, data) + 2;

// The caller's bytes padded with zeros to the payload the module expects.
template <size_t N> void PadPayload(BYTE (&payload)[N], const IoRequest &request)
{
    std::memset(payload, 0, N);
    std::memcpy(payload, request.in, std::min<size_t>(request.inLength, N));
}

// ---- handlers -----------------------------------------------------------------------------------

// One or two requests under the lock. The second (a status read, a reply) is not sent after a
// failed first one: it would answer nothing, and cost a module that has stopped answering a
// second time-out.
BOOL Exchange(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    TransferLockGuard lock(context);
    return Issue(context, row.first, request) &&
           (row.second.buffer == Buffer::None || Issue(context, row.second, request));
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

// IOCTL_QMS_CJC_CMD37: the reference write, then the history copy whatever the write did.
BOOL WriteReferenceThenHistory(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    Exchange(context, request, row);
    CopyCjcHistory(context, request.out);
    return TRUE;
}

// Digital-I/O read: select the port, read the 12-byte reply, hand out the port value. The
// reply is not asked for when the selection failed.
BOOL DioRead(DeviceContext *context, IoRequest &request, WORD selectCommand, WORD replyCommand,
             bool orDeviceError)
{
    DioSelectPayload select{Swap16(static_cast<uint16_t>(LoadWord(request.in))), Swap16(1)};
    DioReply reply{};
    bool transferred;
    {
        TransferLockGuard lock(context);
        transferred = Send(context, GROUP_DIO, selectCommand, &select, sizeof select) &&
                      Receive(context, GROUP_DIO, replyCommand, &reply, sizeof reply, kDioReplyRead);
    }
    // After a failed transfer the reply holds nothing of the module's: 501 stands and the
    // caller's buffer keeps its content.
    if (!transferred)
        return FALSE;
    const uint16_t value = reply.data[1];
    std::memcpy(request.out, &value, std::min<DWORD>(request.outLength, sizeof value));
    *request.bytesReturned = static_cast<DWORD>(reply.echo[0]) | static_cast<DWORD>(reply.echo[1]) << 8;
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
    // The ready word and the samples of the channels asked for are read on.
    const WORD need = WordAndChannels<offsetof(ScanRequest, channelCount)>(request);
    SampleBlock block{};
    bool ok;
    {
        TransferLockGuard lock(context);
        ok = Send(context, GROUP_AI, CMD_AI_SCAN, scan, sizeof scan);
        const DWORD start = GetTickCount();
        for (int poll = 0; ok; ++poll) {
            ok = Receive(context, GROUP_AI, CMD_AI_SAMPLES, &block, sizeof block, need);
            if (!ok || Swap32(block.ready) != 0)
                break;
            if (GetTickCount() - start >= context->transferTimeout || ModuleRemoved(context))
                ok = Failed(context);
            else if (poll >= kImmediatePolls)
                Sleep(1);
        }
    }
    // A block that failed holds no samples: the caller's buffer keeps its content.
    if (ok)
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
    // Text: a shorter one is the whole text, and the rest of the buffer keeps its content.
    return Receive(context, GROUP_DEVICE, CMD_DEVICE_FW_VERSION, request.out, length, 0);
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

// IOCTL_QMS_CJC_CMD36, reset of the offset to the module's reference: when the module
// accepted it, the new offset is read back so that the history tells the truth.
BOOL ResetCjcOffsetToReference(DeviceContext *context, IoRequest &request, const ControlRow &row)
{
    TransferLockGuard lock(context);
    const BOOL result = Exchange(context, request, row);
    if (result && LoadWord(request.out) == 0) {
        uint32_t offset = 0;
        if (VendorInAll(context, GROUP_AI, CMD_AI_GET_CJC_OFFSET, &offset, sizeof offset))
            StoreOffsetWord(context, offset);
    }
    return result;
}

// ---- the table ------------------------------------------------------------------------------

constexpr VendorStep Out(BYTE group, WORD command, Buffer from)
{
    return {group, command, from, qms::VendorDirection::Out};
}
constexpr VendorStep In(BYTE group, WORD command, Buffer into, ReplyNeed need = nullptr)
{
    return {group, command, into, qms::VendorDirection::In, need};
}

constexpr Buffer kIn = Buffer::In;
constexpr Buffer kOut = Buffer::Out;

constexpr ControlRow kControlRows[] = {
    {.code = IOCTL_QMS_ENABLE_EVENT, .minIn = QMS_ENABLE_EVENT_MIN_IN, .handler = NoDeviceRequest},
    {.code = IOCTL_QMS_DI_READ, .minIn = 4, .minOut = 1, .handler = DiRead},
    {.code = IOCTL_QMS_DO_WRITE, .minIn = 8, .handler = DoWrite, .alwaysTrue = true},
    {.code = IOCTL_QMS_GET_CJC_HISTORY, .minOut = sizeof(CjcHistory), .handler = CopyHistory,
     .returned = sizeof(CjcHistory)},
    {.code = IOCTL_QMS_DO_READBACK, .minIn = 4, .minOut = 1, .handler = DoReadback},
    {.code = IOCTL_QMS_AI_CMD2, .minIn = 4, .minOut = 8, .handler = Exchange,
     .first = Out(GROUP_AI, CMD_AI_CMD2, kIn), .second = In(GROUP_AI, CMD_AI_CMD2_REPLY, kOut), .returned = 8},
    {.code = IOCTL_QMS_AI_CMD1, .minIn = 6, .handler = Exchange, .first = Out(GROUP_AI, CMD_AI_CMD1, kIn)},
    {.code = IOCTL_QMS_GET_BOARD_ID, .minOut = 4, .handler = Exchange,
     .first = In(GROUP_DEVICE, CMD_DEVICE_GET_BOARD_ID, kOut), .returned = 4},
    {.code = IOCTL_QMS_SET_BOARD_ID, .minIn = 4, .handler = SetBoardId,
     .first = Out(GROUP_DEVICE, CMD_DEVICE_SET_BOARD_ID, kIn)},
    {.code = IOCTL_QMS_MAI_READ, .minIn = 6, .minOut = sizeof(SampleBlock), .handler = MaiRead,
     .returned = sizeof(SampleBlock)},
    {.code = IOCTL_QMS_MAI_CONFIG, .minIn = 20, .handler = MaiConfig},
    {.code = IOCTL_QMS_EEPROM_READ, .minIn = 2, .minOut = 8, .handler = Exchange,
     .first = Out(GROUP_EEPROM, CMD_EEPROM_SELECT, kIn), .second = In(GROUP_EEPROM, CMD_EEPROM_READ, kOut),
     .returned = 8},
    {.code = IOCTL_QMS_EEPROM_WRITE, .minIn = 8, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_EEPROM, CMD_EEPROM_WRITE, kIn), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_GET_FW_VERSION, .minOut = 1, .handler = FirmwareVersion},
    {.code = IOCTL_QMS_LOCATE, .minIn = 1, .handler = Exchange, .first = Out(GROUP_DEVICE, CMD_DEVICE_LOCATE, kIn),
     .alwaysTrue = true},
    {.code = IOCTL_QMS_READ_CHAN_CONFIG, .minIn = 6, .minOut = 36, .handler = Exchange,
     .first = Out(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT, kIn),
     .second = In(GROUP_AI, CMD_AI_CHAN_CONFIG_READ, kOut, WordAndChannels<offsetof(ChanConfigReadRequest, channelCount)>),
     .returned = 36},
    {.code = IOCTL_QMS_WRITE_CHAN_CONFIG, .minIn = 40, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE, kIn), .second = kStatus},
    {.code = IOCTL_QMS_CAL_ZERO, .minIn = 2, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_CAL, CMD_CAL_ZERO, kIn), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_CAL_FULL, .minIn = 2, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_CAL, CMD_CAL_FULL, kIn), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_CAL_FULL_ALT, .minIn = 2, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_CAL, CMD_CAL_FULL, kIn), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_FIX_FULL_CAL, .minIn = 2, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_CAL, CMD_CAL_FIX_FULL, kIn), .second = kStatus, .returned = 4},
    // IOCTL_QMS_FIX_ZERO_CAL has no row: the module offers no such command.
    {.code = IOCTL_QMS_CAL_COMPLETE, .minIn = 2, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_CAL, CMD_CAL_COMPLETE, kIn), .second = kStatus, .returned = 4},
    // CJC_CMD36: the payload goes out from the output buffer, which the status then overwrites.
    {.code = IOCTL_QMS_CJC_CMD36, .minOut = 4, .handler = ResetCjcOffsetToReference,
     .first = Out(GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE, kOut), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_SET_CJC_OFFSET, .minIn = 4, .handler = SetCjcOffset,
     .first = Out(GROUP_AI, CMD_AI_SET_CJC_OFFSET, kIn)},
    // The offset and the reference are read into the input buffer.
    {.code = IOCTL_QMS_GET_CJC_OFFSET, .minIn = 4, .handler = GetCjcOffset,
     .first = In(GROUP_AI, CMD_AI_GET_CJC_OFFSET, kIn), .returned = 4},
    {.code = IOCTL_QMS_READ_CJC, .minOut = 8, .handler = Exchange, .first = In(GROUP_AI, CMD_AI_READ_CJC, kOut),
     .returned = 8},
    {.code = IOCTL_QMS_CJC_CMD38, .minIn = 4, .handler = Exchange, .first = In(GROUP_AI, CMD_AI_CJC_READ_REFERENCE, kIn),
     .returned = 4},
    {.code = IOCTL_QMS_CJC_CMD37, .minIn = 4, .minOut = sizeof(CjcHistory), .handler = WriteReferenceThenHistory,
     .first = Out(GROUP_AI, CMD_AI_CJC_WRITE_REFERENCE, kIn), .returned = sizeof(CjcHistory), .alwaysTrue = true},
    {.code = IOCTL_QMS_RESET_AI_CONV, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_AI, CMD_AI_RESET_CONV, kOut), .second = kStatus, .returned = 4},
    {.code = IOCTL_QMS_START_AI_CONV, .minOut = 4, .handler = Exchange,
     .first = Out(GROUP_AI, CMD_AI_START_CONV, kOut), .second = kStatus, .returned = 4},
};

// A step is a request of the module's command set in the direction the command table gives
// it, and it reads or writes no more of its buffer than the row checks for.
constexpr bool StepFits(const VendorStep &step, const ControlRow &row)
{
    if (step.buffer == Buffer::None)
        return step.group == 0 && step.command == 0;
    // By value, not through FindVendorCommand: a pointer compared in a constant expression is
    // refused by the compiler when the sanitizers instrument it.
    for (const qms::VendorCommand &command : qms::kVendorCommands) {
        if (command.group == step.group && command.command == step.command)
            return !command.callerLength && command.direction == step.direction &&
                   command.length <= (step.buffer == Buffer::In ? row.minIn : row.minOut);
    }
    return false;
}

constexpr bool RowsAgreeWithTheCommandTable()
{
    for (const ControlRow &row : kControlRows) {
        if (!row.handler || !StepFits(row.first, row) || !StepFits(row.second, row))
            return false;
        if (row.second.buffer != Buffer::None && row.first.buffer == Buffer::None)
            return false;
    }
    return true;
}

constexpr bool EveryCodeHasOneRow()
{
    for (const ControlRow &row : kControlRows) {
        int rows = 0;
        for (const ControlRow &other : kControlRows)
            rows += other.code == row.code;
        bool known = false;
        for (const qms::ControlCodeName &contract : qms::kControlCodes)
            known = known || contract.code == row.code;
        if (rows != 1 || !known)
            return false;
    }
    return true;
}

static_assert(RowsAgreeWithTheCommandTable(), "a control row disagrees with the module's command table");
static_assert(EveryCodeHasOneRow(), "a control code has no contract entry or more than one row");

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
