/*
 * Extension interface of the USB-6093 device API library (libqms6093): what tools, bindings
 * and dialogs need beyond the exported functions of qms6093.h.
 *
 * - the sentence for a result code,
 * - C-callable forms of the thermocouple conversions (TcTemp, TcErrorVolts and
 *   ConvertTempScale keep their C++ names in qms6093_thermo.h),
 * - the installed devices,
 * - the module readers and writers the configuration dialogs use (firmware version, board
 *   ID, cold-junction temperature and offset, stored channel settings, registry settings),
 * - the temperatures of a run of thermocouple channels in one scan (QmsTcScan).
 *
 * Every function has C linkage, checks its handle and its arguments before it does anything
 * else, and lets no C++ exception cross. Text is UTF-8. Usable from C (C11) and C++.
 */
#ifndef QMS6093EXT_H
#define QMS6093EXT_H

#include <stddef.h>
#include <stdint.h>

#include "qms6093.h"
#include "qms_export.h"

QMS_EXTERN_C_BEGIN

/* ---- Result codes in words ---- */

/* A sentence for a code the library returns, in English, without a final full stop:
 * "success" for 0; the plain codes and the module's status words by their meaning; device
 * and driver codes with the device number decoded ("device 2: the thermocouple is open
 * (burn-out)"); the stream driver's own error values (bit 29 set), as EnableEvent passes
 * them through; and the -1 of DirectReadTemp and MeasureCJCError. Any other code gets a
 * sentence that names it. Copies what fits into buf (NUL-terminated whenever size > 0; buf
 * may be null when size is 0) and returns the length of the whole sentence without its NUL,
 * as snprintf does. */
QMS_EXPORT size_t QmsErrorText(uint32_t code, char *buf, size_t size);

/* As QmsErrorText without the device part, for callers that name the device themselves. */
QMS_EXPORT size_t QmsErrorSentence(uint32_t code, char *buf, size_t size);

/* The small codes of MeasureCJCError (-1 and 1 to 9), which keep outside the scheme of the
 * other functions: what step of the measurement failed. 0 is "success"; other values get a
 * sentence that names them. Buffer as QmsErrorText. */
QMS_EXPORT size_t QmsMeasureCJCErrorText(int32_t code, char *buf, size_t size);

/* ---- Thermocouple conversions, C forms ----
 * The same functions as TcTemp, TcErrorVolts and ConvertTempScale (bit-identical results):
 * type codes 0 J, 1 K, 2 S, 3 T, 4 B, 5 R, 6 E, 7 N (0.0 for a type above 7); scale codes 0
 * Celsius, 1 Fahrenheit, 2 Rankine, 3 Kelvin (any other: Celsius). Reentrant. */
QMS_EXPORT float QmsTcTemp(float millivolts, uint16_t type);
QMS_EXPORT float QmsTcErrorVolts(float celsius, uint16_t type);
QMS_EXPORT float QmsConvertTempScale(float celsius, uint16_t scale);

/* ---- Installed devices ---- */

/* The registry could not be read (its store failed to open or answer): a plain code of the
 * functions below that read it. */
#define QMS_ERR_REGISTRY 4u

/* One installed device number: what the stream driver published for it, and whether its
 * module is attached now. 32 bytes on every host. */
typedef struct QmsDeviceInfo {
    uint32_t deviceNumber; /*  0: what DeviceOpen takes */
    uint32_t boardID;      /*  4: the module's board number (registry SwitchID) */
    uint32_t deviceType;   /*  8: the registry's BoardID value, 198 for a USB-6093 */
    char callName[16];     /* 12: the stream device, UTF-8, NUL-terminated ("U931:") */
    uint8_t present;       /* 28: 1 when the module is attached (its stream device is active) */
    uint8_t simulated;     /* 29: 1 when a simulated module of this board number is plugged */
    uint8_t reserved[2];   /* 30: 0 */
} QmsDeviceInfo;

