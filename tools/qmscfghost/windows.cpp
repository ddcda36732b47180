#include "tools/qmscfghost/windows.h"

#include "qms_ui.h"

namespace qms::cfghost {

bool AnyWindowOpen()
{
    return FindWindowW(nullptr, nullptr) != nullptr;
}

void HandlePending()
{
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // Thread messages: the host posts none of its own.
    }
}

void RunUntilAllClosed()
{
    // Every window is destroyed while a batch of events is handled, so the check after each
    // batch sees the last one go.
    while (AnyWindowOpen() && WaitMessage()) {
    }
}

bool SaveScreenshot(const std::string &pngPath)
{
    HandlePending();
    const HWND first = FindWindowW(nullptr, nullptr);
    return first && qms_ui_snapshot(first, pngPath.c_str());
}

void CloseAll()
{
    while (const HWND window = FindWindowW(nullptr, nullptr)) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        if (IsWindow(window))
            DestroyWindow(window);
    }
    HandlePending();
}

} // namespace qms::cfghost
