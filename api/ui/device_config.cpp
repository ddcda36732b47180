// The exported entry points of the configuration dialogs.
#include "qms6093_dialogs.h"

#include "api/api_call.h"
#include "api/device_settings.h"
#include "api/ui/device_setting_dialog.h"

using namespace qms::api;

extern "C" QMS_EXPORT int32_t DeviceConfig(uint32_t deviceNumber, uint32_t defaultBoardId, HWND parent)
{
    return Shielded(int32_t{-1}, [&]() -> int32_t {
        uint32_t switchId = 0;
        if (ReadSwitchID(deviceNumber, &switchId) != 1) {
            MessageBoxW(parent, u"The specified device doesn't exist on system!", u"Error", MB_OK | MB_ICONERROR);
            return 0;
        }
        return DeviceConfigExt(deviceNumber, defaultBoardId, parent);
    });
}

extern "C" QMS_EXPORT int32_t DeviceConfigExt(uint32_t deviceNumber, uint32_t defaultBoardId, HWND parent)
{
    return Shielded(int32_t{-1}, [&]() -> int32_t {
        SetDefaultBoardID(defaultBoardId);
        return static_cast<int32_t>(ui::RunDeviceSettingDialog(deviceNumber, parent));
    });
}
