// Without a window system (its backend missing) DriverConfig still answers 1, shows nothing
// and keeps nothing: the dialog object it made goes again. The leak checker of the sanitizer
// build checks the last part when this program ends.
#include <cstdlib>
#include <gtest/gtest.h>

#include "qms_ui.h"
#include "tests/cfgplugin/plugin_fixture.h"

namespace usb6093cfg::test {
namespace {

// Before anything starts the window system.
struct MissingBackend {
    MissingBackend() { setenv("QMS_UI_BACKEND", "/nonexistent/libqmsui-qt.so", 1); }
} missingBackend;

TEST(NoWindowSystem, DriverConfigAnswersOneAndShowsNothing)
{
    const QMS_DRIVERCONFIG call = driverConfig();
    ASSERT_NE(call, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(call(0, "/opt/host/", "USB_6093", ""), 1);
    EXPECT_EQ(call(0, nullptr, nullptr, nullptr), 1);
    EXPECT_NE(qms_ui_failure(), nullptr) << "the window system did fail";
    EXPECT_EQ(FindWindowW(nullptr, nullptr), nullptr);
}

} // namespace
} // namespace usb6093cfg::test
