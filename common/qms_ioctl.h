/*
 * The I/O-control contract between the device API library and the stream driver: control
 * codes, the buffers of each code, the device parameter block ids and the error values the
 * driver leaves behind.
 *
 * Byte order: unless a layout says "host order", every multi-byte field below holds its value
 * big-endian, exactly as the module sends or expects it. The driver passes those bytes
 * through; the API library converts them with Swap16 / Swap32 (qms_byteorder.h). Only the
 * digital-I/O fields, the event settings and CjcHistory are in host order.
 *
 * This header also pulls in the rest of the contract: the module's vendor command set
 * (qms_vendor.h), the names and identifiers (qms_identity.h) and the byte-order helpers.
 * Usable from C (C11) and C++.
 */
#ifndef QMS_IOCTL_H
#define QMS_IOCTL_H

#include <stddef.h>
#include <stdint.h>

#include "qms_byteorder.h"
#include "qms_cdefs.h"
#include "qms_identity.h"
#include "qms_vendor.h"

/* ---- Control code layout ------------------------------------------------------------------
 * device type in bits 31-16, access in bits 15-14, function in bits 13-2, method in 1-0. */

#define QMS_CTL_CODE(deviceType, function, method, access)                                  \
    (((uint32_t)(deviceType) << 16) | ((uint32_t)(access) << 14) |                          \
     ((uint32_t)(function) << 2) | (uint32_t)(method))

/* Buffered: on this platform the caller's buffers reach the driver directly. */
#define QMS_METHOD_BUFFERED 0u

/* The two device types of the contract and the access bits each is used with. */
#define QMS_DEVTYPE_EVENT_DIO 0x9C40u /* access 0 or 1 */
#define QMS_DEVTYPE_MODULE 0xDC7Fu    /* access 3 */

QMS_INLINE uint32_t QmsCtlDeviceType(uint32_t code) { return code >> 16; }
QMS_INLINE uint32_t QmsCtlAccess(uint32_t code) { return (code >> 14) & 0x3u; }
QMS_INLINE uint32_t QmsCtlFunction(uint32_t code) { return (code >> 2) & 0xFFFu; }
QMS_INLINE uint32_t QmsCtlMethod(uint32_t code) { return code & 0x3u; }

/* ---- Control codes ------------------------------------------------------------------------ */

#define IOCTL_QMS_ENABLE_EVENT 0x9C4024C4u
#define IOCTL_QMS_DI_READ 0x9C407830u
#define IOCTL_QMS_DO_WRITE 0x9C407834u
#define IOCTL_QMS_GET_CJC_HISTORY 0x9C407C00u
#define IOCTL_QMS_DO_READBACK 0xDC7FF864u
#define IOCTL_QMS_AI_CMD2 0xDC7FF880u
#define IOCTL_QMS_AI_CMD1 0xDC7FF8ACu
#define IOCTL_QMS_GET_BOARD_ID 0xDC7FF8C0u
#define IOCTL_QMS_SET_BOARD_ID 0xDC7FF8C4u
#define IOCTL_QMS_MAI_READ 0xDC7FF8C8u
#define IOCTL_QMS_MAI_CONFIG 0xDC7FF8CCu
#define IOCTL_QMS_EEPROM_READ 0xDC7FF8DCu
#define IOCTL_QMS_EEPROM_WRITE 0xDC7FF8E0u
#define IOCTL_QMS_GET_FW_VERSION 0xDC7FF8FCu
#define IOCTL_QMS_LOCATE 0xDC7FF90Cu
#define IOCTL_QMS_READ_CHAN_CONFIG 0xDC7FF940u
#define IOCTL_QMS_WRITE_CHAN_CONFIG 0xDC7FF944u
#define IOCTL_QMS_CAL_ZERO 0xDC7FF948u
#define IOCTL_QMS_CAL_FULL 0xDC7FF94Cu
#define IOCTL_QMS_CAL_FULL_ALT 0xDC7FF950u
#define IOCTL_QMS_FIX_FULL_CAL 0xDC7FF954u
#define IOCTL_QMS_FIX_ZERO_CAL 0xDC7FF958u /* the driver does not support it: last error 50 */
#define IOCTL_QMS_CAL_COMPLETE 0xDC7FF95Cu
#define IOCTL_QMS_CJC_CMD36 0xDC7FF968u /* CJC offset reset to the reference, then status */
#define IOCTL_QMS_SET_CJC_OFFSET 0xDC7FF96Cu
#define IOCTL_QMS_GET_CJC_OFFSET 0xDC7FF970u
#define IOCTL_QMS_READ_CJC 0xDC7FF974u
#define IOCTL_QMS_CJC_CMD38 0xDC7FF978u /* CJC reference read */
#define IOCTL_QMS_CJC_CMD37 0xDC7FF97Cu /* CJC reference write, then the history */
#define IOCTL_QMS_RESET_AI_CONV 0xDC7FF9A8u
#define IOCTL_QMS_START_AI_CONV 0xDC7FF9ACu

