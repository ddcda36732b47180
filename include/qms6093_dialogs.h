/*
 * The configuration dialogs of the USB-6093 device API library (libqms6093): the device
 * setting dialog "USB-6093 Device Setting" with its calibration wizard, CJC offset
 * adjustment and settings restore, shown on the window system of qms_ui.h.
 *
 * The dialogs run modally on the calling thread, which must be the window system's thread
 * (the first thread that made a window, or the program's own Qt thread). Where the toolkit
 * cannot be started (no display and no QT_QPA_PLATFORM), the dialog cannot be made.
 * Usable from C (C11) and C++.
 */
#ifndef QMS6093_DIALOGS_H
#define QMS6093_DIALOGS_H

#include <stdint.h>

#include "qms6093.h"
#include "qms_ui.h"

QMS_EXTERN_C_BEGIN

/* Shows the device setting dialog for `deviceNumber` over `parent` (NULL: no owner) when the
 * device number has a board ID in the registry; otherwise the message "The specified device
 * doesn't exist on system!" and 0. Else as DeviceConfigExt. */
QMS_EXPORT int32_t DeviceConfig(uint32_t deviceNumber, uint32_t defaultBoardId, HWND parent);

/* Shows the device setting dialog for `deviceNumber` over `parent`. `defaultBoardId` is the
 * BoardID (device type code, 198) a registry read takes where the registry has none; it
 * stays in force for the process. Returns 0 after OK, Cancel, the removal of the module or
 * the box for a device number without settings; 1 when the device cannot be opened; -1 when
 * the dialog cannot be made. */
QMS_EXPORT int32_t DeviceConfigExt(uint32_t deviceNumber, uint32_t defaultBoardId, HWND parent);

QMS_EXTERN_C_END

#endif
