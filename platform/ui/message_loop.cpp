// Sending, posting and the thread's message loop. Window messages reach their procedures
// inside the toolkit's event loop; the loop calls below run that loop and hand back only the
// thread's own messages.
#include <deque>

#include "platform/ui/backend.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/thread_call.h"

namespace qms::ui {
namespace {

thread_local std::deque<MSG> threadMessages;

bool matches(const MSG &msg, UINT first, UINT last)
{
    if (msg.message == WM_QUIT || (first == 0 && last == 0))
        return true;
    return msg.message >= first && msg.message <= last;
}

// Takes (or, with remove false, copies) the first queued message in the range.
bool takeThreadMessage(LPMSG out, UINT first, UINT last, bool remove)
{
    for (auto it = threadMessages.begin(); it != threadMessages.end(); ++it) {
        if (!matches(*it, first, last))
            continue;
        *out = *it;
        if (remove)
            threadMessages.erase(it);
        return true;
    }
    return false;
}

} // namespace

void postThreadMessage(const MSG &msg)
{
    threadMessages.push_back(msg);
}

} // namespace qms::ui

using namespace qms::ui;

extern "C" {

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return qms::kernel::guarded(LRESULT{0}, [&]() -> LRESULT {
        std::shared_ptr<Window> window = lookupWindow(hWnd);
        if (!window)
            return 0;
        LRESULT result = 0;
        runOnWindowThread(window, [&] { result = deliver(window, Msg, wParam, lParam); });
        return result;
    });
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!hWnd) {
            postThreadMessage(MSG{.hwnd = nullptr, .message = Msg, .wParam = wParam,
                                  .lParam = lParam, .time = GetTickCount(), .pt = {}});
            return TRUE;
        }
        std::shared_ptr<Window> window = lookupWindow(hWnd);
        const BackendOps *ops = runningBackend();
        if (!window || !ops)
            return FALSE;
        const HWND handle = window->handle;
        const bool posted = ops->post([handle, Msg, wParam, lParam] {
            // A window destroyed before its turn drops the message.
            if (std::shared_ptr<Window> target = findUser<Window>(handle))
                qms::kernel::guarded([&] { deliver(target, Msg, wParam, lParam); });
        });
        if (!posted) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        return TRUE;
    });
}

void PostQuitMessage(int nExitCode)
{
    qms::kernel::guarded([&] {
        postThreadMessage(MSG{.hwnd = nullptr, .message = WM_QUIT,
                              .wParam = static_cast<WPARAM>(nExitCode), .lParam = 0,
                              .time = GetTickCount(), .pt = {}});
    });
}

BOOL GetMessageW(LPMSG lpMsg, HWND, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    return qms::kernel::guarded(BOOL{-1}, [&]() -> BOOL {
        if (!lpMsg) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
        }
        const BackendOps *ops = uiBackend();
        if (!ops)
            return -1;
        while (!takeThreadMessage(lpMsg, wMsgFilterMin, wMsgFilterMax, true))
            ops->pump(true);
        return lpMsg->message != WM_QUIT;
    });
}

BOOL PeekMessageW(LPMSG lpMsg, HWND, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!lpMsg) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const BackendOps *ops = uiBackend();
        if (!ops)
            return FALSE;
        ops->pump(false);
        return takeThreadMessage(lpMsg, wMsgFilterMin, wMsgFilterMax,
                                 (wRemoveMsg & PM_REMOVE) != 0);
    });
}

BOOL WaitMessage(void)
{
    return qms::kernel::guarded(FALSE, []() -> BOOL {
        const BackendOps *ops = uiBackend();
        if (!ops)
            return FALSE;
        if (threadMessages.empty())
            ops->pump(true);
        return TRUE;
    });
}

BOOL TranslateMessage(const MSG *)
{
    return FALSE; // keys become characters inside the toolkit
}

LRESULT DispatchMessageW(const MSG *lpMsg)
{
    return qms::kernel::guarded(LRESULT{0}, [&]() -> LRESULT {
        if (!lpMsg)
            return 0;
        if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
            reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam,
                                                       GetTickCount());
            return 0;
        }
        return lpMsg->hwnd ? SendMessageW(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam)
                           : 0;
    });
}

BOOL IsDialogMessageW(HWND, LPMSG)
{
    return FALSE; // keyboard navigation is the toolkit's
}

} // extern "C"
