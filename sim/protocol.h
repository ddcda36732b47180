// The module's command set on the wire: one table from (group, command, direction) to the
// handler, with the length each request must have. A request that matches no row, or
// matches one with another length, is not understood and stalls, as on the real module.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/request.h"

namespace qms::sim {

class Firmware;

struct CommandInfo {
    uint8_t group;
    uint16_t command;
    Direction direction;
    int length; // -1: any length (the reply is as long as the host asks, up to the data)
    bool touchesMemory; // may change the non-volatile memory
    const char *name;
};

struct DispatchResult {
    bool understood;
    uint32_t replyBytes;
    bool memoryChanged;
};

// Carries out one request on the firmware.
DispatchResult dispatchRequest(Firmware &firmware, const SetupPacket &setup, uint8_t *data);

// The command set, in table order (for tests and documentation).
std::vector<CommandInfo> commandSet();

} // namespace qms::sim
