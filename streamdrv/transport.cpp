#include "transport.h"

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kInFlags = USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK;   // 0x280
constexpr DWORD kOutFlags = USB_OUT_TRANSFER | USB_SHORT_TRANSFER_OK; // 0x200

// How long the sampler's read may still take once an application call waits for the lock: a
// module that answers at all does so well within it.
constexpr DWORD kSamplerGraceMs = 50;
// The transfer was given up for an application call (the system's "operation aborted").
constexpr DWORD kGaveWay = 995;
// What the wait of such a transfer returns.
constexpr DWORD kWaitGaveWay = 0xFFFFFFF0u;

// Set for a transfer of the sampler: the event an application call sets when it waits for the
// transfer lock.
struct GiveWay {
    HANDLE wanted;
    const LONG *waiters;
};

DWORD RunTransfer(LPCUSB_FUNCS funcs, USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE callback, HANDLE event,
                  DWORD flags, LPCUSB_DEVICE_REQUEST setup, LPVOID buffer, DWORD physicalAddress,
                  LPDWORD bytesTransferred, DWORD timeout, LPDWORD usbError, const GiveWay *giveWay);

BOOL VendorTransfer(DeviceContext *context, BYTE requestType, DWORD flags, BYTE group, WORD command,
                    WORD index, void *buffer, WORD length, DWORD *received = nullptr,
                    const GiveWay *giveWay = nullptr)
{
    // A module that has gone answers nothing: fail at once instead of asking the host stack.
    if (ModuleRemoved(context)) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    const USB_DEVICE_REQUEST setup = {requestType, group, command, index, length};
    DWORD bytes = 0;
    DWORD usbError = 0;
    const DWORD result = RunTransfer(context->usbFuncs, context->usbDevice, TransferComplete, context->transferEvent,
                                     flags, &setup, buffer, 0, &bytes, context->transferTimeout, &usbError, giveWay);
    if (received)
        *received = bytes;
    // A short reply is a reply here; the callers that read it on ask for its length.
    if (result == 0 && usbError == USB_NO_ERROR)
        return TRUE;
    if (usbError == USB_STALL_ERROR) {
        // Clear a halted endpoint 0 so that the next request can go through; this one is not
        // repeated.
        BOOL halted = FALSE;
        if (context->usbFuncs->lpIsDefaultPipeHalted(context->usbDevice, &halted) && halted)
            context->usbFuncs->lpResetDefaultPipe(context->usbDevice);
    }
    return FALSE;
}

// An IN request read into a copy, so that a reply shorter than `needed` leaves the caller's
// buffer as it was.
BOOL ReadReply(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length, WORD needed,
               const GiveWay *giveWay)
{
    BYTE small[64];
    std::vector<BYTE> large;
    BYTE *reply = small;
    if (length > sizeof small) {
        large.resize(length);
        reply = large.data();
    }
    DWORD received = 0;
    if (!VendorTransfer(context, QMS_REQTYPE_VENDOR_IN, kInFlags, group, command, 0, reply, length, &received,
                        giveWay))
        return FALSE;
    if (received < needed) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    std::memcpy(buffer, reply, received);
    return TRUE;
}

} // namespace

BOOL VendorOut(DeviceContext *context, BYTE group, WORD command, WORD index, void *buffer, WORD length)
{
    return VendorTransfer(context, QMS_REQTYPE_VENDOR_OUT, kOutFlags, group, command, index, buffer, length);
}

BOOL VendorIn(DeviceContext *context, BYTE group, WORD command, WORD index, void *buffer, WORD length)
{
    return VendorTransfer(context, QMS_REQTYPE_VENDOR_IN, kInFlags, group, command, index, buffer, length);
}

BOOL VendorInAtLeast(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length, WORD needed)
{
    return ReadReply(context, group, command, buffer, length, needed, nullptr);
}

BOOL VendorInAll(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length)
{
    return VendorInAtLeast(context, group, command, buffer, length, length);
}

