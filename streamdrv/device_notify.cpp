#include "device_notify.h"

#include "qms_guarded.h"

BOOL DeviceNotify(LPVOID notifyParameter, DWORD code, LPDWORD *, LPDWORD *, LPDWORD *, LPDWORD *)
{
    // Called by the host stack, a C caller: nothing of C++ leaves here.
    return qms::guarded(FALSE, [&]() -> BOOL {
        if (!IsLiveRecord(notifyParameter) || code != USB_CLOSE_DEVICE)
            return FALSE;
        auto *context = static_cast<DeviceContext *>(notifyParameter);
        // From here on every request fails at once and no new handle is opened.
        InterlockedExchange(&context->removed, 1);
        if (context->removalEvent)
            SetEvent(context->removalEvent);
        // A module coming back under this number waits for this before it takes the event over.
        NoteRemovalSignalled(context);
        // Until the application has closed its last handle; the count is checked again after
        // every wake-up, so a close that raced with the check is not missed.
        while (ReadInterlocked(&context->openCount) != 0)
            WaitForSingleObject(context->allClosedEvent, INFINITE);
        DeactivateDevice(context->activeHandle); // U93_Deinit stops the sampler in there
        ReleaseDeviceContext(context);
        return TRUE;
    });
}
