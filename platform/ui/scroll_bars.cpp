// The scroll-bar calls, for scroll bar controls (SB_CTL): they speak to the control with its
// SBM_* messages, so they work from any thread like any message.
#include "platform/kernel/guard.h"
#include "platform/ui/window.h"

using namespace qms::ui;

namespace {

// The scroll bar control a call names; false with last error otherwise.
bool isScrollBar(HWND hwnd, int bar)
{
    std::shared_ptr<Window> window = lookupWindow(hwnd);
    if (!window)
        return false;
    if (bar != SB_CTL || window->kind != WindowKind::Control ||
        window->controlClass != ControlClass::ScrollBar) {
        SetLastError(ERROR_NO_SCROLLBARS);
        return false;
    }
    return true;
}

} // namespace

extern "C" {

BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!lpsi || lpsi->cbSize != sizeof(SCROLLINFO)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!isScrollBar(hwnd, nBar))
            return FALSE;
        return SendMessageW(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(lpsi)) != 0;
    });
}

int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw)
{
    return qms::kernel::guarded(0, [&]() -> int {
        if (!lpsi || lpsi->cbSize != sizeof(SCROLLINFO)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        if (!isScrollBar(hwnd, nBar))
            return 0;
        return static_cast<int>(
            SendMessageW(hwnd, SBM_SETSCROLLINFO, static_cast<WPARAM>(redraw), reinterpret_cast<LPARAM>(lpsi)));
    });
}

int GetScrollPos(HWND hWnd, int nBar)
{
    return qms::kernel::guarded(0, [&]() -> int {
        return isScrollBar(hWnd, nBar) ? static_cast<int>(SendMessageW(hWnd, SBM_GETPOS, 0, 0)) : 0;
    });
}

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw)
{
    return qms::kernel::guarded(0, [&]() -> int {
        return isScrollBar(hWnd, nBar)
                   ? static_cast<int>(SendMessageW(hWnd, SBM_SETPOS, static_cast<WPARAM>(nPos), bRedraw))
                   : 0;
    });
}

BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!lpMinPos || !lpMaxPos) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!isScrollBar(hWnd, nBar))
            return FALSE;
        SendMessageW(hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(lpMinPos),
                     reinterpret_cast<LPARAM>(lpMaxPos));
        return TRUE;
    });
}

BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!isScrollBar(hWnd, nBar))
            return FALSE;
        if (static_cast<long long>(nMaxPos) - nMinPos > 0x7FFFFFFF) {
            SetLastError(ERROR_INVALID_SCROLLBAR_RANGE);
            return FALSE;
        }
        SendMessageW(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE,
                     static_cast<WPARAM>(nMinPos), nMaxPos);
        return TRUE;
    });
}

} // extern "C"
