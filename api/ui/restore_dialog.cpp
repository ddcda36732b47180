// "Restore Settings": resets the module's analog-input calibration and/or its CJC offset to
// their defaults, after one question naming both.
#include "api/device_record.h"
#include "api/module_commands.h"
#include "api/ui/dialog_ids.h"
#include "api/ui/dialog_support.h"
#include "api/ui/sub_dialogs.h"

namespace qms::api::ui {

namespace {

constexpr const char16_t *kCalibrationReset = u"AI Calibration Settings Reset";
constexpr const char16_t *kCjcOffsetReset = u"CJC Offset Settings Reset";
// The module wants a moment between the two resets.
constexpr DWORD kPauseBetweenResetsMs = 10;

void Restore(HWND hwnd, uint32_t handle)
{
    const bool calibration = IsDlgButtonChecked(hwnd, IDC_RESET_CALIBRATION) == BST_CHECKED;
    const bool cjcOffset = IsDlgButtonChecked(hwnd, IDC_RESET_CJC_OFFSET) == BST_CHECKED;
    if (!calibration && !cjcOffset)
        return;
    std::u16string question;
    if (calibration && cjcOffset)
        question = std::u16string(kCalibrationReset) + u" & " + kCjcOffsetReset;
    else
        question = calibration ? kCalibrationReset : kCjcOffsetReset;
    if (!AskYesNo(hwnd, question, u"WARNING"))
        return;
    if (ResetAIConversion(handle) != 0) {
        ShowError(hwnd, u"Reset initialization failed");
        return;
    }
    // A reset that fails stops the restore; the conversion is started again all the same,
    // so that the module is not left without readings.
    if (calibration) {
        if (ResetAICalibration(handle) != 0) {
            ShowError(hwnd, u"Unexpected Error. Please re-config the device");
            StartAIConversion(handle);
            return;
        }
        MessageBoxW(hwnd, (std::u16string(kCalibrationReset) + u" Complete").c_str(), u"Info", MB_OK);
    }
    Sleep(kPauseBetweenResetsMs);
    if (cjcOffset) {
        uint32_t rc = QMS_ERR_NULL_HANDLE;
        if (DeviceCall call{handle})
            rc = ResetCJCOffset(call.get());
        if (rc != 0) {
            StartAIConversion(handle);
            return;
        }
        MessageBoxW(hwnd, (std::u16string(kCjcOffsetReset) + u" Complete").c_str(), u"Info", MB_OK);
    }
    if (StartAIConversion(handle) != 0)
        ShowError(hwnd, u"Start AD failed, Please re-install the device");
}

INT_PTR RestoreDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return TRUE;
    }
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    const auto handle = static_cast<uint32_t>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDC_RESTORE_OK:
    case IDOK:
        // The dialog stays open: it ends only by Escape or its caption's close button.
        Restore(hwnd, handle);
        return TRUE;
    case IDCANCEL:
        EndDialog(hwnd, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR RunRestoreDialog(HWND parent, uint32_t handle)
{
    return RunDialog(IDD_RESTORE, parent, RestoreDlgProc, static_cast<LPARAM>(handle));
}

} // namespace qms::api::ui
