// DllMain, DeviceOpen and DeviceClose: from a device number to a record with its registry
// settings, stream handle, events and the module's parameter blocks, and back.
#include <cstdlib>
#include <string>
#include <thread>

#include "api/api_call.h"
#include "api/device_settings.h"
#include "api/digital_io.h"
#include "api/parameter_blocks.h"
#include "api/record_list.h"
#include "api/registry_values.h"
#include "qms_identity.h"

namespace qms::api {

namespace {

// "QMS_EVT_DEVREMOVED_%03d"
std::u16string RemovalEventName(uint32_t deviceNumber)
{
    return u"QMS_EVT_DEVREMOVED_" + DeviceNumberText(deviceNumber);
}

void CloseDeviceEvents(DeviceRecord &record)
{
    for (HANDLE &event : record.events) {
        if (event) {
            CloseHandle(event);
            event = nullptr;
        }
    }
}

// Creates the close-notification event and opens (or creates) the removal event that the
// stream driver sets. False, with both closed, when either cannot be had.
bool CreateDeviceEvents(DeviceRecord &record)
{
    if (!record.events[0])
        record.events[0] = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!record.events[1]) {
        const std::u16string name = RemovalEventName(record.deviceNumber);
        // Manual reset, as the stream driver creates it: whichever of the two comes first,
        // a removal reaches every waiter.
        record.events[1] = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    }
    if (record.events[0] && record.events[1])
        return true;
    CloseDeviceEvents(record);
    return false;
}

// A new record with its events and stream handle, appended to the list when the stream
// device opened; handed back unlinked (for release by the caller) when it did not. Null
// when no events could be created. `noticeTaken` tells whether the module took the open
// notice the driver sends it for the first handle: the driver opens the handle all the same
// and leaves the transfer failure as the thread's last error.
RecordRef CreateDeviceRecord(uint32_t deviceNumber, const DeviceSettings &settings,
                             bool *noticeTaken)
{
    auto record = std::make_shared<DeviceRecord>();
    record->settings = settings;
    record->deviceNumber = deviceNumber;
    record->openCount = 1;
    if (!CreateDeviceEvents(*record))
        return nullptr;
    SetLastError(ERROR_SUCCESS);
    record->streamHandle = CreateFileW(record->settings.CallName, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    *noticeTaken = GetLastError() != QMS_LASTERR_TRANSFER;
    if (record->streamHandle != INVALID_HANDLE_VALUE)
        RecordList::instance().append(record);
    return record;
}

// Releases one reference of the device's record. At the last one the record leaves the
// list, the close notification wakes every thread in CheckEvent, and the close waits until
// they have all left before the record (and with the last reference its events and stream
// handle) goes. Caller holds the open/close lock.
void ReleaseDeviceRecord(uint32_t deviceNumber, uint32_t *handleVariable)
{
    RecordList &list = RecordList::instance();
    RecordRef record = list.findByDeviceNumber(deviceNumber);
    if (!record)
        return;
    if (record->openCount > 1) {
        --record->openCount;
        if (handleVariable)
            *handleVariable = 0;
        return;
    }
    list.unlink(record.get());
    EventModify(record->events[0], EVENT_SET);
    Sleep(0);
    {
        std::unique_lock guard(record->waitLock);
        // The close notification is manual-reset and stays set: every waiter wakes.
        record->waitersGone.wait(guard, [&] { return record->waiters == 0; });
    }
    if (handleVariable)
        *handleVariable = 0;
}

// Whether the module of a record whose open requests failed has gone. The failed transfer
// ends before the driver's removal notice sets the removal event, on another thread and
// within moments; a module that is still there costs this open the wait.
bool ModuleWentAway(const DeviceRecord &record)
{
    constexpr DWORD removalNoticeGraceMs = 100;
    return WaitForSingleObject(record.events[1], removalNoticeGraceMs) == WAIT_OBJECT_0;
}

// An application that ends with devices still open must not hold up the platform's
// shutdown, which waits for the stream handles of every module it removes: at exit the
// records are released as by their last DeviceClose. Registered after the platform has
// booted, so it runs before the platform's own exit handler. The release runs on a thread of
// its own: the exiting thread's thread-local state, which the platform's calls use, is
// already gone when exit handlers run.
void ReleaseAllRecordsAtExit()
{
    std::thread([] {
        RecordList &list = RecordList::instance();
        std::lock_guard openClose(list.openCloseLock());
        for (const RecordRef &record : list.takeAll())
            EventModify(record->events[0], EVENT_SET);
    }).join();
}

} // namespace

DeviceRecord::~DeviceRecord()
{
    CloseDeviceEvents(*this);
    if (streamHandle != INVALID_HANDLE_VALUE)
        CloseHandle(streamHandle);
}

} // namespace qms::api

