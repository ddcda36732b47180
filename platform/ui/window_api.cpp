// The calls that act on one window: state, text, geometry, focus, window data, painting.
#include <string>

#include "platform/ui/backend.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/text_buffer.h"
#include "platform/ui/thread_call.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui {

void *nativeOf(HWND hwnd)
{
    std::shared_ptr<Window> window = findUser<Window>(hwnd);
    return window ? window->native : nullptr;
}

namespace {

const BackendOps &ops()
{
    return *runningBackend();
}

// Visible when it and every window it sits in are.
bool visibleChain(const Window &window)
{
    if (!(window.style & WS_VISIBLE))
        return false;
    if (window.isDialog() && !window.isChild())
        return true;
    std::shared_ptr<Window> parent = findUser<Window>(window.parent);
    return !parent || visibleChain(*parent);
}

BOOL showWindow(Window &window, bool visible)
{
    const BOOL was = (window.style & WS_VISIBLE) != 0;
    ops().show(window.native, visible);
    window.style = visible ? (window.style | WS_VISIBLE) : (window.style & ~WS_VISIBLE);
    return was;
}

// The window data a dialog keeps at non-negative offsets.
LONG_PTR *dialogSlot(Window &window, int index)
{
    if (!window.isDialog())
        return nullptr;
    switch (index) {
    case DWLP_MSGRESULT:
        return &window.msgResult;
    case DWLP_USER:
        return &window.user;
    default:
        return nullptr;
    }
}

LONG_PTR getLong(Window &window, int index)
{
    if (LONG_PTR *slot = dialogSlot(window, index))
        return *slot;
    switch (index) {
    case DWLP_DLGPROC:
        if (window.isDialog())
            return reinterpret_cast<LONG_PTR>(window.proc);
        break;
    case GWLP_USERDATA:
        return window.userData;
    case GWLP_ID:
        return window.id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(window.style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(window.exStyle);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(window.module);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(window.parent);
    default:
        break;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR setLong(Window &window, int index, LONG_PTR value)
{
    if (LONG_PTR *slot = dialogSlot(window, index))
        return std::exchange(*slot, value);
    switch (index) {
    case DWLP_DLGPROC:
        if (window.isDialog())
            return reinterpret_cast<LONG_PTR>(
                std::exchange(window.proc, reinterpret_cast<DLGPROC>(value)));
        break;
    case GWLP_USERDATA:
        return std::exchange(window.userData, value);
    case GWLP_ID:
        return std::exchange(window.id, static_cast<int>(value));
    case GWL_STYLE: {
        const DWORD old = window.style;
        const auto style = static_cast<DWORD>(value);
        if ((old ^ style) & WS_VISIBLE)
            showWindow(window, style & WS_VISIBLE);
        if ((old ^ style) & WS_DISABLED)
            ops().enable(window.native, !(style & WS_DISABLED));
        window.style = style;
        return static_cast<LONG_PTR>(old);
    }
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(std::exchange(window.exStyle, static_cast<DWORD>(value)));
    default:
        break;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

POINT mapped(HWND from, HWND to, POINT point, bool &ok)
{
    ok = true;
    void *fromNative = nullptr;
    void *toNative = nullptr;
    for (auto [handle, native] : {std::pair{from, &fromNative}, std::pair{to, &toNative}}) {
        if (!handle)
            continue;
        std::shared_ptr<Window> window = lookupWindow(handle);
        if (!window) {
            ok = false;
            return point;
        }
        *native = window->native;
    }
    ops().mapPoint(fromNative, toNative, &point);
    return point;
}

// Between the screen and a window's client area.
BOOL convertPoint(HWND hwnd, LPPOINT point, bool toClient)
{
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return withWindow(hwnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        bool ok = false;
        *point = toClient ? mapped(nullptr, window->handle, *point, ok) : mapped(window->handle, nullptr, *point, ok);
        return ok;
    });
}

} // namespace
} // namespace qms::ui

using namespace qms::ui;

extern "C" {

BOOL IsWindow(HWND hWnd)
{
    return findUser<Window>(hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd)
{
    return withWindow(hWnd, BOOL{FALSE},
                      [](const std::shared_ptr<Window> &window) -> BOOL { return visibleChain(*window); });
}

BOOL IsWindowEnabled(HWND hWnd)
{
    return withWindow(hWnd, BOOL{FALSE}, [](const std::shared_ptr<Window> &window) -> BOOL {
        return !(window->style & WS_DISABLED);
    });
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        const BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
        if (wasDisabled == !bEnable)
            return wasDisabled;
        ops().enable(window->native, bEnable != FALSE);
        window->style = bEnable ? (window->style & ~WS_DISABLED) : (window->style | WS_DISABLED);
        if (window->isDialog())
            deliver(window, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
        return wasDisabled;
    });
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        return showWindow(*window, nCmdShow != SW_HIDE);
    });
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        return deliver(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
    });
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (lpString && nMaxCount > 0)
        lpString[0] = 0;
    return withWindow(hWnd, 0, [&](const std::shared_ptr<Window> &window) -> int {
        return static_cast<int>(deliver(window, WM_GETTEXT, static_cast<WPARAM>(std::max(nMaxCount, 0)),
                                        reinterpret_cast<LPARAM>(lpString)));
    });
}

int GetWindowTextLengthW(HWND hWnd)
{
    return withWindow(hWnd, 0, [&](const std::shared_ptr<Window> &window) -> int {
        return static_cast<int>(deliver(window, WM_GETTEXTLENGTH, 0, 0));
    });
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        ops().move(window->native, X, Y, nWidth, nHeight, MoveOrigin | MoveSize);
        return TRUE;
    });
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        unsigned what = 0;
        if (!(uFlags & SWP_NOMOVE))
            what |= MoveOrigin;
        if (!(uFlags & SWP_NOSIZE))
            what |= MoveSize;
        if (!(uFlags & SWP_NOZORDER))
            what |= hWndInsertAfter == HWND_BOTTOM ? MoveToBottom : MoveToTop;
        if (what)
            ops().move(window->native, X, Y, cx, cy, what);
        if (uFlags & SWP_SHOWWINDOW)
            showWindow(*window, true);
        else if (uFlags & SWP_HIDEWINDOW)
            showWindow(*window, false);
        return TRUE;
    });
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        RECT client{};
        ops().geometry(window->native, lpRect, &client);
        return TRUE;
    });
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        RECT screen{};
        ops().geometry(window->native, &screen, lpRect);
        return TRUE;
    });
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    return convertPoint(hWnd, lpPoint, true);
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    return convertPoint(hWnd, lpPoint, false);
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    return qms::kernel::guarded(0, [&]() -> int {
        const HWND anchor = hWndFrom ? hWndFrom : hWndTo;
        if (!anchor) // screen to screen
            return 0;
        return withWindow(anchor, 0, [&](const std::shared_ptr<Window> &) -> int {
            bool ok = false;
            const POINT origin = mapped(hWndFrom, hWndTo, POINT{0, 0}, ok);
            if (!ok)
                return 0;
            for (UINT i = 0; lpPoints && i < cPoints; ++i) {
                lpPoints[i].x += origin.x;
                lpPoints[i].y += origin.y;
            }
            SetLastError(ERROR_SUCCESS);
            return MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y));
        });
    });
}

