// The simulated bus backend: the firmware of a simulated module answers each request at
// once; time is added here. An answer with latency completes on the host's completion
// thread when it is due, a withheld completion waits until the host cancels the transfer.
#include "platform/usbd/bus.h"

#include "platform/usbd/host.h"

namespace qms::usbd {

void SimulatedBusDevice::submit(const SetupPacket &setup, uint8_t *data, const void *key, ControlCompletion done)
{
    const ControlResult result = control(setup, data);
    if (result.outcome == ControlOutcome::NoCompletion) {
        std::lock_guard guard(withheldLock_);
        withheld_.emplace_back(key, std::move(done));
        return;
    }
    if (result.latencyMicros == 0 || result.outcome == ControlOutcome::Removed) {
        done(result);
        return;
    }
    const auto due = CompletionQueue::Clock::now() + std::chrono::microseconds(result.latencyMicros);
    Host::instance().completions().schedule(due, [done = std::move(done), result] { done(result); });
}

void SimulatedBusDevice::cancel(const void *key)
{
    ControlCompletion done;
    {
        std::lock_guard guard(withheldLock_);
        for (auto it = withheld_.begin(); it != withheld_.end(); ++it) {
            if (it->first == key) {
                done = std::move(it->second);
                withheld_.erase(it);
                break;
            }
        }
    }
    // One that is not withheld completes when its latency is over; the host has let go.
    if (done)
        done({ControlOutcome::Cancelled, 0, 0});
}

} // namespace qms::usbd
