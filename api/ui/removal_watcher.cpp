#include "api/ui/removal_watcher.h"

#include "qms6093.h"

namespace qms::api::ui {

RemovalWatcher::~RemovalWatcher()
{
    signalStop();
    join();
}

bool RemovalWatcher::createStopEvent()
{
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return stopEvent_ != nullptr;
}

bool RemovalWatcher::start(uint32_t handle, HWND dialog)
{
    handle_ = handle;
    dialog_ = dialog;
    thread_ = CreateThread(nullptr, 0, &RemovalWatcher::run, this, 0, nullptr);
    return thread_ != nullptr;
}

void RemovalWatcher::signalStop()
{
    if (stopEvent_)
        SetEvent(stopEvent_);
}

void RemovalWatcher::join()
{
    // The platform cannot end a thread from outside, and need not: the thread looks at the
    // stop event at least every wait step, and a send to a dialog that is gone fails at once.
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (stopEvent_) {
        CloseHandle(stopEvent_);
        stopEvent_ = nullptr;
    }
}

DWORD RemovalWatcher::run(LPVOID param)
{
    const auto *self = static_cast<const RemovalWatcher *>(param);
    for (;;) {
        if (WaitForSingleObject(self->stopEvent_, 0) == WAIT_OBJECT_0)
            return 0;
        uint16_t event = QMS_EVENT_TIMEOUT;
        uint32_t handle = self->handle_;
        if (CheckEvent(handle, &event, kRemovalWaitStepMs) != 0)
            return 1; // the handle is closed: nothing left to watch
        if (event == QMS_EVENT_DEVICE_REMOVED) {
            SendMessageW(self->dialog_, UM_STOP_POLLING, 0, 0);
            SendMessageW(self->dialog_, UM_DEVICE_REMOVED, 0, 0);
            return 0;
        }
        // A closing handle or a failed wait would answer at once every time: end instead of
        // spinning.
        if (event != QMS_EVENT_TIMEOUT)
            return 1;
    }
}

} // namespace qms::api::ui
