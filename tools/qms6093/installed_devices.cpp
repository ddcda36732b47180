#include "installed_devices.h"

#include <algorithm>
#include <cctype>
#include <map>

#include <nlohmann/json.hpp>

#include "error_text.h"
#include "qms6093ext.h"
#include "qms_platform.h"
#include "qms_regfile.h"
#include "qms_sim.h"
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

// The JSON text of one of the simulator's calls, whatever its length; null when it fails.
template <typename Call>
nlohmann::json SimText(Call call)
{
    std::string text(4096, '\0');
    long length = call(text.data(), text.size());
    if (length >= static_cast<long>(text.size())) {
        text.resize(static_cast<size_t>(length) + 1);
        length = call(text.data(), text.size());
    }
    if (length < 0)
        return nullptr;
    text.resize(static_cast<size_t>(length));
    return nlohmann::json::parse(text, nullptr, false);
}

// Board number -> serials of the simulated modules plugged now.
std::map<uint32_t, std::vector<std::string>> SimulatedSerials()
{
    std::map<uint32_t, std::vector<std::string>> serials;
    const nlohmann::json modules = SimText([](char *buf, size_t size) { return qms_sim_list(buf, size); });
    if (!modules.is_array())
        return serials;
    for (const nlohmann::json &module : modules) {
        if (!module.contains("id") || !module["id"].is_number_integer())
            continue;
        const int id = module["id"];
        const nlohmann::json state = SimText([id](char *buf, size_t size) { return qms_sim_state(id, buf, size); });
        if (state.is_object() && state.contains("board_number") && state.contains("serial") &&
            !state.value("removed", false))
            serials[state["board_number"].get<uint32_t>()].push_back(state["serial"].get<std::string>());
    }
    return serials;
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
    const bool anySimulated =
        std::any_of(list.begin(), list.end(), [](const QmsDeviceInfo &info) { return info.simulated != 0; });
    const auto serials = anySimulated ? SimulatedSerials() : std::map<uint32_t, std::vector<std::string>>{};
    std::vector<InstalledDevice> devices;
    for (const QmsDeviceInfo &info : list)
        devices.push_back({.number = info.deviceNumber,
                           .typeCode = info.deviceType,
                           .boardId = info.boardID,
                           .callName = info.callName,
                           .present = info.present != 0,
                           .simulated = info.simulated != 0,
                           .serial = {}});
    // A serial names its device only where one module has the board ID.
    for (InstalledDevice &device : devices) {
        const auto found = serials.find(device.boardId);
        const auto sharing = std::count_if(devices.begin(), devices.end(), [&](const InstalledDevice &other) {
            return other.present && other.boardId == device.boardId;
        });
        if (device.simulated && found != serials.end() && found->second.size() == 1 && sharing == 1)
            device.serial = found->second.front();
    }
    return devices;
}

std::optional<InstalledDevice> FindInstalledDevice(uint32_t number)
{
    for (const InstalledDevice &device : InstalledDevices())
        if (device.number == number)
            return device;
    return std::nullopt;
}

uint32_t ResolveDevice(const std::string &text, const std::string &argument)
{
    if (!text.empty() && text.size() <= 3 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return static_cast<uint32_t>(std::stoul(text));
    const auto devices = InstalledDevices();
    for (const InstalledDevice &device : devices)
        if (!device.serial.empty() && device.serial == text)
            return device.number;
    for (const auto &[board, serials] : SimulatedSerials())
        if (std::find(serials.begin(), serials.end(), text) != serials.end())
            throw BadArgument(argument, "module " + text + " shares board ID " + std::to_string(board) +
                                            " with another; `qms6093 list` shows their device numbers, give one of those");
    throw BadArgument(argument, "\"" + text + "\" is neither a device number nor the serial of a module here; "
                                "`qms6093 list` shows both");
}

std::vector<std::pair<uint32_t, std::vector<uint32_t>>> SharedBoardIds(const std::vector<InstalledDevice> &devices)
{
    std::map<uint32_t, std::vector<uint32_t>> byBoard;
    for (const InstalledDevice &device : devices)
        if (device.present)
            byBoard[device.boardId].push_back(device.number);
    std::vector<std::pair<uint32_t, std::vector<uint32_t>>> shared;
    for (auto &[board, numbers] : byBoard)
        if (numbers.size() > 1)
            shared.emplace_back(board, numbers);
    return shared;
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
