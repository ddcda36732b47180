// One-shot module commands answered by a device status word, and the small command wrappers
// the dialogs and the cold-junction functions use. Each takes a record; a null record gives 3.
#pragma once

#include <cstdint>

#include "api/device_record.h"

namespace qms::api {

// Sends a command whose output is the module's 4-byte status word. Returns 0 and the status
// word in the processor's order, or the driver code of a refusal (status untouched).
uint32_t RequestStatus(DeviceRecord &record, uint32_t code, const uint16_t *argument,
                       uint32_t *status);

// Sends a command whose output is the module's 4-byte status word (zeroed before; the
// driver sends it as the payload of the conversion commands). `argument`, when given, is
// sent as the 2-byte big-endian input. Returns 0, the driver code of a refusal, or the
// nonzero status word in the processor's order.
uint32_t SendStatusCommand(DeviceRecord *record, uint32_t code, const uint16_t *argument);

// Calibration steps the calibration wizard and the settings restore use.
uint32_t StartZeroCalibration(uint32_t handle, uint16_t moduleCode);
uint32_t StartFullCalibration(uint32_t handle, uint16_t moduleCode);
uint32_t ResetAICalibration(uint32_t handle);

uint32_t ReadBoardID(DeviceRecord *record, uint32_t *boardId);
uint32_t WriteBoardID(DeviceRecord *record, uint32_t boardId);
// The module's firmware version text, 64 UTF-16 units.
uint32_t ReadFirmwareVersion(DeviceRecord *record, char16_t *text);
// The module's CJC offset, in degrees Celsius over -10 to +10, as a 16-bit code. 0 or -1.
int32_t WriteCJCOffsetCode(DeviceRecord *record, float offsetCelsius);
// Resets the module's CJC offset: 0, the nonzero status word, or 1 when refused.
uint32_t ResetCJCOffset(DeviceRecord *record);

// The CJC offset code of an offset in degrees Celsius: -10 gives 0, 0 gives 32768, +10 and
// above 65535, below -10 still 0.
uint16_t CjcOffsetCode(float offsetCelsius);

} // namespace qms::api
