// The per-process record behind a device handle, and the table that maps the 32-bit handles
// applications hold to live records.
//
// A handle is a token, never 0 and never a pointer: a handle that was closed (or never
// issued) finds no record and is answered like a null handle. Every call on a device holds a
// reference to its record for the whole call, so a DeviceClose in another thread never
// frees a record under a running call; the record's events and stream handle are closed when
// the last reference goes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_platform.h"

namespace qms::api {

struct DeviceRecord {
    DeviceRecord() = default;
    DeviceRecord(const DeviceRecord &) = delete;
    DeviceRecord &operator=(const DeviceRecord &) = delete;
    ~DeviceRecord(); // closes the events and the stream handle

    DeviceSettings settings{};
    uint32_t deviceNumber = 0;
    uint32_t handle = 0;  // the token applications hold
    int32_t openCount = 1; // DeviceOpen calls not yet matched by DeviceClose (record list lock)
    HANDLE streamHandle = INVALID_HANDLE_VALUE;
    // Waited on as one array: close notification (manual reset) first, removal (manual
    // reset, named, shared with the stream driver; set once the module is gone) second.
    HANDLE events[2] = {nullptr, nullptr};

    // Analog input state, one slot per channel.
    uint16_t rangeCode[QMS_AI_CHANNELS] = {};      // code of the last MAIConfig on the channel
    uint16_t heldRange[QMS_AI_CHANNELS] = {};      // code the module took and stored (0: not known)
    uint16_t rangeOverride[QMS_AI_CHANNELS] = {};  // nonzero: MAIConfig stores it as the index
    uint16_t persistSuppression = 0;               // nonzero: MAIConfig leaves block 0x210 alone
    uint32_t rangeIndex[QMS_AI_CHANNELS] = {};     // mirror of block 0x210
    uint32_t exception420[QMS_AI_CHANNELS] = {};   // mirror of block 0x240
    uint32_t burnOutSetting[QMS_AI_CHANNELS] = {}; // mirror of block 0x220
    float last420Value[QMS_AI_CHANNELS] = {};      // last corrected 4-20 mA value of the loop
    uint8_t doShadow = 0;                          // output port state last written or read

    // Serialises the calls on this device within the process (recursive: the temperature
    // readers call the analog functions while they hold it). CheckEvent does not take it.
    std::recursive_mutex useLock;

    // Threads inside CheckEvent; the last DeviceClose waits for them to leave.
    std::mutex waitLock;
    std::condition_variable waitersGone;
    int waiters = 0;
};

using RecordRef = std::shared_ptr<DeviceRecord>;

// The live record of a handle, or null for 0 and for a handle that is no longer open.
RecordRef FindRecordByHandle(uint32_t handle);

// A call on a device: the record of the handle, held and locked for the call's duration.
// Evaluates false for a null or stale handle.
class DeviceCall {
public:
    explicit DeviceCall(uint32_t handle) : record_(FindRecordByHandle(handle))
    {
        if (record_)
            lock_ = std::unique_lock(record_->useLock);
    }
    explicit operator bool() const { return record_ != nullptr; }
    DeviceRecord &operator*() const { return *record_; }
    DeviceRecord *operator->() const { return record_.get(); }
    DeviceRecord *get() const { return record_.get(); }

private:
    RecordRef record_;
    std::unique_lock<std::recursive_mutex> lock_;
};

} // namespace qms::api
