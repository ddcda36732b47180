// The bus below the USB host stack: what a device on it looks like to the host. Backends
// (the simulated bus, libusb) hand devices to the host stack through this. Like libusb's own
// backends, a device takes a control transfer by submission and ends it later.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "qms_export.h"

namespace qms::usbd {

// The standard 8-byte control setup packet.
struct SetupPacket {
    uint8_t bmRequestType;
    uint8_t bRequest;
    uint16_t wValue;
    uint16_t wIndex;
    uint16_t wLength;
};

// What a device reports about itself when it is plugged in.
struct DeviceIdentity {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t bcdDevice;
    uint8_t deviceClass;
    uint8_t deviceSubClass;
    uint8_t deviceProtocol;
    uint8_t interfaceNumber;
    uint8_t interfaceClass;
    uint8_t interfaceSubClass;
    uint8_t interfaceProtocol;
};

// How a control transfer on endpoint 0 ended, as the device answered it.
enum class ControlOutcome {
    Completed,    // data phase done; bytesTransferred tells how much
    Stall,        // the device stalled endpoint 0 (it stays halted until reset)
    NoCompletion, // simulated bus only: the device never answers until the host cancels
    Removed,      // the device went away in the middle of the transfer
    Cancelled,    // the host cancelled it before the device answered
    Failed,       // the bus lost it (protocol error, overflow): the device did not respond
};

struct ControlResult {
    ControlOutcome outcome;
    uint32_t bytesTransferred;
    uint32_t latencyMicros; // simulated bus only: how long it takes to complete (0: at once)
};

// Called once for each submitted transfer when it ends: inline from submit(), or later on
// a thread of the backend. It must not block for long: it runs on the bus's event thread.
using ControlCompletion = std::function<void(const ControlResult &)>;

// A device on a bus. submit() starts one control transfer on endpoint 0: for an OUT
// request `data` holds the wLength payload bytes, for an IN request the device writes up to
// wLength reply bytes there before it completes. `data` stays valid until `done` has run.
// `key` names the transfer for cancel(); the host submits one at a time per device.
class QMS_EXPORT BusDevice {
public:
    virtual ~BusDevice();
    virtual DeviceIdentity identity() const = 0;
    virtual void submit(const SetupPacket &setup, uint8_t *data, const void *key, ControlCompletion done) = 0;
    // Asks for an early end of a submitted transfer and returns at once; its completion then
    // runs (Cancelled, or how it really ended if it was ending already). Never called with a
    // lock of the host held, so a backend may complete inline.
    virtual void cancel(const void *key) = 0;
    // endpoint 0 was reset by the host (ResetDefaultPipe)
    virtual void defaultPipeReset() {}
};

// The simulated bus's devices: the firmware answers at once from control(); the backend
// adds what a real bus does with time — the answer's latency, a completion the device
// withholds until the host cancels, removal in the middle of a transfer.
class QMS_EXPORT SimulatedBusDevice : public BusDevice {
public:
    virtual ControlResult control(const SetupPacket &setup, uint8_t *data) = 0;

    void submit(const SetupPacket &setup, uint8_t *data, const void *key, ControlCompletion done) final;
    void cancel(const void *key) final;

private:
    std::mutex withheldLock_;
    std::vector<std::pair<const void *, ControlCompletion>> withheld_;
};

// Plugs a device into the host stack's bus; the host matches it against the registered
// client drivers and attaches one. Returns the device's bus address (> 0), or 0 on failure.
QMS_EXPORT uint32_t plugDevice(std::shared_ptr<BusDevice> device);
// Unplugs it: pending and later transfers fail at once, and the client's notification
// routine is called on that device's own notification thread. Returns false for an unknown
// address. Does not wait for the client's removal path to finish.
QMS_EXPORT bool unplugDevice(uint32_t address);
// Waits up to `timeoutMs` until an unplugged device is removed: its client's removal routine
// has returned. True when it has (at once for an address the host no longer knows), false on
// time-out, also while the device is still plugged. A removed device's handle is unknown to
// the host stack from then on.
QMS_EXPORT bool waitDeviceRemoved(uint32_t address, unsigned timeoutMs);

} // namespace qms::usbd
