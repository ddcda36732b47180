// The libusb bus backend. Every control transfer is asynchronous (the synchronous calls of
// libusb 1.0.26 race with device removal); one event thread runs libusb's event handling
// and with it every transfer callback; the hot-plug callbacks only queue work for the
// worker thread, which opens, claims and closes devices. A handle is never closed inside a
// callback: removal cancels the transfers still in flight, waits for their callbacks on the
// event thread, and only then closes the handle.
#include "platform/kernel/guard.h"
#include "platform/usbd/libusb_bus.h"

#include <libusb.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/usbd/bus.h"
#include "platform/usbd/host.h"
#include "qms_platform.h"

namespace qms::usbd::libusb_bus {

namespace {

constexpr uint16_t moduleVendor = 0x3A5C;
constexpr uint16_t moduleProduct = 0x6093;
constexpr uint8_t vendorClass = 0xFF;

// One module opened through libusb, its vendor interface claimed.
class LibusbModule final : public BusDevice {
public:
    LibusbModule(libusb_device_handle *handle, DeviceIdentity identity)
        : handle_(handle), identity_(identity)
    {
    }
    ~LibusbModule() override { close(); }

    DeviceIdentity identity() const override { return identity_; }
    void submit(const SetupPacket &setup, uint8_t *data, const void *key, ControlCompletion done) override;
    void cancel(const void *key) override;
    void defaultPipeReset() override;
    // Cancels what is in flight, waits for the callbacks, releases the interface and closes
    // the handle. Never on the event thread.
    void close();

private:
    struct InFlight {
        LibusbModule *module;
        const void *key;
        uint8_t *data;
        uint16_t length;
        bool in;
        ControlCompletion done;
    };
    static void LIBUSB_CALL completed(libusb_transfer *transfer);

