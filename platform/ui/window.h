// A window of the window system: a dialog or one of its controls. The record lives in the
// handle table; its widget lives in the toolkit backend and is reached only through `native`
// on the toolkit's thread.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/ui/control_class.h"
#include "platform/ui/user_objects.h"

namespace qms::ui {

class ThreadCall;

enum class WindowKind { Dialog, Control };

class Window final : public UserObject {
public:
    Window(WindowKind kind, HWND parent) : kind(kind), parent(parent) {}

    // Fixed once the window is in the table.
    HWND handle = nullptr;
    const WindowKind kind;
    ControlClass controlClass = ControlClass::Static; // controls only
    int id = 0;
    // A control's dialog; a child dialog's parent; a top-level dialog's owner (or null).
    const HWND parent;
    HMODULE module = nullptr;

    // The rest belongs to the toolkit's thread.
    DWORD style = 0;
    DWORD exStyle = 0;
    void *native = nullptr;
    DLGPROC proc = nullptr;
    LONG_PTR msgResult = 0; // DWLP_MSGRESULT
    LONG_PTR user = 0;      // DWLP_USER
    LONG_PTR userData = 0;  // GWLP_USERDATA
    bool modal = false;
    bool ended = false;
    INT_PTR endResult = 0;
    bool destroying = false;
    int defId = 0;
    int dispatchDepth = 0;      // procedures of this dialog running on the stack
    SIZE baseUnits{};           // pixels per 4 horizontal and 8 vertical dialog units
    std::vector<HWND> controls; // in template order
    std::vector<HWND> dialogs;  // child dialogs and owned dialogs
    std::vector<HBITMAP> bitmaps; // images the window loaded itself and frees with itself
    const RECT *paintRect = nullptr; // during WM_PAINT

    bool isDialog() const { return kind == WindowKind::Dialog; }
    bool isChild() const { return (style & WS_CHILD) != 0; }

    // Calls from other threads that wait for this window. Once the window is destroyed no
    // call is added and every waiting one fails.
    bool addPending(const std::shared_ptr<ThreadCall> &call);
    void removePending(const ThreadCall *call);
    void cancelPending();

private:
    std::mutex pendingLock_;
    std::vector<std::shared_ptr<ThreadCall>> pending_;
    bool closed_ = false;
};

// The window a handle names, or null with last error ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> lookupWindow(HWND hwnd);
// The same, but a dialog only.
std::shared_ptr<Window> lookupDialog(HWND hwnd);

// Top-level dialogs in order of creation (FindWindowW).
void addTopLevel(HWND hwnd);
void removeTopLevel(HWND hwnd);
std::vector<HWND> topLevelDialogs();

} // namespace qms::ui
