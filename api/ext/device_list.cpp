// The installed devices for tools and bindings: every DeviceNNN key the stream driver made
// below its service key, the settings DeviceOpen would read there, whether the module's
// stream device is active, and whether a simulated module of its board number is plugged.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "api/api_call.h"
#include "api/device_settings.h"
#include "api/ext/copy_text.h"
#include "api/ext/simulated_boards.h"
#include "api/registry_values.h"
#include "qms6093ext.h"
#include "qms_identity.h"
#include "qms_text.h"

using namespace qms::api;

namespace {

constexpr char16_t kActiveRoot[] = u"Drivers\\Active";

// An open registry key that closes itself; `error` keeps why the open failed.
class Key {
public:
    explicit Key(const std::u16string &path)
        : error_(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key_))
    {
        if (error_ != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key()
    {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;

    LONG error() const { return error_; }
    explicit operator bool() const { return key_ != nullptr; }

    // The subkey names; false when the enumeration failed before its end.
    bool subkeys(std::vector<std::u16string> &names) const
    {
        for (DWORD index = 0;; ++index) {
            char16_t name[QMS_REG_MAX_KEY_NAME + 1] = {};
            DWORD length = QMS_REG_MAX_KEY_NAME + 1;
            const LONG rc = RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                return true;
            if (rc != ERROR_SUCCESS)
                return false;
            names.emplace_back(name, length);
        }
    }

    std::u16string text(const char16_t *name) const
    {
        char16_t buffer[64] = {};
        DWORD type = 0, size = sizeof buffer - sizeof(char16_t);
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return {};
        return buffer;
    }

private:
    HKEY key_ = nullptr;
    LONG error_;
};

// "Device007" names device number 7; anything else below the service key is not a device.
bool DeviceNumberOf(const std::u16string &name, uint32_t &number)
{
    const std::u16string_view prefix = QMS_REG_DEVICE_SUBKEY_PREFIX;
    if (name.size() != prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return false;
        number = number * 10 + static_cast<uint32_t>(name[i] - u'0');
    }
    return true;
}

// The names of the active stream devices ("U931:"), compared without regard to case as the
// device manager compares them.
std::set<std::u16string> ActiveStreamDevices()
{
    std::set<std::u16string> names;
    const Key active(kActiveRoot);
    std::vector<std::u16string> subkeys;
    if (!active || !active.subkeys(subkeys))
        return names;
    for (const std::u16string &subkey : subkeys) {
        std::u16string name = Key(std::u16string(kActiveRoot) + u"\\" + subkey).text(QMS_REGVAL_ACTIVE_NAME);
        for (char16_t &c : name)
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
        names.insert(std::move(name));
    }
    return names;
}

// Whether the stream driver holds the device number's removal event, which it makes when the
// module's stream device starts and closes when the module's removal is done. Asked by
// making the event as the driver does (auto-reset, not signalled): the driver, if it comes
// meanwhile, opens this one, so the probe changes nothing.
bool RemovalEventHeld(uint32_t number)
{
    const std::u16string name = u"QMS_EVT_DEVREMOVED_" + DeviceNumberText(number);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
    if (!event)
        return false;
    const bool held = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(event);
    return held;
}

QmsDeviceInfo Describe(uint32_t number, const std::set<std::u16string> &active,
                       const std::set<uint32_t> &simulated)
{
    QmsDeviceInfo info{};
    info.deviceNumber = number;
    DeviceSettings settings{};
    if (ReadDeviceSettings(number, &settings) != 0)
        return info;
    info.boardID = settings.SwitchID;
    info.deviceType = settings.BoardID;
    const std::u16string callName(settings.CallName);
    qms::ext::CopyText(qms::Utf8(callName), info.callName, sizeof info.callName);
    std::u16string folded = callName;
    for (char16_t &c : folded)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    // Stream device names are given out again once a module is gone, so the name a device
    // number last had may be another module's now: its own removal event tells them apart.
    info.present = !callName.empty() && active.count(folded) && RemovalEventHeld(number) ? 1 : 0;
    info.simulated = info.present && simulated.count(info.boardID) ? 1 : 0;
    return info;
}

} // namespace

uint32_t QmsListDevices(QmsDeviceInfo *devices, uint32_t capacity, uint32_t *count)
{
    if (!count || (!devices && capacity > 0))
        return QMS_ERR_NULL_BUFFER;
    return Shielded(QMS_ERR_REGISTRY, [&]() -> uint32_t {
        // As DeviceOpen does: the modules attached at power-up are there before the list.
        qms_platform_start();
        const Key services(QMS_REG_DRIVER_KEY);
        std::vector<std::u16string> subkeys;
        if (!services) {
            // No module was ever installed: the driver's key is made with the first one.
            if (services.error() != ERROR_FILE_NOT_FOUND)
                return QMS_ERR_REGISTRY;
        } else if (!services.subkeys(subkeys)) {
            return QMS_ERR_REGISTRY;
        }
        std::vector<uint32_t> numbers;
        for (const std::u16string &name : subkeys)
            if (uint32_t number = 0; DeviceNumberOf(name, number))
                numbers.push_back(number);
        std::sort(numbers.begin(), numbers.end());

        const std::set<std::u16string> active = ActiveStreamDevices();
        const std::set<uint32_t> simulated = qms::ext::SimulatedBoards();
        for (size_t i = 0; i < numbers.size() && i < capacity; ++i)
            devices[i] = Describe(numbers[i], active, simulated);
        *count = static_cast<uint32_t>(numbers.size());
        return QMS_SUCCESS;
    });
}

uint32_t QmsReadDeviceSettings(uint32_t deviceNumber, DeviceSettings *settings)
{
    if (!settings)
        return QMS_ERR_NULL_BUFFER;
    return Shielded(QMS_ERR_SETTINGS, [&]() -> uint32_t {
        return ReadDeviceSettings(deviceNumber, settings) == 0 ? QMS_SUCCESS : QMS_ERR_SETTINGS;
    });
}

uint32_t QmsSaveDeviceSettings(uint32_t deviceNumber, const DeviceSettings *settings)
{
    if (!settings)
        return QMS_ERR_NULL_BUFFER;
    return Shielded(QMS_ERR_REGISTRY, [&]() -> uint32_t {
        return SaveDeviceSettings(deviceNumber, settings) == 0 ? QMS_SUCCESS : QMS_ERR_REGISTRY;
    });
}
