// EnableEvent and CheckEvent: waiting for the removal of the module or the closing of the
// handle.
#include <unistd.h>

#include "api/api_call.h"

using namespace qms::api;

extern "C" QMS_EXPORT uint32_t EnableEvent(uint32_t handle, uint16_t eventType, uint16_t enable,
                                           uint16_t count)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        EnableEventRequest request{};
        request.enable = enable;
        request.eventType = eventType;
        request.count = count;
        request.processId = static_cast<uint32_t>(getpid());
        DWORD returned = 0;
        if (DeviceIoControl(record.streamHandle, IOCTL_QMS_ENABLE_EVENT, &request, sizeof request,
                            nullptr, 0, &returned, nullptr))
            return QMS_SUCCESS;
        // Unlike the rest of the library: the platform's value as it is.
        return GetLastError();
    });
}

extern "C" QMS_EXPORT uint32_t CheckEvent(uint32_t handle, uint16_t *eventCode, uint32_t timeout)
{
    // The wait must not hold the device's call lock: other threads go on using the handle,
    // and the last DeviceClose must be able to wake this one.
    return Shielded(uint32_t{QMS_ERR_NULL_HANDLE}, [&]() -> uint32_t {
        RecordRef record = FindRecordByHandle(handle);
        if (!record)
            return QMS_ERR_NULL_HANDLE;
        if (!eventCode)
            return DeviceError(record->deviceNumber, QMS_ERRIDX_ARGUMENT);
        {
            std::lock_guard guard(record->waitLock);
            ++record->waiters;
        }
        const DWORD result = WaitForMultipleObjects(2, record->events, FALSE, timeout);
        uint16_t code = QMS_EVENT_WAIT_FAILED;
        // The removal event stays set once the module is gone (manual reset), so that every
        // waiter of the device learns of it, in this process and in others; it is not reset
        // here, or the first waiter would take the removal from the rest.
        if (result == WAIT_OBJECT_0) {
            code = QMS_EVENT_HANDLE_CLOSING;
        } else if (result == WAIT_OBJECT_0 + 1) {
            code = QMS_EVENT_DEVICE_REMOVED;
        } else if (result == WAIT_TIMEOUT) {
            code = QMS_EVENT_TIMEOUT;
        }
        // The code is the caller's before the last DeviceClose may return: a program reads
        // it as soon as the close is done.
        *eventCode = code;
        {
            std::lock_guard guard(record->waitLock);
            --record->waiters;
        }
        record->waitersGone.notify_all();
        return QMS_SUCCESS;
    });
}
