// What the registry says about installed devices: the driver key of each device number,
// the stream devices that are active now, and the saved board ID.
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
    std::string deviceName;      // "USB-6093 BoardID=0"
    uint32_t tcReadBackChan = 0;
    uint32_t tcReadBackType = 0;
};

// Every DeviceNNN key below the driver's service key, by device number.
std::vector<InstalledDevice> InstalledDevices();
std::optional<InstalledDevice> FindInstalledDevice(uint32_t number);

// Whether a stream device of that name is active (its module attached).
bool StreamDeviceActive(const std::string &callName);

// Writes the board ID as the settings dialog saves it: DeviceName and SwitchID below both
// service keys. False when a write fails.
bool SaveBoardId(uint32_t number, uint32_t boardId);

} // namespace qms::cli
