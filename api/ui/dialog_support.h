// What every configuration dialog needs from the window system: its template out of this
// library's resources, message boxes with the fixed captions, and control text in and out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "qms_ui.h"

namespace qms::api::ui {

// The module that holds the dialogs' templates and pictures: the library itself (or the
// program its objects were linked into).
HMODULE DialogModule();

// Runs template `templateId` of DialogModule() modally over `parent`. The dialog's end code,
// or -1 when the template is missing or the dialog cannot be made.
INT_PTR RunDialog(int templateId, HWND parent, DLGPROC proc, LPARAM param);

// printf into UTF-16 (the formats the dialogs use are plain ASCII).
std::u16string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));

// A plain OK box with the caption "Error" (or the one given).
void ShowError(HWND owner, const char16_t *text, const char16_t *caption = u"Error");
// A box with Yes and No: true for Yes.
bool AskYesNo(HWND owner, const std::u16string &text, const char16_t *caption);

void SetItemText(HWND dialog, int id, const std::u16string &text);
// At most maxChars characters of a control's text.
std::u16string ItemText(HWND dialog, int id, int maxChars);

// Parses the whole text as a number (blanks around it allowed); false when it is not one.
bool ParseFloat(const std::u16string &text, float *value);

// Combo box helpers.
void AddComboString(HWND dialog, int id, const char16_t *text);
int ComboSelection(HWND dialog, int id); // CB_ERR when nothing is selected
void SelectCombo(HWND dialog, int id, int index);

} // namespace qms::api::ui
