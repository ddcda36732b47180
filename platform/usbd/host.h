// The USB host stack: the devices on its bus, attaching them to client drivers, their
// removal, and the completion thread of their transfers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/usbd/completion_queue.h"
#include "platform/usbd/device.h"

namespace qms::usbd {

class Host {
public:
    static Host &instance();

    void start();
    // Unplugs every device and waits up to `bound` for their removal notices; a device
    // whose client is still inside its notification routine then is reported on stderr and
    // left alive with its library. Stops the completion thread and drops every handle.
    void shutdown(std::chrono::milliseconds bound);

    uint32_t plug(std::shared_ptr<BusDevice> bus);
    bool unplug(uint32_t address);
    // Waits up to `bound` until the device at that address is off the bus and its client's
    // removal notice has returned. True at once for an address the host no longer knows.
    bool waitRemoved(uint32_t address, std::chrono::milliseconds bound);

    // The device behind a USB_HANDLE (also one that is gone), or null.
    std::shared_ptr<Device> device(USB_HANDLE handle);
    // The device went away: ends its pending transfers and sends the removal notice.
    void deviceGone(const std::shared_ptr<Device> &device);
    BOOL registerNotification(USB_HANDLE handle, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter);
    BOOL unregisterNotification(USB_HANDLE handle, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter);

    CompletionQueue &completions() { return completions_; }

private:
    Host() = default;
    void attach(const std::shared_ptr<Device> &device);
    // Starts the notice thread if the device is gone, attached and has a routine; called
    // with device->lock held. True when the removal ended at once (no routine): the caller
    // then calls noticeEnded() once it has let go of the device's lock.
    bool startNoticeLocked(const std::shared_ptr<Device> &device);
    void noticeEnded();
    // Joins the notice threads that have finished and forgets their devices: their handles
    // are unknown from then on.
    void reapRemoved();

    std::mutex lock_;
    std::condition_variable noticeEnded_;
    std::map<uint32_t, std::shared_ptr<Device>> onBus_;   // plugged and not gone
    std::map<uint32_t, std::shared_ptr<Device>> handles_; // every device until its removal ended
    uint32_t nextAddress_ = 1;
    CompletionQueue completions_;
};

// The function table handed to USBDeviceAttach.
const USB_FUNCS &usbFunctionTable();

} // namespace qms::usbd
