#include "sim/eeprom.h"

#include "sim/device_status.h"

namespace qms::sim {

EepromRead readEeprom(const NonVolatileState &nv, uint16_t address)
{
    if (address >= kEepromWords)
        return {0, StatusBadAddress};
    auto it = nv.eeprom.find(address);
    return {it == nv.eeprom.end() ? 0u : it->second, StatusOk};
}

uint32_t writeEeprom(NonVolatileState &nv, uint16_t address, uint32_t value)
{
    if (address >= kEepromWords)
        return StatusBadAddress;
    if (value == 0)
        nv.eeprom.erase(address); // reads 0 like a word never written
    else
        nv.eeprom[address] = value;
    return StatusOk;
}

} // namespace qms::sim
