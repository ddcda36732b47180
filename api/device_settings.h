// The registry settings of one device number: what the stream driver published for the
// module (read at open) and what the device setting dialog saves.
#pragma once

#include <cstdint>

#include "qms6093.h"

namespace qms::api {

// The BoardID a settings read starts from; DeviceConfigExt changes it for the process.
uint32_t DefaultBoardID();
void SetDefaultBoardID(uint32_t boardId);

// Returns 0 when all six values were read, 1 otherwise.
uint32_t ReadDeviceSettings(uint32_t deviceNumber, DeviceSettings *settings);
// Returns 0 when both keys were written, 1 otherwise.
uint32_t SaveDeviceSettings(uint32_t deviceNumber, const DeviceSettings *settings);
// Returns 1 and the module's board number on success, 0 on failure.
uint32_t ReadSwitchID(uint32_t deviceNumber, uint32_t *switchId);

} // namespace qms::api
