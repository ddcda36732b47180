#include "platform/ui/gdi.h"

#include <array>
#include <mutex>
#include <utility>

#include "platform/kernel/guard.h"
#include "platform/ui/backend.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/thread_call.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui {
namespace {

constexpr int colorCount = COLOR_INFOBK + 1;

// The colours without a toolkit palette: the classic scheme.
constexpr std::array<COLORREF, colorCount> classicColors = {
    RGB(200, 200, 200), // COLOR_SCROLLBAR
    RGB(0, 128, 128),   // COLOR_BACKGROUND
    RGB(0, 0, 128),     // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(192, 192, 192), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(192, 192, 192), // COLOR_ACTIVEBORDER
    RGB(192, 192, 192), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(0, 0, 128),     // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(192, 192, 192), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),       // COLOR_3DDKSHADOW
    RGB(223, 223, 223), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
};

bool colorIndex(int index, int &out)
{
    index &= ~SYS_COLOR_INDEX_FLAG;
    if (index < 0 || index >= colorCount)
        return false;
    out = index;
    return true;
}

COLORREF systemColor(int index)
{
    COLORREF color = classicColors[static_cast<std::size_t>(index)];
    // The toolkit's palette answers on its own thread once it runs.
    if (const BackendOps *ops = runningBackend(); ops && ops->onUiThread())
        ops->sysColor(index, &color);
    return color;
}

HBRUSH permanentBrush(COLORREF color, bool hollow)
{
    const std::uint32_t token = insertUserObject(std::make_shared<Brush>(color, hollow, true));
    return token ? handleFromToken<HBRUSH>(token) : nullptr;
}

std::shared_ptr<DeviceContext> lookupDc(HDC hdc)
{
    std::shared_ptr<DeviceContext> dc = findUser<DeviceContext>(hdc);
    if (!dc)
        SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

// A device context's colour or mode: the old value back, `failure` for a bad handle.
template <class T>
T changeDc(HDC hdc, T DeviceContext::*field, T value, T failure)
{
    std::shared_ptr<DeviceContext> dc = lookupDc(hdc);
    return dc ? std::exchange((*dc).*field, value) : failure;
}

template <class T>
T readDc(HDC hdc, T DeviceContext::*field, T failure)
{
    std::shared_ptr<DeviceContext> dc = lookupDc(hdc);
    return dc ? (*dc).*field : failure;
}

} // namespace

HDC createDeviceContext(HWND window)
{
    const std::uint32_t token = insertUserObject(std::make_shared<DeviceContext>(window));
    return token ? handleFromToken<HDC>(token) : nullptr;
}

void deleteDeviceContext(HDC dc)
{
    if (findUser<DeviceContext>(dc))
        removeUserObject(dc);
}

void deleteBitmap(HBITMAP bitmap)
{
    if (findUser<Bitmap>(bitmap))
        removeUserObject(bitmap);
}

std::shared_ptr<const DecodedBitmap> bitmapOf(HBITMAP bitmap)
{
    std::shared_ptr<Bitmap> b = findUser<Bitmap>(bitmap);
    return b ? b->image : nullptr;
}

ControlColors controlColors(HWND control, UINT message)
{
    ControlColors colors;
    kernel::guarded([&] {
        std::shared_ptr<Window> window = findUser<Window>(control);
        std::shared_ptr<Window> dialog = window ? findUser<Window>(window->parent) : nullptr;
        if (!dialog || !dialog->isDialog() || !dialog->proc || dialog->destroying)
            return;
        const HDC hdc = createDeviceContext(control);
        if (!hdc)
            return;
        const LRESULT brush = deliver(dialog, message, reinterpret_cast<WPARAM>(hdc),
                                      reinterpret_cast<LPARAM>(control));
        if (std::shared_ptr<DeviceContext> dc = findUser<DeviceContext>(hdc); dc && brush) {
            colors.custom = true;
            colors.text = dc->text;
            colors.background = dc->background;
            colors.mode = dc->mode;
            if (std::shared_ptr<Brush> b = findUser<Brush>(reinterpret_cast<HBRUSH>(brush));
                b && !b->hollow) {
                colors.fill = true;
                colors.brush = b->color;
            }
        }
        deleteDeviceContext(hdc);
    });
    return colors;
}

void paintWindow(HWND hwnd, const RECT &area)
{
    kernel::guarded([&] {
        std::shared_ptr<Window> window = findUser<Window>(hwnd);
        if (!window || !window->isDialog() || !window->proc || window->destroying)
            return;
        const RECT *outer = window->paintRect;
        window->paintRect = &area;
        deliver(window, WM_PAINT, 0, 0);
        window->paintRect = outer;
    });
}

} // namespace qms::ui

using namespace qms::ui;

