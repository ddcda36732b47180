// Which board numbers belong to simulated modules: the simulator (libqmssim) knows, when the
// process has it loaded, because the platform plugged its modules or the application links it.
#pragma once

#include <cstdint>
#include <set>

namespace qms::ext {

// The board numbers of the simulated modules plugged now (not removed); empty when the
// simulator is not loaded.
std::set<uint32_t> SimulatedBoards();

} // namespace qms::ext
