// The dialog-item calls: a control by its ID, and the shortcuts over its text and messages.
#include <cstdint>
#include <string>

#include "platform/ui/backend.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/thread_call.h"

using namespace qms::ui;

namespace {

int mulDiv(int value, int numerator, int denominator)
{
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

// Decimal text as GetDlgItemInt reads it: blanks, an optional minus sign when signed, digits,
// nothing after them but blanks; false for anything else or a number out of range.
bool parseInt(const std::u16string &text, bool isSigned, UINT &value)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (isSigned && i < text.size() && text[i] == u'-') {
        negative = true;
        ++i;
    }
    const std::size_t digits = i;
    std::uint64_t number = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        number = number * 10 + static_cast<std::uint64_t>(text[i] - u'0');
        if (number > 0xFFFFFFFFu)
            return false;
        ++i;
    }
    if (i == digits)
        return false;
    while (i < text.size() && text[i] == u' ')
        ++i;
    if (i != text.size())
        return false;
    if (isSigned) {
        if (number > (negative ? 0x80000000u : 0x7FFFFFFFu))
            return false;
        const std::int64_t signedValue =
            negative ? -static_cast<std::int64_t>(number) : static_cast<std::int64_t>(number);
        value = static_cast<UINT>(static_cast<std::int32_t>(signedValue));
    } else {
        value = static_cast<UINT>(number);
    }
    return true;
}

} // namespace

extern "C" {

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    return withWindow(hDlg, HWND{}, [&](const std::shared_ptr<Window> &dialog) -> HWND {
        std::shared_ptr<Window> control = dialogControl(*dialog, nIDDlgItem);
        if (!control) {
            SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
            return nullptr;
        }
        return control->handle;
    });
}

int GetDlgCtrlID(HWND hWnd)
{
    return withWindow(hWnd, 0, [](const std::shared_ptr<Window> &window) {
        return window->isDialog() && !window->isChild() ? 0 : window->id;
    });
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SetWindowTextW(control, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    if (lpString && cchMax > 0)
        lpString[0] = 0;
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? static_cast<UINT>(GetWindowTextW(control, lpString, cchMax)) : 0;
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    const std::string digits = bSigned ? std::to_string(static_cast<std::int32_t>(uValue))
                                       : std::to_string(uValue);
    const std::u16string text(digits.begin(), digits.end());
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    WCHAR buffer[64];
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    if (!control)
        return 0;
    GetWindowTextW(control, buffer, 64);
    UINT value = 0;
    if (!parseInt(std::u16string(buffer), bSigned != FALSE, value))
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return value;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageW(control, Msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    const HWND control = GetDlgItem(hDlg, nIDButton);
    if (!control)
        return FALSE;
    SendMessageW(control, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    const HWND control = GetDlgItem(hDlg, nIDButton);
    return control ? static_cast<UINT>(SendMessageW(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return withWindow(hDlg, BOOL{FALSE}, [&](const std::shared_ptr<Window> &dialog) -> BOOL {
        if (!dialog->isDialog()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        const SIZE units = dialog->baseUnits;
        lpRect->left = mulDiv(lpRect->left, units.cx, 4);
        lpRect->right = mulDiv(lpRect->right, units.cx, 4);
        lpRect->top = mulDiv(lpRect->top, units.cy, 8);
        lpRect->bottom = mulDiv(lpRect->bottom, units.cy, 8);
        return TRUE;
    });
}

} // extern "C"