extern "C" {

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return withWindow(hWnd, HDC{}, [&](const std::shared_ptr<Window> &window) -> HDC {
        *lpPaint = PAINTSTRUCT{};
        if (window->paintRect) {
            lpPaint->rcPaint = *window->paintRect;
        } else {
            RECT screen{};
            runningBackend()->geometry(window->native, &screen, &lpPaint->rcPaint);
        }
        lpPaint->hdc = createDeviceContext(window->handle);
        return lpPaint->hdc;
    });
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!lpPaint)
            return FALSE;
        std::shared_ptr<DeviceContext> dc = findUser<DeviceContext>(lpPaint->hdc);
        std::shared_ptr<Window> window = findUser<Window>(hWnd);
        if (!dc || !window || dc->window != window->handle) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        deleteDeviceContext(lpPaint->hdc);
        return TRUE;
    });
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    return changeDc(hdc, &DeviceContext::text, color, CLR_INVALID);
}

COLORREF GetTextColor(HDC hdc)
{
    return readDc(hdc, &DeviceContext::text, CLR_INVALID);
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return changeDc(hdc, &DeviceContext::background, color, CLR_INVALID);
}

COLORREF GetBkColor(HDC hdc)
{
    return readDc(hdc, &DeviceContext::background, CLR_INVALID);
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return changeDc(hdc, &DeviceContext::mode, mode, 0);
}

int GetBkMode(HDC hdc)
{
    return readDc(hdc, &DeviceContext::mode, 0);
}

DWORD GetSysColor(int nIndex)
{
    return qms::kernel::guarded(DWORD{0}, [&]() -> DWORD {
        int index = 0;
        return colorIndex(nIndex, index) ? systemColor(index) : 0;
    });
}

HBRUSH GetSysColorBrush(int nIndex)
{
    return qms::kernel::guarded(HBRUSH{}, [&]() -> HBRUSH {
        int index = 0;
        if (!colorIndex(nIndex, index)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        static std::mutex lock;
        static std::array<HBRUSH, colorCount> brushes{};
        std::lock_guard guard(lock);
        HBRUSH &brush = brushes[static_cast<std::size_t>(index)];
        if (!brush)
            brush = permanentBrush(systemColor(index), false);
        return brush;
    });
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    return qms::kernel::guarded(HBRUSH{}, [&]() -> HBRUSH {
        const std::uint32_t token =
            insertUserObject(std::make_shared<Brush>(color & 0x00FFFFFFu, false, false));
        return token ? handleFromToken<HBRUSH>(token) : nullptr;
    });
}

HGDIOBJ GetStockObject(int i)
{
    return qms::kernel::guarded(HGDIOBJ{}, [&]() -> HGDIOBJ {
        static const std::array<HBRUSH, NULL_BRUSH + 1> stock = {
            permanentBrush(RGB(255, 255, 255), false), permanentBrush(RGB(192, 192, 192), false),
            permanentBrush(RGB(128, 128, 128), false), permanentBrush(RGB(64, 64, 64), false),
            permanentBrush(RGB(0, 0, 0), false),       permanentBrush(0, true),
        };
        if (i < 0 || i > NULL_BRUSH) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return stock[static_cast<std::size_t>(i)];
    });
}

BOOL DeleteObject(HGDIOBJ ho)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        std::shared_ptr<UserObject> object = findUserObject(ho);
        if (auto brush = std::dynamic_pointer_cast<Brush>(object)) {
            if (!brush->permanent)
                removeUserObject(ho);
            return TRUE;
        }
        if (std::dynamic_pointer_cast<Bitmap>(object)) {
            removeUserObject(ho);
            return TRUE;
        }
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    });
}

int GetObjectW(HGDIOBJ h, int c, LPVOID pv)
{
    return qms::kernel::guarded(0, [&]() -> int {
        std::shared_ptr<Bitmap> bitmap = findUser<Bitmap>(h);
        if (!bitmap) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        if (!pv)
            return static_cast<int>(sizeof(BITMAP));
        if (c < static_cast<int>(sizeof(BITMAP))) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        const DecodedBitmap &image = *bitmap->image;
        BITMAP info{};
        info.bmWidth = image.width;
        info.bmHeight = image.height;
        info.bmWidthBytes = image.rowBytes;
        info.bmPlanes = 1;
        info.bmBitsPixel = static_cast<WORD>(image.bitsPerPixel);
        *static_cast<BITMAP *>(pv) = info;
        return static_cast<int>(sizeof(BITMAP));
    });
}

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName)
{
    return qms::kernel::guarded(HBITMAP{}, [&]() -> HBITMAP {
        const HRSRC found = FindResourceW(hInstance, lpBitmapName, RT_BITMAP);
        if (!found)
            return nullptr;
        const void *data = LoadResource(hInstance, found);
        auto image = std::make_shared<DecodedBitmap>();
        std::string why;
        if (!data || !decodeDib(data, SizeofResource(hInstance, found), *image, why)) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        const std::uint32_t token = insertUserObject(std::make_shared<Bitmap>(std::move(image)));
        return token ? handleFromToken<HBITMAP>(token) : nullptr;
    });
}

} // extern "C"
