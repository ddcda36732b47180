/*
 * The module's command set: every USB vendor request the driver sends on endpoint 0.
 * bRequest carries the command group, wValue the command number, wIndex is always 0 and
 * wLength the payload length. Payloads are big-endian unless a layout says otherwise.
 *
 * The table kVendorCommands (C++) lists every (group, command, direction, length) row; the
 * driver and the simulated module both take their lengths from it.
 * Usable from C (C11) and C++.
 */
#ifndef QMS_VENDOR_H
#define QMS_VENDOR_H

#include <stdint.h>

#include "qms_cdefs.h"

/* bmRequestType of the two request kinds (vendor, recipient device). */
#define QMS_REQTYPE_VENDOR_OUT 0x40u /* host to device */
#define QMS_REQTYPE_VENDOR_IN 0xC0u  /* device to host */

/* Command groups (bRequest). */
enum {
    GROUP_DIO = 1,     /* digital input and output */
    GROUP_AI = 2,      /* analog input, conversion control, CJC sensor */
    GROUP_CAL = 5,     /* calibration */
    GROUP_EEPROM = 16, /* EEPROM access */
    GROUP_DEVICE = 127 /* board ID, version text, locate, open/close notices, status word */
};

/* Command numbers (wValue) of GROUP_DIO. */
enum {
    CMD_DIO_DO_WRITE = 1,         /* OUT 8: DoWritePayload */
    CMD_DIO_DO_READBACK_SELECT = 2, /* OUT 4: DioSelectPayload */
    CMD_DIO_DO_READBACK_REPLY = 3,  /* IN 12: DioReply */
    CMD_DIO_DI_SELECT = 4,        /* OUT 4: DioSelectPayload */
    CMD_DIO_DI_REPLY = 5          /* IN 12: DioReply */
};

/* Command numbers of GROUP_AI. */
enum {
    CMD_AI_CMD1 = 1,               /* OUT 6: caller's bytes */
    CMD_AI_CMD2 = 2,               /* OUT 4: caller's bytes */
    CMD_AI_CMD2_REPLY = 3,         /* IN 8: passed to the caller */
    CMD_AI_SCAN = 4,               /* OUT 8: ScanRequest */
    CMD_AI_SAMPLES = 5,            /* IN 36: SampleBlock */
    CMD_AI_CONFIG = 6,             /* OUT 24: MaiConfigRequest */
    CMD_AI_GET_CJC_OFFSET = 33,    /* IN 4: CJC offset word (low 16 bits used) */
    CMD_AI_SET_CJC_OFFSET = 34,    /* OUT 4: CJC offset word */
    CMD_AI_READ_CJC = 35,          /* IN 8: CjcReading */
    /* The reference offset is what the host's cold-junction measurement found (IOCTL_QMS_CJC_CMD37
     * writes it); the offset itself can be set back to it. Command numbers 36, 37 and 38. */
    CMD_AI_CJC_RESET_TO_REFERENCE = 36, /* OUT 4: caller's bytes; the offset becomes the reference */
    CMD_AI_CJC_WRITE_REFERENCE = 37,    /* OUT 4: reference offset code, big-endian */
    CMD_AI_CJC_READ_REFERENCE = 38,     /* IN 4: reference offset code, passed to the caller */
    CMD_AI_START_CONV = 48,        /* OUT 4: caller's bytes */
    CMD_AI_RESET_CONV = 49,        /* OUT 4: caller's bytes */
    CMD_AI_CHAN_CONFIG_SELECT = 64, /* OUT 6: ChanConfigReadRequest */
    CMD_AI_CHAN_CONFIG_READ = 65,  /* IN 36: ChanConfigReadReply */
    CMD_AI_CHAN_CONFIG_WRITE = 66  /* OUT 40: ChanConfigWriteRequest */
};

/* Command numbers of GROUP_CAL: OUT 2, one big-endian u16 argument each. */
enum {
    CMD_CAL_FULL = 34, /* IOCTL_QMS_CAL_FULL and IOCTL_QMS_CAL_FULL_ALT */
    CMD_CAL_ZERO = 35,
    CMD_CAL_FIX_FULL = 36,
    CMD_CAL_COMPLETE = 38
};

