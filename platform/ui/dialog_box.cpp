// Making and ending dialogs: from the template to the dialog's records and widgets,
// WM_INITDIALOG, the modal loop, and the way down through WM_DESTROY and WM_NCDESTROY.
#include <algorithm>
#include <string>

#include "platform/kernel/guard.h"
#include "platform/ui/backend.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/gdi.h"
#include "platform/ui/resources.h"
#include "platform/ui/thread_call.h"
#include "platform/ui/timers.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui {
namespace {

// A template that is not one of a module's resources has no known size; it is read up to
// this many bytes.
constexpr std::size_t trustedTemplateLimit = 1u << 20;

std::shared_ptr<Window> makeWindow(WindowKind kind, HWND parent)
{
    auto window = std::make_shared<Window>(kind, parent);
    const std::uint32_t token = insertUserObject(window);
    if (!token)
        return nullptr;
    window->handle = handleFromToken<HWND>(token);
    return window;
}

// Takes the records of a dialog that could not be made out of the table again.
void discard(const std::shared_ptr<Window> &dialog)
{
    for (HWND control : dialog->controls)
        removeUserObject(control);
    removeUserObject(dialog->handle);
}

bool isControlOf(const DialogItem &item, ControlClass c, DWORD type)
{
    const std::optional<ControlClass> cls = controlClassOf(item.windowClass);
    return cls == c && (item.style & (c == ControlClass::Static ? SS_TYPEMASK : BS_TYPEMASK)) == type;
}

// SS_BITMAP statics name their picture by ordinal in the dialog's module.
void loadStaticImages(const std::shared_ptr<Window> &dialog, const DialogTemplate &tmpl)
{
    for (std::size_t i = 0; i < tmpl.items.size(); ++i) {
        const DialogItem &item = tmpl.items[i];
        if (!isControlOf(item, ControlClass::Static, SS_BITMAP) || !item.title.isOrdinal)
            continue;
        const HBITMAP bitmap = LoadBitmapW(dialog->module, MAKEINTRESOURCEW(item.title.ordinal));
        if (!bitmap)
            continue; // an empty picture, as on the original
        dialog->bitmaps.push_back(bitmap);
        if (std::shared_ptr<Window> control = findUser<Window>(dialog->controls[i]))
            deliver(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
}

HWND firstTabStop(const Window &dialog)
{
    for (HWND handle : dialog.controls) {
        std::shared_ptr<Window> control = findUser<Window>(handle);
        if (control && (control->style & WS_TABSTOP) && (control->style & WS_VISIBLE) &&
            !(control->style & WS_DISABLED))
            return handle;
    }
    return nullptr;
}

// The window a dialog hangs from: a control's dialog stands in for the control.
std::shared_ptr<Window> parentDialog(HWND parent, bool &ok)
{
    ok = true;
    if (!parent)
        return nullptr;
    std::shared_ptr<Window> window = lookupWindow(parent);
    if (window && !window->isDialog())
        window = lookupWindow(window->parent);
    ok = window != nullptr;
    return window;
}

std::shared_ptr<Window> createDialog(HINSTANCE instance, LPCDLGTEMPLATEW tmpl, HWND parent,
                                     DLGPROC proc, LPARAM param, bool modal)
{
    std::size_t size = 0;
    if (!resourceExtent(tmpl, size))
        size = trustedTemplateLimit;
    DialogTemplate t;
    std::string why;
    if (!parseDialogTemplate(tmpl, size, t, why)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    for (const DialogItem &item : t.items) {
        if (!controlClassOf(item.windowClass)) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
    }
    bool parentOk = true;
    std::shared_ptr<Window> parentWindow = parentDialog(parent, parentOk);
    if (!parentOk)
        return nullptr;
    // A modal dialog is always a window of its own.
    const bool child = !modal && (t.style & WS_CHILD) != 0;
    if (child && !parentWindow) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const BackendOps *ops = uiBackend();
    if (!ops)
        return nullptr;
    if (!instance)
        instance = programModule();

    std::shared_ptr<Window> dialog =
        makeWindow(WindowKind::Dialog, parentWindow ? parentWindow->handle : nullptr);
    if (!dialog)
        return nullptr;
    dialog->style = child ? t.style : (t.style & ~WS_CHILD);
    dialog->exStyle = t.exStyle;
    dialog->module = instance;
    dialog->modal = modal;
    DialogCreation creation;
    creation.dialog = dialog->handle;
    creation.parentNative = parentWindow ? parentWindow->native : nullptr;
    creation.child = child;
    for (const DialogItem &item : t.items) {
        std::shared_ptr<Window> control = makeWindow(WindowKind::Control, dialog->handle);
        if (!control) {
            discard(dialog);
            return nullptr;
        }
        control->controlClass = *controlClassOf(item.windowClass);
        control->id = static_cast<int>(item.id);
        control->style = item.style;
        control->exStyle = item.exStyle;
        control->module = instance;
        dialog->controls.push_back(control->handle);
        creation.controls.push_back(control->handle);
        creation.classes.push_back(control->controlClass);
    }
    if (!ops->createDialog(t, creation, &why)) {
        discard(dialog);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    dialog->native = creation.dialogNative;
    dialog->baseUnits = creation.baseUnits;
    for (std::size_t i = 0; i < dialog->controls.size(); ++i) {
        std::shared_ptr<Window> control = findUser<Window>(dialog->controls[i]);
        control->native = creation.controlNatives[i];
        if (control->controlClass == ControlClass::Button &&
            (control->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && dialog->defId == 0)
            dialog->defId = control->id;
    }
    if (parentWindow)
        parentWindow->dialogs.push_back(dialog->handle);
    if (!child)
        addTopLevel(dialog->handle);
    loadStaticImages(dialog, t);

    dialog->proc = proc;
    const HWND focus = firstTabStop(*dialog);
    const LRESULT setFocus = deliver(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
    if (!findUser<Window>(dialog->handle)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr; // destroyed while it was being initialised
    }
    if (setFocus && focus && findUser<Window>(focus))
        ops->setFocus(nativeOf(focus));
    return dialog;
}

void unlink(const Window &window)
{
    if (std::shared_ptr<Window> parent = findUser<Window>(window.parent))
        std::erase(parent->dialogs, window.handle);
    removeTopLevel(window.handle);
}

// True while a procedure of the dialog, or of one it owns, is on the stack, or one of them
// runs a modal loop: its widgets must then outlive the current handler.
bool inUse(const Window &dialog)
{
    if (dialog.dispatchDepth > 0 || dialog.modal)
        return true;
    return std::any_of(dialog.dialogs.begin(), dialog.dialogs.end(), [](HWND handle) {
        std::shared_ptr<Window> owned = findUser<Window>(handle);
        return owned && inUse(*owned);
    });
}

// Destroys a dialog with every dialog it owns or contains.
void destroyDialog(const std::shared_ptr<Window> &dialog)
{
    if (dialog->destroying)
        return;
    dialog->destroying = true;
    const bool busy = inUse(*dialog);
    const BackendOps *ops = runningBackend();
    ops->show(dialog->native, false);
    dialog->style &= ~WS_VISIBLE;
    killWindowTimers(dialog->handle);
    deliver(dialog, WM_DESTROY, 0, 0);
    const std::vector<HWND> dialogs = dialog->dialogs;
    for (HWND handle : dialogs) {
        if (std::shared_ptr<Window> owned = findUser<Window>(handle))
            destroyDialog(owned);
    }
    deliver(dialog, WM_NCDESTROY, 0, 0);

    for (HWND handle : dialog->controls) {
        killWindowTimers(handle);
        if (std::shared_ptr<Window> control = findUser<Window>(handle)) {
            control->cancelPending();
            removeUserObject(handle);
            control->native = nullptr;
        }
    }
    for (HBITMAP bitmap : dialog->bitmaps)
        deleteBitmap(bitmap);
    dialog->bitmaps.clear();
    dialog->cancelPending();
    unlink(*dialog);
    removeUserObject(dialog->handle);
    if (dialog->modal) {
        // The modal loop frees the widgets once it has returned.
        if (!dialog->ended) {
            dialog->ended = true;
            ops->endModal(dialog->native);
        }
        return;
    }
    ops->destroyDialog(dialog->native, !busy);
    dialog->native = nullptr;
}

INT_PTR runModal(HINSTANCE instance, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc, LPARAM param)
{
    std::shared_ptr<Window> dialog = createDialog(instance, tmpl, owner, proc, param, true);
    if (!dialog)
        return -1;
    const BackendOps *ops = runningBackend();
    if (!dialog->ended && !dialog->destroying) {
        dialog->style |= WS_VISIBLE;
        ops->runModal(dialog->native);
    }
    const INT_PTR result = dialog->endResult;
    destroyDialog(dialog);
    // Nothing of the dialog is on the stack any more.
    ops->destroyDialog(dialog->native, true);
    dialog->native = nullptr;
    return result;
}

HWND createModeless(HINSTANCE instance, LPCDLGTEMPLATEW tmpl, HWND parent, DLGPROC proc,
                    LPARAM param)
{
    std::shared_ptr<Window> dialog = createDialog(instance, tmpl, parent, proc, param, false);
    if (!dialog)
        return nullptr;
    if (dialog->style & WS_VISIBLE)
        runningBackend()->show(dialog->native, true);
    return dialog->handle;
}

LPCDLGTEMPLATEW templateResource(HINSTANCE instance, LPCWSTR name)
{
    const HRSRC found = FindResourceW(instance, name, RT_DIALOG);
    return found ? static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(instance, found)))
                 : nullptr;
}

} // namespace
} // namespace qms::ui

using namespace qms::ui;

extern "C" {

INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate,
                                HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return qms::kernel::guarded(INT_PTR{-1}, [&] {
        return runModal(hInstance, hDialogTemplate, hWndParent, lpDialogFunc, dwInitParam);
    });
}

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return qms::kernel::guarded(HWND{}, [&] {
        return createModeless(hInstance, lpTemplate, hWndParent, lpDialogFunc, dwInitParam);
    });
}

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return qms::kernel::guarded(INT_PTR{-1}, [&]() -> INT_PTR {
        LPCDLGTEMPLATEW tmpl = templateResource(hInstance, lpTemplateName);
        return tmpl ? runModal(hInstance, tmpl, hWndParent, lpDialogFunc, dwInitParam) : -1;
    });
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                        DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return qms::kernel::guarded(HWND{}, [&]() -> HWND {
        LPCDLGTEMPLATEW tmpl = templateResource(hInstance, lpTemplateName);
        return tmpl ? createModeless(hInstance, tmpl, hWndParent, lpDialogFunc, dwInitParam)
                    : nullptr;
    });
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    return withWindow(hDlg, BOOL{FALSE}, [&](const std::shared_ptr<Window> &dialog) -> BOOL {
        if (!dialog->isDialog()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        dialog->endResult = nResult;
        if (!dialog->modal) {
            runningBackend()->show(dialog->native, false);
            dialog->style &= ~WS_VISIBLE;
            return TRUE;
        }
        if (!dialog->ended) {
            dialog->ended = true;
            runningBackend()->endModal(dialog->native);
        }
        return TRUE;
    });
}

BOOL DestroyWindow(HWND hWnd)
{
    return withWindow(hWnd, BOOL{FALSE}, [&](const std::shared_ptr<Window> &window) -> BOOL {
        if (!window->isDialog()) {
            // Controls live and die with their dialog.
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        destroyDialog(window);
        return TRUE;
    });
}

} // extern "C"
