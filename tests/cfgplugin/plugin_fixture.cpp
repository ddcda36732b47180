#include "tests/cfgplugin/plugin_fixture.h"

#include <QApplication>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/support/offscreen_ui.h"
#include "tools/qmscfghost/plugins.h"
#include "tools/qmscfghost/windows.h"

namespace usb6093cfg::test {

QMS_DRIVERCONFIG driverConfig()
{
    static const QMS_DRIVERCONFIG entry = [] {
        qms::cfghost::Plugin plugin;
        std::string why;
        // Kept loaded for the whole run, as the host keeps it while windows may be open.
        const bool loaded = qms::cfghost::LoadPlugin(USB6093CFG_PATH, plugin, why);
        EXPECT_TRUE(loaded) << why;
        return plugin.driverConfig;
    }();
    return entry;
}

HWND handleOf(const QWidget *widget)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(widget->property("hwnd").toULongLong()));
}

std::vector<QDialog *> pluginWindows()
{
    std::vector<QDialog *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(w);
        if (dialog && dialog->windowTitle() == windowTitle && IsWindow(handleOf(dialog)))
            found.push_back(dialog);
    }
    return found;
}

QLabel *labelWithText(QWidget *window, const QString &text)
{
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

void processEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QDialog *PluginTest::open(const char *deviceName)
{
    const std::vector<QDialog *> before = pluginWindows();
    EXPECT_EQ(driverConfig()(0, "/opt/host/", deviceName, ""), 1);
    const std::vector<QDialog *> after = pluginWindows();
    const std::set<QDialog *> old(before.begin(), before.end());
    for (QDialog *w : after) {
        if (!old.count(w))
            return w;
    }
    ADD_FAILURE() << "DriverConfig opened no window";
    return nullptr;
}

void PluginTest::TearDown()
{
    qms::cfghost::CloseAll();
    processEvents();
}

} // namespace usb6093cfg::test
