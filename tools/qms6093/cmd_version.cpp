// qms6093 --version: the tool, the library it runs on and the firmware of each module here.
#include <cstdio>

#include "commands.h"
#include "installed_devices.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_text.h"

#ifndef QMS6093_TOOL_VERSION
#define QMS6093_TOOL_VERSION "unknown"
#endif

namespace qms::cli {

namespace {

struct ModuleVersions {
    std::string firmware;
    std::string library; // the interface version the library reports for the module
};

// What an attached module and the library report; empty where they do not answer.
ModuleVersions Versions(uint32_t number)
{
    ModuleVersions versions;
    uint32_t handle = 0;
    DeviceOpen(number, &handle);
    if (!handle)
        return versions;
    char text[64] = {};
    if (QmsReadFirmwareVersion(handle, text, sizeof text) == 0)
        versions.firmware = text;
    DeviceFeatures features{};
    if (DeviceGetFeatures(handle, &features, sizeof features) == 0)
        versions.library = qms::Utf8(features.version, 8);
    DeviceClose(&handle);
    return versions;
}

} // namespace

int RunVersion(const Output &out)
{
    nlohmann::json modules = nlohmann::json::array();
    std::string interface;
    std::string lines;
    for (const InstalledDevice &device : InstalledDevices()) {
        if (!device.present)
            continue;
        const ModuleVersions versions = Versions(device.number);
        if (interface.empty())
            interface = versions.library;
        modules.push_back({{"device", device.number},
                           {"board_id", device.boardId},
                           {"serial", device.serial.empty() ? nlohmann::json() : nlohmann::json(device.serial)},
                           {"firmware", versions.firmware}});
        lines += "device " + std::to_string(device.number) + " (board ID " + std::to_string(device.boardId) +
                 (device.serial.empty() ? "" : ", serial " + device.serial) + "): firmware " +
                 (versions.firmware.empty() ? "unreadable" : versions.firmware) + "\n";
    }
    std::string human = std::string("qms6093 ") + QMS6093_TOOL_VERSION + "\n" + "library " + QMS6093_TOOL_VERSION +
                        (interface.empty() ? "" : " (" + interface + ")") + "\n";
    human += modules.empty() ? "no module attached\n" : lines;
    out.emit({{"tool", QMS6093_TOOL_VERSION},
              {"library", QMS6093_TOOL_VERSION},
              {"library_interface", interface.empty() ? nlohmann::json() : nlohmann::json(interface)},
              {"modules", modules}},
             human);
    return 0;
}

} // namespace qms::cli