#define QMS_ASSERT_CTL(name, deviceType, function, access)                                  \
    QMS_STATIC_ASSERT(name == QMS_CTL_CODE(deviceType, function, QMS_METHOD_BUFFERED, access), \
                      #name " decomposes as documented")
QMS_ASSERT_CTL(IOCTL_QMS_ENABLE_EVENT, QMS_DEVTYPE_EVENT_DIO, 0x931, 0);
QMS_ASSERT_CTL(IOCTL_QMS_DI_READ, QMS_DEVTYPE_EVENT_DIO, 0xE0C, 1);
QMS_ASSERT_CTL(IOCTL_QMS_DO_WRITE, QMS_DEVTYPE_EVENT_DIO, 0xE0D, 1);
QMS_ASSERT_CTL(IOCTL_QMS_GET_CJC_HISTORY, QMS_DEVTYPE_EVENT_DIO, 0xF00, 1);
QMS_ASSERT_CTL(IOCTL_QMS_DO_READBACK, QMS_DEVTYPE_MODULE, 0xE19, 3);
QMS_ASSERT_CTL(IOCTL_QMS_AI_CMD2, QMS_DEVTYPE_MODULE, 0xE20, 3);
QMS_ASSERT_CTL(IOCTL_QMS_AI_CMD1, QMS_DEVTYPE_MODULE, 0xE2B, 3);
QMS_ASSERT_CTL(IOCTL_QMS_GET_BOARD_ID, QMS_DEVTYPE_MODULE, 0xE30, 3);
QMS_ASSERT_CTL(IOCTL_QMS_SET_BOARD_ID, QMS_DEVTYPE_MODULE, 0xE31, 3);
QMS_ASSERT_CTL(IOCTL_QMS_MAI_READ, QMS_DEVTYPE_MODULE, 0xE32, 3);
QMS_ASSERT_CTL(IOCTL_QMS_MAI_CONFIG, QMS_DEVTYPE_MODULE, 0xE33, 3);
QMS_ASSERT_CTL(IOCTL_QMS_EEPROM_READ, QMS_DEVTYPE_MODULE, 0xE37, 3);
QMS_ASSERT_CTL(IOCTL_QMS_EEPROM_WRITE, QMS_DEVTYPE_MODULE, 0xE38, 3);
QMS_ASSERT_CTL(IOCTL_QMS_GET_FW_VERSION, QMS_DEVTYPE_MODULE, 0xE3F, 3);
QMS_ASSERT_CTL(IOCTL_QMS_LOCATE, QMS_DEVTYPE_MODULE, 0xE43, 3);
QMS_ASSERT_CTL(IOCTL_QMS_READ_CHAN_CONFIG, QMS_DEVTYPE_MODULE, 0xE50, 3);
QMS_ASSERT_CTL(IOCTL_QMS_WRITE_CHAN_CONFIG, QMS_DEVTYPE_MODULE, 0xE51, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CAL_ZERO, QMS_DEVTYPE_MODULE, 0xE52, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CAL_FULL, QMS_DEVTYPE_MODULE, 0xE53, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CAL_FULL_ALT, QMS_DEVTYPE_MODULE, 0xE54, 3);
QMS_ASSERT_CTL(IOCTL_QMS_FIX_FULL_CAL, QMS_DEVTYPE_MODULE, 0xE55, 3);
QMS_ASSERT_CTL(IOCTL_QMS_FIX_ZERO_CAL, QMS_DEVTYPE_MODULE, 0xE56, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CAL_COMPLETE, QMS_DEVTYPE_MODULE, 0xE57, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CJC_CMD36, QMS_DEVTYPE_MODULE, 0xE5A, 3);
QMS_ASSERT_CTL(IOCTL_QMS_SET_CJC_OFFSET, QMS_DEVTYPE_MODULE, 0xE5B, 3);
QMS_ASSERT_CTL(IOCTL_QMS_GET_CJC_OFFSET, QMS_DEVTYPE_MODULE, 0xE5C, 3);
QMS_ASSERT_CTL(IOCTL_QMS_READ_CJC, QMS_DEVTYPE_MODULE, 0xE5D, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CJC_CMD38, QMS_DEVTYPE_MODULE, 0xE5E, 3);
QMS_ASSERT_CTL(IOCTL_QMS_CJC_CMD37, QMS_DEVTYPE_MODULE, 0xE5F, 3);
QMS_ASSERT_CTL(IOCTL_QMS_RESET_AI_CONV, QMS_DEVTYPE_MODULE, 0xE6A, 3);
QMS_ASSERT_CTL(IOCTL_QMS_START_AI_CONV, QMS_DEVTYPE_MODULE, 0xE6B, 3);
#undef QMS_ASSERT_CTL

/* ---- Driver error values -------------------------------------------------------------------
 * The driver stores the plain value in DeviceContext.LastErrorCode and sets the thread's last
 * error to the value with bit 29; the API library strips the bit again. */

#define QMS_DRIVER_ERROR_BIT 0x20000000u
#define QMS_DRIVER_ERROR(plain) ((uint32_t)(plain) | QMS_DRIVER_ERROR_BIT)

#define QMS_DRVERR_BAD_CONTEXT 3u   /* null open context or wrong signature */
#define QMS_DRVERR_BAD_BUFFER 10u   /* a required buffer is missing or the input too short */
#define QMS_DRVERR_TRANSFER 501u    /* a vendor request failed (error, time-out, stall) */
#define QMS_DRVERR_DIO_ECHO 503u    /* digital-I/O reply does not echo the count 00 01 */
#define QMS_LASTERR_BAD_CONTEXT 0x20000003u
#define QMS_LASTERR_BAD_BUFFER 0x2000000Au
#define QMS_LASTERR_TRANSFER 0x200001F5u
#define QMS_LASTERR_DIO_ECHO 0x200001F7u
/* Unknown control code: thread last error only, LastErrorCode untouched. */
#define QMS_LASTERR_UNKNOWN_CODE 50u

QMS_STATIC_ASSERT(QMS_LASTERR_BAD_CONTEXT == QMS_DRIVER_ERROR(QMS_DRVERR_BAD_CONTEXT), "bit 29");
QMS_STATIC_ASSERT(QMS_LASTERR_BAD_BUFFER == QMS_DRIVER_ERROR(QMS_DRVERR_BAD_BUFFER), "bit 29");
QMS_STATIC_ASSERT(QMS_LASTERR_TRANSFER == QMS_DRIVER_ERROR(QMS_DRVERR_TRANSFER), "bit 29");
QMS_STATIC_ASSERT(QMS_LASTERR_DIO_ECHO == QMS_DRIVER_ERROR(QMS_DRVERR_DIO_ECHO), "bit 29");

/* ---- Common sizes ------------------------------------------------------------------------- */

#define QMS_AI_CHANNELS 8u          /* analog input channels; slots of every per-channel buffer */
#define QMS_STATUS_WORD_BYTES 4u    /* big-endian device status word, 0 = success */
#define QMS_FW_VERSION_BYTES 64u    /* what the API library asks IOCTL_QMS_GET_FW_VERSION for */
#define QMS_AI_CMD1_IN_BYTES 6u
#define QMS_AI_CMD2_IN_BYTES 4u
#define QMS_AI_CMD2_OUT_BYTES 8u
#define QMS_ENABLE_EVENT_MIN_IN 16u

/* ---- Device parameter blocks (per-channel tables kept in the module) ---------------------- */

#define QMS_BLOCK_RANGE_INDEX 0x210u     /* row of the internal gain list per channel */
#define QMS_BLOCK_BURNOUT_SETTING 0x220u
#define QMS_BLOCK_BURNOUT_STATUS 0x230u  /* nonzero when the thermocouple is open; read only */
#define QMS_BLOCK_4_20MA_EXCEPTION 0x240u

/* ---- Buffers ------------------------------------------------------------------------------ */

/* IOCTL_QMS_ENABLE_EVENT input: host order, not examined by the driver beyond its length. */
typedef struct EnableEventRequest {
    uint16_t enable;
    uint16_t eventType;
    uint16_t count;
    uint16_t reserved6;
    uint32_t processId;
    uint32_t reserved12;
} EnableEventRequest;

/* IOCTL_QMS_DI_READ / IOCTL_QMS_DO_READBACK input, host order. The driver uses the low 16 bits
 * of the port; the output is a host-order u16 port value 0-255. */
typedef struct DioReadRequest {
    uint32_t port;
    uint32_t count;
} DioReadRequest;

/* IOCTL_QMS_DO_WRITE input, host order: inLength = count + 8. The port bytes follow the
 * header, one per port, the rest 0; the driver takes the four bytes as one u32 value. */
typedef struct DoWriteRequest {
    uint32_t port;
    uint32_t count;
    uint32_t value;
} DoWriteRequest;

/* IOCTL_QMS_MAI_READ input (8 bytes sent; the last two are not used by the module). */
typedef struct ScanRequest {
    uint16_t startChannel;
    uint16_t channelCount;
    uint16_t mode;
    uint16_t reserved;
} ScanRequest;

/* IOCTL_QMS_MAI_READ output, IN(2,5): ready word (nonzero when the samples are there), then
 * one sample per position; a reading is the low 16 bits of its sample. */
typedef struct SampleBlock {
    uint32_t ready;
    uint32_t samples[8];
} SampleBlock;

/* IOCTL_QMS_MAI_CONFIG input (24 bytes sent; the last four are not used by the module). */
typedef struct MaiConfigRequest {
    uint16_t startChannel;
    uint16_t channelCount;
    uint16_t codes[8]; /* module code per position; slots beyond the count are 0 */
    uint16_t reserved[2];
} MaiConfigRequest;

/* IOCTL_QMS_READ_CHAN_CONFIG input: header only. */
typedef struct ChanConfigReadRequest {
    uint16_t blockId;
    uint16_t firstChannel;
    uint16_t channelCount; /* at most 8 */
} ChanConfigReadRequest;

/* IOCTL_QMS_READ_CHAN_CONFIG output: status word, then the first channelCount values. */
typedef struct ChanConfigReadReply {
    uint32_t status;
    uint32_t values[8];
} ChanConfigReadReply;

/* IOCTL_QMS_WRITE_CHAN_CONFIG input: the values first, the header at offset 32. */
typedef struct ChanConfigWriteRequest {
    uint32_t values[8]; /* the first channelCount used, the rest 0 */
    uint16_t blockId;
    uint16_t firstChannel;
    uint16_t channelCount;
    uint16_t reserved;
} ChanConfigWriteRequest;

/* Output of every command that ends with the status read IN(127,3). */
typedef struct StatusReply {
    uint32_t status; /* 0 = success, else a device error code */
} StatusReply;

/* Input of the calibration commands: the range's module code or the caller's value. */
typedef struct CalibrationRequest {
    uint16_t argument;
} CalibrationRequest;

/* IOCTL_QMS_EEPROM_READ input. */
typedef struct EepromReadRequest {
    uint16_t address;
} EepromReadRequest;

/* IOCTL_QMS_EEPROM_READ output, IN(16,17). */
typedef struct EepromReadReply {
    uint32_t data;
    uint32_t status; /* device flag: nonzero when the module reports an error */
} EepromReadReply;

/* IOCTL_QMS_EEPROM_WRITE input, OUT(16,18). */
typedef struct EepromWriteRequest {
    uint32_t data;
    uint16_t address;
    uint16_t reserved;
} EepromWriteRequest;

/* A big-endian 32-bit word: board ID (GET/SET_BOARD_ID), CJC offset code (SET/GET_CJC_OFFSET,
 * the reference written by CJC_CMD37 and read by CJC_CMD38; low 16 bits used), or
 * payload-then-status (CJC_CMD36, the reset to the reference; START/RESET_AI_CONV). */
typedef struct ModuleWord {
    uint32_t value;
} ModuleWord;

/* IOCTL_QMS_READ_CJC output, IN(2,35). */
typedef struct CjcReading {
    uint32_t reading; /* low 16 bits: the CJC code */
    uint32_t valid;   /* nonzero when the reading is valid */
} CjcReading;

#define QMS_CJC_HISTORY_SLOTS 5u

/* IOCTL_QMS_GET_CJC_HISTORY / IOCTL_QMS_CJC_CMD37 output, kept in the DeviceContext. Host
 * order. The sampler stores sample n in slot n % 5; count saturates at 5. */
typedef struct CjcHistory {
    uint16_t samples[5];
    uint16_t offsetWord; /* the module's CJC offset code as read when the device started */
    uint16_t count;
} CjcHistory;

QMS_STATIC_ASSERT(sizeof(EnableEventRequest) == 16, "EnableEventRequest is 16 bytes");
QMS_STATIC_ASSERT(sizeof(DioReadRequest) == 8, "DioReadRequest is 8 bytes");
QMS_STATIC_ASSERT(sizeof(DoWriteRequest) == 12, "DoWriteRequest is 12 bytes");
QMS_STATIC_ASSERT(sizeof(ScanRequest) == 8, "ScanRequest is 8 bytes");
QMS_STATIC_ASSERT(sizeof(SampleBlock) == 36, "SampleBlock is 36 bytes");
QMS_STATIC_ASSERT(sizeof(MaiConfigRequest) == 24, "MaiConfigRequest is 24 bytes");
QMS_STATIC_ASSERT(sizeof(ChanConfigReadRequest) == 6, "ChanConfigReadRequest is 6 bytes");
QMS_STATIC_ASSERT(sizeof(ChanConfigReadReply) == 36, "ChanConfigReadReply is 36 bytes");
QMS_STATIC_ASSERT(sizeof(ChanConfigWriteRequest) == 40, "ChanConfigWriteRequest is 40 bytes");
QMS_STATIC_ASSERT(offsetof(ChanConfigWriteRequest, blockId) == 32, "write header at 32");
QMS_STATIC_ASSERT(sizeof(StatusReply) == 4, "StatusReply is 4 bytes");
QMS_STATIC_ASSERT(sizeof(CalibrationRequest) == 2, "CalibrationRequest is 2 bytes");
QMS_STATIC_ASSERT(sizeof(EepromReadRequest) == 2, "EepromReadRequest is 2 bytes");
QMS_STATIC_ASSERT(sizeof(EepromReadReply) == 8, "EepromReadReply is 8 bytes");
QMS_STATIC_ASSERT(sizeof(EepromWriteRequest) == 8, "EepromWriteRequest is 8 bytes");
QMS_STATIC_ASSERT(sizeof(ModuleWord) == 4, "ModuleWord is 4 bytes");
QMS_STATIC_ASSERT(sizeof(CjcReading) == 8, "CjcReading is 8 bytes");
QMS_STATIC_ASSERT(sizeof(CjcHistory) == 14, "CjcHistory is 14 bytes");
QMS_STATIC_ASSERT(offsetof(CjcHistory, offsetWord) == 10 && offsetof(CjcHistory, count) == 12,
                  "CjcHistory offsets");

#ifdef __cplusplus
namespace qms {

struct ControlCodeName {
    const char *name;
    uint32_t code;
};

// Every control code of the contract, in code order (for dispatch checks and logging).
inline constexpr ControlCodeName kControlCodes[] = {
    {"IOCTL_QMS_ENABLE_EVENT", IOCTL_QMS_ENABLE_EVENT},
    {"IOCTL_QMS_DI_READ", IOCTL_QMS_DI_READ},
    {"IOCTL_QMS_DO_WRITE", IOCTL_QMS_DO_WRITE},
    {"IOCTL_QMS_GET_CJC_HISTORY", IOCTL_QMS_GET_CJC_HISTORY},
    {"IOCTL_QMS_DO_READBACK", IOCTL_QMS_DO_READBACK},
    {"IOCTL_QMS_AI_CMD2", IOCTL_QMS_AI_CMD2},
    {"IOCTL_QMS_AI_CMD1", IOCTL_QMS_AI_CMD1},
    {"IOCTL_QMS_GET_BOARD_ID", IOCTL_QMS_GET_BOARD_ID},
    {"IOCTL_QMS_SET_BOARD_ID", IOCTL_QMS_SET_BOARD_ID},
    {"IOCTL_QMS_MAI_READ", IOCTL_QMS_MAI_READ},
    {"IOCTL_QMS_MAI_CONFIG", IOCTL_QMS_MAI_CONFIG},
    {"IOCTL_QMS_EEPROM_READ", IOCTL_QMS_EEPROM_READ},
    {"IOCTL_QMS_EEPROM_WRITE", IOCTL_QMS_EEPROM_WRITE},
    {"IOCTL_QMS_GET_FW_VERSION", IOCTL_QMS_GET_FW_VERSION},
    {"IOCTL_QMS_LOCATE", IOCTL_QMS_LOCATE},
    {"IOCTL_QMS_READ_CHAN_CONFIG", IOCTL_QMS_READ_CHAN_CONFIG},
    {"IOCTL_QMS_WRITE_CHAN_CONFIG", IOCTL_QMS_WRITE_CHAN_CONFIG},
    {"IOCTL_QMS_CAL_ZERO", IOCTL_QMS_CAL_ZERO},
    {"IOCTL_QMS_CAL_FULL", IOCTL_QMS_CAL_FULL},
    {"IOCTL_QMS_CAL_FULL_ALT", IOCTL_QMS_CAL_FULL_ALT},
    {"IOCTL_QMS_FIX_FULL_CAL", IOCTL_QMS_FIX_FULL_CAL},
    {"IOCTL_QMS_FIX_ZERO_CAL", IOCTL_QMS_FIX_ZERO_CAL},
    {"IOCTL_QMS_CAL_COMPLETE", IOCTL_QMS_CAL_COMPLETE},
    {"IOCTL_QMS_CJC_CMD36", IOCTL_QMS_CJC_CMD36},
    {"IOCTL_QMS_SET_CJC_OFFSET", IOCTL_QMS_SET_CJC_OFFSET},
    {"IOCTL_QMS_GET_CJC_OFFSET", IOCTL_QMS_GET_CJC_OFFSET},
    {"IOCTL_QMS_READ_CJC", IOCTL_QMS_READ_CJC},
    {"IOCTL_QMS_CJC_CMD38", IOCTL_QMS_CJC_CMD38},
    {"IOCTL_QMS_CJC_CMD37", IOCTL_QMS_CJC_CMD37},
    {"IOCTL_QMS_RESET_AI_CONV", IOCTL_QMS_RESET_AI_CONV},
    {"IOCTL_QMS_START_AI_CONV", IOCTL_QMS_START_AI_CONV},
};

// The name of a control code, or null for a code outside the contract.
constexpr const char *ControlCodeNameOf(uint32_t code)
{
    for (const ControlCodeName &entry : kControlCodes) {
        if (entry.code == code)
            return entry.name;
    }
    return nullptr;
}

constexpr bool IsDriverError(uint32_t lastError) { return (lastError & QMS_DRIVER_ERROR_BIT) != 0; }

} // namespace qms
#endif

#endif
