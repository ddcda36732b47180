#include "tests/platform/usbd/libusb/emulated_module.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/nonvolatile_store.h"
#include "sim/scenario.h"

namespace qms::test {

namespace {

// Device 3A5C:6093, one configuration with the vendor interface 0 (class FF, subclass 0).
constexpr char descriptors[] = "12010002000000405c3a93600001010200010902120001010080320904000000ff000000";

UMockdevTestbed *&testBed()
{
    static UMockdevTestbed *bed = nullptr;
    return bed;
}

unsigned nextDeviceAddress()
{
    static std::mutex lock;
    static unsigned address = 1;
    std::lock_guard guard(lock);
    return ++address;
}

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer device)
{
    return (*static_cast<std::shared_ptr<EmulatedModule::Device> *>(device))->handle(client) ? TRUE : FALSE;
}

void releaseDevice(gpointer device, GClosure *)
{
    delete static_cast<std::shared_ptr<EmulatedModule::Device> *>(device);
}

} // namespace

void CreateTestBed()
{
    if (!testBed())
        testBed() = umockdev_testbed_new();
}

EmulatedModule::EmulatedModule(const nlohmann::json &scenario)
{
    const sim::Scenario parsed = sim::parseScenario(scenario);
    auto memory = std::make_shared<sim::NonVolatileState>();
    for (size_t i = 0; i < 8; ++i)
        memory->rangeIndex[i] = parsed.presets[i].rangeIndex.value_or(5);
    memory->boardNumber = parsed.boardId;
    device_ = std::make_shared<Device>();
    device_->firmware = std::make_shared<sim::SimModule>(parsed, "EMULATED", memory);
    handler_ = umockdev_ioctl_base_new();
    // The handler keeps the device alive for as long as umockdev may call it.
    g_signal_connect_data(handler_, "handle-ioctl", G_CALLBACK(onIoctl), new std::shared_ptr<Device>(device_),
                          releaseDevice, GConnectFlags(0));
}

EmulatedModule::~EmulatedModule()
{
    unplug();
    if (!devnode_.empty())
        umockdev_testbed_detach_ioctl(testBed(), devnode_.c_str(), nullptr);
    g_signal_handlers_disconnect_matched(handler_, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                         reinterpret_cast<gpointer>(onIoctl), nullptr);
    g_object_unref(handler_);
}

EmulatedModule::Device::~Device()
{
    for (UMockdevIoctlData *urb : flying)
        umockdev_ioctl_data_unref(urb);
    for (UMockdevIoctlData *urb : ready)
        umockdev_ioctl_data_unref(urb);
}

