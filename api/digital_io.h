// The digital-I/O primitives on a record, for the library's own use (DeviceOpen reads the
// output state into the DO shadow with them).
#pragma once

#include <cstdint>

#include "api/device_record.h"

namespace qms::api {

// Present state of the output ports [first, first + count); count is 0 or 1. The port byte
// lands in the first byte of `state` (2 bytes for one port) only when the request succeeds.
uint32_t GetCurrentDoPortsState(DeviceRecord &record, uint32_t firstPort, uint32_t count,
                                uint8_t *state);

} // namespace qms::api
