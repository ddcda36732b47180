// What the toolkit backend asks of the window system, beyond the public calls: the widget of
// a handle, painting hooks and the GDI objects a control shows. Toolkit's thread only.
#pragma once

#include <memory>

#include "platform/ui/dib.h"
#include "qms_ui.h"

namespace qms::ui {

// The backend's object for a window, or null.
QMS_EXPORT void *nativeOf(HWND hwnd);

// The pixels of a bitmap handle, or null.
QMS_EXPORT std::shared_ptr<const DecodedBitmap> bitmapOf(HBITMAP bitmap);

// The colours a dialog chose for one of its controls in WM_CTLCOLORSTATIC.
struct ControlColors {
    bool custom = false; // false: the procedure left them alone, use the defaults
    COLORREF text = 0;
    COLORREF background = 0; // behind the text when mode is OPAQUE
    int mode = OPAQUE;
    bool fill = false; // the returned brush: fill the control with `brush`
    COLORREF brush = 0;
};
QMS_EXPORT ControlColors controlColors(HWND control, UINT message);

// A dialog's area is being painted: its procedure gets WM_PAINT.
QMS_EXPORT void paintWindow(HWND hwnd, const RECT &area);

} // namespace qms::ui