void EmulatedModule::plug()
{
    const unsigned address = nextDeviceAddress();
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03u", address);
    devnode_ = node;
    syspath_ = "/devices/usb1/1-" + std::to_string(address);
    {
        std::lock_guard guard(device_->lock);
        device_->plugged = true;
    }
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testBed(), node, handler_, &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("cannot emulate " + devnode_ + ": " + why);
    }
    const std::string record = "P: " + syspath_ + "\nN: " + devnode_.substr(5) +
                               "\nE: SUBSYSTEM=usb\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=" + devnode_.substr(18) +
                               "\nE: DEVNAME=" + devnode_ + "\nE: DEVTYPE=usb_device\n"
                               "A: bConfigurationValue=1\\n\nA: busnum=1\\n\nA: devnum=" +
                               std::to_string(address) + "\\n\nA: speed=12\\n\nH: descriptors=" + descriptors + "\n";
    if (!umockdev_testbed_add_from_string(testBed(), record.c_str(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("cannot add the emulated module: " + why);
    }
}

void EmulatedModule::unplug()
{
    {
        std::lock_guard guard(device_->lock);
        if (!device_->plugged)
            return;
        device_->plugged = false;
        // The kernel gives back every URB of a device that has gone, with ENODEV.
        for (UMockdevIoctlData *urb : device_->flying) {
            reinterpret_cast<usbdevfs_urb *>(urb->data)->status = -ENODEV;
            device_->ready.push_back(urb);
        }
        device_->flying.clear();
    }
    const std::string sys = "/sys" + syspath_;
    umockdev_testbed_uevent(testBed(), sys.c_str(), "remove");
    umockdev_testbed_remove_device(testBed(), sys.c_str());
}

void EmulatedModule::setBusy(bool busy)
{
    std::lock_guard guard(device_->lock);
    device_->busy = busy;
}

void EmulatedModule::inject(const nlohmann::json &faults)
{
    device_->firmware->applyPatch(sim::parsePatch({{"faults", faults}}, device_->firmware->inputs()));
}

unsigned EmulatedModule::clearHalts() const
{
    std::lock_guard guard(device_->lock);
    return device_->clearHalts;
}

unsigned EmulatedModule::discards() const
{
    std::lock_guard guard(device_->lock);
    return device_->discards;
}

unsigned EmulatedModule::urbsInFlight() const
{
    std::lock_guard guard(device_->lock);
    return static_cast<unsigned>(device_->flying.size() + device_->ready.size());
}

void EmulatedModule::Device::submit(UMockdevIoctlClient *client, UMockdevIoctlData *argument)
{
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_urb), nullptr);
    auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
    if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < 8) {
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    UMockdevIoctlData *buffer =
        umockdev_ioctl_data_resolve(urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer), urb->buffer_length, nullptr);
    uint8_t *bytes = buffer->data;
    const usbd::SetupPacket setup{bytes[0], bytes[1], static_cast<uint16_t>(bytes[2] | bytes[3] << 8),
                                  static_cast<uint16_t>(bytes[4] | bytes[5] << 8),
                                  static_cast<uint16_t>(bytes[6] | bytes[7] << 8)};
    std::unique_lock guard(lock);
    if (!plugged) {
        guard.unlock();
        umockdev_ioctl_data_unref(buffer);
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    const usbd::ControlResult answer = firmware->control(setup, bytes + 8);
    urb->actual_length = 0;
    urb->status = 0;
    switch (answer.outcome) {
    case usbd::ControlOutcome::Completed:
        urb->actual_length = static_cast<int>(answer.bytesTransferred);
        ready.push_back(urbData);
        break;
    case usbd::ControlOutcome::Stall:
        urb->status = -EPIPE;
        ready.push_back(urbData);
        break;
    case usbd::ControlOutcome::NoCompletion:
        flying.push_back(urbData);
        break;
    default: // removed in the middle of the transfer
        urb->status = -ENODEV;
        ready.push_back(urbData);
        break;
    }
    guard.unlock();
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool EmulatedModule::Device::handle(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *argument = umockdev_ioctl_client_get_arg(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(argument, 0, sizeof(uint32_t), nullptr);
        const uint32_t value = USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_data_unref(caps);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE: {
        std::lock_guard guard(lock);
        if (busy)
            umockdev_ioctl_client_complete(client, -1, EBUSY);
        else
            umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLEAR_HALT: {
        std::lock_guard guard(lock);
        ++clearHalts;
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(client, argument);
        return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        UMockdevIoctlData *urb = nullptr;
        {
            std::lock_guard guard(lock);
            if (!ready.empty()) {
                urb = ready.front();
                ready.erase(ready.begin());
            }
        }
        if (!urb) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return true;
        }
        UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(argument, 0, sizeof(void *), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urb);
        umockdev_ioctl_data_unref(pointer);
        umockdev_ioctl_data_unref(urb);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_DISCARDURB: {
        const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void **>(argument->data));
        std::lock_guard guard(lock);
        ++discards;
        const auto it = std::find_if(flying.begin(), flying.end(),
                                     [&](UMockdevIoctlData *urb) { return urb->client_addr == address; });
        if (it == flying.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return true;
        }
        reinterpret_cast<usbdevfs_urb *>((*it)->data)->status = -ENOENT;
        ready.push_back(*it);
        flying.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    default:
        return false;
    }
}

} // namespace qms::test
