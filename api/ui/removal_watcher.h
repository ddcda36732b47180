// The device setting dialog's watch on its module: a worker thread that waits for the
// module's removal in steps of 100 ms and tells the dialog, which then stops polling and
// ends.
#pragma once

#include <cstdint>

#include "qms_ui.h"

namespace qms::api::ui {

// Private messages the watcher sends to the dialog (synchronously, so that their handlers
// run on the dialog's thread).
constexpr UINT UM_DEVICE_REMOVED = 0x0401;
constexpr UINT UM_STOP_POLLING = 0x0402;

// How long one wait for the removal lasts: the longest the watcher takes to see its stop.
constexpr DWORD kRemovalWaitStepMs = 100;

class RemovalWatcher {
public:
    RemovalWatcher() = default;
    ~RemovalWatcher(); // stops and joins
    RemovalWatcher(const RemovalWatcher &) = delete;
    RemovalWatcher &operator=(const RemovalWatcher &) = delete;

    // Creates the stop event; false when it cannot be made.
    bool createStopEvent();
    // Starts the thread for {handle, dialog}; false when it cannot be started.
    bool start(uint32_t handle, HWND dialog);
    bool started() const { return thread_ != nullptr; }
    // Tells the thread to end; it does so within one wait step, or at once when it is
    // sending to a dialog that is gone.
    void signalStop();
    // Waits until the thread has ended (bounded by one wait step once the dialog is gone),
    // then closes the thread and event handles.
    void join();

private:
    static DWORD run(LPVOID self);

    uint32_t handle_ = 0;
    HWND dialog_ = nullptr;
    HANDLE stopEvent_ = nullptr;
    HANDLE thread_ = nullptr;
};

} // namespace qms::api::ui
