// qms6093 list: every installed device number and whether its module is there.
#include "tools/qms6093/commands.h"
#include "tools/qms6093/installed_devices.h"
#include "tools/qms6093/module_port.h"
#include "tools/qms6093/platform_session.h"
#include "tools/qms6093/text_table.h"

namespace qms::cli {

int RunList(const Output &out, const PlatformSession &platform)
{
    const auto simulated = platform.simulatedBoards();
    nlohmann::json devices = nlohmann::json::array();
    TextTable table({">device", ">board ID", "stream", "firmware", "module"});
    for (const InstalledDevice &device : InstalledDevices()) {
        const bool attached = StreamDeviceActive(device.callName);
        std::string firmware;
        if (attached) {
            ModulePort port(device.number, device.callName);
            if (port.readFirmwareVersion(firmware) != 0)
                firmware.clear();
        }
        const std::string module =
            !attached ? "absent" : simulated.count(device.boardId) ? "simulated" : "present";
        devices.push_back({{"device", device.number},
                           {"board_id", device.boardId},
                           {"stream", device.callName},
                           {"firmware", attached ? nlohmann::json(firmware) : nlohmann::json()},
                           {"module", module}});
        table.add({std::to_string(device.number), std::to_string(device.boardId), device.callName,
                   attached ? firmware : "-", module});
    }
    const std::string human =
        table.rows() ? table.render() : "No USB-6093 device is installed.\n";
    out.emit({{"devices", devices}}, human);
    return 0;
}

} // namespace qms::cli
