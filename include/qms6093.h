/*
 * Public interface of the USB-6093 device API library (libqms6093).
 *
 * An application opens a module by device number and gets a 32-bit device handle (never 0);
 * every function returns a 32-bit code, 0 for success, and delivers data through the
 * caller's pointers. This header holds the constants, the fixed record layouts and the
 * DriverProc parameter blocks; the functions are declared in the last section.
 *
 * Layouts: every record has the documented size and offsets. Records without pointers are
 * identical on 32-bit and 64-bit hosts. The DriverProc parameter blocks carry pointers as
 * real pointers, so a 32-bit build has exactly the documented 32-bit offsets; on a 64-bit
 * host each pointer is 8 bytes on an 8-byte boundary, and the comment of each block gives
 * that layout as well. The sizes are checked here for both; the tests check every offset.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS6093_H
#define QMS6093_H

#include <stddef.h>
#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h>
#endif

#include "qms_cdefs.h"
#include "qms_export.h"
#include "qms_gainlist.h"

/* ==== Constants =========================================================================== */

/* ---- Result codes ----
 * 0 success; plain codes; device codes (device number x 4096) + 4096 + error index; driver
 * codes (device number + 1) x 4096 + the driver's mapped last error (the same formula);
 * device status words passed through as the module sent them. */
#define QMS_SUCCESS 0u
#define QMS_ERR_REFUSED 1u          /* follow-up command refused (calibration, CJC offset) */
#define QMS_ERR_SETTINGS 2u         /* the device number's registry settings are unreadable */
#define QMS_ERR_NULL_HANDLE 3u
#define QMS_ERR_SCALE 5u            /* AIScale: maximum count equals offset count */
#define QMS_ERR_NULL_BUFFER 10u     /* DeviceGetFeatures */
#define QMS_ERR_FUNCTION_CODE 27u   /* DriverProc: function code not supported */

/* Error indexes of device codes. */
#define QMS_ERRIDX_NO_RECORD 1u
#define QMS_ERRIDX_BOARD_ID 2u          /* registry BoardID is not the device type code */
#define QMS_ERRIDX_OUT_OF_RANGE 7u      /* channel count, start channel or port */
#define QMS_ERRIDX_RANGE_CODE 8u        /* range code not in the gain list */
#define QMS_ERRIDX_ARGUMENT 10u         /* null buffer, bit above 7, buffer too small */
#define QMS_ERRIDX_PARAMETERS 20u       /* parameter blocks unreadable at open; handle valid */
#define QMS_ERRIDX_DEVICE_TYPE 24u
#define QMS_ERRIDX_STREAM_OPEN 26u
#define QMS_ERRIDX_PROPERTY_SIZE 32u
#define QMS_ERRIDX_EVENTS 37u
#define QMS_ERRIDX_PROPERTY_CODE 62u
#define QMS_ERRIDX_BURNOUT 66u          /* thermocouple open */
#define QMS_ERRIDX_CJC_HISTORY 106u
#define QMS_ERRIDX_BLOCK_ACCESS 501u    /* a parameter block or EEPROM access failed */

/* The device code of an error index, or the driver code of a mapped driver error. */
QMS_INLINE uint32_t QmsDeviceCode(uint32_t deviceNumber, uint32_t indexOrMapped)
{
    return deviceNumber * 4096u + 4096u + indexOrMapped;
}

/* ---- Range codes ---- */
#define QMS_RANGE_0_15MV 0x0008u
#define QMS_RANGE_0_50MV 0x000Au
#define QMS_RANGE_0_100MV 0x000Bu
#define QMS_RANGE_0_500MV 0x000Du
#define QMS_RANGE_0_1V 0x000Eu
#define QMS_RANGE_0_2500MV 0x000Fu
#define QMS_RANGE_0_20MA 0x8000u
#define QMS_RANGE_4_20MA 0x8001u
#define QMS_RANGE_CURRENT_BIT 0x8000u
#define QMS_RANGE_UNCHANGED 0x00FFu /* MAIConfig leaves that position as it is */

/* ---- CheckEvent event codes ---- */
#define QMS_EVENT_WAIT_FAILED 0x0000u
#define QMS_EVENT_DEVICE_REMOVED 0x0400u
#define QMS_EVENT_HANDLE_CLOSING 0xFFFEu
#define QMS_EVENT_TIMEOUT 0xFFFFu

