// Calls that act on a window run on the toolkit's thread. From another thread the call is
// handed over and the caller waits: until it has run, or, without waiting any longer, until
// the window is destroyed or the toolkit goes away before its turn came.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/kernel/guard.h"
#include "platform/ui/window.h"

namespace qms::ui {

class ThreadCall {
public:
    explicit ThreadCall(std::function<void()> body) : body_(std::move(body)) {}

    // On the toolkit's thread: runs the body unless the call was cancelled.
    void run();
    // The body will never run (it is not running yet) and the waiting caller goes on.
    void cancel();
    // True when the body ran.
    bool wait();

private:
    enum class State { Pending, Running, Done, Cancelled };
    std::function<void()> body_;
    std::mutex lock_;
    std::condition_variable changed_;
    State state_ = State::Pending;
};

// Runs body on the window's thread (here and now when this is that thread). False, with
// ERROR_INVALID_WINDOW_HANDLE, when the window was gone before the body could run.
bool runOnWindowThread(const std::shared_ptr<Window> &window, const std::function<void()> &body);

// The common shape of the calls on a window: looks the window up, runs body(window) on its
// thread and returns its result; `failure` for a bad handle or a window gone meanwhile. A
// failure on the window's thread carries its last error back to the caller.
template <class R, class Body>
R withWindow(HWND hwnd, R failure, Body &&body)
{
    return kernel::guarded(failure, [&]() -> R {
        std::shared_ptr<Window> window = lookupWindow(hwnd);
        if (!window)
            return failure;
        R result = failure;
        DWORD error = ERROR_SUCCESS;
        const bool ran = runOnWindowThread(window, [&] {
            SetLastError(ERROR_SUCCESS);
            result = body(window);
            error = GetLastError();
        });
        if (!ran)
            return failure;
        if (result == failure && error != ERROR_SUCCESS)
            SetLastError(error);
        return result;
    });
}

} // namespace qms::ui
