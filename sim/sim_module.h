// A simulated module on the bus: the firmware behind endpoint 0, with the injected faults,
// the bus latency and the wire log. Every request and every control-API call takes the
// module's own lock, so the host stack and test threads may use it at once.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/usbd/bus.h"
#include "sim/faults.h"
#include "sim/firmware.h"
#include "sim/scenario.h"
#include "sim/wire_log.h"

namespace qms::sim {

constexpr uint16_t kVendorId = 0x3A5C;
constexpr uint16_t kProductId = 0x6093;

class SimModule : public qms::usbd::SimulatedBusDevice {
public:
    SimModule(const Scenario &scenario, std::string serial, std::shared_ptr<NonVolatileState> memory);

    qms::usbd::DeviceIdentity identity() const override;
    qms::usbd::ControlResult control(const SetupPacket &setup, uint8_t *data) override;
    void defaultPipeReset() override;

    void applyPatch(const Patch &patch);
    ModuleInputs inputs() const;
    nlohmann::json state() const;
    std::string wireLog() const;
    void clearWireLog();
    const std::string &serial() const { return serial_; }
    bool removed() const;
    // Taken off the bus: waits for a request in progress and answers every later one as
    // removed, so that the memory, which the next module of this serial takes over, is no
    // longer touched from here.
    void detach();
    // Writes the non-volatile memory to the state file, if the module has one.
    void saveMemory() const;

private:
    void saveMemoryLocked() const;

    const std::string serial_;
    const std::string stateFile_;
    const qms::usbd::DeviceIdentity identity_;
    mutable std::mutex mutex_;
    Firmware firmware_;
    FaultPlan faults_;
    WireLog log_;
    bool removed_ = false;
    uint32_t pipeResets_ = 0;
};

} // namespace qms::sim
