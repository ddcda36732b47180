// The GDI objects of the window system: bitmaps, brushes and the device contexts handed to
// WM_PAINT and WM_CTLCOLOR* handlers.
#pragma once

#include <memory>

#include "platform/ui/dib.h"
#include "platform/ui/user_objects.h"

namespace qms::ui {

class Bitmap final : public UserObject {
public:
    explicit Bitmap(std::shared_ptr<const DecodedBitmap> i) : image(std::move(i)) {}
    const std::shared_ptr<const DecodedBitmap> image;
};

class Brush final : public UserObject {
public:
    Brush(COLORREF c, bool h, bool p) : color(c), hollow(h), permanent(p) {}
    const COLORREF color;
    const bool hollow;
    const bool permanent; // stock and system-colour brushes are never deleted
};

class DeviceContext final : public UserObject {
public:
    explicit DeviceContext(HWND w) : window(w) {}
    const HWND window;
    COLORREF text = 0;
    COLORREF background = 0xFFFFFF;
    int mode = OPAQUE;
};

// A device context for a window, until deleteDeviceContext.
HDC createDeviceContext(HWND window);
void deleteDeviceContext(HDC dc);
// Deletes a bitmap the window system loaded for a window.
void deleteBitmap(HBITMAP bitmap);

} // namespace qms::ui
