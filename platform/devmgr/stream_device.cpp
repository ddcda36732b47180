#include "platform/devmgr/stream_device.h"

#include <algorithm>

namespace qms::devmgr {

namespace {

// The gates the current thread is inside, innermost last. Trivially destructible on purpose:
// exit handlers (the platform's own shutdown among them) still close handles and deactivate
// devices after the thread's thread_local destructors have run.
constexpr unsigned maxNesting = 32;
thread_local const CallGate *gatesEntered[maxNesting];
thread_local unsigned gatesDepth = 0;

unsigned ownCalls(const CallGate *gate)
{
    return static_cast<unsigned>(std::count(gatesEntered, gatesEntered + gatesDepth, gate));
}

} // namespace

bool StreamEntryPoints::resolve(const DriverLibrary &library, const std::string &prefix)
{
    const auto find = [&](auto &slot, const char *suffix) {
        slot = library.entry<std::remove_reference_t<decltype(slot)>>((prefix + suffix).c_str());
        return slot != nullptr;
    };
    bool all = find(init, "_Init");
    all = find(deinit, "_Deinit") && all;
    all = find(open, "_Open") && all;
    all = find(close, "_Close") && all;
    all = find(ioControl, "_IOControl") && all;
    all = find(read, "_Read") && all;
    all = find(write, "_Write") && all;
    all = find(seek, "_Seek") && all;
    all = find(powerUp, "_PowerUp") && all;
    all = find(powerDown, "_PowerDown") && all;
    return all;
}

bool CallGate::enter()
{
    std::lock_guard guard(lock_);
    if (state_ != State::Ready || gatesDepth == maxNesting)
        return false;
    ++inside_;
    gatesEntered[gatesDepth++] = this;
    return true;
}

void CallGate::leave()
{
    {
        std::lock_guard guard(lock_);
        --inside_;
        for (unsigned i = gatesDepth; i-- > 0;) {
            if (gatesEntered[i] == this) {
                std::copy(gatesEntered + i + 1, gatesEntered + gatesDepth, gatesEntered + i);
                --gatesDepth;
                break;
            }
        }
    }
    idle_.notify_all();
}

bool CallGate::close()
{
    std::unique_lock guard(lock_);
    if (state_ != State::Ready)
        return false;
    state_ = State::Closing;
    const unsigned own = ownCalls(this);
    idle_.wait(guard, [&] { return inside_ <= own; });
    return true;
}

void CallGate::setState(State state)
{
    std::lock_guard guard(lock_);
    state_ = state;
}

CallGate::State CallGate::state() const
{
    std::lock_guard guard(lock_);
    return state_;
}

} // namespace qms::devmgr
