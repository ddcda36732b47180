#include "platform/ui/window.h"

#include <algorithm>

#include "platform/ui/thread_call.h"

namespace qms::ui {

bool Window::addPending(const std::shared_ptr<ThreadCall> &call)
{
    std::lock_guard lock(pendingLock_);
    if (closed_)
        return false;
    pending_.push_back(call);
    return true;
}

void Window::removePending(const ThreadCall *call)
{
    std::lock_guard lock(pendingLock_);
    std::erase_if(pending_, [call](const auto &p) { return p.get() == call; });
}

void Window::cancelPending()
{
    std::vector<std::shared_ptr<ThreadCall>> waiting;
    {
        std::lock_guard lock(pendingLock_);
        closed_ = true;
        waiting.swap(pending_);
    }
    for (const auto &call : waiting)
        call->cancel();
}

std::shared_ptr<Window> lookupWindow(HWND hwnd)
{
    std::shared_ptr<Window> window = findUser<Window>(hwnd);
    if (!window)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

std::shared_ptr<Window> lookupDialog(HWND hwnd)
{
    std::shared_ptr<Window> window = lookupWindow(hwnd);
    if (window && !window->isDialog()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window;
}

namespace {
std::mutex topLevelLock;
std::vector<HWND> &topLevel()
{
    static auto *list = new std::vector<HWND>;
    return *list;
}
} // namespace

void addTopLevel(HWND hwnd)
{
    std::lock_guard lock(topLevelLock);
    topLevel().push_back(hwnd);
}

void removeTopLevel(HWND hwnd)
{
    std::lock_guard lock(topLevelLock);
    std::erase(topLevel(), hwnd);
}

std::vector<HWND> topLevelDialogs()
{
    std::lock_guard lock(topLevelLock);
    return topLevel();
}

} // namespace qms::ui