/* Command numbers of GROUP_EEPROM. */
enum {
    CMD_EEPROM_SELECT = 16, /* OUT 2: EepromReadRequest */
    CMD_EEPROM_READ = 17,   /* IN 8: EepromReadReply */
    CMD_EEPROM_WRITE = 18   /* OUT 8: EepromWriteRequest */
};

/* Command numbers of GROUP_DEVICE. */
enum {
    CMD_DEVICE_GET_BOARD_ID = 1,  /* IN 4: board number */
    CMD_DEVICE_SET_BOARD_ID = 2,  /* OUT 4: board number */
    CMD_DEVICE_STATUS = 3,        /* IN 4: status word, 0 = success */
    CMD_DEVICE_FW_VERSION = 5,    /* IN, caller's length: ASCII version text */
    CMD_DEVICE_OPEN_NOTICE = 7,   /* OUT 4: zero bytes, the host has opened the module */
    CMD_DEVICE_CLOSE_NOTICE = 8,  /* OUT 4: zero bytes, the host has closed the module */
    CMD_DEVICE_LOCATE = 9         /* OUT 1: locate indication on (nonzero) or off */
};

/* OUT(1,2) / OUT(1,4) payload: which port to read. */
typedef struct DioSelectPayload {
    uint16_t port;  /* big-endian */
    uint16_t count; /* big-endian 1 */
} DioSelectPayload;

/* OUT(1,1) payload. */
typedef struct DoWritePayload {
    uint16_t port;  /* big-endian */
    uint16_t count; /* big-endian */
    uint32_t value; /* big-endian */
} DoWritePayload;

/* IN(1,3) / IN(1,5) reply. */
typedef struct DioReply {
    uint32_t deviceError; /* taken in host order without swapping; 0 = success */
    uint8_t echo[2];      /* the request's count, must be 00 01 */
    uint8_t reserved6[2];
    uint8_t data[2];      /* big-endian data value; data[1] is the port value */
    uint8_t reserved10[2];
} DioReply;

QMS_STATIC_ASSERT(sizeof(DioSelectPayload) == 4, "DioSelectPayload is 4 bytes");
QMS_STATIC_ASSERT(sizeof(DoWritePayload) == 8, "DoWritePayload is 8 bytes");
QMS_STATIC_ASSERT(sizeof(DioReply) == 12, "DioReply is 12 bytes");

