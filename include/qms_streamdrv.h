/*
 * The stream-interface entry points of a device driver, as the device manager calls them.
 *
 * A stream driver is a shared library named by the `Dll` value (REG_SZ) of its device key,
 * mapped to a Linux file name as described in qms_usbd.h ("Qms6093S.dll" is
 * "libqms6093s.so"). Its entry points carry the three-letter prefix of the key's `Prefix`
 * value (REG_SZ): with prefix "U93" the device manager looks up U93_Init, U93_Deinit,
 * U93_Open, U93_Close, U93_IOControl, U93_Read, U93_Write, U93_Seek, U93_PowerUp and
 * U93_PowerDown, exported with C linkage. All ten must be present, or ActivateDevice fails
 * with ERROR_PROC_NOT_FOUND.
 *
 * ActivateDevice(devKey, clientInfo) creates the Active key "Drivers\Active\NN" (NN the
 * lowest free number from 01) with the values
 *   Key        REG_SZ     the device key path given to ActivateDevice
 *   Name       REG_SZ     the stream device name: prefix, lowest free index from 1, colon
 *                         ("U931:"); at most 9 characters
 *   ClientInfo REG_DWORD  the 32-bit value given to ActivateDevice (a token, not a pointer)
 * and then calls Init with the Active key path. A zero result from Init makes ActivateDevice
 * fail: the Active key is removed and the library released. Contexts returned by Init and
 * Open are pointer-sized.
 *
 * CreateFileW with the device name (case-insensitive) calls Open with Init's context and
 * returns a handle; DeviceIoControl on it calls IOControl with Open's context; CloseHandle
 * calls Close once no other call on that handle is still inside the driver.
 * DeactivateDevice refuses new calls, waits for the calls already inside the driver, calls
 * Deinit, and removes the device name and the Active key: no entry point of the device is
 * called after Deinit; a handle still open fails with ERROR_DEVICE_REMOVED.
 */
#ifndef QMS_STREAMDRV_H
#define QMS_STREAMDRV_H

#include "qms_platform.h"

QMS_EXTERN_C_BEGIN

#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_PROC_NOT_FOUND
#define ERROR_PROC_NOT_FOUND 127L
#endif

/* Seek origins for XXX_Seek */
#ifndef FILE_BEGIN
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u
#endif

/* XXX_Init: the Active key path (under HKEY_LOCAL_MACHINE) and the bus context (NULL).
 * Returns the device context, 0 on failure. */
typedef DWORD_PTR (*PFN_STREAM_INIT)(LPCWSTR pContext, LPCVOID lpvBusContext);
/* XXX_Deinit: the device context. The result is not looked at. */
typedef BOOL (*PFN_STREAM_DEINIT)(DWORD_PTR hDeviceContext);
/* XXX_Open: the device context, the access and share mode given to CreateFileW. Returns the
 * open context, 0 to refuse the open (the driver sets the last error). */
typedef DWORD_PTR (*PFN_STREAM_OPEN)(DWORD_PTR hDeviceContext, DWORD AccessCode, DWORD ShareMode);
/* XXX_Close: the open context. FALSE makes CloseHandle fail (the handle is closed all the
 * same). */
typedef BOOL (*PFN_STREAM_CLOSE)(DWORD_PTR hOpenContext);
/* XXX_IOControl: the open context and the arguments of DeviceIoControl; pdwActualOut is never
 * NULL. */
typedef BOOL (*PFN_STREAM_IOCONTROL)(DWORD_PTR hOpenContext, DWORD dwCode, LPBYTE pBufIn,
                                     DWORD dwLenIn, LPBYTE pBufOut, DWORD dwLenOut,
                                     LPDWORD pdwActualOut);
typedef DWORD (*PFN_STREAM_READ)(DWORD_PTR hOpenContext, LPVOID pBuffer, DWORD Count);
typedef DWORD (*PFN_STREAM_WRITE)(DWORD_PTR hOpenContext, LPCVOID pBuffer, DWORD Count);
typedef DWORD (*PFN_STREAM_SEEK)(DWORD_PTR hOpenContext, LONG Amount, DWORD Type);
typedef void (*PFN_STREAM_POWERUP)(DWORD_PTR hDeviceContext);
typedef void (*PFN_STREAM_POWERDOWN)(DWORD_PTR hDeviceContext);

QMS_EXTERN_C_END

#endif
