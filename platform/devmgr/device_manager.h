// The device manager: activated stream devices by handle and by name.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/devmgr/stream_device.h"

namespace qms::devmgr {

class DeviceManager {
public:
    static DeviceManager &instance();

    HANDLE activate(LPCWSTR devKey, DWORD clientInfo);
    BOOL deactivate(HANDLE device);
    // The ready device of that name; null with last error ERROR_FILE_NOT_FOUND, or
    // ERROR_DEVICE_REMOVED while it is being deactivated.
    std::shared_ptr<StreamDevice> findByName(std::u16string_view name);

    // Platform start: the Active keys of an earlier run are gone with its devices.
    void start();
    // Platform shutdown: deactivates the devices nobody uses any more; a device with open
    // handles or calls inside is left alive (its driver may still finish its removal) and
    // reported on stderr.
    void shutdown();

private:
    DeviceManager() = default;
    std::shared_ptr<StreamDevice> reserve(std::u16string_view prefix);
    void release(const std::shared_ptr<StreamDevice> &device);

    std::mutex lock_;
    std::map<uintptr_t, std::shared_ptr<StreamDevice>> devices_;
    uintptr_t nextToken_ = 1;
};

} // namespace qms::devmgr
