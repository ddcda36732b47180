// The stream-interface entry points the device manager calls for the "U93" devices. No C++
// exception leaves them: the device manager is a C caller.
#include <cstring>

#include "cjc_sampler.h"
#include "device_notify.h"
#include "device_start.h"
#include "ioctl_handlers.h"
#include "names.h"
#include "registry_config.h"
#include "qms_guarded.h"
#include "transport.h"

namespace {

// The open and close notices: four zero bytes.
void NotifyModule(DeviceContext *context, WORD command)
{
    BYTE zeros[4] = {};
    TransferLockGuard lock(context);
    if (!VendorOut(context, GROUP_DEVICE, command, 0, zeros, sizeof zeros))
        RecordDriverError(context, QMS_DRVERR_TRANSFER);
}

DeviceContext *RecordOfActiveKey(LPCWSTR activeKey)
{
    DWORD token = 0;
    RegValueEntry table[] = {
        {u"ClientInfo", REG_DWORD, sizeof token, &token},
        {nullptr, 0, 0, nullptr},
    };
    if (!activeKey || !ProcessRegTable(activeKey, table, FALSE, FALSE))
        return nullptr;
    return FindLiveRecord(token);
}

} // namespace

extern "C" {

QMS_EXPORT DWORD_PTR U93_Init(LPCWSTR pContext, LPCVOID)
{
    return qms::guarded(DWORD_PTR{0}, [&]() -> DWORD_PTR {
        // ClientInfo holds the token USBDeviceAttach gave ActivateDevice; a missing or stale one
        // leads to no record.
        RecordHold hold(reinterpret_cast<DWORD_PTR>(RecordOfActiveKey(pContext)));
        DeviceContext *context = hold.get();
        if (!context)
            return 0;
        context->activeKeyPath = pContext;

        RegValueEntry name[] = {
            {QMS_REGVAL_ACTIVE_NAME, REG_SZ, sizeof context->callName, context->callName},
            {nullptr, 0, 0, nullptr},
        };
        if (!ProcessRegTable(pContext, name, FALSE, FALSE))
            return 0;
        context->callName[QMS_CALL_NAME_CHARS - 1] = 0;

        if (!StartDevice(context))
            return 0;
        if (!context->removalEvent) {
            // Manual reset: once set, every waiter of the device learns of the removal.
            context->removalEvent = CreateEventW(nullptr, TRUE, FALSE, RemovalEventName(context->deviceNumber).c_str());
            // The event of this number may still be held, signalled, from the module's previous
            // attach; its removal has been told by now (the device start waited for that).
            if (context->removalEvent)
                ResetEvent(context->removalEvent);
        }
        if (!context->usbFuncs->lpRegisterNotificationRoutine(context->usbDevice, DeviceNotify, context)) {
            StopCjcSampler(context);
            return 0;
        }
        return reinterpret_cast<DWORD_PTR>(context);
    });
}

QMS_EXPORT BOOL U93_Deinit(DWORD_PTR hDeviceContext)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        RecordHold hold(hDeviceContext);
        if (hold)
            StopCjcSampler(hold.get());
        return FALSE;
    });
}

QMS_EXPORT DWORD_PTR U93_Open(DWORD_PTR hDeviceContext, DWORD, DWORD)
{
    return qms::guarded(DWORD_PTR{0}, [&]() -> DWORD_PTR {
        RecordHold hold(hDeviceContext);
        DeviceContext *context = hold.get();
        if (!context) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        const LONG count = InterlockedIncrement(&context->openCount);
        // A module that has gone takes no new handle. Counted first and checked after, so the
        // removal path either sees this handle or this open sees the removal.
        if (ModuleRemoved(context)) {
            if (InterlockedDecrement(&context->openCount) == 0)
                SetEvent(context->allClosedEvent);
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        if (count == 1)
            NotifyModule(context, CMD_DEVICE_OPEN_NOTICE);
        ResetEvent(context->allClosedEvent);
        return hDeviceContext;
    });
}

QMS_EXPORT BOOL U93_Close(DWORD_PTR hOpenContext)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        RecordHold hold(hOpenContext);
        DeviceContext *context = hold.get();
        if (!context) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (InterlockedDecrement(&context->openCount) > 0)
            return TRUE;
        NotifyModule(context, CMD_DEVICE_CLOSE_NOTICE);
        SetEvent(context->allClosedEvent);
        return TRUE;
    });
}

QMS_EXPORT BOOL U93_IOControl(DWORD_PTR hOpenContext, DWORD dwCode, LPBYTE pBufIn, DWORD dwLenIn,
                              LPBYTE pBufOut, DWORD dwLenOut, LPDWORD pdwActualOut)
{
    return qms::guarded(FALSE, [&]() -> BOOL {
        RecordHold hold(hOpenContext);
        if (!hold) {
            SetLastError(QMS_LASTERR_BAD_CONTEXT);
            return FALSE;
        }
        DWORD unused = 0;
        IoRequest request{pBufIn, dwLenIn, pBufOut, dwLenOut, pdwActualOut ? pdwActualOut : &unused};
        *request.bytesReturned = 0;
        return DispatchIoControl(hold.get(), dwCode, request);
    });
}

QMS_EXPORT DWORD U93_Read(DWORD_PTR, LPVOID, DWORD)
{
    return 0;
}

QMS_EXPORT DWORD U93_Write(DWORD_PTR, LPCVOID, DWORD)
{
    return 0;
}

QMS_EXPORT DWORD U93_Seek(DWORD_PTR, LONG, DWORD)
{
    return static_cast<DWORD>(-1);
}

QMS_EXPORT void U93_PowerUp(DWORD_PTR)
{
}

QMS_EXPORT void U93_PowerDown(DWORD_PTR)
{
}

} // extern "C"
