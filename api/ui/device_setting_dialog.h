// The device setting dialog "USB-6093 Device Setting" on one device number. Its settings
// read takes the default BoardID in force (SetDefaultBoardID).
#pragma once

#include <cstdint>

#include "qms_ui.h"

namespace qms::api::ui {

// Runs the dialog modally over `parent` and returns its end code: 0 after OK, Cancel,
// removal of the module or the unconfigured-device box; 1 when the device cannot be opened;
// -1 when the dialog cannot be made.
INT_PTR RunDeviceSettingDialog(uint32_t deviceNumber, HWND parent);

} // namespace qms::api::ui
