// Objects a thread can wait on (events and threads) and the wait itself.
//
// All waitable state sits under one kernel lock. A waiting thread parks on a condition
// variable of its own (its wait block) registered with every object it waits on; signalling
// an object hands the signal straight to the registered waiters in arrival order: a
// manual-reset object satisfies all of them and stays signalled, an auto-reset object
// satisfies exactly one and stays clear, or becomes signalled when nobody waits. A signal
// handed to a waiter is consumed by it even if its time-out expires at the same moment.
#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/kernel/object.h"

namespace qms::kernel {

struct WaitBlock;

class Waitable : public Object {
public:
    Waitable(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

    void set();
    void reset();
    // Releases the threads waiting now (all of them, or one for auto-reset) and leaves the
    // object clear.
    void pulse();

    // Waits until one of the objects is signalled: WAIT_OBJECT_0 + the lowest signalled index
    // (whose signal an auto-reset object gives up), or WAIT_TIMEOUT. dwMilliseconds counts on
    // the monotonic clock; INFINITE waits without limit.
    static DWORD waitAny(std::span<const std::shared_ptr<Waitable>> objects, DWORD dwMilliseconds);

protected:
    // Serialises every waitable object's state and every wait block.
    static std::mutex &kernelLock();
    // Caller holds kernelLock().
    void signalLocked(bool pulse);
    bool isSignalledLocked() const { return signalled_; }

private:
    struct Registration {
        WaitBlock *block;
        DWORD index;
    };

    bool consumeLocked();
    void removeWaiterLocked(const WaitBlock *block) noexcept;

    const bool manualReset_;
    bool signalled_;
    std::vector<Registration> waiters_;
};

} // namespace qms::kernel
