/*
 * How the module, its driver and its devices are named: USB identifiers, the device type
 * code, the signature of the driver's device record, the removal event name, and the
 * registry layout that the stream driver publishes and the API library reads.
 *
 * Wide texts are UTF-16 literals (u"..."), usable as LPCWSTR; formats are wsprintfW formats.
 * Usable from C (C11) and C++.
 */
#ifndef QMS_IDENTITY_H
#define QMS_IDENTITY_H

/* ---- The module on the bus --------------------------------------------------------------- */

#define QMS_USB_VENDOR_ID 0x3A5Cu
#define QMS_USB_PRODUCT_ID 0x6093u
/* The module's one interface is vendor specific, subclass 0; anything else is declined. */
#define QMS_USB_INTERFACE_CLASS 0xFFu
#define QMS_USB_INTERFACE_SUBCLASS 0u

/* ---- Device records ---------------------------------------------------------------------- */

/* Device type code of the USB-6093 (registry value BoardID, DeviceFeatures, DeviceSettings). */
#define QMS_DEVICE_TYPE_CODE 198u
/* Carried by the driver's DeviceContext while it is live; every entry point checks it. */
#define QMS_DEVICE_SIGNATURE 0x3A5C6093u
/* Device numbers run from 0 to 254; an unresolved number is all ones. */
#define QMS_MAX_DEVICE_NUMBER 254u
#define QMS_DEVICE_NUMBER_UNRESOLVED 0xFFFFFFFFu

/* Named event that the driver sets when the module is unplugged; formatted with the device
 * number. */
#define QMS_REMOVAL_EVENT_FORMAT u"QMS_EVT_DEVREMOVED_%03d"

/* ---- Registry (all keys under HKEY_LOCAL_MACHINE) ----------------------------------------- */

/* Client-driver key of the USB host stack; also the device key handed to ActivateDevice. */
#define QMS_REG_CLIENT_DRIVER_KEY u"Drivers\\USB\\ClientDrivers\\USB6093_Class"
/* Shared key: device numbers are allocated from its DeviceNNN subkeys. */
#define QMS_REG_SHARED_KEY u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ"
/* The driver's own key with one DeviceNNN subkey per module. */
#define QMS_REG_DRIVER_KEY u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s"
/* Subkey of a device: applied to a parent key and the device number. */
#define QMS_REG_DEVICE_SUBKEY_FORMAT u"%s\\Device%03d"
/* A subkey is a device subkey when its name contains this; the number follows it. */
#define QMS_REG_DEVICE_SUBKEY_PREFIX u"Device"
/* Template subkeys of the client-driver key contain this in their names. */
#define QMS_REG_TEMPLATE_MARK u"Template"

/* Unique driver ID registered with the USB host stack. */
#define QMS_USB_DRIVER_ID u"USB6093_Class"

/* Value names, as the registry holds them. */
#define QMS_REGVAL_DLL u"Dll"
#define QMS_REGVAL_PREFIX u"Prefix"
#define QMS_REGVAL_BOARD_ID u"BoardID"
#define QMS_REGVAL_SWITCH_ID u"SwitchID"
#define QMS_REGVAL_DEVICE_NAME u"DeviceName"
#define QMS_REGVAL_DRIVER_NAME u"DriverName"
#define QMS_REGVAL_KERNEL_KEY u"KernelKey"
#define QMS_REGVAL_CALL_NAME u"CallName"
#define QMS_REGVAL_CHAN_CONFIG u"ChanConfig"
#define QMS_REGVAL_ALLOW_CONFLICTS u"AllowConflicts"
#define QMS_REGVAL_TC_READBACK_CHAN u"TCReadBackChan"
#define QMS_REGVAL_TC_READBACK_TYPE u"TCReadBackType"
/* Value of the device manager's Active key that names the stream device ("U93" index ":"). */
#define QMS_REGVAL_ACTIVE_NAME u"Name"

/* Value contents. */
#define QMS_REG_DRIVER_DLL u"Qms6093S.dll"
#define QMS_REG_STREAM_PREFIX u"U93"
#define QMS_REG_API_DLL u"Qms6093.dll"
#define QMS_REG_KERNEL_KEY_NAME u"QMS6093S"
/* DeviceName, formatted with the module's board number (SwitchID); at most 40 characters. */
#define QMS_REG_DEVICE_NAME_FORMAT u"USB-6093 BoardID=%d"
#define QMS_REG_DEVICE_NAME_MAX 40u
/* CallName holds at most 9 characters and the terminator. */
#define QMS_CALL_NAME_CHARS 10u

#endif
