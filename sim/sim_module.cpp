#include "sim/sim_module.h"

#include <algorithm>

#include "sim/byte_order.h"

namespace qms::sim {

using qms::usbd::ControlOutcome;
using qms::usbd::ControlResult;

namespace {

bool isDigitalReply(const SetupPacket &setup)
{
    return directionOf(setup) == Direction::In && setup.bRequest == 1 &&
           (setup.wValue == 3 || setup.wValue == 5) && setup.wLength >= 12;
}

const char *outcomeName(ControlOutcome outcome)
{
    switch (outcome) {
    case ControlOutcome::Completed: return "completed";
    case ControlOutcome::Stall: return "stall";
    case ControlOutcome::NoCompletion: return "no_completion";
    case ControlOutcome::Removed: return "removed";
    case ControlOutcome::Cancelled: return "cancelled";
    case ControlOutcome::Failed: return "failed";
    }
    return "?";
}

} // namespace

SimModule::SimModule(const Scenario &scenario, std::string serial, std::shared_ptr<NonVolatileState> memory)
    : serial_(std::move(serial)),
      stateFile_(scenario.stateFile),
      identity_{kVendorId, kProductId, 0x0100, 0, 0, 0, 0, scenario.interfaceClass, scenario.interfaceSubClass, 0},
      firmware_(scenario, std::move(memory))
{
    faults_.set(scenario.faults);
}

qms::usbd::DeviceIdentity SimModule::identity() const { return identity_; }

ControlResult SimModule::control(const SetupPacket &setup, uint8_t *data)
{
    std::lock_guard lock(mutex_);
    const bool in = directionOf(setup) == Direction::In;
    WireLogEntry entry;
    entry.setup = setup;
    if (!in && data != nullptr)
        entry.data.assign(data, data + setup.wLength);

    const FaultDecision decision = faults_.decide(setup);
    ControlResult result{ControlOutcome::Completed, 0, firmware_.inputs().latencyMicros + decision.extraLatencyMicros};
    const std::optional<FaultRule> &fault = decision.fault;
    if (fault)
        entry.fault = faultKindName(fault->kind);
    if (!fault && decision.extraLatencyMicros > 0)
        entry.fault = "latency";

    if (removed_) {
        result.outcome = ControlOutcome::Removed;
    } else if (fault && fault->kind == FaultKind::Stall) {
        result.outcome = ControlOutcome::Stall;
    } else if (fault && fault->kind == FaultKind::NoCompletion) {
        result.outcome = ControlOutcome::NoCompletion;
    } else if (fault && fault->kind == FaultKind::Remove) {
        removed_ = true;
        result.outcome = ControlOutcome::Removed;
    } else if (data == nullptr && setup.wLength > 0) {
        result.outcome = ControlOutcome::Stall; // no buffer for the data stage
    } else {
        if (fault && fault->kind == FaultKind::Status)
            firmware_.injectedStatus = fault->value;
        uint8_t none = 0;
        const Firmware::Answer answer = firmware_.handle(setup, data != nullptr ? data : &none);
        if (!answer.understood) {
            result.outcome = ControlOutcome::Stall;
        } else {
            result.bytesTransferred = answer.replyBytes;
            if (fault && in && fault->kind == FaultKind::Short)
                result.bytesTransferred = std::min(result.bytesTransferred, fault->value);
            if (fault && fault->kind == FaultKind::BadEcho && isDigitalReply(setup))
                writeBe16(data + 4, static_cast<uint16_t>(fault->value));
            if (fault && fault->kind == FaultKind::DioError && isDigitalReply(setup))
                writeLe32(data, fault->value);
            if (in && data != nullptr)
                entry.data.assign(data, data + result.bytesTransferred);
            if (answer.memoryChanged)
                saveMemoryLocked();
        }
    }
    entry.outcome = outcomeName(result.outcome);
    entry.bytesTransferred = result.bytesTransferred;
    entry.latencyMicros = result.latencyMicros;
    log_.append(std::move(entry));
    return result;
}

void SimModule::defaultPipeReset()
{
    std::lock_guard lock(mutex_);
    ++pipeResets_;
}

void SimModule::applyPatch(const Patch &patch)
{
    std::lock_guard lock(mutex_);
    firmware_.setInputs(patch.inputs, patch.reseed);
    if (patch.clearFaults)
        faults_.clear();
    faults_.add(patch.addFaults);
}

ModuleInputs SimModule::inputs() const
{
    std::lock_guard lock(mutex_);
    return firmware_.inputs();
}

nlohmann::json SimModule::state() const
{
    std::lock_guard lock(mutex_);
    nlohmann::json j = firmware_.stateJson();
    j["serial"] = serial_;
    j["removed"] = removed_;
    j["pipe_resets"] = pipeResets_;
    j["faults"] = faults_.toJson();
    j["noise_uv"] = firmware_.inputs().noiseUv;
    j["latency_us"] = firmware_.inputs().latencyMicros;
    if (!stateFile_.empty())
        j["state_file"] = stateFile_;
    return j;
}

std::string SimModule::wireLog() const
{
    std::lock_guard lock(mutex_);
    return log_.toJsonLines();
}

void SimModule::clearWireLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

bool SimModule::removed() const
{
    std::lock_guard lock(mutex_);
    return removed_;
}

void SimModule::detach()
{
    std::lock_guard lock(mutex_);
    removed_ = true;
}

void SimModule::saveMemory() const
{
    std::lock_guard lock(mutex_);
    saveMemoryLocked();
}

void SimModule::saveMemoryLocked() const
{
    if (!stateFile_.empty())
        saveStateFile(stateFile_, *firmware_.memory);
}

} // namespace qms::sim
