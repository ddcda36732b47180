// The USB function table that client drivers receive in USBDeviceAttach.
#include "platform/usbd/host.h"
#include "platform/usbd/transfer.h"

namespace qms::usbd {

namespace {

LPCUSB_DEVICE getDeviceInfo(USB_HANDLE handle)
{
    const auto device = Host::instance().device(handle);
    if (!device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::lock_guard guard(device->lock);
    if (device->gone) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return nullptr;
    }
    return &device->info; // lives as long as the handle
}

USB_TRANSFER issue(USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE routine, LPVOID parameter,
                   DWORD flags, LPCUSB_DEVICE_REQUEST request, LPVOID buffer, DWORD)
{
    return issueVendorTransfer(device, routine, parameter, flags, request, buffer);
}

BOOL abort(USB_TRANSFER transfer, DWORD)
{
    return abortTransfer(transfer);
}

BOOL isDefaultPipeHalted(USB_HANDLE handle, LPBOOL halted)
{
    const auto device = Host::instance().device(handle);
    if (!device || !halted) {
        SetLastError(device ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard guard(device->lock);
    *halted = device->halted ? TRUE : FALSE;
    return TRUE;
}

BOOL resetDefaultPipe(USB_HANDLE handle)
{
    const auto device = Host::instance().device(handle);
    if (!device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::shared_ptr<BusDevice> bus;
    {
        std::lock_guard guard(device->lock);
        if (device->gone) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return FALSE;
        }
        device->halted = false;
        bus = device->bus;
    }
    std::lock_guard guard(device->controlLock);
    bus->defaultPipeReset();
    return TRUE;
}

BOOL registerNotification(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter)
{
    return Host::instance().registerNotification(device, routine, parameter);
}

BOOL unregisterNotification(USB_HANDLE device, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter)
{
    return Host::instance().unregisterNotification(device, routine, parameter);
}

} // namespace

const USB_FUNCS &usbFunctionTable()
{
    static const USB_FUNCS table = {
        sizeof(USB_FUNCS), getDeviceInfo,      issue,
        getTransferStatus, isTransferComplete, abort,
        closeTransfer,     isDefaultPipeHalted, resetDefaultPipe,
        registerNotification, unregisterNotification,
    };
    return table;
}

} // namespace qms::usbd