    libusb_device_handle *handle_;
    const DeviceIdentity identity_;
    std::mutex lock_; // guards everything below
    std::condition_variable drained_;
    std::unordered_map<const void *, libusb_transfer *> inFlight_;
    unsigned outstanding_ = 0; // callbacks still to come (also of transfers no longer cancellable)
    bool closed_ = false;
};

void LibusbModule::submit(const SetupPacket &setup, uint8_t *data, const void *key, ControlCompletion done)
{
    const bool in = (setup.bmRequestType & LIBUSB_ENDPOINT_IN) != 0;
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    auto *buffer = static_cast<unsigned char *>(std::malloc(LIBUSB_CONTROL_SETUP_SIZE + setup.wLength));
    if (!transfer || !buffer) {
        libusb_free_transfer(transfer);
        std::free(buffer);
        done({ControlOutcome::Failed, 0, 0});
        return;
    }
    libusb_fill_control_setup(buffer, setup.bmRequestType, setup.bRequest, setup.wValue, setup.wIndex,
                              setup.wLength);
    if (!in && setup.wLength)
        std::memcpy(buffer + LIBUSB_CONTROL_SETUP_SIZE, data, setup.wLength);
    auto *flight = new InFlight{this, key, data, setup.wLength, in, std::move(done)};
    // No time-out of libusb's own: the driver's time-out closes the transfer, which cancels it.
    libusb_fill_control_transfer(transfer, handle_, buffer, &LibusbModule::completed, flight, 0);
    transfer->flags = LIBUSB_TRANSFER_FREE_BUFFER;

    int result = LIBUSB_ERROR_NO_DEVICE;
    {
        std::lock_guard guard(lock_);
        if (!closed_)
            result = libusb_submit_transfer(transfer);
        if (result == 0) {
            inFlight_.emplace(key, transfer);
            ++outstanding_;
            return;
        }
    }
    ControlCompletion failed = std::move(flight->done);
    delete flight;
    libusb_free_transfer(transfer);
    failed({result == LIBUSB_ERROR_NO_DEVICE ? ControlOutcome::Removed : ControlOutcome::Failed, 0, 0});
}

void LIBUSB_CALL LibusbModule::completed(libusb_transfer *transfer)
{
    std::unique_ptr<InFlight> flight(static_cast<InFlight *>(transfer->user_data));
    LibusbModule &module = *flight->module;
    {
        std::lock_guard guard(module.lock_);
        module.inFlight_.erase(flight->key);
    }
    ControlResult result{ControlOutcome::Failed, 0, 0};
    switch (transfer->status) {
    case LIBUSB_TRANSFER_COMPLETED: {
        const auto bytes = std::min<uint32_t>(static_cast<uint32_t>(std::max(transfer->actual_length, 0)),
                                              flight->length);
        if (flight->in && bytes)
            std::memcpy(flight->data, libusb_control_transfer_get_data(transfer), bytes);
        result = {ControlOutcome::Completed, bytes, 0};
        break;
    }
    case LIBUSB_TRANSFER_STALL: result.outcome = ControlOutcome::Stall; break;
    case LIBUSB_TRANSFER_NO_DEVICE: result.outcome = ControlOutcome::Removed; break;
    case LIBUSB_TRANSFER_CANCELLED: result.outcome = ControlOutcome::Cancelled; break;
    default: break;
    }
    libusb_free_transfer(transfer);
    flight->done(result);
    flight.reset();
    // The last touch of the module: once drained, close() may let it go.
    std::lock_guard guard(module.lock_);
    if (--module.outstanding_ == 0)
        module.drained_.notify_all();
}

void LibusbModule::cancel(const void *key)
{
    std::lock_guard guard(lock_);
    const auto it = inFlight_.find(key);
    if (it != inFlight_.end())
        libusb_cancel_transfer(it->second);
}

void LibusbModule::defaultPipeReset()
{
    std::lock_guard guard(lock_);
    if (!closed_)
        libusb_clear_halt(handle_, 0);
}

void LibusbModule::close()
{
    std::unique_lock guard(lock_);
    if (closed_)
        return;
    closed_ = true;
    for (const auto &[key, transfer] : inFlight_)
        libusb_cancel_transfer(transfer);
    drained_.wait(guard, [&] { return outstanding_ == 0; });
    guard.unlock();
    libusb_release_interface(handle_, identity_.interfaceNumber);
    libusb_close(handle_);
}

// The vendor interface (class 0xFF, subclass 0) of the active configuration, or -1.
int vendorInterface(libusb_device *device, DeviceIdentity &identity)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return -1;
    int number = -1;
    for (int i = 0; i < config->bNumInterfaces && number < 0; ++i) {
        if (config->interface[i].num_altsetting < 1)
            continue;
        const libusb_interface_descriptor &alt = config->interface[i].altsetting[0];
        if (alt.bInterfaceClass == vendorClass && alt.bInterfaceSubClass == 0) {
            number = alt.bInterfaceNumber;
            identity.interfaceNumber = alt.bInterfaceNumber;
            identity.interfaceClass = alt.bInterfaceClass;
            identity.interfaceSubClass = alt.bInterfaceSubClass;
            identity.interfaceProtocol = alt.bInterfaceProtocol;
        }
    }
    libusb_free_config_descriptor(config);
    return number;
}

struct Attached {
    libusb_device *device; // one reference held
    std::shared_ptr<LibusbModule> module;
    uint32_t address;
};

struct Unavailable {
    libusb_device *device; // one reference held
    std::string reason;
};

struct HotplugEvent {
    bool arrived;
    libusb_device *device; // one reference held
};

class LibusbBus {
public:
    static LibusbBus &instance()
    {
        static auto *bus = new LibusbBus; // the worker may outlive the statics at exit
        return *bus;
    }

    void start();
    void stop();
    size_t attachedCount()
    {
        std::lock_guard guard(lock_);
        return attached_.size();
    }
    std::vector<std::string> unavailable()
    {
        std::lock_guard guard(lock_);
        std::vector<std::string> lines;
        for (const Unavailable &u : unavailable_)
            lines.push_back(u.reason);
        return lines;
    }

private:
    static int LIBUSB_CALL hotplug(libusb_context *, libusb_device *device, libusb_hotplug_event event,
                                   void *self);
    void runEvents();
    void runWorker();
    void drainQueue();
    void arrived(libusb_device *device);
    void left(libusb_device *device);
    void note(libusb_device *device, const std::string &why);

