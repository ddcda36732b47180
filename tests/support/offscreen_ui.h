// For the one source file of a test program that shows windows: the windows go to Qt's
// offscreen platform (no display needed, the same on every machine; QMS_UI_TEST_PLATFORM names
// another, such as xcb, to watch them), and the leak checker is told of fontconfig, which keeps
// its configuration for the life of the process (tests/platform/ui/lsan.supp says the same for
// programs run on their own).
#pragma once

#include <cstdlib>

namespace qms::testing::offscreen_ui {
namespace {

struct OffscreenPlatform {
    OffscreenPlatform()
    {
        const char *wanted = std::getenv("QMS_UI_TEST_PLATFORM");
        setenv("QT_QPA_PLATFORM", wanted && *wanted ? wanted : "offscreen", 1);
    }
} offscreenPlatform;

} // namespace
} // namespace qms::testing::offscreen_ui

extern "C" __attribute__((visibility("default"), used)) const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
