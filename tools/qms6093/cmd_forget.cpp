// qms6093 forget: removes what the registry keeps of a device number whose module is gone, so
// that the number and its board ID are free again. Never while the module is attached: the
// stream driver holds the number then.
#include <string>

#include "commands.h"
#include "installed_devices.h"
#include "qms_platform.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

// Where the stream driver and the device API keep a device number's settings.
constexpr const char16_t *kSettingKeys[] = {
    u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s",
    u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ",
};

std::u16string DeviceKey(const char16_t *parent, uint32_t number)
{
    std::u16string digits;
    for (const char c : std::to_string(number))
        digits.push_back(static_cast<char16_t>(c));
    while (digits.size() < 3)
        digits.insert(digits.begin(), u'0');
    return std::u16string(parent) + u"\\Device" + digits;
}

} // namespace

int RunForget(const Output &out, uint32_t number)
{
    const std::string subject = "--device " + std::to_string(number);
    const auto device = FindInstalledDevice(number);
    if (!device)
        throw BadArgument(subject, "no device " + std::to_string(number) +
                                       " is installed; `qms6093 list` shows the installed devices");
    if (device->present)
        throw BadArgument(subject, "the module of device " + std::to_string(number) +
                                       " is attached; unplug it before its settings are forgotten");
    for (const char16_t *parent : kSettingKeys) {
        const LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, DeviceKey(parent, number).c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            throw ToolError(ExitDeviceError, "registry",
                            "the settings of device " + std::to_string(number) +
                                " could not be removed (registry error " + std::to_string(result) + ")",
                            static_cast<uint32_t>(result));
    }
    out.emit({{"device", number}, {"board_id", device->boardId}, {"forgotten", true}},
             "Device " + std::to_string(number) + " (board ID " + std::to_string(device->boardId) +
                 ") is forgotten: its settings are gone and the number is free.\n");
    return 0;
}

} // namespace qms::cli
