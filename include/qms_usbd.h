/*
 * The USB host stack (USBD) as its client drivers see it: the Windows CE USB client-driver
 * interface subset, with its own names, types and values.
 *
 * A client driver is a shared library. It registers itself with RegisterClientDriverID and
 * RegisterClientSettings (usually from its USBInstallDriver export); from then on the host
 * stack offers every plugged-in device whose identity matches the registered settings to the
 * library's USBDeviceAttach export. Registrations live in the registry, so they persist with
 * it.
 *
 * Library names. Registrations name the client's library the way the original platform does
 * ("Qms6093S.dll"). The host stack (and the device manager, for the `Dll` value of a device
 * key) maps such a name to a Linux file name: the base name in lower case, without ".dll",
 * with the prefix "lib" and the suffix ".so" ("Qms6093S.dll" becomes "libqms6093s.so"). The
 * file is looked up first in the folder that holds libqmsplatform.so itself, then on the
 * normal dlopen search path (LD_LIBRARY_PATH, the run path, the system folders).
 *
 * Handles. USB_HANDLE and USB_TRANSFER are opaque pointer-sized tokens, never pointers: a
 * stale or closed token is refused (last error ERROR_INVALID_HANDLE) and never crashes.
 *
 * Transfers are asynchronous. IssueVendorTransfer returns at once with a transfer handle; the
 * completion routine runs once when the transfer ends: on the issuing thread when the device
 * answered at once, otherwise on the host stack's completion thread. IN data reaches the
 * client's buffer only when the transfer completes. CloseTransfer releases a transfer in any
 * state; a transfer that has not completed is cancelled, and once CloseTransfer has returned
 * the completion routine never runs (a routine already running is waited for, unless
 * CloseTransfer is called from inside it).
 *
 * Removal. When a device goes away, its pending transfers end at once with
 * USB_DEVICE_NOT_RESPONDING_ERROR, later IssueVendorTransfer calls fail (no handle, last
 * error ERROR_DEVICE_NOT_CONNECTED), and the routine registered with
 * RegisterNotificationRoutine is called with USB_CLOSE_DEVICE on a notification thread of
 * that device alone, so one driver's removal path never delays another device's.
 *
 * Usable from C (C11) and C++.
 */
#ifndef QMS_USBD_H
#define QMS_USBD_H

#include "qms_platform.h"

QMS_EXTERN_C_BEGIN

typedef BOOL *LPBOOL;

/* ---- Handles ---------------------------------------------------------------------------- */

typedef LPVOID USB_HANDLE;   /* a device, as handed to USBDeviceAttach */
typedef LPVOID USB_TRANSFER; /* one issued transfer, until CloseTransfer */

/* ---- Descriptors and requests ----------------------------------------------------------- */

/* The standard 8-byte control setup packet. */
typedef struct _USB_DEVICE_REQUEST {
    BYTE bmRequestType;
    BYTE bRequest;
    WORD wValue;
    WORD wIndex;
    WORD wLength;
} USB_DEVICE_REQUEST, *PUSB_DEVICE_REQUEST;
typedef const USB_DEVICE_REQUEST *LPCUSB_DEVICE_REQUEST;

/* bmRequestType bits */
#define USB_REQUEST_HOST_TO_DEVICE 0x00u
#define USB_REQUEST_DEVICE_TO_HOST 0x80u
#define USB_REQUEST_STANDARD 0x00u
#define USB_REQUEST_CLASS 0x20u
#define USB_REQUEST_VENDOR 0x40u
#define USB_REQUEST_FOR_DEVICE 0x00u
#define USB_REQUEST_FOR_INTERFACE 0x01u
#define USB_REQUEST_FOR_ENDPOINT 0x02u

typedef struct _USB_DEVICE_DESCRIPTOR {
    BYTE bLength;
    BYTE bDescriptorType;
    WORD bcdUSB;
    BYTE bDeviceClass;
    BYTE bDeviceSubClass;
    BYTE bDeviceProtocol;
    BYTE bMaxPacketSize0;
    WORD idVendor;
    WORD idProduct;
    WORD bcdDevice;
    BYTE iManufacturer;
    BYTE iProduct;
    BYTE iSerialNumber;
    BYTE bNumConfigurations;
} USB_DEVICE_DESCRIPTOR, *PUSB_DEVICE_DESCRIPTOR;

