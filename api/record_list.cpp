#include "api/record_list.h"

#include <algorithm>
#include <utility>

namespace qms::api {

RecordList &RecordList::instance()
{
    // Never destroyed: a record may still be released from an exit handler.
    static auto *list = new RecordList;
    return *list;
}

RecordRef RecordList::findByDeviceNumber(uint32_t deviceNumber) const
{
    std::shared_lock guard(lock_);
    for (const RecordRef &record : records_) {
        if (record->deviceNumber == deviceNumber)
            return record;
    }
    return nullptr;
}

RecordRef RecordList::findByHandle(uint32_t handle) const
{
    if (handle == 0)
        return nullptr;
    std::shared_lock guard(lock_);
    for (const RecordRef &record : records_) {
        if (record->handle == handle)
            return record;
    }
    return nullptr;
}

void RecordList::append(const RecordRef &record)
{
    std::unique_lock guard(lock_);
    // Tokens are not reused while a record holds them; after a wrap 0 is skipped.
    auto inUse = [&](uint32_t token) {
        return std::any_of(records_.begin(), records_.end(),
                           [&](const RecordRef &r) { return r->handle == token; });
    };
    do {
        ++nextHandle_;
    } while (nextHandle_ == 0 || inUse(nextHandle_));
    record->handle = nextHandle_;
    records_.push_back(record);
}

void RecordList::unlink(const DeviceRecord *record)
{
    std::unique_lock guard(lock_);
    std::erase_if(records_, [&](const RecordRef &r) { return r.get() == record; });
}

std::vector<RecordRef> RecordList::takeAll()
{
    std::unique_lock guard(lock_);
    return std::exchange(records_, {});
}

RecordRef FindRecordByHandle(uint32_t handle)
{
    return RecordList::instance().findByHandle(handle);
}

} // namespace qms::api
