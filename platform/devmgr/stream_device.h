// One activated stream device: its driver library, entry points and the gate through which
// every call into the driver passes, so that deactivation can wait for calls in flight and
// refuse new ones.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/devmgr/library.h"
#include "qms_streamdrv.h"

namespace qms::devmgr {

struct StreamEntryPoints {
    PFN_STREAM_INIT init = nullptr;
    PFN_STREAM_DEINIT deinit = nullptr;
    PFN_STREAM_OPEN open = nullptr;
    PFN_STREAM_CLOSE close = nullptr;
    PFN_STREAM_IOCONTROL ioControl = nullptr;
    PFN_STREAM_READ read = nullptr;
    PFN_STREAM_WRITE write = nullptr;
    PFN_STREAM_SEEK seek = nullptr;
    PFN_STREAM_POWERUP powerUp = nullptr;
    PFN_STREAM_POWERDOWN powerDown = nullptr;

    // Finds all ten by prefix ("U93" -> "U93_Init" ...); false if any is missing.
    bool resolve(const DriverLibrary &library, const std::string &prefix);
};

// Counts the calls of one thread into a gate, so that a thread that deactivates a device
// from inside one of its own calls does not wait for itself.
class CallGate {
public:
    enum class State { Starting, Ready, Closing, Gone };

    // Lets a call in when the gate is ready.
    bool enter();
    void leave();
    // Refuses new calls and waits until only the calling thread's own calls are inside.
    // False if the gate was not ready (already closing or gone).
    bool close();
    void setState(State state);
    State state() const;

private:
    mutable std::mutex lock_;
    std::condition_variable idle_;
    State state_ = State::Starting;
    unsigned inside_ = 0;
};

struct StreamDevice {
    uintptr_t token = 0;       // the handle ActivateDevice returned
    std::u16string prefix;     // "U93"
    unsigned index = 0;        // 1 in "U931:"
    std::u16string name;       // "U931:"
    unsigned activeNumber = 0; // 1 in "Drivers\Active\01"
    std::u16string activeKey;  // "Drivers\Active\01"
    bool orphaned = false;     // left behind by a shutdown; its Active key is not its own
    std::shared_ptr<DriverLibrary> library;
    StreamEntryPoints entry;
    DWORD_PTR context = 0;     // from Init
    CallGate gate;
    std::mutex handlesLock;
    unsigned openHandles = 0;  // handles from CreateFileW not yet closed
};

} // namespace qms::devmgr
