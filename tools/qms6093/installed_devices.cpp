#include "tools/qms6093/installed_devices.h"

#include <algorithm>
#include <cstdio>

#include "qms_identity.h"
#include "qms_platform.h"

namespace qms::cli {

namespace {

std::u16string Widen(const std::string &text)
{
    return std::u16string(text.begin(), text.end());
}

std::string Narrow(const std::u16string &text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// An open registry key that closes itself.
class Key {
public:
    explicit Key(const std::u16string &path)
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key()
    {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;

    explicit operator bool() const { return key_ != nullptr; }

    std::optional<uint32_t> dword(const char16_t *name) const
    {
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }

    std::string text(const char16_t *name) const
    {
        char16_t buffer[128] = {};
        DWORD type = 0, size = sizeof buffer - sizeof(char16_t);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return {};
        return Narrow(buffer);
    }

    std::vector<std::u16string> subkeys() const
    {
        std::vector<std::u16string> names;
        for (DWORD index = 0;; ++index) {
            char16_t name[QMS_REG_MAX_KEY_NAME + 1] = {};
            DWORD length = QMS_REG_MAX_KEY_NAME + 1;
            if (RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        return names;
    }

private:
    HKEY key_ = nullptr;
};

std::u16string DeviceKey(const char16_t *service, uint32_t number)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "\\Device%03u", number);
    return std::u16string(service) + Widen(suffix);
}

std::optional<uint32_t> DeviceNumberOf(const std::u16string &name)
{
    const std::u16string prefix = QMS_REG_DEVICE_SUBKEY_PREFIX;
    if (name.size() != prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    uint32_t number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return std::nullopt;
        number = number * 10 + (name[i] - u'0');
    }
    return number;
}

bool WriteValues(const std::u16string &path, const std::u16string &deviceName, uint32_t boardId)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD value = boardId;
    const bool ok =
        RegSetValueExW(key, QMS_REGVAL_DEVICE_NAME, 0, REG_SZ,
                       reinterpret_cast<const BYTE *>(deviceName.c_str()),
                       static_cast<DWORD>((deviceName.size() + 1) * sizeof(char16_t))) == ERROR_SUCCESS &&
        RegSetValueExW(key, QMS_REGVAL_SWITCH_ID, 0, REG_DWORD,
                       reinterpret_cast<const BYTE *>(&value), sizeof value) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

} // namespace

std::optional<InstalledDevice> FindInstalledDevice(uint32_t number)
{
    const Key key(DeviceKey(QMS_REG_DRIVER_KEY, number));
    if (!key)
        return std::nullopt;
    InstalledDevice device;
    device.number = number;
    device.typeCode = key.dword(QMS_REGVAL_BOARD_ID).value_or(0);
    device.boardId = key.dword(QMS_REGVAL_SWITCH_ID).value_or(0);
    device.callName = key.text(QMS_REGVAL_CALL_NAME);
    device.deviceName = key.text(QMS_REGVAL_DEVICE_NAME);
    device.tcReadBackChan = key.dword(QMS_REGVAL_TC_READBACK_CHAN).value_or(0);
    device.tcReadBackType = key.dword(QMS_REGVAL_TC_READBACK_TYPE).value_or(0);
    return device;
}

std::vector<InstalledDevice> InstalledDevices()
{
    std::vector<InstalledDevice> devices;
    const Key services(QMS_REG_DRIVER_KEY);
    if (!services)
        return devices;
    for (const std::u16string &name : services.subkeys())
        if (const auto number = DeviceNumberOf(name))
            if (auto device = FindInstalledDevice(*number))
                devices.push_back(*device);
    std::sort(devices.begin(), devices.end(),
              [](const InstalledDevice &a, const InstalledDevice &b) { return a.number < b.number; });
    return devices;
}

bool StreamDeviceActive(const std::string &callName)
{
    if (callName.empty())
        return false;
    const std::u16string root = u"Drivers\\Active";
    const Key active(root);
    if (!active)
        return false;
    const auto same = [](std::string a, std::string b) {
        const auto lower = [](std::string &s) {
            for (char &c : s)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        };
        lower(a);
        lower(b);
        return a == b;
    };
    for (const std::u16string &name : active.subkeys())
        if (same(Key(root + u"\\" + name).text(QMS_REGVAL_ACTIVE_NAME), callName))
            return true;
    return false;
}

bool SaveBoardId(uint32_t number, uint32_t boardId)
{
    char text[48];
    std::snprintf(text, sizeof text, "USB-6093 BoardID=%u", boardId);
    const std::u16string deviceName = Widen(text);
    return WriteValues(DeviceKey(QMS_REG_SHARED_KEY, number), deviceName, boardId) &&
           WriteValues(DeviceKey(QMS_REG_DRIVER_KEY, number), deviceName, boardId);
}

} // namespace qms::cli
