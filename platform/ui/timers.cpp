// Each timer is a repeating toolkit timer with a cookie; the record is looked up by its cookie
// when the timer fires, so a timer killed meanwhile (even by its own WM_TIMER handler, or with
// its window) finds nothing and never fires again.
#include "platform/ui/timers.h"

#include <map>
#include <utility>

#include "platform/ui/backend.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/thread_call.h"

namespace qms::ui {
namespace {

struct TimerRecord {
    HWND hwnd;
    UINT_PTR id;
    TIMERPROC proc;
    void *native;
};

// Touched on the toolkit's thread only.
struct TimerList {
    std::map<std::uint64_t, TimerRecord> byCookie;
    std::uint64_t nextCookie = 1;
    UINT_PTR nextThreadTimer = 1;
};

TimerList &timers()
{
    static auto *list = new TimerList;
    return *list;
}

auto findTimer(HWND hwnd, UINT_PTR id)
{
    auto &list = timers().byCookie;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->second.hwnd == hwnd && it->second.id == id)
            return it;
    }
    return list.end();
}

void fire(std::uint64_t cookie)
{
    auto &list = timers().byCookie;
    const auto it = list.find(cookie);
    if (it == list.end())
        return;
    const TimerRecord timer = it->second;
    if (timer.proc) {
        timer.proc(timer.hwnd, WM_TIMER, timer.id, GetTickCount());
    } else if (timer.hwnd) {
        SendMessageW(timer.hwnd, WM_TIMER, timer.id, 0);
    } else {
        postThreadMessage(MSG{.hwnd = nullptr, .message = WM_TIMER, .wParam = timer.id, .lParam = 0,
                              .time = GetTickCount(), .pt = {}});
    }
}

UINT_PTR setTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    const BackendOps *ops = runningBackend();
    TimerList &list = timers();
    if (!hwnd) {
        // Thread timers get IDs of their own; an ID given for one that exists restarts it.
        if (id == 0 || findTimer(nullptr, id) == list.byCookie.end())
            id = list.nextThreadTimer++;
    }
    const auto old = findTimer(hwnd, id);
    if (old != list.byCookie.end()) {
        ops->stopTimer(old->second.native);
        list.byCookie.erase(old);
    }
    const unsigned period = elapse == 0 ? 1u : (elapse > 0x7FFFFFFFu ? 0x7FFFFFFFu : elapse);
    const std::uint64_t cookie = list.nextCookie++;
    void *native = ops->startTimer(period, &fire, cookie);
    if (!native) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return 0;
    }
    list.byCookie.emplace(cookie, TimerRecord{hwnd, id, proc, native});
    return id;
}

BOOL killTimer(HWND hwnd, UINT_PTR id)
{
    auto &list = timers().byCookie;
    const auto it = findTimer(hwnd, id);
    if (it == list.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    void *native = it->second.native;
    list.erase(it);
    runningBackend()->stopTimer(native);
    return TRUE;
}

} // namespace

void killWindowTimers(HWND hwnd)
{
    auto &list = timers().byCookie;
    for (auto it = list.begin(); it != list.end();) {
        if (it->second.hwnd == hwnd) {
            void *native = it->second.native;
            it = list.erase(it);
            runningBackend()->stopTimer(native);
        } else {
            ++it;
        }
    }
}

} // namespace qms::ui

using namespace qms::ui;

extern "C" UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (hWnd) {
        return withWindow(hWnd, UINT_PTR{0}, [&](const std::shared_ptr<Window> &window) {
            return setTimer(window->handle, nIDEvent, uElapse, lpTimerFunc);
        });
    }
    return qms::kernel::guarded(UINT_PTR{0}, [&]() -> UINT_PTR {
        // A thread timer needs the toolkit's loop, and only the toolkit's thread runs one.
        if (!uiBackend())
            return 0;
        return setTimer(nullptr, nIDEvent, uElapse, lpTimerFunc);
    });
}

extern "C" BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    if (hWnd) {
        return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) {
            return killTimer(window->handle, uIDEvent);
        });
    }
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!onUiThread()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return killTimer(nullptr, uIDEvent);
    });
}
