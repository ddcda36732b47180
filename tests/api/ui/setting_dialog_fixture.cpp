#include "tests/api/ui/setting_dialog_fixture.h"

#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>

#include "api/registry_values.h"
#include "qms6093_dialogs.h"
#include "qms_identity.h"
#include "qms_text.h"

namespace qms::test {

namespace {

// Looks for the dialog from the event loop, never by waiting inside one: a message box shown
// while the dialog initialises runs its own loop, and the dialog appears only after that loop
// has returned.
void LookForDialog(const QString &title, std::function<void(QDialog *)> body,
                   std::chrono::steady_clock::time_point deadline, int afterMs)
{
    QTimer::singleShot(afterMs, qApp, [title, body, deadline] {
        QDialog *dialog = FindDialog(title);
        if (!dialog) {
            if (std::chrono::steady_clock::now() < deadline)
                LookForDialog(title, body, deadline, 10);
            else
                ADD_FAILURE() << "no dialog " << title.toStdString();
            return;
        }
        body(dialog);
        if (QDialog *left = FindDialog(title))
            QTest::keyClick(left, Qt::Key_Escape);
    });
}

} // namespace

void InDialog(const QString &title, std::function<void(QDialog *)> body)
{
    ASSERT_EQ(qms_ui_start(), 0);
    LookForDialog(title, std::move(body), std::chrono::steady_clock::now() + std::chrono::seconds(10), 0);
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
