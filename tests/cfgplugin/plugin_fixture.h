// Shared pieces of the plug-in's tests: the plug-in loaded the way the host loads it, its
// windows found among the program's widgets, and their controls found by "controlId", as an
// outside test suite reaches them.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <gtest/gtest.h>
#include <vector>

#include "qms_cfgplugin.h"
#include "qms_ui.h"

namespace usb6093cfg::test {

inline const QString windowTitle = "USB-6093 device setting templates";

// DriverConfig of the plug-in built with these tests, loaded once per process.
QMS_DRIVERCONFIG driverConfig();

// The plug-in's windows that exist.
std::vector<QDialog *> pluginWindows();
HWND handleOf(const QWidget *widget);

// The widget of control `id` anywhere inside `window` (pages included).
template <class W = QWidget>
W *control(QWidget *window, int id)
{
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->property("controlId").isValid() && w->property("controlId").toInt() == id)
            return qobject_cast<W *>(w);
    }
    return nullptr;
}

// The static text of `window` that reads `text`, or nullptr.
QLabel *labelWithText(QWidget *window, const QString &text);

// Lets the toolkit handle what is pending, deferred deletions included.
void processEvents();

// Each test starts and ends without plug-in windows: whatever a test leaves open is closed.
class PluginTest : public testing::Test {
protected:
    void TearDown() override;
    // Calls DriverConfig as the host does and returns the window it opened.
    QDialog *open(const char *deviceName = "USB_6093");
};

} // namespace usb6093cfg::test