/* ---- Property codes of DeviceGetProperty / DeviceSetProperty ---- */
#define QMS_PROP_DEVICE_NUMBER 0x0000u
#define QMS_PROP_BOARD_ID 0x0001u
#define QMS_PROP_SWITCH_ID 0x0002u
#define QMS_PROP_BURNOUT_SETTINGS 0x1003u
#define QMS_PROP_4_20MA_EXCEPTIONS 0x1004u
#define QMS_PROP_USER_DATA 0x8000u
#define QMS_USER_DATA_BYTES 32u

/* ---- DriverProc function codes (low 16 bits of the third argument) ---- */
enum {
    FC_DEVICE_OPEN = 0,
    FC_DEVICE_CLOSE = 1,
    FC_DEVICE_GET_FEATURES = 2,
    FC_AI_CONFIG = 3,
    FC_AI_GET_CONFIG = 4,
    FC_AI_BINARY_IN = 5,
    FC_AI_SCALE = 6,
    FC_AI_VOLTAGE_IN = 7,
    FC_MAI_CONFIG = 9,
    FC_MAI_BINARY_IN = 10,
    FC_MAI_VOLTAGE_IN = 11,
    FC_TC_MUX_READ = 13,
    FC_DIO_READ_PORT_BYTE = 20,
    FC_DIO_WRITE_PORT_BYTE = 21,
    FC_DIO_READ_BIT = 22,
    FC_DIO_WRITE_BIT = 23,
    FC_DIO_GET_CURRENT_DO_BYTE = 24,
    FC_DIO_GET_CURRENT_DO_BIT = 25,
    FC_CHECK_EVENT = 78,
    FC_DEVICE_SET_PROPERTY = 108,
    FC_DEVICE_GET_PROPERTY = 109,
    FC_DIO_READ_PORT_WORD = 122,
    FC_DIO_WRITE_PORT_WORD = 123,
    FC_DIO_READ_PORT_DWORD = 124,
    FC_DIO_WRITE_PORT_DWORD = 125,
    FC_DIO_GET_CURRENT_DO_WORD = 126,
    FC_DIO_GET_CURRENT_DO_DWORD = 127,
    FC_DIO_READ_DI_PORTS = 134,
    FC_DIO_WRITE_DO_PORTS = 135,
    FC_DIO_GET_CURRENT_DO_PORTS_STATE = 136
};

/* ==== Records ============================================================================= */

/* One entry of the gain list in DeviceFeatures: 44 bytes. */
typedef struct GainListEntry {
    uint16_t rangeCode;
    uint16_t reserved2;
    float high;         /* high end of the span, volts or milliamperes */
    float low;          /* low end */
    char16_t name[16];  /* UTF-16, NUL-terminated, e.g. "0-2.5V" */
} GainListEntry;

/* Static description of the module returned by DeviceGetFeatures: 800 bytes. The library
 * itself reads the channel count, the A/D resolution and the gain list; the fields named by
 * their offset are reported unchanged. */
typedef struct DeviceFeatures {
    char16_t version[8];        /*   0: "Ver 2.4" */
    char16_t fileName[16];      /*  16: "Qms6093.dll" */
    uint32_t deviceType;        /*  48: 198 */
    uint16_t channelCount;      /*  52: 8 analog input channels */
    uint16_t value54;           /*  54: 0 */
    uint16_t value56;           /*  56: 0 */
    uint16_t value58;           /*  58: 8 */
    uint16_t value60;           /*  60: 8 */
    uint16_t value62[3];        /*  62: 0 */
    uint16_t adResolution;      /*  68: 16 bits */
    uint16_t value70;           /*  70: 2 */
    uint16_t value72[2];        /*  72: 0 */
    uint16_t gainCount;         /*  76: 8 valid gain list entries */
    uint16_t value78;           /*  78: 0 */
    GainListEntry gainList[16]; /*  80: 8 used entries, 8 zero entries */
    uint32_t tail[4];           /* 784: 0x1101, 0, 0, 0 */
} DeviceFeatures;

