// The three dialogs the device setting dialog opens on its device handle while its polling
// is stopped.
#pragma once

#include <cstdint>

#include "qms6093.h"
#include "qms_ui.h"

namespace qms::api::ui {

// "Calibration Wizard": 3 after "Finish", 2 when closed from its caption.
INT_PTR RunCalibrationWizard(HWND parent, uint32_t handle);
// "CJC Offset Adjustment": stores the chosen channel and type in `settings` on OK. Ends with 1.
INT_PTR RunCjcOffsetDialog(HWND parent, uint32_t handle, DeviceSettings *settings);
// "Restore Settings". Ends with 1.
INT_PTR RunRestoreDialog(HWND parent, uint32_t handle);

} // namespace qms::api::ui
