// "Calibration Wizard": one range at a time, zero first, full scale second, with the wiring
// picture of each step.
#include <cstring>

#include "api/gain_list.h"
#include "api/module_commands.h"
#include "api/ui/calibration_code.h"
#include "api/ui/dialog_ids.h"
#include "api/ui/dialog_support.h"
#include "api/ui/sub_dialogs.h"

namespace qms::api::ui {

namespace {

constexpr int kColumnWidth = 90;
constexpr int kRowTextChars = 15;
constexpr INT_PTR kEndFinish = 3;
constexpr INT_PTR kEndClosed = 2;
const char16_t *const kColumns[] = {u"Range", u"Zero range Calibration", u"Full range Calibration"};
constexpr const char16_t *kZeroInstruction = u"Please connect the 0V voltage to the AI0 as below.";
constexpr const char16_t *kFullInstruction = u"Please connect the Full range voltage/current to the AI0 as below.";

struct Wizard {
    HWND hwnd = nullptr;
    HWND list = nullptr;
    uint32_t handle = 0;
    HBITMAP zeroPicture = nullptr;
    HBITMAP fullPicture = nullptr;
    int step = 0; // 0: the zero step is next, 1: the full step
};

void SetCell(Wizard &w, int row, int column, const char16_t *text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<char16_t *>(text);
    SendMessageW(w.list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::u16string RowText(const Wizard &w, int row)
{
    char16_t text[kRowTextChars + 1] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = kRowTextChars + 1;
    SendMessageW(w.list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

void ShowStep(Wizard &w, HBITMAP picture, const char16_t *number, const char16_t *instruction)
{
    SendDlgItemMessageW(w.hwnd, IDC_CAL_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    SetItemText(w.hwnd, IDC_CAL_STEP, number);
    SetItemText(w.hwnd, IDC_CAL_INSTRUCTION, instruction);
}

void FillList(Wizard &w)
{
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumnWidth;
        column.pszText = const_cast<char16_t *>(kColumns[c]);
        column.iSubItem = c;
        ListView_InsertColumn(w.list, c, &column);
    }
    ListView_SetExtendedListViewStyle(w.list, ListView_GetExtendedListViewStyle(w.list) | LVS_EX_GRIDLINES |
                                                   LVS_EX_FULLROWSELECT);
    const int ranges = Features().gainCount;
    int row = 0;
    for (int i = 0; i <= ranges; ++i) {
        if (InternalGainList()[i].lastWord == 0)
            continue;
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row++;
        item.pszText = const_cast<char16_t *>(Features().gainList[i].name);
        ListView_InsertItem(w.list, &item);
    }
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(w.list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    ListView_SetSelectionMark(w.list, 0);
}

void Calibrate(Wizard &w)
{
    const int row = ListView_GetSelectionMark(w.list);
    if (row < 0)
        return;
    const uint16_t code = CalibrationCodeOf(RowText(w, row));
    if (w.step == 0) {
        if (StartZeroCalibration(w.handle, code) != 0) {
            ShowError(w.hwnd, u"Zero calibration failed. Please check in validity of the input signal");
            return;
        }
        MessageBoxW(w.hwnd,
                    u"Zero calibration complete. Please start the Full range calibration by following the Instruction",
                    u"Information", MB_OK);
        ShowStep(w, w.fullPicture, u"2", kFullInstruction);
        SetCell(w, row, 1, u"OK");
        SetCell(w, row, 2, u"");
        EnableWindow(GetDlgItem(w.hwnd, IDC_CAL_FINISH), FALSE);
        w.step = 1;
        return;
    }
    if (StartFullCalibration(w.handle, code) != 0) {
        ShowError(w.hwnd, u"Full calibration failed. Please check in validity of the input signal");
        return;
    }
    MessageBoxW(w.hwnd, u"Calibration finished", u"Finish", MB_OK);
    ShowStep(w, w.zeroPicture, u"1", kZeroInstruction);
    SetCell(w, row, 2, u"OK");
    EnableWindow(GetDlgItem(w.hwnd, IDC_CAL_FINISH), TRUE);
    w.step = 0;
}

INT_PTR CalibrationWizardDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        auto *w = reinterpret_cast<Wizard *>(lParam);
        w->hwnd = hwnd;
        w->list = GetDlgItem(hwnd, IDC_CAL_LIST);
        w->zeroPicture = LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(IDB_ZERO_WIRING));
        w->fullPicture = LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(IDB_FULL_WIRING));
        w->step = 0;
        FillList(*w);
        ShowStep(*w, w->zeroPicture, u"1", kZeroInstruction);
        EnableWindow(GetDlgItem(hwnd, IDC_CAL_FINISH), TRUE);
        return TRUE;
    }
    auto *w = reinterpret_cast<Wizard *>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!w)
        return FALSE;
    if (msg == WM_DESTROY) {
        SendDlgItemMessageW(hwnd, IDC_CAL_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
        DeleteObject(w->zeroPicture);
        DeleteObject(w->fullPicture);
        return TRUE;
    }
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_CAL_CALIBRATE:
        Calibrate(*w);
        return TRUE;
    case IDC_CAL_FINISH:
    case IDOK:
        // "Finish" is there in the zero step only.
        if (IsWindowEnabled(GetDlgItem(hwnd, IDC_CAL_FINISH))) {
            w->step = 0;
            EndDialog(hwnd, kEndFinish);
        }
        return TRUE;
    case IDCANCEL:
        EndDialog(hwnd, kEndClosed);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR RunCalibrationWizard(HWND parent, uint32_t handle)
{
    Wizard w;
    w.handle = handle;
    return RunDialog(IDD_CALIBRATION_WIZARD, parent, CalibrationWizardDlgProc, reinterpret_cast<LPARAM>(&w));
}

} // namespace qms::api::ui