/* Registry settings of one device number, as the library reads them: 40 bytes. */
typedef struct DeviceSettings {
    uint32_t BoardID;         /*  0: device type code, must be 198 */
    uint32_t SwitchID;        /*  4: the module's board number */
    char16_t CallName[10];    /*  8: stream device name, at most 9 characters */
    uint32_t AllowConflicts;  /* 28 */
    uint32_t TCReadBackChan;  /* 32 */
    uint32_t TCReadBackType;  /* 36 */
} DeviceSettings;

/* One of the 16 channel entries of the AIGetConfig result: 16 bytes. The library writes 0 to
 * every field and leaves the two reserved halves as they were. */
typedef struct AIConfigEntry {
    uint32_t value0;
    uint16_t value4;
    uint16_t reserved6;
    uint32_t value8;
    uint16_t value12;
    uint16_t reserved14;
} AIConfigEntry;

/* What AIGetConfig writes: 276 bytes. */
typedef struct AIGetConfigResult {
    uint32_t deviceType;       /*  0: the record's BoardID */
    uint32_t value4;           /*  4: 1 */
    uint16_t value8[4];        /*  8: 0 */
    uint16_t value16;          /* 16: 0xFFFF */
    uint16_t reserved18;       /* 18: not written */
    AIConfigEntry entries[16]; /* 20 */
} AIGetConfigResult;

QMS_STATIC_ASSERT(sizeof(GainListEntry) == 44, "GainListEntry is 44 bytes");
QMS_STATIC_ASSERT(sizeof(DeviceFeatures) == 800, "DeviceFeatures is 800 bytes");
QMS_STATIC_ASSERT(offsetof(DeviceFeatures, gainList) == 80, "gain list at 80");
QMS_STATIC_ASSERT(offsetof(DeviceFeatures, tail) == 784, "tail at 784");
QMS_STATIC_ASSERT(sizeof(DeviceSettings) == 40, "DeviceSettings is 40 bytes");
QMS_STATIC_ASSERT(sizeof(AIConfigEntry) == 16, "AIConfigEntry is 16 bytes");
QMS_STATIC_ASSERT(sizeof(AIGetConfigResult) == 276, "AIGetConfigResult is 276 bytes");
QMS_STATIC_ASSERT(offsetof(AIGetConfigResult, entries) == 20, "entries at 20");

/* ==== DriverProc parameter blocks ===========================================================
 * One block per function code; codes with the same layout share a block. Offsets are given
 * as 32-bit / 64-bit. Code 0 takes the block pointer itself as the handle out pointer and
 * code 1 reads no block. */

/* 2 DeviceGetFeatures. 32-bit: buffer 0, size 4; 8 bytes. 64-bit: 0, 8; 16 bytes. */
typedef struct DeviceGetFeaturesParams {
    DeviceFeatures *buffer;
    uint16_t size;
} DeviceGetFeaturesParams;

/* 3 AIConfig: channel 0, rangeCode 2; 4 bytes on every host. */
typedef struct AIConfigParams {
    uint16_t channel;
    uint16_t rangeCode;
} AIConfigParams;

/* 4 AIGetConfig. 32-bit: result 0, size 4; 8 bytes. 64-bit: 0, 8; 16 bytes. */
typedef struct AIGetConfigParams {
    AIGetConfigResult *result;
    uint16_t size;
} AIGetConfigParams;

/* 5 AIBinaryIn. 32-bit: channel 0, mode 2, reading 4; 8 bytes.
 * 64-bit: reading 8; 16 bytes. */
typedef struct AIBinaryInParams {
    uint16_t channel;
    uint16_t mode;
    uint16_t *reading;
} AIBinaryInParams;

/* 6 AIScale (no target). 32-bit: reading 0, maxValue 4, maxCount 8, offsetCount 10,
 * result 12; 16 bytes. 64-bit: result 16; 24 bytes. maxValue is the float's 32-bit pattern. */
typedef struct AIScaleParams {
    uint16_t reading;
    uint16_t reserved2;
    float maxValue;
    uint16_t maxCount;
    uint16_t offsetCount;
    float *result;
} AIScaleParams;

/* 7 AIVoltageIn. 32-bit: channel 0, rangeCode 2, mode 4, value 8; 12 bytes.
 * 64-bit: value 8; 16 bytes. */
typedef struct AIVoltageInParams {
    uint16_t channel;
    uint16_t rangeCode;
    uint16_t mode;
    uint16_t reserved6;
    float *value;
} AIVoltageInParams;

