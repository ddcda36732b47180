// A clean stop on Ctrl-C (SIGINT) or SIGTERM: the signal only sets a flag and wakes the
// waiting loop, which finishes what it is doing, flushes and closes its files.
#pragma once

#include <chrono>

namespace qms::cli {

class StopSignal {
public:
    StopSignal();   // installs the handlers
    ~StopSignal();  // restores the previous ones
    StopSignal(const StopSignal &) = delete;
    StopSignal &operator=(const StopSignal &) = delete;

    bool stopped() const;
    // Sleeps until `deadline` without burning the processor; false when a stop signal came.
    bool waitUntil(std::chrono::steady_clock::time_point deadline) const;
};

} // namespace qms::cli
