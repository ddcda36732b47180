#include "tests/api/ui/setting_dialog_fixture.h"

#include <QtTest/QTest>

#include "api/registry_values.h"
#include "qms6093_dialogs.h"
#include "qms_identity.h"
#include "qms_text.h"

namespace qms::test {

void InDialog(const QString &title, std::function<void(QDialog *)> body)
{
    WhenRunning([title, body] {
        if (QDialog *dialog = WaitForDialog(title))
            body(dialog);
        else
            ADD_FAILURE() << "no dialog " << title.toStdString();
        if (QDialog *left = FindDialog(title))
            QTest::keyClick(left, Qt::Key_Escape);
    });
}

std::map<std::string, std::string> RegistryValues(uint32_t deviceNumber)
{
    std::map<std::string, std::string> values;
    for (const char16_t *parent : {QMS_REG_DRIVER_KEY, QMS_REG_SHARED_KEY}) {
        const std::u16string path = api::DeviceKeyPath(parent, deviceNumber);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        for (const char16_t *name : {u"DeviceName", u"BoardID", u"SwitchID", u"AllowConflicts", u"TCReadBackChan",
                                     u"TCReadBackType"}) {
            BYTE data[128] = {};
            DWORD size = sizeof data - 2, type = 0;
            if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS)
                continue;
            std::string text;
            if (type == REG_DWORD)
                text = std::to_string(*reinterpret_cast<const uint32_t *>(data));
            else
                text = Utf8(reinterpret_cast<const char16_t *>(data));
            values[Utf8(path) + "\\" + Utf8(name)] = text;
        }
        RegCloseKey(key);
    }
    return values;
}

int32_t SettingDialogTest::runDialog(std::function<void(QDialog *)> body)
{
    InDialog(kSettingTitle, std::move(body));
    return DeviceConfig(dev, kDeviceTypeCode, nullptr);
}

} // namespace qms::test
