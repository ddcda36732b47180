// The toolkit backend: one table of operations that the window system forwards to, the way a
// window system forwards to its display driver. The backend library (libqmsui-qt.so) is
// loaded on first use and exports `qms_ui_backend`, which returns its table.
//
// Every operation except `post` and `onUiThread` runs on the toolkit's thread. A `native` is
// the backend's own object for a window; the window system keeps it and never looks inside.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/control_class.h"
#include "platform/ui/dialog_template.h"

namespace qms::ui {

struct DialogCreation {
    HWND dialog = nullptr;
    std::vector<HWND> controls;   // one per template item, in order
    std::vector<ControlClass> classes; // of each item
    void *parentNative = nullptr; // the parent of a child dialog, the owner of a top-level one
    bool child = false;           // inside the parent (WS_CHILD) rather than a window of its own
    // Filled by the backend:
    void *dialogNative = nullptr;
    std::vector<void *> controlNatives;
    SIZE baseUnits{};
};

enum : unsigned {
    MoveOrigin = 1u,    // x, y
    MoveSize = 2u,      // width, height
    MoveToTop = 4u,     // above its siblings
    MoveToBottom = 8u,  // below its siblings
};

struct BackendOps {
    std::uint32_t version;

    // Makes sure an application object exists (the program's own or a new one); false with
    // the reason. Called on the thread that makes the first window.
    bool (*start)(std::string *why);
    bool (*onUiThread)();
    // Runs the task on the toolkit's thread in its turn; any thread. The task is destroyed
    // without running when the application goes away first. False when there is none.
    bool (*post)(std::function<void()> task);
    // Processes the toolkit's events once, waiting for some first when `wait` is set.
    void (*pump)(bool wait);

    bool (*createDialog)(const DialogTemplate &tmpl, DialogCreation &creation, std::string *why);
    // Hides the dialog and frees it with its controls: at once when `now`, otherwise once
    // control is back in the event loop (the dialog's own handler may be on the stack).
    void (*destroyDialog)(void *dialog, bool now);
    // Shows the dialog modally and runs a nested event loop until endModal.
    void (*runModal)(void *dialog);
    void (*endModal)(void *dialog);

    void (*show)(void *native, bool visible);
    bool (*isVisible)(void *native);
    void (*enable)(void *native, bool enabled);
    bool (*isEnabled)(void *native);
    void (*setText)(void *native, std::u16string_view text);
    std::u16string (*text)(void *native);
    // A message of the control's class (BM_*, EM_*, CB_*, LVM_*, ...). `handled` false: the
    // class has no such message.
    LRESULT (*controlMessage)(void *native, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled);

    // In pixels: the window on the screen, and its client area (origin 0, 0).
    void (*geometry)(void *native, RECT *window, RECT *client);
    // Child windows move in their parent's client area, the others on the screen.
    void (*move)(void *native, int x, int y, int width, int height, unsigned what);
    // Between client areas; null stands for the screen.
    void (*mapPoint)(void *from, void *to, POINT *point);
    void (*setFocus)(void *native);
    HWND (*focus)();
    void (*invalidate)(void *native, const RECT *rect);
    void (*repaint)(void *native);

    // A repeating timer that calls fire(cookie) on the toolkit's thread.
    void *(*startTimer)(unsigned milliseconds, void (*fire)(std::uint64_t), std::uint64_t cookie);
    void (*stopTimer)(void *timer);

    int (*messageBox)(void *owner, std::u16string_view text, std::u16string_view caption,
                      UINT type);
    bool (*sysColor)(int index, COLORREF *color);
    bool (*snapshot)(void *native, const char *pngPath);
};

constexpr std::uint32_t backendVersion = 1;

extern "C" {
using BackendEntry = const BackendOps *(*)();
}

// The backend, loaded and started on first use; null with last error (and the reason
// printed once and kept for qms_ui_failure) when it cannot be.
const BackendOps *backend();
// The backend for a call that makes a window, a box or a loop: started if need be, and
// null with ERROR_WINDOW_OF_OTHER_THREAD off the toolkit's thread.
const BackendOps *uiBackend();
// The backend if it is already running, else null; never loads it.
const BackendOps *runningBackend();
// True on the toolkit's thread (false when it has not been started).
bool onUiThread();

} // namespace qms::ui