QMS_STATIC_ASSERT(sizeof(QmsDeviceInfo) == 32, "QmsDeviceInfo is 32 bytes");
QMS_STATIC_ASSERT(offsetof(QmsDeviceInfo, callName) == 12, "callName at 12");
QMS_STATIC_ASSERT(offsetof(QmsDeviceInfo, present) == 28, "present at 28");

/* Every installed device number in ascending order (the platform is started first, as by
 * DeviceOpen): writes the first `capacity` entries and the number of installed devices to
 * *count (call with capacity 0 to ask for the count; the list can grow between two calls).
 * A device whose settings cannot all be read is listed with the values read as 0. Returns 0 (also when nothing is installed); 10 for a null count,
 * or a null list with a capacity; QMS_ERR_REGISTRY when the registry cannot be read. */
QMS_EXPORT uint32_t QmsListDevices(QmsDeviceInfo *devices, uint32_t capacity, uint32_t *count);

/* The registry settings of a device number as DeviceOpen reads them. Returns 0;
 * QMS_ERR_SETTINGS (2) when they cannot all be read (nothing is stored); 10 for a null
 * pointer. */
QMS_EXPORT uint32_t QmsReadDeviceSettings(uint32_t deviceNumber, DeviceSettings *settings);

/* Saves a device number's settings as the device setting dialog does: DeviceName
 * ("USB-6093 BoardID=<SwitchID>") and SwitchID for the shared service key, DeviceName,
 * BoardID, SwitchID, AllowConflicts and the read-back values for the driver's key. Returns
 * 0; QMS_ERR_REGISTRY when a write failed; 10 for a null pointer. */
QMS_EXPORT uint32_t QmsSaveDeviceSettings(uint32_t deviceNumber, const DeviceSettings *settings);

/* ---- Module readers and writers ----
 * Each takes a device handle of DeviceOpen and is carried out one at a time with the other
 * calls on that device. Results: 0; QMS_ERR_NULL_HANDLE (3) for 0 or a closed handle; the
 * device code of QMS_ERRIDX_ARGUMENT for a null pointer or a value out of its range (nothing
 * is sent); the driver code of a request the stream driver refused; the module's nonzero
 * status word where the module answers with one. Nothing is written to the caller's
 * buffers on failure. */

/* The module's firmware version text, converted to UTF-8 and truncated to fit `size` bytes
 * (NUL-terminated; size 0 is refused). 64 bytes hold every version. */
QMS_EXPORT uint32_t QmsReadFirmwareVersion(uint32_t handle, char *text, size_t size);

/* The module's board number, as the module reports it and as it stores it. The registry's
 * SwitchID is not changed: QmsSaveDeviceSettings does that. */
QMS_EXPORT uint32_t QmsReadBoardID(uint32_t handle, uint32_t *boardID);
QMS_EXPORT uint32_t QmsWriteBoardID(uint32_t handle, uint32_t boardID);

/* The sensor temperature of the module's cold junction in degrees Celsius from one valid
 * reading, without the offset. Waits up to the transfer time-out for a valid reading. */
QMS_EXPORT uint32_t QmsReadCJCTemp(uint32_t handle, float *celsius);

/* The cold-junction temperature TCMuxRead compensates with: the mean of the stream driver's
 * last samples less the module's offset, in degrees Celsius. The device code of
 * QMS_ERRIDX_CJC_HISTORY when the driver has no sample within a few seconds. */
QMS_EXPORT uint32_t QmsReadCJCHistoryTemp(uint32_t handle, float *celsius);

/* The module's active CJC offset in degrees Celsius (-10 to +10) and as its 16-bit code
 * (0x8000 for 0). */
QMS_EXPORT uint32_t QmsReadCJCOffset(uint32_t handle, float *offsetCelsius, uint16_t *offsetCode);

/* Sends a CJC offset in degrees Celsius (-10 to +10; anything else, NaN included, is
 * refused) to the module as its active offset. */
QMS_EXPORT uint32_t QmsWriteCJCOffset(uint32_t handle, float offsetCelsius);

/* Makes the module's active CJC offset its reference offset ("CJC Offset Settings Reset").
 * 0, the module's nonzero status word, or the driver code of a refusal. */
QMS_EXPORT uint32_t QmsResetCJCOffset(uint32_t handle);

