// qms6093 list: every installed device number and whether its module is there.
#include "qms_platform.h"
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
    std::string human = table.rows() ? table.render() : "No USB-6093 device is installed.\n";
    // Modules on this machine that could not be attached: busy in another program, or no
    // permission. The platform says why in one line each.
    std::string unavailable(static_cast<size_t>(qms_platform_usb_unavailable(nullptr, 0)) + 1, '\0');
    unavailable.resize(static_cast<size_t>(qms_platform_usb_unavailable(unavailable.data(), unavailable.size())));
    nlohmann::json notAttached = nlohmann::json::array();
    for (size_t start = 0, end; start < unavailable.size(); start = end + 1) {
        end = unavailable.find('\n', start);
        notAttached.push_back(unavailable.substr(start, end - start));
        human += "not attached: " + notAttached.back().get<std::string>() + "\n";
    }
    out.emit({{"devices", devices}, {"unavailable", notAttached}}, human);
    return 0;
}

} // namespace qms::cli