HWND GetParent(HWND hWnd)
{
    std::shared_ptr<Window> window = lookupWindow(hWnd);
    return window ? window->parent : nullptr;
}

HWND SetFocus(HWND hWnd)
{
    if (!hWnd)
        return qms::kernel::guarded(HWND{}, []() -> HWND { return onUiThread() ? ops().focus() : nullptr; });
    return withWindow(hWnd, HWND{}, [&](const std::shared_ptr<Window> &window) -> HWND {
        const HWND previous = ops().focus();
        ops().setFocus(window->native);
        return previous;
    });
}

HWND GetFocus(void)
{
    return qms::kernel::guarded(HWND{}, []() -> HWND { return onUiThread() ? ops().focus() : nullptr; });
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)
{
    return qms::kernel::guarded(HWND{}, [&]() -> HWND {
        if (lpClassName && textOf(lpClassName) != WC_DIALOGW)
            return nullptr;
        for (HWND handle : topLevelDialogs()) {
            if (!lpWindowName)
                return handle;
            const int length = GetWindowTextLengthW(handle);
            std::u16string title(static_cast<std::size_t>(length) + 1, u'\0');
            title.resize(static_cast<std::size_t>(GetWindowTextW(handle, title.data(), length + 1)));
            if (title == textOf(lpWindowName))
                return handle;
        }
        return nullptr;
    });
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    return withWindow(hWnd, LONG_PTR{0}, [&](const std::shared_ptr<Window> &window) {
        return getLong(*window, nIndex);
    });
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    return withWindow(hWnd, LONG_PTR{0}, [&](const std::shared_ptr<Window> &window) {
        SetLastError(ERROR_SUCCESS);
        return setLong(*window, nIndex, dwNewLong);
    });
}

LONG GetWindowLongW(HWND hWnd, int nIndex)
{
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong)
{
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

BOOL InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL)
{
    if (!hWnd) {
        for (HWND handle : topLevelDialogs())
            InvalidateRect(handle, nullptr, TRUE);
        return TRUE;
    }
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        ops().invalidate(window->native, lpRect);
        return TRUE;
    });
}

BOOL UpdateWindow(HWND hWnd)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        ops().repaint(window->native);
        return TRUE;
    });
}

BOOL qms_ui_snapshot(HWND hWnd, const char *pngPath)
{
    if (!pngPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        if (!ops().snapshot(window->native, pngPath)) {
            SetLastError(ERROR_CANTWRITE);
            return FALSE;
        }
        return TRUE;
    });
}

} // extern "C"
