#include "platform/usbd/host.h"

#include <cstdio>
#include <string>

#include "platform/usbd/client_registry.h"
#include "platform/usbd/transfer.h"

namespace qms::usbd {

namespace {

// Devices whose client never finished its removal notice by shutdown: kept, with their
// libraries, for as long as the process lives.
std::vector<std::shared_ptr<Device>> &abandonedDevices()
{
    static auto *devices = new std::vector<std::shared_ptr<Device>>;
    return *devices;
}

void describe(Device &device)
{
    const DeviceIdentity &id = device.identity;
    device.interface.dwCount = sizeof(USB_INTERFACE);
    device.interface.Descriptor = {9,
                                   4, // INTERFACE descriptor
                                   id.interfaceNumber,
                                   0,
                                   0,
                                   id.interfaceClass,
                                   id.interfaceSubClass,
                                   id.interfaceProtocol,
                                   0};
    device.info.dwCount = sizeof(USB_DEVICE);
    device.info.Descriptor = {18,
                              1, // DEVICE descriptor
                              0x0200,
                              id.deviceClass,
                              id.deviceSubClass,
                              id.deviceProtocol,
                              64,
                              id.vendorId,
                              id.productId,
                              id.bcdDevice,
                              0,
                              0,
                              0,
                              1};
    device.info.lpActiveInterface = &device.interface;
}

std::string narrow(const std::u16string &text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

Host &Host::instance()
{
    // Never destroyed: a driver thread still running at process exit may call in.
    static Host *host = new Host;
    return *host;
}

void Host::start()
{
    completions_.start();
}

std::shared_ptr<Device> Host::device(USB_HANDLE handle)
{
    std::lock_guard guard(lock_);
    const auto it = handles_.find(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
    if (it == handles_.end() || reinterpret_cast<uintptr_t>(handle) > UINT32_MAX)
        return nullptr;
    return it->second;
}

void Host::reapRemoved()
{
    std::vector<std::shared_ptr<Device>> removed;
    {
        std::lock_guard guard(lock_);
        for (auto it = handles_.begin(); it != handles_.end();) {
            if (it->second->noticeDone) {
                removed.push_back(it->second);
                it = handles_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto &device : removed) {
        std::thread notice;
        {
            std::lock_guard guard(device->lock);
            notice.swap(device->noticeThread);
        }
        // Past its routine: only the end of the thread is left to wait for.
        if (notice.joinable()) {
            if (notice.get_id() == std::this_thread::get_id())
                notice.detach();
            else
                notice.join();
        }
    }
}

uint32_t Host::plug(std::shared_ptr<BusDevice> bus)
{
    if (!bus)
        return 0;
    // Every plug and unplug reaps the removals that have ended since, so that a process
    // plugging and unplugging modules all day keeps no thread or record of the old ones.
    reapRemoved();
    auto device = std::make_shared<Device>();
    device->identity = bus->identity();
    device->bus = std::move(bus);
    describe(*device);
    {
        std::lock_guard guard(lock_);
        device->address = nextAddress_++;
        onBus_.emplace(device->address, device);
        handles_.emplace(device->address, device);
    }
    const uint32_t address = device->address;
    attach(device);
    return address;
}

void Host::attach(const std::shared_ptr<Device> &device)
{
    const auto handle = reinterpret_cast<USB_HANDLE>(static_cast<uintptr_t>(device->address));
    for (const ClientCandidate &candidate : matchingClients(device->identity)) {
        {
            std::lock_guard guard(device->lock);
            if (device->gone)
                break;
        }
        std::string why;
        auto library = devmgr::DriverLibrary::load(candidate.dll, &why);
        if (!library) {
            std::fprintf(stderr, "qms usb: client driver %s (%s) cannot be loaded: %s\n",
                         narrow(candidate.driverId).c_str(), narrow(candidate.dll).c_str(), why.c_str());
            continue;
        }
        const auto attachEntry = library->entry<LPUSB_DEVICE_ATTACH>(USB_DEVICE_ATTACH_NAME);
        if (!attachEntry) {
            std::fprintf(stderr, "qms usb: client driver %s has no %s\n",
                         narrow(candidate.dll).c_str(), USB_DEVICE_ATTACH_NAME);
            continue;
        }
        BOOL accepted = FALSE;
        const BOOL attached = attachEntry(handle, &usbFunctionTable(), &device->interface,
                                          candidate.driverId.c_str(), &accepted,
                                          &candidate.settings, 0);
        std::lock_guard guard(device->lock);
        if (attached && accepted) {
            device->client = std::move(library);
            break;
        }
        // Declined: whatever it registered is not its business any more.
        device->notify = nullptr;
        device->notifyParameter = nullptr;
    }
    bool ended;
    {
        std::lock_guard guard(device->lock);
        device->attaching = false;
        ended = startNoticeLocked(device);
    }
    if (ended)
        noticeEnded();
}

bool Host::unplug(uint32_t address)
{
    reapRemoved();
    std::shared_ptr<Device> device;
    {
        std::lock_guard guard(lock_);
        const auto it = onBus_.find(address);
        if (it == onBus_.end())
            return false;
        device = it->second;
    }
    deviceGone(device);
    return true;
}

bool Host::waitRemoved(uint32_t address, std::chrono::milliseconds bound)
{
    {
        std::unique_lock guard(lock_);
        const bool removed = noticeEnded_.wait_for(guard, bound, [&] {
            const auto it = handles_.find(address);
            return it == handles_.end() || (onBus_.count(address) == 0 && it->second->noticeDone);
        });
        if (!removed)
            return false;
    }
    reapRemoved();
    return true;
}

void Host::deviceGone(const std::shared_ptr<Device> &device)
{
    std::unordered_map<Transfer *, std::shared_ptr<Transfer>> pending;
    std::shared_ptr<BusDevice> bus;
    {
        std::lock_guard guard(device->lock);
        if (device->gone)
            return;
        device->gone = true;
        bus = std::move(device->bus);
        pending.swap(device->pending);
    }
    {
        std::lock_guard guard(lock_);
        onBus_.erase(device->address);
    }
    for (auto &[raw, transfer] : pending)
        endTransfer(*transfer, {0, USB_DEVICE_NOT_RESPONDING_ERROR});
    bool ended;
    {
        std::lock_guard guard(device->lock);
        ended = startNoticeLocked(device);
    }
    if (ended)
        noticeEnded();
}

void Host::noticeEnded()
{
    // Taken once so that a waiter between its look and its wait does not miss the wake-up.
    { std::lock_guard guard(lock_); }
    noticeEnded_.notify_all();
}

bool Host::startNoticeLocked(const std::shared_ptr<Device> &device)
{
    if (!device->gone || device->attaching || device->noticeStarted)
        return false;
    device->noticeStarted = true;
    if (!device->notify) {
        device->noticeDone = true;
        return true;
    }
    // Each device gets its own notice thread: a client that blocks in its removal path
    // (waiting for an application to close its handle) holds up no other device.
    device->noticeThread = std::thread([this, device, routine = device->notify,
                                        parameter = device->notifyParameter] {
        routine(parameter, USB_CLOSE_DEVICE, nullptr, nullptr, nullptr, nullptr);
        {
            std::lock_guard guard(lock_);
            device->noticeDone = true;
        }
        noticeEnded_.notify_all();
    });
    return false;
}

BOOL Host::registerNotification(USB_HANDLE handle, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter)
{
    const auto found = device(handle);
    if (!found || !routine) {
        SetLastError(found ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard guard(found->lock);
    if (found->noticeStarted) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    found->notify = routine;
    found->notifyParameter = parameter;
    return TRUE;
}

BOOL Host::unregisterNotification(USB_HANDLE handle, LPDEVICE_NOTIFY_ROUTINE routine, LPVOID parameter)
{
    const auto found = device(handle);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard guard(found->lock);
    if (found->notify != routine || found->notifyParameter != parameter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    found->notify = nullptr;
    found->notifyParameter = nullptr;
    return TRUE;
}

void Host::shutdown(std::chrono::milliseconds bound)
{
    std::vector<uint32_t> addresses;
    {
        std::lock_guard guard(lock_);
        for (const auto &[address, device] : onBus_)
            addresses.push_back(address);
    }
    for (uint32_t address : addresses)
        unplug(address);

    std::map<uint32_t, std::shared_ptr<Device>> devices;
    {
        std::unique_lock guard(lock_);
        const auto allDone = [&] {
            for (const auto &[address, device] : handles_) {
                std::lock_guard deviceGuard(device->lock);
                if (device->noticeStarted && !device->noticeDone)
                    return false;
            }
            return true;
        };
        noticeEnded_.wait_for(guard, bound, allDone);
        devices.swap(handles_);
        onBus_.clear();
    }
    for (auto &[address, device] : devices) {
        std::thread notice;
        {
            std::lock_guard guard(device->lock);
            notice.swap(device->noticeThread);
        }
        if (!device->noticeDone) {
            std::fprintf(stderr,
                         "qms usb: the client of device %u has not finished its removal after %lld ms;"
                         " leaving it in place\n",
                         address, static_cast<long long>(bound.count()));
            notice.detach();
            abandonedDevices().push_back(device);
            continue;
        }
        if (notice.joinable()) {
            if (notice.get_id() == std::this_thread::get_id())
                notice.detach();
            else
                notice.join();
        }
    }
    completions_.stop();
    forgetTransfers();
}

} // namespace qms::usbd
