// qms6093 list: every installed device number and whether its module is there.
#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "installed_devices.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_platform.h"
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
    TextTable table({">device", ">board ID", "serial", "firmware", "module"});
    const auto installed = InstalledDevices();
    for (const InstalledDevice &device : installed) {
        const std::string firmware = device.present ? Firmware(device.number) : std::string();
        const std::string module = !device.present ? "absent" : device.simulated ? "simulated" : "present";
        devices.push_back({{"device", device.number},
                           {"board_id", device.boardId},
                           {"serial", device.serial.empty() ? nlohmann::json() : nlohmann::json(device.serial)},
                           {"stream", device.callName},
                           {"firmware", device.present ? nlohmann::json(firmware) : nlohmann::json()},
                           {"module", module}});
        table.add({std::to_string(device.number), std::to_string(device.boardId),
                   device.serial.empty() ? "-" : device.serial, device.present ? firmware : "-", module});
    }
    // Two modules with one board ID: the driver tells them apart by plugging order only.
    nlohmann::json warnings = nlohmann::json::array();
    for (const auto &[board, numbers] : SharedBoardIds(installed)) {
        std::string list;
        for (size_t i = 0; i < numbers.size(); ++i)
            list += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[i]);
        warnings.push_back("devices " + list + " have the same board ID " + std::to_string(board) +
                           "; give one another board ID with `qms6093 config -d " + std::to_string(numbers.back()) +
                           " --board-id N`");
    }
    std::string human = table.rows() ? table.render() : "No USB-6093 device is installed.\n";
    // Modules on this machine that could not be attached (busy in another program, no
    // permission): the platform says why, one line each.
    const long length = qms_platform_usb_unavailable(nullptr, 0);
    std::string unavailable(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
    const long written = qms_platform_usb_unavailable(unavailable.data(), unavailable.size());
    unavailable.resize(written > 0 ? std::min(static_cast<size_t>(written), unavailable.size() - 1) : 0);
    nlohmann::json notAttached = nlohmann::json::array();
    for (size_t start = 0, end; start < unavailable.size(); start = end + 1) {
        end = unavailable.find('\n', start);
        if (end == std::string::npos)
            end = unavailable.size();
        notAttached.push_back(unavailable.substr(start, end - start));
        human += "not attached: " + notAttached.back().get<std::string>() + "\n";
    }
    nlohmann::json doc = {{"devices", devices}, {"unavailable", notAttached}};
    if (!warnings.empty())
        doc["warnings"] = warnings;
    out.emit(doc, human);
    for (const auto &warning : warnings)
        std::fprintf(stderr, "qms6093: warning: %s\n", warning.get<std::string>().c_str());
    return 0;
}

} // namespace qms::cli
