// The documented layouts, field by field. Compiled as 32-bit code by check32.sh and as part of
// the 64-bit common tests: records without pointers must match on both; the offsets behind a
// pointer are the documented 32-bit ones and are checked only where pointers are 4 bytes
// (layout64_test.cpp holds the 64-bit figures).
#include <cstddef>

#include "qms6093.h"
#include "qms_gainlist.h"
#include "qms_ioctl.h"

#define AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field)
#define AT32(type, field, offset)                                                             \
    static_assert(sizeof(void *) != 4 || offsetof(type, field) == (offset), #type "." #field)
#define SIZE(type, size) static_assert(sizeof(type) == (size), "size of " #type)
#define SIZE32(type, size) static_assert(sizeof(void *) != 4 || sizeof(type) == (size), #type)

// ---- I/O-control buffers -------------------------------------------------------------------
SIZE(EnableEventRequest, 16);
AT(EnableEventRequest, enable, 0);
AT(EnableEventRequest, eventType, 2);
AT(EnableEventRequest, count, 4);
AT(EnableEventRequest, processId, 8);

SIZE(DioReadRequest, 8);
AT(DioReadRequest, count, 4);
SIZE(DoWriteRequest, 12);
AT(DoWriteRequest, count, 4);
AT(DoWriteRequest, value, 8);

SIZE(ScanRequest, 8);
AT(ScanRequest, startChannel, 0);
AT(ScanRequest, channelCount, 2);
AT(ScanRequest, mode, 4);

SIZE(SampleBlock, 36);
AT(SampleBlock, ready, 0);
AT(SampleBlock, samples, 4);

SIZE(MaiConfigRequest, 24);
AT(MaiConfigRequest, startChannel, 0);
AT(MaiConfigRequest, channelCount, 2);
AT(MaiConfigRequest, codes, 4);
AT(MaiConfigRequest, reserved, 20);

SIZE(ChanConfigReadRequest, 6);
AT(ChanConfigReadRequest, blockId, 0);
AT(ChanConfigReadRequest, firstChannel, 2);
AT(ChanConfigReadRequest, channelCount, 4);
SIZE(ChanConfigReadReply, 36);
AT(ChanConfigReadReply, values, 4);
SIZE(ChanConfigWriteRequest, 40);
AT(ChanConfigWriteRequest, values, 0);
AT(ChanConfigWriteRequest, blockId, 32);
AT(ChanConfigWriteRequest, firstChannel, 34);
AT(ChanConfigWriteRequest, channelCount, 36);

SIZE(StatusReply, 4);
SIZE(CalibrationRequest, 2);
SIZE(ModuleWord, 4);
SIZE(EepromReadRequest, 2);
SIZE(EepromReadReply, 8);
AT(EepromReadReply, status, 4);
SIZE(EepromWriteRequest, 8);
AT(EepromWriteRequest, data, 0);
AT(EepromWriteRequest, address, 4);
AT(EepromWriteRequest, reserved, 6);

SIZE(CjcReading, 8);
AT(CjcReading, valid, 4);
SIZE(CjcHistory, 14);
AT(CjcHistory, samples, 0);
AT(CjcHistory, offsetWord, 10);
AT(CjcHistory, count, 12);

// ---- Vendor payloads -----------------------------------------------------------------------
SIZE(DioSelectPayload, 4);
AT(DioSelectPayload, count, 2);
SIZE(DoWritePayload, 8);
AT(DoWritePayload, count, 2);
AT(DoWritePayload, value, 4);
SIZE(DioReply, 12);
AT(DioReply, echo, 4);
AT(DioReply, data, 8);

// Every fixed-length request of the command set carries exactly its buffer.
constexpr unsigned LengthOf(unsigned group, unsigned command)
{
    return qms::FindVendorCommand(group, command)->length;
}
static_assert(LengthOf(GROUP_DIO, CMD_DIO_DO_WRITE) == sizeof(DoWritePayload));
static_assert(LengthOf(GROUP_DIO, CMD_DIO_DI_SELECT) == sizeof(DioSelectPayload));
static_assert(LengthOf(GROUP_DIO, CMD_DIO_DO_READBACK_SELECT) == sizeof(DioSelectPayload));
static_assert(LengthOf(GROUP_DIO, CMD_DIO_DI_REPLY) == sizeof(DioReply));
static_assert(LengthOf(GROUP_DIO, CMD_DIO_DO_READBACK_REPLY) == sizeof(DioReply));
static_assert(LengthOf(GROUP_AI, CMD_AI_SCAN) == sizeof(ScanRequest));
static_assert(LengthOf(GROUP_AI, CMD_AI_SAMPLES) == sizeof(SampleBlock));
static_assert(LengthOf(GROUP_AI, CMD_AI_CONFIG) == sizeof(MaiConfigRequest));
static_assert(LengthOf(GROUP_AI, CMD_AI_READ_CJC) == sizeof(CjcReading));
static_assert(LengthOf(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT) == sizeof(ChanConfigReadRequest));
static_assert(LengthOf(GROUP_AI, CMD_AI_CHAN_CONFIG_READ) == sizeof(ChanConfigReadReply));
static_assert(LengthOf(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE) == sizeof(ChanConfigWriteRequest));
static_assert(LengthOf(GROUP_CAL, CMD_CAL_ZERO) == sizeof(CalibrationRequest));
static_assert(LengthOf(GROUP_EEPROM, CMD_EEPROM_SELECT) == sizeof(EepromReadRequest));
static_assert(LengthOf(GROUP_EEPROM, CMD_EEPROM_READ) == sizeof(EepromReadReply));
static_assert(LengthOf(GROUP_EEPROM, CMD_EEPROM_WRITE) == sizeof(EepromWriteRequest));
static_assert(LengthOf(GROUP_DEVICE, CMD_DEVICE_STATUS) == sizeof(StatusReply));
static_assert(LengthOf(GROUP_DEVICE, CMD_DEVICE_SET_BOARD_ID) == sizeof(ModuleWord));

// ---- Public records ------------------------------------------------------------------------
SIZE(GainListEntry, 44);
AT(GainListEntry, rangeCode, 0);
AT(GainListEntry, high, 4);
AT(GainListEntry, low, 8);
AT(GainListEntry, name, 12);

SIZE(DeviceFeatures, 800);
AT(DeviceFeatures, version, 0);
AT(DeviceFeatures, fileName, 16);
AT(DeviceFeatures, deviceType, 48);
AT(DeviceFeatures, channelCount, 52);
AT(DeviceFeatures, value54, 54);
AT(DeviceFeatures, value56, 56);
AT(DeviceFeatures, value58, 58);
AT(DeviceFeatures, value60, 60);
AT(DeviceFeatures, value62, 62);
AT(DeviceFeatures, adResolution, 68);
AT(DeviceFeatures, value70, 70);
AT(DeviceFeatures, value72, 72);
AT(DeviceFeatures, gainCount, 76);
AT(DeviceFeatures, value78, 78);
AT(DeviceFeatures, gainList, 80);
AT(DeviceFeatures, tail, 784);

SIZE(DeviceSettings, 40);
AT(DeviceSettings, SwitchID, 4);
AT(DeviceSettings, CallName, 8);
AT(DeviceSettings, AllowConflicts, 28);
AT(DeviceSettings, TCReadBackChan, 32);
AT(DeviceSettings, TCReadBackType, 36);

SIZE(AIConfigEntry, 16);
AT(AIConfigEntry, value4, 4);
AT(AIConfigEntry, value8, 8);
AT(AIConfigEntry, value12, 12);
SIZE(AIGetConfigResult, 276);
AT(AIGetConfigResult, value4, 4);
AT(AIGetConfigResult, value8, 8);
AT(AIGetConfigResult, value16, 16);
AT(AIGetConfigResult, entries, 20);

SIZE(tagINTERNALGAINLIST, 52);
AT(tagINTERNALGAINLIST, high, 4);
AT(tagINTERNALGAINLIST, low, 8);
AT(tagINTERNALGAINLIST, name, 12);
AT(tagINTERNALGAINLIST, moduleCode, 44);
AT(tagINTERNALGAINLIST, lastWord, 48);
static_assert(sizeof(tagINTERNALGAINLIST) * QMS_INTERNAL_GAIN_ROWS == 884, "RetrieveAllGainInfo");

// ---- DriverProc parameter blocks (32-bit) --------------------------------------------------
SIZE32(DeviceGetFeaturesParams, 8);
AT32(DeviceGetFeaturesParams, size, 4);
SIZE(AIConfigParams, 4);
AT(AIConfigParams, rangeCode, 2);
SIZE32(AIGetConfigParams, 8);
AT32(AIGetConfigParams, size, 4);
SIZE32(AIBinaryInParams, 8);
AT(AIBinaryInParams, mode, 2);
AT32(AIBinaryInParams, reading, 4);
SIZE32(AIScaleParams, 16);
AT(AIScaleParams, maxValue, 4);
AT(AIScaleParams, maxCount, 8);
AT(AIScaleParams, offsetCount, 10);
AT32(AIScaleParams, result, 12);
SIZE32(AIVoltageInParams, 12);
AT(AIVoltageInParams, rangeCode, 2);
AT(AIVoltageInParams, mode, 4);
AT32(AIVoltageInParams, value, 8);
SIZE32(MAIConfigParams, 8);
AT(MAIConfigParams, start, 2);
AT32(MAIConfigParams, rangeCodes, 4);
SIZE32(MAIBinaryInParams, 12);
AT(MAIBinaryInParams, start, 2);
AT(MAIBinaryInParams, mode, 4);
AT32(MAIBinaryInParams, readings, 8);
SIZE32(MAIVoltageInParams, 16);
AT(MAIVoltageInParams, start, 2);
AT32(MAIVoltageInParams, rangeCodes, 4);
AT32(MAIVoltageInParams, mode, 8);
AT32(MAIVoltageInParams, values, 12);
SIZE32(TCMuxReadParams, 16);
AT(TCMuxReadParams, unused2, 2);
AT(TCMuxReadParams, unused4, 4);
AT(TCMuxReadParams, tcType, 6);
AT(TCMuxReadParams, scale, 8);
AT32(TCMuxReadParams, result, 12);
SIZE32(DioPortReadParams, 8);
AT32(DioPortReadParams, value, 4);
SIZE(DioPortWriteParams, 6);
AT(DioPortWriteParams, mask, 2);
AT(DioPortWriteParams, state, 4);
SIZE32(DioBitReadParams, 8);
AT(DioBitReadParams, bit, 2);
AT32(DioBitReadParams, state, 4);
SIZE(DioBitWriteParams, 6);
AT(DioBitWriteParams, bit, 2);
AT(DioBitWriteParams, state, 4);
SIZE32(CheckEventParams, 8);
AT32(CheckEventParams, timeout, 4);
SIZE32(DeviceSetPropertyParams, 12);
AT(DeviceSetPropertyParams, size, 4);
AT32(DeviceSetPropertyParams, buffer, 8);
SIZE32(DeviceGetPropertyParams, 12);
AT32(DeviceGetPropertyParams, size, 4);
AT32(DeviceGetPropertyParams, buffer, 8);
SIZE32(DioWordReadParams, 12);
AT32(DioWordReadParams, value, 4);
AT32(DioWordReadParams, validMask, 8);
SIZE32(DioDwordReadParams, 12);
AT32(DioDwordReadParams, value, 4);
AT32(DioDwordReadParams, validMask, 8);
SIZE(DioDwordWriteParams, 12);
AT(DioDwordWriteParams, mask, 4);
AT(DioDwordWriteParams, state, 8);
SIZE32(DioPortsParams, 12);
AT(DioPortsParams, count, 4);
AT32(DioPortsParams, buffer, 8);
