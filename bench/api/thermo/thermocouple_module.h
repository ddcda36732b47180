// Simulated modules with thermocouples for the temperature benchmarks, and the USB transfers
// the host sent them.
#pragma once

#include <cstdint>
#include <string>

namespace qms::bench {

// What the benchmark's module looks like: the channel array of its scenario (JSON), how
// often the sample block answers "not ready" after a scan request, and how long every
// control transfer takes.
struct ModuleSetup {
    std::string channels;
    unsigned notReadyPolls = 0;
    unsigned latencyMicros = 0;
};

// A module plugged and opened for one benchmark run. Each run plugs a new board, which the
// driver gives the next device number of the process. Once ok, the driver has its first CJC
// sample (a TCMuxRead of channel 0 as type K waited for it).
struct ThermocoupleModule {
    explicit ThermocoupleModule(const ModuleSetup &setup);
    ~ThermocoupleModule();
    ThermocoupleModule(const ThermocoupleModule &) = delete;
    ThermocoupleModule &operator=(const ThermocoupleModule &) = delete;

    int id = -1;
    uint32_t handle = 0;
    bool ok = false;
};

// Transfers in the wire log, leaving out the CJC sampler's own sensor reads. The log keeps
// the newest 10000 requests: count them before that many.
long HostTransfers(int id);

} // namespace qms::bench
