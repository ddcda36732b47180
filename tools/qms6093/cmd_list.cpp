// qms6093 list: every installed device number and whether its module is there.
#include "commands.h"
#include "installed_devices.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "text_table.h"

namespace qms::cli {

namespace {

// The firmware version of an attached module; empty when it cannot be read. An open that
// could not read the stored channel settings still gives a handle to ask with.
std::string Firmware(uint32_t number)
{
    uint32_t handle = 0;
    DeviceOpen(number, &handle);
    if (!handle)
        return {};
    char text[64] = {};
    const uint32_t code = QmsReadFirmwareVersion(handle, text, sizeof text);
    DeviceClose(&handle);
    return code == 0 ? text : "";
}

} // namespace

int RunList(const Output &out)
{
    nlohmann::json devices = nlohmann::json::array();
    TextTable table({">device", ">board ID", "stream", "firmware", "module"});
    for (const InstalledDevice &device : InstalledDevices()) {
        const std::string firmware = device.present ? Firmware(device.number) : std::string();
        const std::string module = !device.present ? "absent" : device.simulated ? "simulated" : "present";
        devices.push_back({{"device", device.number},
                           {"board_id", device.boardId},
                           {"stream", device.callName},
                           {"firmware", device.present ? nlohmann::json(firmware) : nlohmann::json()},
                           {"module", module}});
        table.add({std::to_string(device.number), std::to_string(device.boardId), device.callName,
                   device.present ? firmware : "-", module});
    }
    const std::string human =
        table.rows() ? table.render() : "No USB-6093 device is installed.\n";
    out.emit({{"devices", devices}}, human);
    return 0;
}

} // namespace qms::cli