using namespace qms::api;

extern "C" QMS_EXPORT uint32_t DeviceOpen(uint32_t deviceNumber, uint32_t *handle)
{
    if (!handle)
        return QMS_ERR_NULL_BUFFER;
    *handle = 0;
    return Shielded(DeviceError(deviceNumber, QMS_ERRIDX_NO_RECORD), [&]() -> uint32_t {
        // On the device the platform runs from power-up; here it boots on first use.
        qms_platform_start();
        static const bool releaseAtExit = std::atexit(ReleaseAllRecordsAtExit) == 0;
        (void)releaseAtExit;
        DeviceSettings settings{};
        if (ReadDeviceSettings(deviceNumber, &settings) != 0)
            return QMS_ERR_SETTINGS;

        RecordList &list = RecordList::instance();
        std::lock_guard openClose(list.openCloseLock());
        if (RecordRef existing = list.findByDeviceNumber(deviceNumber)) {
            ++existing->openCount;
            *handle = existing->handle;
            return QMS_SUCCESS;
        }
        bool noticeTaken = true;
        RecordRef record = CreateDeviceRecord(deviceNumber, settings, &noticeTaken);
        if (!record)
            return DeviceError(deviceNumber, QMS_ERRIDX_NO_RECORD);
        if (record->streamHandle == INVALID_HANDLE_VALUE)
            return DeviceError(deviceNumber, QMS_ERRIDX_STREAM_OPEN); // released with `record`

        // The DO shadow starts from the module's outputs; it is informative only, so a failed
        // read-back leaves it at 0 and the open goes on. A module that did not take a request
        // (the open notice included) is asked nothing more: each further request could cost
        // another transfer time-out, and the parameter blocks it did not give stay 0 (the
        // handle is usable all the same).
        uint8_t outputs[4] = {};
        const bool answered = noticeTaken && GetCurrentDoPortsState(*record, 0, 1, outputs) !=
                                                 DeviceError(deviceNumber, QMS_DRVERR_TRANSFER);
        const bool blocksRead =
            answered &&
            ReadDeviceParameters(record.get(), QMS_BLOCK_RANGE_INDEX, 0, QMS_AI_CHANNELS,
                                 record->rangeIndex) == 0 &&
            ReadDeviceParameters(record.get(), QMS_BLOCK_BURNOUT_SETTING, 0, QMS_AI_CHANNELS,
                                 record->burnOutSetting) == 0 &&
            ReadDeviceParameters(record.get(), QMS_BLOCK_4_20MA_EXCEPTION, 0, QMS_AI_CHANNELS,
                                 record->exception420) == 0;
        const uint32_t result =
            blocksRead ? QMS_SUCCESS : DeviceError(deviceNumber, QMS_ERRIDX_PARAMETERS);

        if (record->settings.BoardID != QMS_DEVICE_TYPE_CODE) {
            uint32_t released = record->handle;
            ReleaseDeviceRecord(deviceNumber, &released);
            return DeviceError(deviceNumber, QMS_ERRIDX_BOARD_ID);
        }
        // A module that went away while it was asked is absent, as if its stream device had
        // not opened: the caller of a failed open gets no handle, and the driver's removal,
        // which waits until every stream handle is closed, is not held up by this one.
        if (!blocksRead && ModuleWentAway(*record)) {
            uint32_t released = record->handle;
            ReleaseDeviceRecord(deviceNumber, &released);
            return DeviceError(deviceNumber, QMS_ERRIDX_STREAM_OPEN);
        }
        *handle = record->handle;
        return result;
    });
}

extern "C" QMS_EXPORT uint32_t DeviceClose(uint32_t *handle)
{
    if (!handle)
        return QMS_ERR_NULL_HANDLE;
    return Shielded(uint32_t{QMS_SUCCESS}, [&]() -> uint32_t {
        RecordList &list = RecordList::instance();
        std::lock_guard openClose(list.openCloseLock());
        RecordRef record = list.findByHandle(*handle);
        if (record)
            ReleaseDeviceRecord(record->deviceNumber, handle);
        return QMS_SUCCESS;
    });
}
