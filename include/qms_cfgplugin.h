/*
 * Desktop configuration plug-ins: a shared library that a configuration host loads to show a
 * module's entry in the host's tree of device templates. The plug-in exports one function,
 * DriverConfig, under its plain name. The host calls it on its user-interface thread with its
 * own directory (the prefix of the module's registry template path) and the device name; the
 * plug-in opens a modeless window and returns at once, and the window lives on while the host
 * runs its message loop (GetMessageW, WaitMessage). Every call opens a further window.
 *
 * libusb6093cfg.so is the plug-in of the USB-6093; qmscfghost is a host.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS_CFGPLUGIN_H
#define QMS_CFGPLUGIN_H

#include "qms_platform.h"

QMS_EXTERN_C_BEGIN

/* dwReserved is kept by the plug-in but not used; lpHostDirectory, lpDeviceName and lpOption
 * are 8-bit texts (NULL counts as empty). The result is 1, whether a window could be shown or
 * not. */
typedef int (*QMS_DRIVERCONFIG)(DWORD dwReserved, LPCSTR lpHostDirectory, LPCSTR lpDeviceName,
                                LPCSTR lpOption);

QMS_EXPORT int DriverConfig(DWORD dwReserved, LPCSTR lpHostDirectory, LPCSTR lpDeviceName,
                            LPCSTR lpOption);

QMS_EXTERN_C_END

#endif
