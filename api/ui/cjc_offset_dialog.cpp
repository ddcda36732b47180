// "CJC Offset Adjustment": a trial offset moved by slider, up-down or typing, shown at once as
// the corrected CJC temperature and one thermocouple channel's temperature, stored in the
// module on OK after a question.
#include <cmath>

#include "api/device_record.h"
#include "api/gain_list.h"
#include "api/module_commands.h"
#include "api/thermo/cjc_readers.h"
#include "api/ui/cjc_preview.h"
#include "api/ui/dialog_ids.h"
#include "api/ui/dialog_support.h"
#include "api/ui/sub_dialogs.h"

namespace qms::api::ui {

namespace {

constexpr int kOffsetMin = -1000; // hundredths of a degree
constexpr int kOffsetMax = 1000;
constexpr int kTickEvery = 200;
constexpr int kOffsetTextChars = 7;
constexpr float kOffsetLimit = 10.0f;
constexpr COLORREF kNoteRed = RGB(255, 0, 0);
constexpr COLORREF kNoteBlack = RGB(0, 0, 0);

struct CjcOffsetDialog {
    HWND hwnd = nullptr;
    uint32_t handle = 0;
    DeviceSettings *settings = nullptr;
    bool offsetChanged = false;
    bool noteRed = false;
    bool writingOffsetText = false; // the dialog's own change of field 1068
    float offset = 0.0f;            // the offset last applied to the previews
};

// The thermocouple types of the internal gain list in table order: J K S T B R E.
int TypeCount()
{
    int count = 0;
    for (const tagINTERNALGAINLIST &row : InternalGainList()) {
        if (row.moduleCode != -1 && (row.moduleCode & 0x80) != 0)
            ++count;
    }
    return count;
}

void SetOffsetText(CjcOffsetDialog &d, float offset)
{
    d.writingOffsetText = true;
    SetItemText(d.hwnd, IDC_OFFSET, Format("%.2f", static_cast<double>(offset)));
    d.writingOffsetText = false;
}

void SetNumber(CjcOffsetDialog &d, int id, float value)
{
    SetItemText(d.hwnd, id, Format("%.2f", static_cast<double>(value)));
}

void MoveSliderAndUpDown(CjcOffsetDialog &d, int position, bool slider, bool upDown)
{
    if (slider)
        SendDlgItemMessageW(d.hwnd, IDC_OFFSET_SLIDER, TBM_SETPOS, TRUE, position);
    if (upDown)
        SendDlgItemMessageW(d.hwnd, IDC_OFFSET_UPDOWN, UDM_SETPOS32, 0, position);
}

// The channel and type chosen; false when either list has no selection.
bool Chosen(const CjcOffsetDialog &d, uint16_t *channel, uint16_t *type)
{
    const int ch = ComboSelection(d.hwnd, IDC_TC_CHANNEL);
    const int t = ComboSelection(d.hwnd, IDC_TC_TYPE);
    if (ch == CB_ERR || t == CB_ERR)
        return false;
    *channel = static_cast<uint16_t>(ch);
    *type = static_cast<uint16_t>(t);
    return true;
}

uint32_t Preview(CjcOffsetDialog &d, float offset)
{
    uint16_t channel = 0, type = 0;
    if (!Chosen(d, &channel, &type))
        return 0;
    float celsius = 0.0f;
    if (const uint32_t rc = PreviewTCTemperature(d.handle, channel, type, offset, &celsius))
        return rc;
    SetNumber(d, IDC_TC_TEMP, celsius);
    return 0;
}

// A new trial offset at `position` from one of the three sources; `cjcFailure` is the text
// that source shows when the CJC cannot be read.
void ApplyPosition(CjcOffsetDialog &d, int position, const char16_t *cjcFailure, bool moveSlider, bool moveUpDown,
                   bool rewriteText)
{
    d.offsetChanged = true;
    float offset = 0.0f, corrected = 0.0f;
    if (ComputeOffsetCJC(position, d.handle, &offset, &corrected) != 0) {
        ShowError(d.hwnd, cjcFailure);
        return;
    }
    if (Preview(d, offset) != 0) {
        ShowError(d.hwnd, u"Device Reads Temperature Error. Please re-configure the Device");
        return;
    }
    d.offset = offset;
    MoveSliderAndUpDown(d, position, moveSlider, moveUpDown);
    SetNumber(d, IDC_CJC_TEMP, corrected);
    if (rewriteText)
        SetOffsetText(d, offset);
}

int PositionOf(float offset) { return static_cast<int>(std::trunc(offset * 100.0f)); }

// The user typed in the offset field. Text that is no number is left alone until it is one.
void OnOffsetTyped(CjcOffsetDialog &d)
{
    float x = 0.0f;
    if (!ParseFloat(ItemText(d.hwnd, IDC_OFFSET, kOffsetTextChars), &x))
        return;
    if (x < -kOffsetLimit || x > kOffsetLimit) {
        x = x < -kOffsetLimit ? -kOffsetLimit : kOffsetLimit;
        SetOffsetText(d, x);
    }
    ApplyPosition(d, PositionOf(x), u"Device Read CJC Error. Please re-configure the Device", true, true, false);
}

void OnSlider(CjcOffsetDialog &d)
{
    const int position = static_cast<int>(SendDlgItemMessageW(d.hwnd, IDC_OFFSET_SLIDER, TBM_GETPOS, 0, 0));
    MoveSliderAndUpDown(d, position, false, true);
    ApplyPosition(d, position, u"Device Reads CJC Error. Please re-configure the Device", false, false, true);
}

// The up-down asks before it steps: the new offset is the one the step leads to, so that the
// three controls agree afterwards.
void OnUpDown(CjcOffsetDialog &d, const NMUPDOWN &change)
{
    int position = change.iPos + change.iDelta;
    position = position < kOffsetMin ? kOffsetMin : position > kOffsetMax ? kOffsetMax : position;
    ApplyPosition(d, position, u"Device Read CJC Error. Please re-configure the Device", true, false, true);
}

void OnSelectionChanged(CjcOffsetDialog &d)
{
    float x = 0.0f;
    if (!ParseFloat(ItemText(d.hwnd, IDC_OFFSET, kOffsetTextChars), &x))
        x = d.offset;
    if (Preview(d, x) != 0)
        ShowError(d.hwnd, u"Device Reads Temperature Error");
}

void Open(CjcOffsetDialog &d)
{
    for (int ch = 0; ch < Features().channelCount; ++ch)
        AddComboString(d.hwnd, IDC_TC_CHANNEL, Format("Channel %d", ch).c_str());
    if (d.settings->TCReadBackChan >= Features().channelCount)
        d.settings->TCReadBackChan = 0;
    SelectCombo(d.hwnd, IDC_TC_CHANNEL, static_cast<int>(d.settings->TCReadBackChan));
    for (const tagINTERNALGAINLIST &row : InternalGainList()) {
        if (row.moduleCode != -1 && (row.moduleCode & 0x80) != 0)
            AddComboString(d.hwnd, IDC_TC_TYPE, row.name);
    }
    // A stored type without a row here (N) would leave nothing to preview: J stands in.
    const int type = d.settings->TCReadBackType < static_cast<uint32_t>(TypeCount()) ? static_cast<int>(d.settings->TCReadBackType) : 0;
    SelectCombo(d.hwnd, IDC_TC_TYPE, type);

    SendDlgItemMessageW(d.hwnd, IDC_OFFSET_SLIDER, TBM_SETRANGE, TRUE,
                        MAKELPARAM(static_cast<WORD>(kOffsetMin), static_cast<WORD>(kOffsetMax)));
    SendDlgItemMessageW(d.hwnd, IDC_OFFSET_SLIDER, TBM_SETTICFREQ, kTickEvery, 0);
    SendDlgItemMessageW(d.hwnd, IDC_OFFSET_UPDOWN, UDM_SETRANGE32, static_cast<WPARAM>(kOffsetMin), kOffsetMax);

    const auto initFailed = [&] { ShowError(d.hwnd, u"Device Initialize Error. Please re-configure the Device"); };
    if (ResetAIConversion(d.handle) != 0 || StartAIConversion(d.handle) != 0)
        return initFailed();
    float cjc = 0.0f;
    if (AverageCjc(d.handle, &cjc) != 0)
        return initFailed();
    float stored = 0.0f;
    uint16_t storedCode = 0, referenceCode = 0;
    {
        DeviceCall call(d.handle);
        if (!call || ReadCJCOffset(call.get(), &stored, &storedCode) != 0 ||
            ReadCJCReference(call.get(), &referenceCode) != 0)
            return initFailed();
    }
    float celsius = 0.0f;
    if (PreviewTCTemperature(d.handle, static_cast<uint16_t>(d.settings->TCReadBackChan), static_cast<uint16_t>(type),
                             stored, &celsius) != 0)
        return initFailed();
    d.offset = stored;
    SetOffsetText(d, stored);
    SetNumber(d, IDC_CJC_TEMP, cjc - stored);
    SetNumber(d, IDC_TC_TEMP, celsius);
    MoveSliderAndUpDown(d, PositionOf(stored), true, true);
    d.noteRed = storedCode != referenceCode;
    SetItemText(d.hwnd, IDC_OFFSET_NOTE, d.noteRed ? u"Info.: CJC Offset was updated by user" : u"");
}

void OnOk(CjcOffsetDialog &d)
{
    if (d.offsetChanged) {
        if (!AskYesNo(d.hwnd, u"CJC Offset setting changed, Save ?", u"WARNING")) {
            EndDialog(d.hwnd, 1);
            return;
        }
        if (ResetAIConversion(d.handle) != 0) {
            ShowError(d.hwnd, u"Reset AD failed, try again or re-install the device");
            return;
        }
        float x = 0.0f;
        if (!ParseFloat(ItemText(d.hwnd, IDC_OFFSET, kOffsetTextChars), &x) || x < -kOffsetLimit || x > kOffsetLimit)
            x = d.offset; // the offset the previews showed last
        int32_t written = -1;
        if (DeviceCall call{d.handle})
            written = WriteCJCOffsetCode(call.get(), x);
        if (written != 0)
            ShowError(d.hwnd, u"Save Parameters Error");
        if (StartAIConversion(d.handle) != 0)
            ShowError(d.hwnd, u"Start AD failed, try again or re-install the device");
    }
    uint16_t channel = 0, type = 0;
    if (Chosen(d, &channel, &type)) {
        d.settings->TCReadBackChan = channel;
        d.settings->TCReadBackType = type;
    }
    EndDialog(d.hwnd, 1);
}

INT_PTR CjcOffsetDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        auto *d = reinterpret_cast<CjcOffsetDialog *>(lParam);
        d->hwnd = hwnd;
        Open(*d);
        return TRUE;
    }
    auto *d = reinterpret_cast<CjcOffsetDialog *>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!d)
        return FALSE;
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_OFFSET && code == EN_CHANGE) {
            if (!d->writingOffsetText && SendDlgItemMessageW(hwnd, IDC_OFFSET, EM_GETMODIFY, 0, 0))
                OnOffsetTyped(*d);
        } else if ((id == IDC_TC_CHANNEL || id == IDC_TC_TYPE) && code == CBN_SELCHANGE) {
            OnSelectionChanged(*d);
        } else if ((id == IDC_OFFSET_OK || id == IDOK) && code == BN_CLICKED) {
            OnOk(*d);
        } else if ((id == IDC_OFFSET_CANCEL || id == IDCANCEL) && code == BN_CLICKED) {
            EndDialog(hwnd, 1);
        }
        return TRUE;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, IDC_OFFSET_SLIDER) &&
            (LOWORD(wParam) == TB_THUMBTRACK || LOWORD(wParam) == TB_THUMBPOSITION))
            OnSlider(*d);
        return TRUE;
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->idFrom == IDC_OFFSET_UPDOWN && header->code == UDN_DELTAPOS) {
            OnUpDown(*d, *reinterpret_cast<const NMUPDOWN *>(lParam));
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, FALSE);
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, IDC_OFFSET_NOTE)) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, d->noteRed ? kNoteRed : kNoteBlack);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR RunCjcOffsetDialog(HWND parent, uint32_t handle, DeviceSettings *settings)
{
    CjcOffsetDialog d;
    d.handle = handle;
    d.settings = settings;
    return RunDialog(IDD_CJC_OFFSET, parent, CjcOffsetDlgProc, reinterpret_cast<LPARAM>(&d));
}

} // namespace qms::api::ui
