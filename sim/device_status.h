// Status words of the module's firmware: the word IN(127,3) answers after a command, the flag
// of an EEPROM read, the status field of a parameter-block reply and the device-error word of
// a digital-I/O reply. 0 is success; the errors sit at 0x01xx so that they never look like
// one of the host library's own small codes.
#pragma once

#include <cstdint>

namespace qms::sim {

enum DeviceStatus : uint32_t {
    StatusOk = 0,
    StatusBadArgument = 0x0101,   // unknown range or calibration code
    StatusBadBlock = 0x0102,      // unknown parameter block
    StatusBadChannel = 0x0103,    // first channel out of range
    StatusBadCount = 0x0104,      // channel or port count out of range
    StatusBadValue = 0x0105,      // a value the block cannot hold
    StatusReadOnly = 0x0106,      // the burn-out status block is measured, not written
    StatusBadSignal = 0x0107,     // calibration signal on input 0 does not fit the range
    StatusBadAddress = 0x0108,    // EEPROM address outside the EEPROM
    StatusBadPort = 0x0109,       // digital port other than 0
    StatusNoRequest = 0x010A,     // a reply was asked for before its request
    StatusNotConverting = 0x010B, // the A/D conversion is stopped
};

} // namespace qms::sim
