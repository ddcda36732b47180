#include "platform/devmgr/stream_device.h"

#include <algorithm>
#include <vector>

namespace qms::devmgr {

namespace {

// The gates the current thread is inside, innermost last.
thread_local std::vector<const CallGate *> gatesEntered;

unsigned ownCalls(const CallGate *gate)
{
    return static_cast<unsigned>(std::count(gatesEntered.begin(), gatesEntered.end(), gate));
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
    if (state_ != State::Ready)
        return false;
    ++inside_;
    gatesEntered.push_back(this);
    return true;
}

void CallGate::leave()
{
    {
        std::lock_guard guard(lock_);
        --inside_;
        const auto it = std::find(gatesEntered.rbegin(), gatesEntered.rend(), this);
        if (it != gatesEntered.rend())
            gatesEntered.erase(std::next(it).base());
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
