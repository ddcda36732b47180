// Platform boot on first use: the first call of the device manager, of the client
// registration functions, or of plugDevice in a process starts the platform.
#pragma once

namespace qms::boot {

// Starts the platform unless it runs already. On the booting thread itself (boot plugs the
// simulated modules, whose attach calls back in) it returns at once; other threads wait for
// boot to finish. False while the platform shuts down: the caller must not plug or boot.
bool ensureStarted();

} // namespace qms::boot