/* 9 MAIConfig. 32-bit: count 0, start 2, rangeCodes 4; 8 bytes.
 * 64-bit: rangeCodes 8; 16 bytes. */
typedef struct MAIConfigParams {
    uint16_t count;
    uint16_t start;
    uint16_t *rangeCodes;
} MAIConfigParams;

/* 10 MAIBinaryIn. 32-bit: count 0, start 2, mode 4, readings 8; 12 bytes.
 * 64-bit: readings 8; 16 bytes. */
typedef struct MAIBinaryInParams {
    uint16_t count;
    uint16_t start;
    uint16_t mode;
    uint16_t reserved6;
    uint16_t *readings;
} MAIBinaryInParams;

/* 11 MAIVoltageIn. 32-bit: count 0, start 2, rangeCodes 4, mode 8, values 12; 16 bytes.
 * 64-bit: rangeCodes 8, mode 16, values 24; 32 bytes. */
typedef struct MAIVoltageInParams {
    uint16_t count;
    uint16_t start;
    uint16_t *rangeCodes;
    uint16_t mode;
    uint16_t reserved;
    float *values;
} MAIVoltageInParams;

/* 13 TCMuxRead. 32-bit: channel 0, unused 2 and 4, tcType 6, scale 8, result 12; 16 bytes.
 * 64-bit: result 16; 24 bytes. */
typedef struct TCMuxReadParams {
    uint16_t channel;
    uint16_t unused2;
    uint16_t unused4;
    uint16_t tcType;    /* TcType */
    uint16_t scale;     /* TempScale */
    uint16_t reserved10;
    float *result;
} TCMuxReadParams;

/* 20 DioReadPortByte, 24 DioGetCurrentDOByte. 32-bit: port 0, value 4; 8 bytes.
 * 64-bit: value 8; 16 bytes. */
typedef struct DioPortReadParams {
    uint16_t port;
    uint16_t reserved2;
    uint16_t *value;
} DioPortReadParams;

/* 21 DioWritePortByte, 123 DioWritePortWord: port 0, mask 2, state 4; 6 bytes. */
typedef struct DioPortWriteParams {
    uint16_t port;
    uint16_t mask;
    uint16_t state;
} DioPortWriteParams;

/* 22 DioReadBit, 25 DioGetCurrentDOBit. 32-bit: port 0, bit 2, state 4; 8 bytes.
 * 64-bit: state 8; 16 bytes. */
typedef struct DioBitReadParams {
    uint16_t port;
    uint16_t bit;
    uint16_t *state;
} DioBitReadParams;

/* 23 DioWriteBit: port 0, bit 2, state 4; 6 bytes. */
typedef struct DioBitWriteParams {
    uint16_t port;
    uint16_t bit;
    uint16_t state;
} DioBitWriteParams;

/* 78 CheckEvent. 32-bit: eventCode 0, timeout 4; 8 bytes. 64-bit: 0, 8; 16 bytes. */
typedef struct CheckEventParams {
    uint16_t *eventCode;
    uint32_t timeout; /* milliseconds */
} CheckEventParams;

/* 108 DeviceSetProperty. 32-bit: code 0, size 4, buffer 8; 12 bytes.
 * 64-bit: buffer 8; 16 bytes. */
typedef struct DeviceSetPropertyParams {
    uint16_t code;
    uint16_t reserved2;
    uint32_t size;
    void *buffer;
} DeviceSetPropertyParams;

/* 109 DeviceGetProperty. 32-bit: code 0, size 4, buffer 8; 12 bytes.
 * 64-bit: size 8, buffer 16; 24 bytes. */
typedef struct DeviceGetPropertyParams {
    uint16_t code;
    uint16_t reserved2;
    uint32_t *size; /* in: capacity, out: the property's size */
    void *buffer;
} DeviceGetPropertyParams;

/* 122 DioReadPortWord, 126 DioGetCurrentDOWord. 32-bit: port 0, value 4, validMask 8;
 * 12 bytes. 64-bit: value 8, validMask 16; 24 bytes. The callee takes the field at 8 first. */
typedef struct DioWordReadParams {
    uint16_t port;
    uint16_t reserved2;
    uint16_t *value;
    uint16_t *validMask;
} DioWordReadParams;