typedef struct _USB_INTERFACE_DESCRIPTOR {
    BYTE bLength;
    BYTE bDescriptorType;
    BYTE bInterfaceNumber;
    BYTE bAlternateSetting;
    BYTE bNumEndpoints;
    BYTE bInterfaceClass;
    BYTE bInterfaceSubClass;
    BYTE bInterfaceProtocol;
    BYTE iInterface;
} USB_INTERFACE_DESCRIPTOR, *PUSB_INTERFACE_DESCRIPTOR;

/* The interface offered to USBDeviceAttach. Only endpoint 0 is served: lpEndpoints is NULL. */
typedef struct _USB_INTERFACE {
    DWORD dwCount; /* sizeof(USB_INTERFACE) */
    USB_INTERFACE_DESCRIPTOR Descriptor;
    LPCVOID lpvExtended;
    LPCVOID lpEndpoints;
} USB_INTERFACE, *PUSB_INTERFACE;
typedef const USB_INTERFACE *LPCUSB_INTERFACE;

/* What GetDeviceInfo reports about a device. */
typedef struct _USB_DEVICE {
    DWORD dwCount; /* sizeof(USB_DEVICE) */
    USB_DEVICE_DESCRIPTOR Descriptor;
    LPCUSB_INTERFACE lpActiveInterface;
} USB_DEVICE, *PUSB_DEVICE;
typedef const USB_DEVICE *LPCUSB_DEVICE;

/* ---- Client registration ---------------------------------------------------------------- */

#define USB_NO_INFO 0xFFFFFFFFu /* a settings field that matches anything */

/* Which devices a client driver serves: ten 32-bit fields, 40 bytes. */
typedef struct _USB_DRIVER_SETTINGS {
    DWORD dwCount; /* sizeof(USB_DRIVER_SETTINGS) */
    DWORD dwVendorId;
    DWORD dwProductId;
    DWORD dwReleaseNumber;
    DWORD dwDeviceClass;
    DWORD dwDeviceSubClass;
    DWORD dwDeviceProtocol;
    DWORD dwInterfaceClass;
    DWORD dwInterfaceSubClass;
    DWORD dwInterfaceProtocol;
} USB_DRIVER_SETTINGS, *PUSB_DRIVER_SETTINGS;
typedef const USB_DRIVER_SETTINGS *LPCUSB_DRIVER_SETTINGS;

/* Each returns TRUE on success, FALSE with last error (ERROR_INVALID_PARAMETER for a missing
 * or malformed argument, ERROR_FILE_NOT_FOUND for an unknown registration). Registering the
 * same settings again replaces the earlier library name. UnRegisterClientDriverID removes
 * the ID's settings too; the client's own key "Drivers\USB\ClientDrivers\<ID>" and the
 * values it wrote there stay. */
QMS_EXPORT BOOL RegisterClientDriverID(LPCWSTR szUniqueDriverId);
QMS_EXPORT BOOL UnRegisterClientDriverID(LPCWSTR szUniqueDriverId);
QMS_EXPORT BOOL RegisterClientSettings(LPCWSTR lpszDriverLibFile, LPCWSTR lpszUniqueDriverId,
                                       LPCWSTR szReserved, LPCUSB_DRIVER_SETTINGS lpDriverSettings);
QMS_EXPORT BOOL UnRegisterClientSettings(LPCWSTR lpszUniqueDriverId, LPCWSTR szReserved,
                                         LPCUSB_DRIVER_SETTINGS lpDriverSettings);

/* ---- Transfers -------------------------------------------------------------------------- */

/* dwFlags of IssueVendorTransfer */
#define USB_OUT_TRANSFER 0x00000000u
#define USB_IN_TRANSFER 0x00000080u
#define USB_NO_WAIT 0x00000100u /* transfers are asynchronous whether or not this is set */
#define USB_SHORT_TRANSFER_OK 0x00000200u
#define USB_SEND_TO_DEVICE 0x00000000u
#define USB_SEND_TO_INTERFACE 0x00000001u
#define USB_SEND_TO_ENDPOINT 0x00000002u