    std::mutex lock_; // guards everything below
    std::condition_variable queued_;
    std::deque<HotplugEvent> queue_;
    std::vector<Attached> attached_;
    std::vector<Unavailable> unavailable_;
    bool stopping_ = false;

    libusb_context *context_ = nullptr;
    libusb_hotplug_callback_handle callback_ = 0;
    bool hotplugRegistered_ = false;
    int eventsDone_ = 0; // libusb_handle_events_completed's flag
    std::thread events_;
    std::thread worker_;
};

int LIBUSB_CALL LibusbBus::hotplug(libusb_context *, libusb_device *device, libusb_hotplug_event event, void *self)
{
    auto &bus = *static_cast<LibusbBus *>(self);
    {
        std::lock_guard guard(bus.lock_);
        bus.queue_.push_back({event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, libusb_ref_device(device)});
    }
    bus.queued_.notify_all();
    return 0;
}

void LibusbBus::start()
{
    if (context_)
        return;
    if (const int result = libusb_init(&context_); result != 0) {
        std::fprintf(stderr, "qms usb: real modules unavailable: %s\n", libusb_strerror(result));
        context_ = nullptr;
        return;
    }
    stopping_ = false;
    // The event thread runs before the first module is attached: attaching one asks it for
    // its board number, and that transfer completes only on the event thread.
    eventsDone_ = 0;
    events_ = std::thread([this] { runEvents(); });
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        // With ENUMERATE the modules present now arrive inside this call, on this thread.
        hotplugRegistered_ =
            libusb_hotplug_register_callback(
                context_,
                LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                LIBUSB_HOTPLUG_ENUMERATE, moduleVendor, moduleProduct, LIBUSB_HOTPLUG_MATCH_ANY,
                &LibusbBus::hotplug, this, &callback_) == LIBUSB_SUCCESS;
    }
    if (!hotplugRegistered_) {
        libusb_device **list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        for (ssize_t i = 0; i < count; ++i)
            hotplug(context_, list[i], LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, this);
        if (count >= 0)
            libusb_free_device_list(list, 1);
    }
    // Attached before start returns, so that boot knows whether a real module is there;
    // the worker takes over what comes later.
    drainQueue();
    worker_ = std::thread([this] { runWorker(); });
}

void LibusbBus::drainQueue()
{
    std::unique_lock guard(lock_);
    while (!queue_.empty()) {
        const HotplugEvent event = queue_.front();
        queue_.pop_front();
        guard.unlock();
        if (event.arrived)
            arrived(event.device);
        else
            left(event.device);
        libusb_unref_device(event.device);
        guard.lock();
    }
}

void LibusbBus::runWorker()
{
    std::unique_lock guard(lock_);
    for (;;) {
        queued_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        guard.unlock();
        drainQueue();
        guard.lock();
    }
}

void LibusbBus::runEvents()
{
    // Ends when stop() sets the flag and interrupts the event handler.
    while (!__atomic_load_n(&eventsDone_, __ATOMIC_ACQUIRE))
        libusb_handle_events_completed(context_, &eventsDone_);
}

void LibusbBus::note(libusb_device *device, const std::string &why)
{
    char line[160];
    std::snprintf(line, sizeof line, "USB-6093 on bus %03u device %03u: %s", libusb_get_bus_number(device),
                  libusb_get_device_address(device), why.c_str());
    std::fprintf(stderr, "qms usb: %s\n", line);
    std::lock_guard guard(lock_);
    unavailable_.push_back({libusb_ref_device(device), line});
}

