// One device on the host's bus, from plug to platform shutdown: its identity as offered to
// client drivers, the state of endpoint 0, its transfers still pending and its removal
// notice.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/devmgr/library.h"
#include "platform/usbd/bus.h"
#include "qms_usbd.h"

namespace qms::usbd {

struct Transfer;

struct Device {
    uint32_t address = 0; // also the USB_HANDLE token
    DeviceIdentity identity{};
    USB_INTERFACE interface{};
    USB_DEVICE info{};

    // One control transfer at a time on endpoint 0.
    std::mutex controlLock;

    std::mutex lock; // guards everything below
    std::shared_ptr<BusDevice> bus; // null once gone
    bool halted = false;
    bool gone = false;
    bool attaching = true;   // the removal notice waits until attach is over
    bool noticeStarted = false;
    LPDEVICE_NOTIFY_ROUTINE notify = nullptr;
    LPVOID notifyParameter = nullptr;
    std::unordered_map<Transfer *, std::shared_ptr<Transfer>> pending;
    std::shared_ptr<devmgr::DriverLibrary> client; // the library that took the device
    std::thread noticeThread;
    std::atomic<bool> noticeDone{false};
};

} // namespace qms::usbd
