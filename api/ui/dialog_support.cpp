#include "api/ui/dialog_support.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qms_text.h"

namespace qms::api::ui {

HMODULE DialogModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&DialogModule), &module);
    return module;
}

INT_PTR RunDialog(int templateId, HWND parent, DLGPROC proc, LPARAM param)
{
    const HMODULE module = DialogModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (!found)
        return -1;
    const auto *dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(module, found)));
    if (!dialogTemplate)
        return -1;
    return DialogBoxIndirectParamW(module, dialogTemplate, parent, proc, param);
}

std::u16string Format(const char *format, ...)
{
    char text[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0)
        return {};
    return Utf16(std::string_view(text, std::min<size_t>(static_cast<size_t>(length), sizeof text - 1)));
}

void ShowError(HWND owner, const char16_t *text, const char16_t *caption)
{
    MessageBoxW(owner, text, caption, MB_OK);
}

bool AskYesNo(HWND owner, const std::u16string &text, const char16_t *caption)
{
    return MessageBoxW(owner, text.c_str(), caption, MB_YESNO) == IDYES;
}

void SetItemText(HWND dialog, int id, const std::u16string &text)
{
    SetDlgItemTextW(dialog, id, text.c_str());
}

std::u16string ItemText(HWND dialog, int id, int maxChars)
{
    std::vector<char16_t> text(static_cast<size_t>(maxChars) + 1, u'\0');
    const UINT length = GetDlgItemTextW(dialog, id, text.data(), maxChars + 1);
    return std::u16string(text.data(), std::min<size_t>(length, static_cast<size_t>(maxChars)));
}

bool ParseFloat(const std::u16string &text, float *value)
{
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7F)
            return false;
        narrow.push_back(static_cast<char>(c));
    }
    const char *begin = narrow.c_str();
    char *end = nullptr;
    errno = 0;
    const float parsed = std::strtof(begin, &end);
    if (end == begin || errno == ERANGE || !std::isfinite(parsed))
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return false;
    *value = parsed;
    return true;
}

void AddComboString(HWND dialog, int id, const char16_t *text)
{
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

int ComboSelection(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

void SelectCombo(HWND dialog, int id, int index)
{
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

} // namespace qms::api::ui
