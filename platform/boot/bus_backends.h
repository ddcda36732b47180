// The bus backends of the host stack, started at boot in the order of their table.
#pragma once

namespace qms::boot {

// Starts each enabled backend: real modules first, so that the simulated bus knows whether
// to plug its demo module.
void startBusBackends();
// Stops them in reverse order; their devices leave the host's bus.
void stopBusBackends();
// Releases what the backends keep until the host holds none of their devices.
void releaseBusBackends();

} // namespace qms::boot
