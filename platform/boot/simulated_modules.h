// The simulated modules plugged at start: libqmssim, found like a driver library, plugs
// what QMS_SIM names (unset: one demo module, unless a real module is attached; "none":
// nothing).
#pragma once

namespace qms::boot {

// Loads libqmssim and lets it plug its modules. A missing library or a refusal is reported
// on stderr once; the platform then runs with no module.
void plugSimulatedModules();
// Lets libqmssim unplug its modules.
void unplugSimulatedModules();
// Releases libqmssim once the host holds none of its devices any more.
void releaseSimulatedModules();

} // namespace qms::boot
