// Message boxes: modal over their owner's dialog, run on the toolkit's thread.
#include "platform/kernel/guard.h"
#include "platform/ui/backend.h"
#include "platform/ui/text_buffer.h"
#include "platform/ui/window.h"

using namespace qms::ui;

namespace {

// The top-level dialog a window belongs to: a box is modal over a whole window.
std::shared_ptr<Window> topLevelOf(std::shared_ptr<Window> window)
{
    while (window && (!window->isDialog() || window->isChild())) {
        std::shared_ptr<Window> parent = findUser<Window>(window->parent);
        if (!parent)
            break;
        window = parent;
    }
    return window;
}

} // namespace

extern "C" {

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    return qms::kernel::guarded(0, [&]() -> int {
        std::shared_ptr<Window> owner;
        if (hWnd && !(owner = topLevelOf(lookupWindow(hWnd))))
            return 0;
        if ((uType & MB_TYPEMASK) > MB_RETRYCANCEL) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const BackendOps *ops = uiBackend();
        if (!ops)
            return 0;
        return ops->messageBox(owner ? owner->native : nullptr, textOf(lpText),
                               lpCaption ? textOf(lpCaption) : std::u16string_view(u"Error"), uType);
    });
}

BOOL MessageBeep(UINT)
{
    return TRUE;
}

} // extern "C"