#ifdef __cplusplus
namespace qms {

enum class VendorDirection : uint8_t { Out, In };

struct VendorCommand {
    uint8_t group;
    uint16_t command;
    VendorDirection direction;
    uint16_t length;   // wLength; 0 together with callerLength
    bool callerLength; // wLength is the caller's buffer length (version text)
    const char *name;
};

inline constexpr VendorCommand kVendorCommands[] = {
    {GROUP_DIO, CMD_DIO_DO_WRITE, VendorDirection::Out, 8, false, "DO write"},
    {GROUP_DIO, CMD_DIO_DO_READBACK_SELECT, VendorDirection::Out, 4, false, "DO read-back select"},
    {GROUP_DIO, CMD_DIO_DO_READBACK_REPLY, VendorDirection::In, 12, false, "DO read-back reply"},
    {GROUP_DIO, CMD_DIO_DI_SELECT, VendorDirection::Out, 4, false, "DI select"},
    {GROUP_DIO, CMD_DIO_DI_REPLY, VendorDirection::In, 12, false, "DI reply"},
    {GROUP_AI, CMD_AI_CMD1, VendorDirection::Out, 6, false, "AI command 1"},
    {GROUP_AI, CMD_AI_CMD2, VendorDirection::Out, 4, false, "AI command 2"},
    {GROUP_AI, CMD_AI_CMD2_REPLY, VendorDirection::In, 8, false, "AI command 2 reply"},
    {GROUP_AI, CMD_AI_SCAN, VendorDirection::Out, 8, false, "AI scan request"},
    {GROUP_AI, CMD_AI_SAMPLES, VendorDirection::In, 36, false, "AI sample block"},
    {GROUP_AI, CMD_AI_CONFIG, VendorDirection::Out, 24, false, "AI channel ranges"},
    {GROUP_AI, CMD_AI_GET_CJC_OFFSET, VendorDirection::In, 4, false, "CJC offset read"},
    {GROUP_AI, CMD_AI_SET_CJC_OFFSET, VendorDirection::Out, 4, false, "CJC offset write"},
    {GROUP_AI, CMD_AI_READ_CJC, VendorDirection::In, 8, false, "CJC reading"},
    {GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE, VendorDirection::Out, 4, false, "CJC offset reset to reference"},
    {GROUP_AI, CMD_AI_CJC_WRITE_REFERENCE, VendorDirection::Out, 4, false, "CJC reference write"},
    {GROUP_AI, CMD_AI_CJC_READ_REFERENCE, VendorDirection::In, 4, false, "CJC reference read"},
    {GROUP_AI, CMD_AI_START_CONV, VendorDirection::Out, 4, false, "AI conversion start"},
    {GROUP_AI, CMD_AI_RESET_CONV, VendorDirection::Out, 4, false, "AI conversion reset"},
    {GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT, VendorDirection::Out, 6, false, "parameter block select"},
    {GROUP_AI, CMD_AI_CHAN_CONFIG_READ, VendorDirection::In, 36, false, "parameter block read"},
    {GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE, VendorDirection::Out, 40, false, "parameter block write"},
    {GROUP_CAL, CMD_CAL_FULL, VendorDirection::Out, 2, false, "full-scale calibration"},
    {GROUP_CAL, CMD_CAL_ZERO, VendorDirection::Out, 2, false, "zero calibration"},
    {GROUP_CAL, CMD_CAL_FIX_FULL, VendorDirection::Out, 2, false, "fix full-scale calibration"},
    {GROUP_CAL, CMD_CAL_COMPLETE, VendorDirection::Out, 2, false, "complete calibration"},
    {GROUP_EEPROM, CMD_EEPROM_SELECT, VendorDirection::Out, 2, false, "EEPROM address"},
    {GROUP_EEPROM, CMD_EEPROM_READ, VendorDirection::In, 8, false, "EEPROM read"},
    {GROUP_EEPROM, CMD_EEPROM_WRITE, VendorDirection::Out, 8, false, "EEPROM write"},
    {GROUP_DEVICE, CMD_DEVICE_GET_BOARD_ID, VendorDirection::In, 4, false, "board number read"},
    {GROUP_DEVICE, CMD_DEVICE_SET_BOARD_ID, VendorDirection::Out, 4, false, "board number write"},
    {GROUP_DEVICE, CMD_DEVICE_STATUS, VendorDirection::In, 4, false, "status word"},
    {GROUP_DEVICE, CMD_DEVICE_FW_VERSION, VendorDirection::In, 0, true, "firmware version"},
    {GROUP_DEVICE, CMD_DEVICE_OPEN_NOTICE, VendorDirection::Out, 4, false, "open notice"},
    {GROUP_DEVICE, CMD_DEVICE_CLOSE_NOTICE, VendorDirection::Out, 4, false, "close notice"},
    {GROUP_DEVICE, CMD_DEVICE_LOCATE, VendorDirection::Out, 1, false, "locate"},
};

// The row of a (group, command) pair, or null for a request outside the command set. Each
// pair has one direction only.
constexpr const VendorCommand *FindVendorCommand(unsigned group, unsigned command)
{
    for (const VendorCommand &row : kVendorCommands) {
        if (row.group == group && row.command == command)
            return &row;
    }
    return nullptr;
}

constexpr uint8_t RequestTypeOf(VendorDirection direction)
{
    return direction == VendorDirection::In ? QMS_REQTYPE_VENDOR_IN : QMS_REQTYPE_VENDOR_OUT;
}

} // namespace qms
#endif

#endif
