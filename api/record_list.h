// The process's device records: one per device number, each known by its handle token.
//
// Opening and closing are serialised by one lock, so that two threads opening the same
// device number share one record and a close never races an open. Looking a handle up takes
// a reader lock only, so calls on open devices do not wait for each other here.
#pragma once

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "api/device_record.h"

namespace qms::api {

class RecordList {
public:
    static RecordList &instance();

    // Held by DeviceOpen and DeviceClose for their whole course.
    std::mutex &openCloseLock() { return openClose_; }

    RecordRef findByDeviceNumber(uint32_t deviceNumber) const;
    RecordRef findByHandle(uint32_t handle) const;
    // Appends the record at the tail and gives it a fresh handle token (never 0).
    void append(const RecordRef &record);
    void unlink(const DeviceRecord *record);
    // Unlinks every record and hands them over.
    std::vector<RecordRef> takeAll();

private:
    RecordList() = default;
    std::mutex openClose_;
    mutable std::shared_mutex lock_;
    std::vector<RecordRef> records_;
    uint32_t nextHandle_ = 0x6093;
};

} // namespace qms::api
