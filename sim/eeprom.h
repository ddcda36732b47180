// The module's EEPROM: 1024 words of 32 bits at addresses 0x000 to 0x3FF, kept in
// non-volatile memory. A word never written reads 0.
#pragma once

#include <cstdint>

#include "sim/nonvolatile_store.h"

namespace qms::sim {

constexpr uint32_t kEepromWords = 0x400;

struct EepromRead {
    uint32_t value;
    uint32_t status;
};

EepromRead readEeprom(const NonVolatileState &nv, uint16_t address);
uint32_t writeEeprom(NonVolatileState &nv, uint16_t address, uint32_t value);

} // namespace qms::sim