/* Stored per-channel settings: `count` values of a device parameter block (0x210 range
 * index, 0x220 burn-out setting, 0x230 burn-out status, 0x240 4-20 mA exception setting)
 * from `firstChannel`, read from the module. The device code of QMS_ERRIDX_OUT_OF_RANGE for
 * a count of 0 or channels beyond 7; of QMS_ERRIDX_BLOCK_ACCESS when the module does not
 * give the block. */
#define QMS_BLOCK_RANGE_INDEX 0x210u
#define QMS_BLOCK_BURNOUT_SETTING 0x220u
#define QMS_BLOCK_BURNOUT_STATUS 0x230u
#define QMS_BLOCK_4_20MA_EXCEPTION 0x240u
QMS_EXPORT uint32_t QmsReadDeviceParameters(uint32_t handle, uint16_t blockId,
                                            uint16_t firstChannel, uint16_t count,
                                            uint32_t *values);

/* ---- Thermocouple scan ---- */

/* Status of one channel of a scan. */
#define QMS_TC_OK 0u      /* the compensated temperature */
#define QMS_TC_BURNOUT 1u /* thermocouple open: the value of the channel's burn-out setting
                             (888888, -888888, or the range's high or low limit or 0 V as a
                             temperature), as TCMuxRead reports it */

/* Temperatures of the channels start to start + count - 1 (no wrap), channel start + i read
 * as a thermocouple of TcType types[i] (0 J, 1 K, 2 S, 3 T, 4 B, 5 R, 6 E), in TempScale
 * `scale` (0 Celsius, 1 Fahrenheit, 2 Rankine, 3 Kelvin). temperatures[i] and status[i]
 * receive the channel's value and its QMS_TC_ status. Each value is the float TCMuxRead gives
 * for the same reading and CJC history: the same conversion, the CJC from the stream driver's
 * once-a-second history less the module's CJC offset, the same burn-out values; and like
 * TCMuxRead the scan leaves each channel set to its thermocouple range, with the type's row
 * stored as the channel's range index.
 *
 * What it costs the module: the ranges are configured, in one request, only for channels
 * whose range or stored range index this library has not yet set to the type's (the first
 * scan after DeviceOpen, a changed type, a channel configured otherwise in between); the
 * burn-out status of the whole run is asked in one request, and only when a channel of the
 * run has a burn-out setting; all readings come from one scan request; the CJC costs no
 * transfer. So a steady scan is the scan request and its sample-block reads (two transfers
 * when the module has the block ready at once), plus two for the burn-out status; eight
 * TCMuxRead calls take forty transfers or more.
 *
 * A run holds thermocouples only: a type without a thermocouple range (N, 8 and above, a
 * range code of volts or milliamperes) refuses the whole scan. Read such channels with
 * MAIVoltageIn and scan the thermocouple runs on either side of them.
 *
 * Returns 0 when every channel has its value and status, burn-outs included. On any other
 * result nothing is written to temperatures or status. Before anything is sent: 3 for a
 * null or stale handle; the device code of QMS_ERRIDX_DEVICE_TYPE for a module that is no
 * USB-6093; of QMS_ERRIDX_OUT_OF_RANGE for count 0 or above 8, or start + count above 8; of
 * QMS_ERRIDX_ARGUMENT for a null pointer, a scale above 3 or a type as above. Then: the
 * device code of QMS_ERRIDX_CJC_HISTORY when the driver has no CJC sample within a few
 * seconds; the driver code of a request that failed on its way (a stall, a time-out, a
 * module removed in the middle of the scan), which fails the whole scan; the device code of
 * QMS_ERRIDX_BLOCK_ACCESS when the module refuses the burn-out status or the range index.
 * After a failed scan the next one configures again whatever may not have reached the
 * module. Calls on one device are carried out one at a time, as every call of the library. */
QMS_EXPORT uint32_t QmsTcScan(uint32_t handle, uint16_t start, uint16_t count,
                              const uint16_t *types, uint16_t scale, float *temperatures,
                              uint32_t *status);

QMS_EXTERN_C_END

#endif
