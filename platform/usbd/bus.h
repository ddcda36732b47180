// The bus below the USB host stack: what a device on it looks like to the host. Backends
// (the simulated bus today, libusb later) hand devices to the host stack through this.
#pragma once

#include <cstdint>
#include <memory>

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
    NoCompletion, // the device never answers: the transfer stays pending until closed
    Removed,      // the device went away in the middle of the transfer
};

struct ControlResult {
    ControlOutcome outcome;
    uint32_t bytesTransferred;
    uint32_t latencyMicros; // how long the bus takes to complete it (0: at once)
};

// A device on a bus. control() carries out one control transfer: for an OUT request `data`
// holds the wLength payload bytes, for an IN request the device writes up to wLength reply
// bytes there. The host stack owns timing (latency, pending transfers, cancellation) and
// copies data between this buffer and the client's; control() itself returns at once.
class QMS_EXPORT BusDevice {
public:
    virtual ~BusDevice();
    virtual DeviceIdentity identity() const = 0;
    virtual ControlResult control(const SetupPacket &setup, uint8_t *data) = 0;
    // endpoint 0 was reset by the host (ResetDefaultPipe)
    virtual void defaultPipeReset() {}
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