/* USB error values (GetTransferStatus) */
#define USB_NO_ERROR 0x00u
#define USB_CRC_ERROR 0x01u
#define USB_BIT_STUFFING_ERROR 0x02u
#define USB_DATA_TOGGLE_MISMATCH_ERROR 0x03u
#define USB_STALL_ERROR 0x04u               /* endpoint 0 halted: see ResetDefaultPipe */
#define USB_DEVICE_NOT_RESPONDING_ERROR 0x05u /* the device went away */
#define USB_PID_CHECK_FAILURE_ERROR 0x06u
#define USB_UNEXPECTED_PID_ERROR 0x07u
#define USB_DATA_OVERRUN_ERROR 0x08u
#define USB_DATA_UNDERRUN_ERROR 0x09u /* short IN reply without USB_SHORT_TRANSFER_OK */
#define USB_BUFFER_OVERRUN_ERROR 0x0Cu
#define USB_BUFFER_UNDERRUN_ERROR 0x0Du
#define USB_NOT_COMPLETE_ERROR 0x100u /* the transfer is still pending */
#define USB_CANCELED_ERROR 0x102u     /* closed before it completed */

/* Completion routine: called once with the parameter given to IssueVendorTransfer. */
typedef DWORD (*LPTRANSFER_NOTIFY_ROUTINE)(LPVOID lpvNotifyParameter);

/* Notification codes */
#define USB_CLOSE_DEVICE 1u /* the device is gone */
#define USB_SUSPENDED_DEVICE 2u
#define USB_RESUMED_DEVICE 3u

/* Device notification routine; the four pointer arguments are NULL for USB_CLOSE_DEVICE. */
typedef BOOL (*LPDEVICE_NOTIFY_ROUTINE)(LPVOID lpvNotifyParameter, DWORD dwCode,
                                        LPDWORD *dwInfo1, LPDWORD *dwInfo2, LPDWORD *dwInfo3,
                                        LPDWORD *dwInfo4);

/* ---- The function table handed to USBDeviceAttach --------------------------------------- */

/* Returns a transfer handle, or NULL with last error (ERROR_INVALID_HANDLE,
 * ERROR_INVALID_PARAMETER: no setup packet, no buffer for a data phase, or flags whose
 * direction disagrees with bmRequestType; ERROR_DEVICE_NOT_CONNECTED: the device is gone).
 * Only endpoint 0 is served; uBufferPhysicalAddress is ignored. */
typedef USB_TRANSFER (*LPISSUE_VENDOR_TRANSFER)(USB_HANDLE hDevice,
                                               LPTRANSFER_NOTIFY_ROUTINE lpStartAddress,
                                               LPVOID lpvNotifyParameter, DWORD dwFlags,
                                               LPCUSB_DEVICE_REQUEST lpControlHeader,
                                               LPVOID lpvBuffer, DWORD uBufferPhysicalAddress);
/* TRUE with the bytes transferred and the USB error; a pending transfer reports
 * USB_NOT_COMPLETE_ERROR. */
typedef BOOL (*LPGET_TRANSFER_STATUS)(USB_TRANSFER hTransfer, LPDWORD lpdwBytesTransferred,
                                      LPDWORD lpdwError);
typedef BOOL (*LPIS_TRANSFER_COMPLETE)(USB_TRANSFER hTransfer);
/* Cancels a pending transfer (its status becomes USB_CANCELED_ERROR); the handle stays valid
 * until CloseTransfer. */
typedef BOOL (*LPABORT_TRANSFER)(USB_TRANSFER hTransfer, DWORD dwFlags);
typedef BOOL (*LPCLOSE_TRANSFER)(USB_TRANSFER hTransfer);
typedef BOOL (*LPIS_DEFAULT_PIPE_HALTED)(USB_HANDLE hDevice, LPBOOL lpbHalted);
typedef BOOL (*LPRESET_DEFAULT_PIPE)(USB_HANDLE hDevice);
/* One routine per device; registering again replaces it. */
typedef BOOL (*LPREGISTER_NOTIFICATION_ROUTINE)(USB_HANDLE hDevice,
                                                LPDEVICE_NOTIFY_ROUTINE lpNotifyRoutine,
                                                LPVOID lpvNotifyParameter);