void LibusbBus::arrived(libusb_device *device)
{
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.idVendor != moduleVendor ||
        descriptor.idProduct != moduleProduct)
        return;
    {
        std::lock_guard guard(lock_);
        for (const Attached &a : attached_)
            if (a.device == device)
                return;
    }
    DeviceIdentity identity{descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice,
                            descriptor.bDeviceClass, descriptor.bDeviceSubClass, descriptor.bDeviceProtocol,
                            0, 0, 0, 0};
    const int interface = vendorInterface(device, identity);
    if (interface < 0) {
        note(device, "no vendor interface; not attached");
        return;
    }
    libusb_device_handle *handle = nullptr;
    if (const int result = libusb_open(device, &handle); result != 0) {
        note(device, result == LIBUSB_ERROR_ACCESS
                         ? "permission denied; install the udev rule and re-plug the module"
                         : std::string("cannot be opened: ") + libusb_strerror(result));
        return;
    }
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (const int result = libusb_claim_interface(handle, interface); result != 0) {
        libusb_close(handle);
        note(device, result == LIBUSB_ERROR_BUSY ? "busy; another program is using the module"
                                                 : std::string("cannot be claimed: ") + libusb_strerror(result));
        return;
    }
    auto module = std::make_shared<LibusbModule>(handle, identity);
    const uint32_t address = Host::instance().plug(module);
    if (address == 0) {
        module->close();
        return;
    }
    std::lock_guard guard(lock_);
    attached_.push_back({libusb_ref_device(device), std::move(module), address});
}

void LibusbBus::left(libusb_device *device)
{
    Attached gone{};
    {
        std::lock_guard guard(lock_);
        std::erase_if(unavailable_, [&](const Unavailable &u) {
            if (u.device != device)
                return false;
            libusb_unref_device(u.device);
            return true;
        });
        const auto it = std::find_if(attached_.begin(), attached_.end(),
                                     [&](const Attached &a) { return a.device == device; });
        if (it == attached_.end())
            return;
        gone = std::move(*it);
        attached_.erase(it);
    }
    // The host ends the pending transfers as "device gone" and sends the removal notice;
    // only then are the transfers still on the bus cancelled and the handle closed.
    Host::instance().unplug(gone.address);
    gone.module->close();
    libusb_unref_device(gone.device);
}

void LibusbBus::stop()
{
    if (!context_)
        return;
    if (hotplugRegistered_)
        libusb_hotplug_deregister_callback(context_, callback_);
    hotplugRegistered_ = false;
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    queued_.notify_all();
    if (worker_.joinable())
        worker_.join();
    std::vector<Attached> attached;
    {
        std::lock_guard guard(lock_);
        attached.swap(attached_);
        for (const HotplugEvent &event : queue_)
            libusb_unref_device(event.device);
        queue_.clear();
        for (const Unavailable &u : unavailable_)
            libusb_unref_device(u.device);
        unavailable_.clear();
    }
    for (Attached &a : attached) {
        Host::instance().unplug(a.address);
        a.module->close(); // the event thread still runs the cancelled transfers' callbacks
        libusb_unref_device(a.device);
    }
    attached.clear();
    __atomic_store_n(&eventsDone_, 1, __ATOMIC_RELEASE);
    libusb_interrupt_event_handler(context_);
    if (events_.joinable())
        events_.join();
    libusb_exit(context_);
    context_ = nullptr;
}

} // namespace

bool enabled()
{
    const char *setting = std::getenv("QMS_USB");
    return !(setting && std::strcmp(setting, "off") == 0);
}

void start() { LibusbBus::instance().start(); }
void stop() { LibusbBus::instance().stop(); }
size_t attachedCount() { return LibusbBus::instance().attachedCount(); }
std::vector<std::string> unavailableModules() { return LibusbBus::instance().unavailable(); }

} // namespace qms::usbd::libusb_bus

extern "C" QMS_EXPORT long qms_platform_usb_unavailable(char *buf, size_t size)
{
    return qms::kernel::guarded(-1L, [&]() -> long {
        std::string text;
        for (const std::string &line : qms::usbd::libusb_bus::unavailableModules())
            text += line + "\n";
        if (buf && size > 0) {
            const size_t copied = std::min(text.size(), size - 1);
            std::memcpy(buf, text.data(), copied);
            buf[copied] = '\0';
        }
        return static_cast<long>(text.size());
    });
}
