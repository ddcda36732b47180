// Vendor requests on the module's endpoint 0. The caller holds the device's transferLock and
// records 501 when a request fails.
#pragma once

#include "device_context.h"

// Host-stack USB error the transport stores when a transfer's status cannot be read.
constexpr DWORD kUsbStatusUnreadable = 0x101;

BOOL VendorOut(DeviceContext *context, BYTE group, WORD command, WORD index, void *buffer, WORD length);
// A short reply is a reply: TRUE, and the bytes the module did not send keep their content.
BOOL VendorIn(DeviceContext *context, BYTE group, WORD command, WORD index, void *buffer, WORD length);
// For replies that are read on: TRUE only when the module sent at least `needed` of the
// `length` bytes. On FALSE the buffer keeps all its content, the part that did come included.
BOOL VendorInAtLeast(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length, WORD needed);
// The whole reply or nothing.
BOOL VendorInAll(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length);

// How a read of the CJC sampler ended.
enum class SamplerRead { Done, Failed, GaveWay };
// A read of the CJC sampler, which holds transferLock without announcing it: the whole reply,
// or it gives way (the transfer cancelled, nothing stored in the buffer) when an application
// call waits for the lock and the module has not answered within a short grace.
SamplerRead SamplerVendorIn(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length);

// One synchronous transfer: 0, ERROR_INVALID_PARAMETER, ERROR_GEN_FAILURE or ERROR_TIMEOUT
// (also set as the thread's last error when not 0).
DWORD RunVendorTransfer(LPCUSB_FUNCS funcs, USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE callback,
                        HANDLE event, DWORD flags, LPCUSB_DEVICE_REQUEST setup, LPVOID buffer,
                        DWORD physicalAddress, LPDWORD bytesTransferred, DWORD timeout,
                        LPDWORD usbError);

// Completion routine: sets the event it is given.
DWORD TransferComplete(LPVOID event);
