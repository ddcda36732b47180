#include "api/device_settings.h"

#include <atomic>
#include <string>

#include "api/registry_values.h"
#include "qms_identity.h"
#include "qms_text.h"

namespace qms::api {

namespace {

std::atomic<uint32_t> defaultBoardId{QMS_DEVICE_TYPE_CODE};

std::u16string DeviceNameText(uint32_t switchId)
{
    const std::string text = "USB-6093 BoardID=" + std::to_string(static_cast<int32_t>(switchId));
    std::u16string wide = Utf16(text);
    if (wide.size() > QMS_REG_DEVICE_NAME_MAX)
        wide.resize(QMS_REG_DEVICE_NAME_MAX);
    return wide;
}

} // namespace

uint32_t DefaultBoardID() { return defaultBoardId.load(); }
void SetDefaultBoardID(uint32_t boardId) { defaultBoardId.store(boardId); }

uint32_t ReadDeviceSettings(uint32_t deviceNumber, DeviceSettings *settings)
{
    if (!settings)
        return 1;
    DeviceSettings read{};
    read.BoardID = DefaultBoardID();
    read.AllowConflicts = 1;
    RegistryValueRow rows[] = {
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &read.BoardID},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &read.SwitchID},
        {QMS_REGVAL_ALLOW_CONFLICTS, REG_DWORD, 4, &read.AllowConflicts},
        {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, 4, &read.TCReadBackChan},
        {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, 4, &read.TCReadBackType},
        // Room for 9 characters and the terminator: a longer name does not fit and fails.
        {QMS_REGVAL_CALL_NAME, REG_SZ, sizeof read.CallName, read.CallName},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string key = DeviceKeyPath(QMS_REG_DRIVER_KEY, deviceNumber);
    if (!AccessRegistryValues(key.c_str(), rows, RegistryRead, 0))
        return 1;
    read.CallName[QMS_CALL_NAME_CHARS - 1] = 0;
    *settings = read;
    return 0;
}

uint32_t SaveDeviceSettings(uint32_t deviceNumber, const DeviceSettings *settings)
{
    if (!settings)
        return 1;
    DeviceSettings values = *settings;
    std::u16string deviceName = DeviceNameText(values.SwitchID);
    RegistryValueRow shared[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName.data()},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &values.SwitchID},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string sharedKey = DeviceKeyPath(QMS_REG_SHARED_KEY, deviceNumber);
    if (!AccessRegistryValues(sharedKey.c_str(), shared, RegistryWrite, 1))
        return 1;
    RegistryValueRow own[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName.data()},
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &values.BoardID},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &values.SwitchID},
        {QMS_REGVAL_ALLOW_CONFLICTS, REG_DWORD, 4, &values.AllowConflicts},
        {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, 4, &values.TCReadBackChan},
        {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, 4, &values.TCReadBackType},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string ownKey = DeviceKeyPath(QMS_REG_DRIVER_KEY, deviceNumber);
    return AccessRegistryValues(ownKey.c_str(), own, RegistryWrite, 1) ? 0 : 1;
}

uint32_t ReadSwitchID(uint32_t deviceNumber, uint32_t *switchId)
{
    if (!switchId)
        return 0;
    uint32_t value = 0;
    RegistryValueRow rows[] = {
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &value},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string key = DeviceKeyPath(QMS_REG_DRIVER_KEY, deviceNumber);
    if (!AccessRegistryValues(key.c_str(), rows, RegistryRead, 0))
        return 0;
    *switchId = value;
    return 1;
}

} // namespace qms::api