SamplerRead SamplerVendorIn(DeviceContext *context, BYTE group, WORD command, void *buffer, WORD length)
{
    const GiveWay giveWay{context->lockWanted, &context->lockWaiters};
    if (ReadReply(context, group, command, buffer, length, length, &giveWay))
        return SamplerRead::Done;
    return GetLastError() == kGaveWay ? SamplerRead::GaveWay : SamplerRead::Failed;
}

DWORD RunVendorTransfer(LPCUSB_FUNCS funcs, USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE callback,
                        HANDLE event, DWORD flags, LPCUSB_DEVICE_REQUEST setup, LPVOID buffer,
                        DWORD physicalAddress, LPDWORD bytesTransferred, DWORD timeout,
                        LPDWORD usbError)
{
    return RunTransfer(funcs, device, callback, event, flags, setup, buffer, physicalAddress, bytesTransferred,
                       timeout, usbError, nullptr);
}

namespace {

// Waits for the transfer's completion. A transfer that gives way waits on the application's
// event too; once that is set, the module gets the grace and then the transfer is given up.
DWORD WaitForCompletion(HANDLE event, DWORD timeout, const GiveWay *giveWay)
{
    if (!giveWay)
        return WaitForSingleObject(event, timeout);
    const HANDLE both[2] = {event, giveWay->wanted};
    const DWORD start = GetTickCount();
    const DWORD wait = WaitForMultipleObjects(2, both, FALSE, timeout);
    if (wait != WAIT_OBJECT_0 + 1)
        return wait;
    const DWORD spent = GetTickCount() - start;
    const DWORD left = spent < timeout ? timeout - spent : 0;
    if (left <= kSamplerGraceMs)
        return WaitForSingleObject(event, left);
    const DWORD graced = WaitForSingleObject(event, kSamplerGraceMs);
    return graced == WAIT_TIMEOUT ? kWaitGaveWay : graced;
}

DWORD RunTransfer(LPCUSB_FUNCS funcs, USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE callback, HANDLE event,
                  DWORD flags, LPCUSB_DEVICE_REQUEST setup, LPVOID buffer, DWORD physicalAddress,
                  LPDWORD bytesTransferred, DWORD timeout, LPDWORD usbError, const GiveWay *giveWay)
{
    DWORD result = 0;
    if (!funcs || !device || !setup || !bytesTransferred || !usbError) {
        result = ERROR_INVALID_PARAMETER;
    } else {
        *bytesTransferred = 0;
        *usbError = 0;
        ResetEvent(event);
        if (giveWay) {
            // An application call that began waiting before this reset is counted; one that
            // begins after it sets the event again.
            ResetEvent(giveWay->wanted);
            if (ReadInterlocked(giveWay->waiters) > 0) {
                SetLastError(kGaveWay);
                return kGaveWay;
            }
        }
        const USB_TRANSFER transfer = funcs->lpIssueVendorTransfer(device, callback, event, flags, setup,
                                                                   buffer, physicalAddress);
        if (!transfer) {
            result = ERROR_GEN_FAILURE;
        } else {
            const DWORD wait = WaitForCompletion(event, timeout, giveWay);
            if (wait == WAIT_TIMEOUT)
                result = ERROR_TIMEOUT;
            else if (wait == kWaitGaveWay)
                result = kGaveWay;
            else if (wait != WAIT_OBJECT_0)
                result = ERROR_GEN_FAILURE;
            if (wait == WAIT_OBJECT_0 || wait == WAIT_TIMEOUT) {
                if (!funcs->lpGetTransferStatus(transfer, bytesTransferred, usbError))
                    *usbError = kUsbStatusUnreadable;
            }
            // Closing also cancels a transfer that never completed.
            funcs->lpCloseTransfer(transfer);
        }
    }
    if (result == 0 && *usbError != 0)
        result = ERROR_GEN_FAILURE;
    if (result != 0)
        SetLastError(result);
    return result;
}

} // namespace

DWORD TransferComplete(LPVOID event)
{
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return ERROR_INVALID_HANDLE;
    }
    if (!SetEvent(static_cast<HANDLE>(event)))
        return GetLastError();
    return 0;
}
