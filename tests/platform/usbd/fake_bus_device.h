// A device on the host's bus for the tests: answers each control transfer from a script of
// outcomes (then: completed at once, full length), fills IN data with a known pattern and
// keeps what went over the wire.
#pragma once

#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/usbd/bus.h"

namespace qms::testing {

struct WireRecord {
    usbd::SetupPacket setup;
    std::vector<uint8_t> payload; // OUT data as sent
};

class FakeBusDevice : public usbd::SimulatedBusDevice {
public:
    explicit FakeBusDevice(uint16_t vendorId = 0x1234, uint16_t productId = 0x5678,
                           uint8_t interfaceSubClass = 0)
        : identity_{vendorId, productId, 0x0100, 0, 0, 0, 0, 0xFF, interfaceSubClass, 0}
    {
    }

    usbd::DeviceIdentity identity() const override { return identity_; }

    usbd::ControlResult control(const usbd::SetupPacket &setup, uint8_t *data) override
    {
        std::lock_guard guard(lock_);
        usbd::ControlResult result{usbd::ControlOutcome::Completed, setup.wLength, 0};
        if (!script_.empty()) {
            result = script_.front();
            script_.pop_front();
        }
        const bool in = (setup.bmRequestType & 0x80) != 0;
        wire_.push_back({setup, in ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + setup.wLength)});
        if (in)
            for (uint32_t i = 0; i < setup.wLength; ++i)
                data[i] = static_cast<uint8_t>(setup.bRequest + i);
        return result;
    }

    void defaultPipeReset() override
    {
        std::lock_guard guard(lock_);
        ++pipeResets_;
    }

    void answerNext(usbd::ControlOutcome outcome, uint32_t bytes = 0xFFFF, uint32_t latencyMicros = 0)
    {
        std::lock_guard guard(lock_);
        script_.push_back({outcome, bytes, latencyMicros});
    }
    std::vector<WireRecord> wire() const
    {
        std::lock_guard guard(lock_);
        return wire_;
    }
    int pipeResets() const
    {
        std::lock_guard guard(lock_);
        return pipeResets_;
    }

private:
    usbd::DeviceIdentity identity_;
    mutable std::mutex lock_;
    std::deque<usbd::ControlResult> script_;
    std::vector<WireRecord> wire_;
    int pipeResets_ = 0;
};

} // namespace qms::testing
