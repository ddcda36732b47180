// The installed devices as the library lists them: each device number the stream driver
// gave a module, its board ID and stream device, and whether the module is there now.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qms::cli {

struct InstalledDevice {
    uint32_t number = 0;
    uint32_t typeCode = 0;       // BoardID: 198 for a USB-6093
    uint32_t boardId = 0;        // SwitchID: the module's board number
    std::string callName;        // stream device name, "U931:"
    bool present = false;        // the module is attached
    bool simulated = false;      // ... and it is a simulated one
    std::string serial;          // the simulated module's serial; empty when not known
};

// Every installed device, by device number. Throws a device error when the registry
// cannot be read.
std::vector<InstalledDevice> InstalledDevices();
std::optional<InstalledDevice> FindInstalledDevice(uint32_t number);

// The device number of `text`: a number as it is, else the serial of a plugged module. A
// serial no module has, or one whose board ID another device shares (which of the two is
// it?), throws a bad-argument error naming `argument`.
uint32_t ResolveDevice(const std::string &text, const std::string &argument);

// Board IDs that more than one attached module has: the board ID and those devices.
std::vector<std::pair<uint32_t, std::vector<uint32_t>>> SharedBoardIds(const std::vector<InstalledDevice> &devices);

// Writes the board ID as the settings dialog saves it (DeviceName and SwitchID below both
// service keys); 0 or the library's code.
uint32_t SaveBoardId(uint32_t number, uint32_t boardId);

} // namespace qms::cli
