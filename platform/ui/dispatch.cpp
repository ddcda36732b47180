#include "platform/ui/dispatch.h"

#include "platform/ui/backend.h"
#include "platform/ui/text_buffer.h"

namespace qms::ui {
namespace {

// The messages whose result is the dialog procedure's return value itself rather than its
// DWLP_MSGRESULT.
bool answersDirectly(UINT msg)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

void setDefaultButtonStyle(const Window &dialog, int id, bool isDefault)
{
    std::shared_ptr<Window> button = dialogControl(dialog, id);
    if (!button || button->controlClass != ControlClass::Button)
        return;
    const DWORD type = button->style & BS_TYPEMASK;
    if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
        return;
    deliver(button, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// What the dialog manager does with a message the dialog procedure left alone.
LRESULT defaultDialogProcessing(const std::shared_ptr<Window> &dialog, UINT msg, WPARAM wParam,
                                LPARAM lParam)
{
    const BackendOps *ops = runningBackend();
    switch (msg) {
    case WM_CLOSE: {
        // Closing a dialog means pressing its Cancel button, unless that is disabled.
        std::shared_ptr<Window> cancel = dialogControl(*dialog, IDCANCEL);
        if (cancel && (cancel->style & WS_DISABLED))
            return 0;
        deliver(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                reinterpret_cast<LPARAM>(cancel ? cancel->handle : nullptr));
        return 0;
    }
    case DM_GETDEFID:
        return dialog->defId ? MAKELRESULT(dialog->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        setDefaultButtonStyle(*dialog, dialog->defId, false);
        dialog->defId = static_cast<int>(wParam);
        setDefaultButtonStyle(*dialog, dialog->defId, true);
        return TRUE;
    case WM_SETTEXT:
        ops->setText(dialog->native, textOf(reinterpret_cast<LPCWSTR>(lParam)));
        return TRUE;
    case WM_GETTEXT:
        return copyText(ops->text(dialog->native), reinterpret_cast<LPWSTR>(lParam),
                        static_cast<long>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(ops->text(dialog->native).size());
    default:
        return 0;
    }
}

LRESULT deliverToDialog(const std::shared_ptr<Window> &dialog, UINT msg, WPARAM wParam,
                        LPARAM lParam)
{
    struct Depth {
        Window &w;
        explicit Depth(Window &window) : w(window) { ++w.dispatchDepth; }
        ~Depth() { --w.dispatchDepth; }
    } depth(*dialog);

    // Each message starts with a clear result; the one of a message being handled further
    // up the stack is kept.
    const LONG_PTR outerResult = dialog->msgResult;
    dialog->msgResult = 0;
    const INT_PTR handled =
        dialog->proc ? dialog->proc(dialog->handle, msg, wParam, lParam) : FALSE;
    LRESULT result;
    if (answersDirectly(msg))
        result = handled;
    else if (handled)
        result = dialog->msgResult;
    else
        result = dialog->native ? defaultDialogProcessing(dialog, msg, wParam, lParam) : 0;
    dialog->msgResult = outerResult;
    return result;
}

LRESULT deliverToControl(const std::shared_ptr<Window> &control, UINT msg, WPARAM wParam,
                         LPARAM lParam)
{
    const BackendOps *ops = runningBackend();
    if (!control->native)
        return 0;
    switch (msg) {
    case WM_SETTEXT:
        ops->setText(control->native, textOf(reinterpret_cast<LPCWSTR>(lParam)));
        return TRUE;
    case WM_GETTEXT:
        return copyText(ops->text(control->native), reinterpret_cast<LPWSTR>(lParam),
                        static_cast<long>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(ops->text(control->native).size());
    default:
        break;
    }
    bool handled = false;
    const LRESULT result = ops->controlMessage(control->native, msg, wParam, lParam, &handled);
    if (!handled)
        return 0;
    // The window system keeps the styles these messages change.
    if (msg == EM_SETREADONLY) {
        control->style = wParam ? (control->style | ES_READONLY) : (control->style & ~ES_READONLY);
    } else if (msg == BM_SETSTYLE) {
        control->style = (control->style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFFu);
    }
    return result;
}

} // namespace

LRESULT deliver(const std::shared_ptr<Window> &window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return window->isDialog() ? deliverToDialog(window, msg, wParam, lParam)
                              : deliverToControl(window, msg, wParam, lParam);
}

std::shared_ptr<Window> dialogControl(const Window &dialog, int id)
{
    for (HWND handle : dialog.controls) {
        std::shared_ptr<Window> control = findUser<Window>(handle);
        if (control && control->id == id)
            return control;
    }
    return nullptr;
}

} // namespace qms::ui
