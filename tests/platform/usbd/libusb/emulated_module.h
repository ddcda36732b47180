// A USB-6093 emulated below libusb: a umockdev test bed device with the module's
// descriptors, whose usbdevfs requests (submit, reap and discard URB, claim, release, clear
// halt) are answered by the simulated module's firmware. Faults of the firmware (stall,
// withheld completion, short reply) reach libusb as the kernel would report them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/sim_module.h"

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace qms::test {

// The test bed of the process. Created by main before libusb or any thread starts.
void CreateTestBed();

class EmulatedModule {
public:
    explicit EmulatedModule(const nlohmann::json &scenario);
    ~EmulatedModule();
    EmulatedModule(const EmulatedModule &) = delete;
    EmulatedModule &operator=(const EmulatedModule &) = delete;

    // Plugs it in at a fresh bus address: the add event reaches libusb's hot-plug.
    void plug();
    // Pulls it out: URBs in flight and later ones fail with ENODEV, then the remove event.
    void unplug();
    // Another program holds the interface: claims fail with EBUSY.
    void setBusy(bool busy);
    void inject(const nlohmann::json &faults);

    sim::SimModule &firmware() { return *device_->firmware; }
    unsigned clearHalts() const;
    unsigned discards() const;
    unsigned urbsInFlight() const;

    // What the device node's requests see. Shared with the ioctl handler, which runs on
    // umockdev's thread and may still be answering libusb when the module is destroyed.
    struct Device {
        ~Device();
        bool handle(UMockdevIoctlClient *client);
        void submit(UMockdevIoctlClient *client, UMockdevIoctlData *argument);

        std::shared_ptr<sim::SimModule> firmware;
        mutable std::mutex lock; // guards everything below
        std::vector<UMockdevIoctlData *> flying; // submitted, withheld by the firmware
        std::vector<UMockdevIoctlData *> ready;  // answered, to be reaped
        bool plugged = false;
        bool busy = false;
        unsigned clearHalts = 0;
        unsigned discards = 0;
    };

private:
    std::shared_ptr<Device> device_;
    UMockdevIoctlBase *handler_ = nullptr;
    std::string devnode_;
    std::string syspath_;
};

} // namespace qms::test