/* 124 DioReadPortDword, 127 DioGetCurrentDODword: as DioWordReadParams with 32-bit values. */
typedef struct DioDwordReadParams {
    uint16_t port;
    uint16_t reserved2;
    uint32_t *value;
    uint32_t *validMask;
} DioDwordReadParams;

/* 125 DioWritePortDword: port 0, mask 4, state 8; 12 bytes on every host. */
typedef struct DioDwordWriteParams {
    uint16_t port;
    uint16_t reserved2;
    uint32_t mask;
    uint32_t state;
} DioDwordWriteParams;

/* 134 DioReadDiPorts, 135 DioWriteDoPorts, 136 DioGetCurrentDoPortsState.
 * 32-bit: firstPort 0, count 4, buffer 8; 12 bytes. 64-bit: buffer 8; 16 bytes. */
typedef struct DioPortsParams {
    uint32_t firstPort;
    uint32_t count;
    uint8_t *buffer;
} DioPortsParams;

#define QMS_ASSERT_BLOCK_SIZE(type, size32, size64)                                           \
    QMS_ASSERT_PTR_LAYOUT(sizeof(type), size32, size64, "size of " #type)
QMS_ASSERT_BLOCK_SIZE(DeviceGetFeaturesParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(AIConfigParams, 4, 4);
QMS_ASSERT_BLOCK_SIZE(AIGetConfigParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(AIBinaryInParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(AIScaleParams, 16, 24);
QMS_ASSERT_BLOCK_SIZE(AIVoltageInParams, 12, 16);
QMS_ASSERT_BLOCK_SIZE(MAIConfigParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(MAIBinaryInParams, 12, 16);
QMS_ASSERT_BLOCK_SIZE(MAIVoltageInParams, 16, 32);
QMS_ASSERT_BLOCK_SIZE(TCMuxReadParams, 16, 24);
QMS_ASSERT_BLOCK_SIZE(DioPortReadParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(DioPortWriteParams, 6, 6);
QMS_ASSERT_BLOCK_SIZE(DioBitReadParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(DioBitWriteParams, 6, 6);
QMS_ASSERT_BLOCK_SIZE(CheckEventParams, 8, 16);
QMS_ASSERT_BLOCK_SIZE(DeviceSetPropertyParams, 12, 16);
QMS_ASSERT_BLOCK_SIZE(DeviceGetPropertyParams, 12, 24);
QMS_ASSERT_BLOCK_SIZE(DioWordReadParams, 12, 24);
QMS_ASSERT_BLOCK_SIZE(DioDwordReadParams, 12, 24);
QMS_ASSERT_BLOCK_SIZE(DioDwordWriteParams, 12, 12);
QMS_ASSERT_BLOCK_SIZE(DioPortsParams, 12, 16);
#undef QMS_ASSERT_BLOCK_SIZE

/* ==== Functions ============================================================================
 * Exported with C linkage. DriverProc takes its target (device number, handle variable
 * address or device handle) as a pointer-sized value (uintptr_t), so that the address of a
 * handle variable survives on a 64-bit host.
 *
 * A device handle is a 32-bit token, never 0. A handle that is 0, was closed or was never
 * issued is answered with QMS_ERR_NULL_HANDLE (3), by every function that takes one. A null
 * result pointer is answered with the device code of QMS_ERRIDX_ARGUMENT, and nothing is
 * sent to the module. On failure nothing is written to the caller's buffers unless the
 * function says otherwise. All functions are safe to call from several threads; calls on
 * one device are carried out one at a time, except CheckEvent, which waits beside them.
 *
 * A request the module did not carry out ends the call: nothing further is sent in it, so
 * a module that stops answering costs a call one transfer time-out (2 s), not one per
 * request.
 *
 * Deliberate behaviours, kept as they are:
 * - DeviceClose answers a handle that is 0 or no longer open with 0 (writing 0 to the
 *   variable), not with 3: closing twice is harmless.
 * - MAIConfig: position i is channel (start + i) mod 8, also after a QMS_RANGE_UNCHANGED
 *   position; an unchanged position does not shift the channels of the positions after it.
 * - The stream driver stores a CJC sample only from a valid reading: a sampler cycle whose
 *   six readings the module all marks invalid stores nothing, and TCMuxRead waits for a
 *   sample as below.
 * - Registry values are matched with their type: the stream driver takes a device key or a
 *   template as a module's only when BoardID and SwitchID are REG_DWORD values; the same
 *   numbers written as text match nothing. */

QMS_EXTERN_C_BEGIN

/* ---- Module entry, open and close ---- */

/* Keeps the module handle at process attach (reason 1); returns 1 for every reason. */
QMS_EXPORT int DllMain(void *module, uint32_t reason, void *reserved);

/* Opens device `deviceNumber` (registry settings, stream device, removal event, parameter
 * blocks) and writes its handle; repeated opens in a process share one handle and count
 * references. Writes 0 to *handle first. Returns 0; the device code of
 * QMS_ERRIDX_PARAMETERS when the parameter blocks could not be read (the handle is valid
 * all the same; a module that did not take the read-back of its outputs is not asked for
 * its blocks, and blocks not read stay 0); 2 without registry settings; or the device code
 * of QMS_ERRIDX_NO_RECORD, QMS_ERRIDX_STREAM_OPEN (also for a module that went away while it
 * was opened: no handle then) or QMS_ERRIDX_BOARD_ID. A null handle pointer gives 10. The platform is started on first use. */
QMS_EXPORT uint32_t DeviceOpen(uint32_t deviceNumber, uint32_t *handle);

/* Releases one reference of the handle in *handle and writes 0 there. The last release
 * wakes every thread in CheckEvent on the handle with QMS_EVENT_HANDLE_CLOSING and returns
 * after they have left, their event codes written. Returns 0, also for a handle that is no
 * longer open (3 for a null pointer). */
QMS_EXPORT uint32_t DeviceClose(uint32_t *handle);

/* ---- Function-code entry point ---- */

/* Calls the operation named by the low 16 bits of functionCode with the arguments of the
 * parameter block (the *Params records above) and returns its code: 27 for an unsupported
 * code, 10 for a null block where the operation reads one. */
QMS_EXPORT uint32_t DriverProc(uintptr_t driverId, uintptr_t driver, uint32_t functionCode,
                               uintptr_t target, void *parameters);

/* ---- Analog input configuration ---- */

/* Sets the input range of `count` channels from `start` (wrapping from 7 to 0): one range
 * code per position, QMS_RANGE_UNCHANGED to leave a channel as it is. The handle's ranges
 * and the module's stored power-up ranges follow only once the module took the request;
 * a refused request returns its driver code and changes neither. */
QMS_EXPORT uint32_t MAIConfig(uint32_t handle, uint16_t count, uint16_t start,
                              const uint16_t *rangeCodes);
QMS_EXPORT uint32_t AIConfig(uint32_t handle, uint16_t channel, uint16_t rangeCode);
/* Fills the whole 276-byte result; size is not used. */
QMS_EXPORT uint32_t AIGetConfig(uint32_t handle, AIGetConfigResult *result, uint16_t size);

/* ---- Analog input reading and scaling ---- */

/* Raw 16-bit readings of `count` channels from `start`; channels set to 4-20 mA come back
 * re-scaled to the 4 to 20 mA span (an open loop as its exception setting says). */
QMS_EXPORT uint32_t MAIBinaryIn(uint32_t handle, uint16_t count, uint16_t start, uint16_t mode,
                                uint16_t *readings);
QMS_EXPORT uint32_t AIBinaryIn(uint32_t handle, uint16_t channel, uint16_t mode,
                               uint16_t *reading);
/* Values in volts or milliamperes of `count` channels, each scaled by its range code. */
QMS_EXPORT uint32_t MAIVoltageIn(uint32_t handle, uint16_t count, uint16_t start,
                                 const uint16_t *rangeCodes, uint16_t mode, float *values);
QMS_EXPORT uint32_t AIVoltageIn(uint32_t handle, uint16_t channel, uint16_t rangeCode,
                                uint16_t mode, float *value);
/* (reading - offset) x maxValue / (maxCount - offset + 1); with maxValue 20.0 the offset
 * counts 0 and 0x8000 trade places and any other stands for -16384. 5 when maxCount equals
 * offsetCount. */
QMS_EXPORT uint32_t AIScale(uint16_t reading, float maxValue, uint16_t maxCount,
                            uint16_t offsetCount, float *result);

/* ---- Conversion control and calibration ----
 * 0, the driver code of a refused request, or the module's nonzero status word. */
QMS_EXPORT uint32_t StartAIConversion(uint32_t handle);
QMS_EXPORT uint32_t ResetAIConversion(uint32_t handle);
QMS_EXPORT uint32_t FixFullCalibration(uint32_t handle, uint16_t value);
QMS_EXPORT uint32_t FixZeroCalibration(uint32_t handle, uint16_t value);
/* Also resets the calibration afterwards; 1 when that reset fails. */
QMS_EXPORT uint32_t Complete_Calibration(uint32_t handle);

/* ---- Events ---- */

/* Returns 0, or the platform's last error exactly as it is when the driver refuses. */
QMS_EXPORT uint32_t EnableEvent(uint32_t handle, uint16_t eventType, uint16_t enable,
                                uint16_t count);
/* Waits up to `timeout` ms for the removal of the module (QMS_EVENT_DEVICE_REMOVED) or the
 * last close of the handle (QMS_EVENT_HANDLE_CLOSING; stop using the handle then); no event
 * gives QMS_EVENT_TIMEOUT. Returns 0 with the code in *eventCode. A removal reaches every
 * thread waiting on the device, and every later call reports it again until the handle is
 * closed. */
QMS_EXPORT uint32_t CheckEvent(uint32_t handle, uint16_t *eventCode, uint32_t timeout);

/* ---- Properties ---- */

/* Copies the 800-byte DeviceFeatures; size is not used: the buffer must hold 800 bytes. */
QMS_EXPORT uint32_t DeviceGetFeatures(uint32_t handle, DeviceFeatures *buffer, uint16_t size);
/* *size: in the buffer's capacity, out the property's size. A null buffer asks for the size
 * only (module-backed properties are read all the same). */
QMS_EXPORT uint32_t DeviceGetProperty(uint32_t handle, uint16_t code, void *buffer,
                                      uint32_t *size);
QMS_EXPORT uint32_t DeviceSetProperty(uint32_t handle, uint16_t code, const void *buffer,
                                      uint32_t size);

/* ---- Digital input/output (port 0 only) ---- */

/* Buffers of the read primitives hold at least 2 bytes for one port. A count of 0 returns 0
 * and sends nothing. A write the module did not take returns the driver code of the
 * transfer failure ((device number + 1) x 4096 + 501); the outputs stay as they were. */
QMS_EXPORT uint32_t DioReadDiPorts(uint32_t handle, uint32_t firstPort, uint32_t count,
                                   uint8_t *buffer);
QMS_EXPORT uint32_t DioWriteDoPorts(uint32_t handle, uint32_t firstPort, uint32_t count,
                                    const uint8_t *buffer);
QMS_EXPORT uint32_t DioGetCurrentDoPortsState(uint32_t handle, uint32_t firstPort,
                                              uint32_t count, uint8_t *buffer);
QMS_EXPORT uint32_t DioReadPortByte(uint32_t handle, uint16_t port, uint16_t *value);
/* Lines whose mask bit is 1 take the state bit; the others keep the module's present state. */
QMS_EXPORT uint32_t DioWritePortByte(uint32_t handle, uint16_t port, uint16_t mask,
                                     uint16_t state);
QMS_EXPORT uint32_t DioReadBit(uint32_t handle, uint16_t port, uint16_t bit, uint16_t *state);
QMS_EXPORT uint32_t DioWriteBit(uint32_t handle, uint16_t port, uint16_t bit, uint16_t state);
QMS_EXPORT uint32_t DioGetCurrentDOByte(uint32_t handle, uint16_t port, uint16_t *value);
QMS_EXPORT uint32_t DioGetCurrentDOBit(uint32_t handle, uint16_t port, uint16_t bit,
                                       uint16_t *state);
QMS_EXPORT uint32_t DioReadPortWord(uint32_t handle, uint16_t port, uint16_t *validMask,
                                    uint16_t *value);
QMS_EXPORT uint32_t DioReadPortDword(uint32_t handle, uint16_t port, uint32_t *validMask,
                                     uint32_t *value);
QMS_EXPORT uint32_t DioWritePortWord(uint32_t handle, uint16_t port, uint16_t mask,
                                     uint16_t state);
QMS_EXPORT uint32_t DioWritePortDword(uint32_t handle, uint16_t port, uint32_t mask,
                                      uint32_t state);
QMS_EXPORT uint32_t DioGetCurrentDOWord(uint32_t handle, uint16_t port, uint16_t *validMask,
                                        uint16_t *value);
QMS_EXPORT uint32_t DioGetCurrentDODword(uint32_t handle, uint16_t port, uint32_t *validMask,
                                         uint32_t *value);

/* ---- EEPROM and gain information ---- */

/* 0; 1 when the module's status is nonzero (the value is stored all the same); or the
 * driver code of a refused request. */
QMS_EXPORT int32_t DirectReadEEData(uint32_t handle, uint16_t address, uint32_t *value);
QMS_EXPORT int32_t DirectWriteEEData(uint32_t handle, uint16_t address, uint32_t value);
/* Copies the 17 rows of the internal gain list (884 bytes) and stores 17 in *count; the
 * handle is not used. */
QMS_EXPORT uint32_t RetrieveAllGainInfo(uint32_t handle, tagINTERNALGAINLIST *rows,
                                        uint16_t *count);

/* ---- Temperature reading ---- */

/* Thermocouple temperature of a channel with cold-junction compensation (the CJC temperature
 * from the stream driver's once-a-second history, less the module's CJC offset), in the
 * TempScale `scale`. Returns 0; the device code of QMS_ERRIDX_BURNOUT with the burn-out value
 * of the channel's setting for an open thermocouple (888888, -888888, the range's high or
 * low limit or 0 V as a temperature, held to the type's reference span); QMS_ERRIDX_ARGUMENT
 * for type N or above (any type without a thermocouple range, before anything is sent) and
 * a null result; QMS_ERRIDX_OUT_OF_RANGE for a channel above 7; QMS_ERRIDX_CJC_HISTORY when
 * the driver has no CJC sample within one transfer time-out (2 s) or the module is removed
 * meanwhile; QMS_ERRIDX_BLOCK_ACCESS when the burn-out status cannot be read; or the analog
 * functions' code. Right after the module is plugged the read waits for the driver's first
 * CJC sample and goes on as soon as it is there; the device's other calls are not held up
 * meanwhile. unused1 and unused2 take part in nothing. */
QMS_EXPORT uint32_t TCMuxRead(uint32_t handle, uint16_t channel, uint16_t unused1,
                              uint16_t unused2, uint16_t type, uint16_t scale, float *result);
/* Thermocouple temperature in degrees Celsius with the CJC read from the module (five
 * readings) less the module's offset; no burn-out check: 0, 1 when a CJC request fails or
 * the sensor stays invalid for 2 s, -1 for a type without an input range (N, 8 and above;
 * nothing is sent), or the analog functions' code. */
QMS_EXPORT int32_t DirectReadTemp(uint32_t handle, uint16_t channel, uint16_t type,
                                  float *celsius);
/* The CJC error in degrees Celsius (how far the sensor reads high), measured on a channel fed
 * by a compensated source at the type's reference temperature (J 380, K 685, S 1125, T 150,
 * R 1125, E 500), written to *error and sent to the module as its offset (the offset code holds -10 to
 * +10 °C). Leaves the AI conversion reset. 0, or: -1 type B (its EMF is flat near room
 * temperature) or above E; 1/2 conversion reset/start failed; 3 null handle or error pointer,
 * or a CJC reading failed; 4 no range; 5 range configuration failed; 6 offset not sent (the
 * module did not take it; it is not made active then); 7 final reset failed; 8 a voltage
 * reading or the offset reset failed; 9 the error measured lies beyond -10 to +10 °C (NaN
 * included), which is no calibrator at the reference temperature: *error holds it and
 * nothing is sent to the module. A type above E is refused after the conversion was
 * reset and started, before anything else is sent. */
QMS_EXPORT int32_t MeasureCJCError(uint32_t handle, uint16_t type, uint16_t channel,
                                   float *error);

QMS_EXTERN_C_END

/* Temperature measurement: thermocouple conversion and temperature reading. */
#if defined(__has_include)
#if __has_include("qms6093_thermo.h")
#include "qms6093_thermo.h"
#endif
#endif

#endif
