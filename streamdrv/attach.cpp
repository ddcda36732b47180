// The USB client-driver exports: registration with the host stack and taking over a module.
#include "device_context.h"
#include "qms_guarded.h"
#include "registry_config.h"

namespace {

USB_DRIVER_SETTINGS DriverSettings()
{
    return USB_DRIVER_SETTINGS{
        sizeof(USB_DRIVER_SETTINGS), QMS_USB_VENDOR_ID, QMS_USB_PRODUCT_ID,
        USB_NO_INFO,                 // release number
        USB_NO_INFO,                 USB_NO_INFO, USB_NO_INFO, // device class, subclass, protocol
        QMS_USB_INTERFACE_CLASS,     QMS_USB_INTERFACE_SUBCLASS,
        USB_NO_INFO,                 // interface protocol
    };
}

} // namespace

extern "C" {

QMS_EXPORT BOOL USBInstallDriver(LPCWSTR szDriverLibFile)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        if (!RegisterClientDriverID(QMS_USB_DRIVER_ID))
            return FALSE;
        const USB_DRIVER_SETTINGS settings = DriverSettings();
        if (!RegisterClientSettings(szDriverLibFile, QMS_USB_DRIVER_ID, nullptr, &settings))
            return FALSE;
        WriteClientDriverValues(); // the device manager reports a missing value itself
        return TRUE;
    });
}

QMS_EXPORT BOOL USBUnInstallDriver(void)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        const USB_DRIVER_SETTINGS settings = DriverSettings();
        const BOOL settingsRemoved = UnRegisterClientSettings(QMS_USB_DRIVER_ID, nullptr, &settings);
        const BOOL idRemoved = UnRegisterClientDriverID(QMS_USB_DRIVER_ID);
        return settingsRemoved & idRemoved;
    });
}

QMS_EXPORT BOOL USBDeviceAttach(USB_HANDLE hDevice, LPCUSB_FUNCS lpUsbFuncs, LPCUSB_INTERFACE lpInterface,
                                LPCWSTR, LPBOOL fAcceptControl, LPCUSB_DRIVER_SETTINGS, DWORD)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        if (!hDevice || !lpUsbFuncs || !lpInterface || !fAcceptControl)
            return FALSE;
        *fAcceptControl = FALSE;
        if (lpInterface->Descriptor.bInterfaceClass != QMS_USB_INTERFACE_CLASS ||
            lpInterface->Descriptor.bInterfaceSubClass != QMS_USB_INTERFACE_SUBCLASS)
            return FALSE;
        DeviceContext *context = CreateDeviceContext(hDevice, lpUsbFuncs);
        if (!context)
            return FALSE;
        // The record travels to U93_Init as its 32-bit token, never as a pointer.
        context->activeHandle = ActivateDevice(QMS_REG_CLIENT_DRIVER_KEY, context->token);
        if (!context->activeHandle) {
            ReleaseDeviceContext(context);
            return FALSE;
        }
        *fAcceptControl = TRUE;
        return TRUE;
    });
}

} // extern "C"
