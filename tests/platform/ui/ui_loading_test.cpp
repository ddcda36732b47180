// The toolkit is loaded with the first window and not before: a program that never opens one
// never maps Qt. Each case runs in a process of its own (a death-test child), so what one
// loads cannot show up in another.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "qms_ui.h"

namespace {

bool mapped(const char *name)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(name) != std::string::npos)
            return true;
    }
    return false;
}

// Ends the child at once with a verdict; the toolkit's own tear-down has no part in it.
[[noreturn]] void verdict(bool ok, const char *what)
{
    if (!ok)
        std::fprintf(stderr, "failed: %s\n", what);
    std::fflush(stderr);
    std::_Exit(ok ? 0 : 1);
}

// Ends the child with a failure unless `ok`; otherwise the child goes on.
void require(bool ok, const char *what)
{
    if (!ok)
        verdict(false, what);
}

INT_PTR endAtOnce(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG)
        EndDialog(hwnd, 7);
    return FALSE;
}

LPCDLGTEMPLATEW loadingTemplate()
{
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_DIALOG);
    return found ? static_cast<LPCDLGTEMPLATEW>(LoadResource(nullptr, found)) : nullptr;
}

class ToolkitLoading : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ToolkitLoading, CallsWithoutAWindowLeaveQtUnloaded)
{
    EXPECT_EXIT(
        {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const bool resources = loadingTemplate() != nullptr;
            const HBITMAP bitmap = LoadBitmapW(nullptr, MAKEINTRESOURCEW(2));
            BITMAP info{};
            const bool bitmapOk = bitmap && GetObjectW(bitmap, sizeof info, &info) == sizeof info &&
                                  info.bmWidth == 8 && DeleteObject(bitmap);
            const HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
            const bool gdi = brush && DeleteObject(brush) && GetSysColor(COLOR_BTNFACE) != CLR_INVALID;
            // Messages to windows that do not exist fail without starting anything.
            const bool windows = !IsWindow(reinterpret_cast<HWND>(0x80010001u)) &&
                                 SendMessageW(reinterpret_cast<HWND>(0x80010001u), WM_USER, 0, 0) == 0 &&
                                 GetLastError() == ERROR_INVALID_WINDOW_HANDLE;
            require(resources && bitmapOk && gdi && windows, "window-system calls without a window");
            verdict(!mapped("libQt6") && !mapped("libqmsui-qt"), "Qt is mapped");
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(ToolkitLoading, FirstWindowLoadsTheBackendAndQt)
{
    EXPECT_EXIT(
        {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const INT_PTR result = DialogBoxIndirectParamW(nullptr, loadingTemplate(), nullptr, endAtOnce, 0);
            require(result == 7, "the dialog did not run");
            verdict(mapped("libqmsui-qt.so") && mapped("libQt6Widgets"), "the toolkit is not mapped");
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(ToolkitLoading, MissingBackendFailsCleanlyWithOneReason)
{
    EXPECT_EXIT(
        {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("QMS_UI_BACKEND", "/nonexistent/libqmsui-qt.so", 1);
            const INT_PTR modal = DialogBoxIndirectParamW(nullptr, loadingTemplate(), nullptr, endAtOnce, 0);
            const DWORD modalError = GetLastError();
            const HWND modeless = CreateDialogIndirectParamW(nullptr, loadingTemplate(), nullptr, endAtOnce, 0);
            const DWORD modelessError = GetLastError();
            const int box = MessageBoxW(nullptr, u"text", u"caption", MB_OK);
            verdict(modal == -1 && modalError == ERROR_MOD_NOT_FOUND && !modeless &&
                        modelessError == ERROR_MOD_NOT_FOUND && box == 0 && qms_ui_failure() &&
                        qms_ui_start() == -1,
                    "the calls did not fail with the toolkit missing");
        },
        testing::ExitedWithCode(0), "^qms: windows cannot be shown: [^\n]*nonexistent[^\n]*\n$");
}

TEST_F(ToolkitLoading, NoDisplayFailsCleanlyInsteadOfAborting)
{
    EXPECT_EXIT(
        {
            unsetenv("QT_QPA_PLATFORM");
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            const INT_PTR modal = DialogBoxIndirectParamW(nullptr, loadingTemplate(), nullptr, endAtOnce, 0);
            verdict(modal == -1 && GetLastError() == ERROR_DLL_INIT_FAILED, "the dialog did not fail");
        },
        testing::ExitedWithCode(0), "no display.*QT_QPA_PLATFORM=offscreen");
}

} // namespace