typedef BOOL (*LPUN_REGISTER_NOTIFICATION_ROUTINE)(USB_HANDLE hDevice,
                                                   LPDEVICE_NOTIFY_ROUTINE lpNotifyRoutine,
                                                   LPVOID lpvNotifyParameter);
/* The device's descriptor and the interface it was attached by; valid while the device
 * handle is. NULL for an unknown handle (ERROR_INVALID_HANDLE) and for a device that has gone
 * (ERROR_DEVICE_NOT_CONNECTED), also before its removal notice has reached the client. */
typedef LPCUSB_DEVICE (*LPGET_DEVICE_INFO)(USB_HANDLE hDevice);

typedef struct _USB_FUNCS {
    DWORD dwCount; /* sizeof(USB_FUNCS) */
    LPGET_DEVICE_INFO lpGetDeviceInfo;
    LPISSUE_VENDOR_TRANSFER lpIssueVendorTransfer;
    LPGET_TRANSFER_STATUS lpGetTransferStatus;
    LPIS_TRANSFER_COMPLETE lpIsTransferComplete;
    LPABORT_TRANSFER lpAbortTransfer;
    LPCLOSE_TRANSFER lpCloseTransfer;
    LPIS_DEFAULT_PIPE_HALTED lpIsDefaultPipeHalted;
    LPRESET_DEFAULT_PIPE lpResetDefaultPipe;
    LPREGISTER_NOTIFICATION_ROUTINE lpRegisterNotificationRoutine;
    LPUN_REGISTER_NOTIFICATION_ROUTINE lpUnRegisterNotificationRoutine;
} USB_FUNCS, *PUSB_FUNCS;
typedef const USB_FUNCS *LPCUSB_FUNCS;

/* ---- Exports of a client driver library ------------------------------------------------- */

#define USB_DEVICE_ATTACH_NAME "USBDeviceAttach"
#define USB_INSTALL_DRIVER_NAME "USBInstallDriver"
#define USB_UNINSTALL_DRIVER_NAME "USBUnInstallDriver"

/* Offered a matching device: returns TRUE and sets *fAcceptControl to TRUE to take it; a
 * device that is declined is offered to the next matching client, if any. Runs on the
 * thread that plugged the device. */
typedef BOOL (*LPUSB_DEVICE_ATTACH)(USB_HANDLE hDevice, LPCUSB_FUNCS lpUsbFuncs,
                                    LPCUSB_INTERFACE lpInterface, LPCWSTR szUniqueDriverId,
                                    LPBOOL fAcceptControl,
                                    LPCUSB_DRIVER_SETTINGS lpDriverSettings, DWORD dwUnused);
typedef BOOL (*LPUSB_INSTALL_DRIVER)(LPCWSTR szDriverLibFile);
typedef BOOL (*LPUSB_UNINSTALL_DRIVER)(void);

QMS_EXTERN_C_END

#ifdef __cplusplus
static_assert(sizeof(USB_DEVICE_REQUEST) == 8, "setup packet is 8 bytes");
static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18, "device descriptor is 18 bytes");
static_assert(sizeof(USB_INTERFACE_DESCRIPTOR) == 9, "interface descriptor is 9 bytes");
static_assert(sizeof(USB_DRIVER_SETTINGS) == 40, "driver settings are ten DWORDs");
#else
_Static_assert(sizeof(USB_DEVICE_REQUEST) == 8, "setup packet is 8 bytes");
_Static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18, "device descriptor is 18 bytes");
_Static_assert(sizeof(USB_INTERFACE_DESCRIPTOR) == 9, "interface descriptor is 9 bytes");
_Static_assert(sizeof(USB_DRIVER_SETTINGS) == 40, "driver settings are ten DWORDs");
#endif

#endif
