#include "installed_devices.h"

#include "error_text.h"
#include "qms6093ext.h"
#include "qms_platform.h"
#include "qms_regfile.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

// Which registry file failed and why, as its store tells when asked again.
std::string RegistryTrouble()
{
    char path[1024] = {};
    const long length = qms_reg_store_path(path, sizeof path);
    std::string text = "the registry " + std::string(length > 0 ? path : "?") + " cannot be used: ";
    HKEY key = nullptr;
    switch (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM", 0, KEY_READ, &key)) {
    case ERROR_SUCCESS:
    case ERROR_FILE_NOT_FOUND:
        if (key)
            RegCloseKey(key);
        return text + "it could not be read";
    case ERROR_BADDB:
        return text + "the file is not a registry database (set QMS_REGISTRY or --registry to another file)";
    case ERROR_CANTOPEN:
        return text + "the file cannot be opened or created (check its folder and permissions)";
    default:
        return text + "it could not be read";
    }
}

} // namespace

std::vector<InstalledDevice> InstalledDevices()
{
    std::vector<QmsDeviceInfo> list;
    uint32_t count = 0;
    uint32_t code = QmsListDevices(nullptr, 0, &count);
    // A device plugged between the two calls makes the list longer: ask again.
    while (code == 0 && count > list.size()) {
        list.resize(count);
        code = QmsListDevices(list.data(), static_cast<uint32_t>(list.size()), &count);
    }
    if (code == QMS_ERR_REGISTRY)
        throw ToolError(ExitDeviceError, "registry", RegistryTrouble() + " (code " + std::to_string(code) + ")", code);
    if (code != 0)
        throw ToolError(ExitDeviceError, "registry", "The installed devices could not be listed: " + DescribeCode(code),
                        code);
    list.resize(count);
    std::vector<InstalledDevice> devices;
    for (const QmsDeviceInfo &info : list)
        devices.push_back({.number = info.deviceNumber,
                           .typeCode = info.deviceType,
                           .boardId = info.boardID,
                           .callName = info.callName,
                           .present = info.present != 0,
                           .simulated = info.simulated != 0});
    return devices;
}

std::optional<InstalledDevice> FindInstalledDevice(uint32_t number)
{
    for (const InstalledDevice &device : InstalledDevices())
        if (device.number == number)
            return device;
    return std::nullopt;
}

uint32_t SaveBoardId(uint32_t number, uint32_t boardId)
{
    DeviceSettings settings{};
    if (const uint32_t code = QmsReadDeviceSettings(number, &settings))
        return code;
    settings.SwitchID = boardId;
    return QmsSaveDeviceSettings(number, &settings);
}

} // namespace qms::cli
