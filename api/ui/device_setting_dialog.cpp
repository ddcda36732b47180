#include "api/ui/device_setting_dialog.h"

#include <cstring>
#include <memory>

#include "api/control_request.h"
#include "api/device_record.h"
#include "api/device_settings.h"
#include "api/error_codes.h"
#include "api/gain_list.h"
#include "api/module_commands.h"
#include "api/ui/channel_value.h"
#include "api/ui/dialog_ids.h"
#include "api/ui/dialog_support.h"
#include "api/ui/removal_watcher.h"
#include "api/ui/sub_dialogs.h"
#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_text.h"

namespace qms::api::ui {

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kBoardIds = 16;
constexpr uint32_t kLabelBytes = 32;
constexpr int kThermocoupleTypes = 7; // J K S T B R E follow the voltage and current ranges
constexpr uint16_t kCode420 = 0x8001;
constexpr uint16_t kStopChannel = 0xFF;
constexpr uint32_t kLastDeviceNumber = 255;

const char16_t *const kExceptionChoices[] = {u"Upper limit", u"Lower limit", u"Last  value"};
const char16_t *const kBurnOutChoices[] = {u"Disable", u"888888", u"-888888", u"Maximum value",
                                           u"Minimum value"};

// One run of the dialog: what the dialog keeps between its messages.
struct SettingDialog {
    uint32_t deviceNumber = 0;
    HWND hwnd = nullptr;
    uint32_t handle = 0;
    std::unique_ptr<DeviceSettings> settings; // read at start, written back by OK
    RemovalWatcher watcher;
    uint32_t pollPeriod = 0; // 0: polling stays stopped (rate 0)
};

// Voltage and current ranges at the head of the internal gain list (N).
int RangeCount() { return Features().gainCount; }
int ChannelCount() { return Features().channelCount; }

uint16_t RangeCodeOfRow(int row) { return static_cast<uint16_t>(InternalGainList()[row].code); }

// --- the poll timer ---------------------------------------------------------------------------

bool StartPolling(SettingDialog &d)
{
    if (d.pollPeriod == 0)
        return true;
    if (SetTimer(d.hwnd, kPollTimer, d.pollPeriod, nullptr) == 0) {
        ShowError(d.hwnd, u"No timer is available.");
        return false;
    }
    return true;
}

void StopPolling(SettingDialog &d) { KillTimer(d.hwnd, kPollTimer); }

void ShowValue(SettingDialog &d, int channel, ValueForm form, float value)
{
    SetItemText(d.hwnd, IDC_VALUE_FIRST + channel, ChannelValueText(form, value));
}

// One tick: every checked channel with a range, in channel order. A failed read stops the
// polling until the rate is changed or a sub-dialog has run.
void Poll(SettingDialog &d)
{
    for (int ch = 0; ch < ChannelCount(); ++ch) {
        if (IsDlgButtonChecked(d.hwnd, IDC_CHANNEL_FIRST + ch) != BST_CHECKED)
            continue;
        const int s = ComboSelection(d.hwnd, IDC_RANGE_FIRST + ch);
        if (s == CB_ERR)
            continue;
        const auto channel = static_cast<uint16_t>(ch);
        float value = 0.0f;
        if (s >= RangeCount()) {
            const uint32_t rc = TCMuxRead(d.handle, channel, 0, 0, static_cast<uint16_t>(s - RangeCount()), 0, &value);
            // An open thermocouple reports its burn-out value: shown like any reading.
            if (rc != 0 && rc != DeviceError(d.deviceNumber, QMS_ERRIDX_BURNOUT)) {
                StopPolling(d);
                ShowError(d.hwnd, u"Read temperature failed.");
                return;
            }
            ShowValue(d, ch, ValueForm::Temperature, value);
            continue;
        }
        const uint16_t code = RangeCodeOfRow(s);
        if (AIConfig(d.handle, channel, code) != 0) {
            StopPolling(d);
            ShowError(d.hwnd, u"Configure AI failed.");
            return;
        }
        if (AIVoltageIn(d.handle, channel, code, 0, &value) != 0) {
            StopPolling(d);
            ShowError(d.hwnd, u"Read AI data failed.");
            return;
        }
        ShowValue(d, ch, (code & 0x8000) ? ValueForm::Current : ValueForm::Voltage, value);
    }
}

void SetSampleRate(SettingDialog &d, float rateHz)
{
    StopPolling(d);
    SetItemText(d.hwnd, IDC_RATE, Format("%.2f", static_cast<double>(rateHz)));
    d.pollPeriod = rateHz > 0.0f ? PollPeriodMs(rateHz) : 0;
    StartPolling(d);
}

void OnRateScroll(SettingDialog &d, int code)
{
    const HWND bar = GetDlgItem(d.hwnd, IDC_RATE_BAR);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, SB_CTL, &info);
    const int next = NextRatePosition(code, info.nPos, info.nTrackPos);
    if (next < 0)
        return;
    SetScrollPos(bar, SB_CTL, next, TRUE);
    // The rate follows the thumb: the bar keeps the position within its page.
    SetSampleRate(d, static_cast<float>(GetScrollPos(bar, SB_CTL)) * 0.1f);
}

// --- filling the controls ---------------------------------------------------------------------

void EnableChannelLists(SettingDialog &d, int ch, int row)
{
    const bool thermocouple = row >= RangeCount();
    const bool loop420 = !thermocouple && row >= 0 && RangeCodeOfRow(row) == kCode420;
    EnableWindow(GetDlgItem(d.hwnd, IDC_EXCEPTION_FIRST + ch), loop420);
    EnableWindow(GetDlgItem(d.hwnd, IDC_BURNOUT_FIRST + ch), thermocouple);
}

void FillChannelControls(SettingDialog &d)
{
    uint32_t switchId = 0;
    uint32_t rangeIndex[QMS_AI_CHANNELS] = {};
    uint32_t exception420[QMS_AI_CHANNELS] = {};
    uint32_t burnOut[QMS_AI_CHANNELS] = {};
    if (DeviceCall call{d.handle}) {
        switchId = call->settings.SwitchID;
        std::memcpy(rangeIndex, call->rangeIndex, sizeof rangeIndex);
        std::memcpy(exception420, call->exception420, sizeof exception420);
        std::memcpy(burnOut, call->burnOutSetting, sizeof burnOut);
    }
    for (int id = 0; id < kBoardIds; ++id)
        AddComboString(d.hwnd, IDC_BOARD_ID, Format("%d", id).c_str());
    SelectCombo(d.hwnd, IDC_BOARD_ID, static_cast<int>(switchId));

    for (int ch = 0; ch < ChannelCount(); ++ch) {
        for (int row = 0; row < RangeCount() + kThermocoupleTypes; ++row)
            AddComboString(d.hwnd, IDC_RANGE_FIRST + ch, InternalGainList()[row].name);
        SelectCombo(d.hwnd, IDC_RANGE_FIRST + ch, static_cast<int>(rangeIndex[ch]));
        SetItemText(d.hwnd, IDC_VALUE_FIRST + ch, kNoReading);
        for (const char16_t *choice : kExceptionChoices)
            AddComboString(d.hwnd, IDC_EXCEPTION_FIRST + ch, choice);
        SelectCombo(d.hwnd, IDC_EXCEPTION_FIRST + ch, static_cast<int>(exception420[ch]));
        for (const char16_t *choice : kBurnOutChoices)
            AddComboString(d.hwnd, IDC_BURNOUT_FIRST + ch, choice);
        SelectCombo(d.hwnd, IDC_BURNOUT_FIRST + ch, static_cast<int>(burnOut[ch]));
        // A stored row beyond the list (the CJC rows) selects nothing and enables neither list.
        const int row = rangeIndex[ch] < static_cast<uint32_t>(RangeCount() + kThermocoupleTypes)
                            ? static_cast<int>(rangeIndex[ch])
                            : -1;
        EnableChannelLists(d, ch, row);
        if (row < 0)
            EnableWindow(GetDlgItem(d.hwnd, IDC_BURNOUT_FIRST + ch), FALSE);
    }

    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = kRateMin;
    info.nMax = kRateMax;
    info.nPage = kRatePage;
    info.nPos = kRateStart;
    SetScrollInfo(GetDlgItem(d.hwnd, IDC_RATE_BAR), SB_CTL, &info, TRUE);
    SetItemText(d.hwnd, IDC_RATE, u"1");
    d.pollPeriod = 1000;
}

INT_PTR UnconfiguredDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
        return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, 0);
        return TRUE;
    }
    return FALSE;
}

// The opening sequence; a failure shows its message and stops it.
void Open(SettingDialog &d)
{
    d.settings = std::make_unique<DeviceSettings>();
    if (ReadDeviceSettings(d.deviceNumber, d.settings.get()) != 0) {
        RunDialog(IDD_UNCONFIGURED, d.hwnd, UnconfiguredDlgProc, 0);
        EndDialog(d.hwnd, 0);
        return;
    }
    if (d.handle == 0) {
        // A module whose parameter blocks could not be read is open all the same.
        DeviceOpen(d.deviceNumber, &d.handle);
        if (d.handle == 0) {
            ShowError(d.hwnd, u"Open device failed, please re-install device");
            EndDialog(d.hwnd, 1);
            return;
        }
    }
    char16_t version[QMS_FW_VERSION_BYTES] = {};
    uint32_t versionRead = QMS_ERR_NULL_HANDLE;
    if (DeviceCall call{d.handle})
        versionRead = ReadFirmwareVersion(call.get(), version);
    if (versionRead != 0) {
        ShowError(d.hwnd, u"Retrieve version failed, please re-install device");
        return;
    }
    char label[kLabelBytes] = {};
    uint32_t size = kLabelBytes;
    if (DeviceGetProperty(d.handle, QMS_PROP_USER_DATA, label, &size) != 0) {
        ShowError(d.hwnd, u"Retrieve user data failed, please re-install device");
        return;
    }
    char16_t wideLabel[kLabelBytes + 1] = {};
    const int labelBytes = static_cast<int>(strnlen(label, kLabelBytes));
    if (labelBytes > 0)
        MultiByteToWideChar(CP_OEMCP, 0, label, labelBytes, wideLabel, kLabelBytes);
    const std::u16string title = std::u16string(u"USB-6093 Device Setting") + u" " + u"(" +
                                 u"Firmware Version: " + version + u")";
    SetWindowTextW(d.hwnd, title.c_str());
    SetItemText(d.hwnd, IDC_LABEL, wideLabel);

    FillChannelControls(d);

    if (!d.watcher.createStopEvent()) {
        ShowError(d.hwnd, u"Insuffiecient system resource.");
        return;
    }
    if (!d.watcher.start(d.handle, d.hwnd)) {
        ShowError(d.hwnd, u"Insuffiecient system resource.");
        return;
    }
    StartPolling(d);
}

// --- commands ---------------------------------------------------------------------------------

void OnLocate(SettingDialog &d)
{
    const uint8_t pressed = IsDlgButtonChecked(d.hwnd, IDC_LOCATE) == BST_CHECKED ? 0x00 : 0xFF;
    uint32_t rc = QMS_ERR_NULL_HANDLE;
    if (DeviceCall call{d.handle})
        rc = SendRecordedControl(*call, IOCTL_QMS_LOCATE, &pressed, sizeof pressed, nullptr, 0);
    if (rc != 0)
        DeviceClose(&d.handle);
}

void OnEditLabel(SettingDialog &d)
{
    SendDlgItemMessageW(d.hwnd, IDC_LABEL, EM_LIMITTEXT, kLabelBytes, 0);
    SendDlgItemMessageW(d.hwnd, IDC_LABEL, EM_SETREADONLY, FALSE, 0);
}

void OnSaveLabel(SettingDialog &d)
{
    SendDlgItemMessageW(d.hwnd, IDC_LABEL, EM_SETREADONLY, TRUE, 0);
    const std::u16string text = ItemText(d.hwnd, IDC_LABEL, kLabelBytes - 1);
    // 32 bytes, NUL-terminated: the text is cut at a whole character within 31 bytes.
    char label[kLabelBytes] = {};
    int used = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t units = (i + 1 < text.size() && text[i] >= 0xD800 && text[i] < 0xDC00) ? 2 : 1;
        char bytes[8] = {};
        const int n = WideCharToMultiByte(CP_OEMCP, 0, text.data() + i, static_cast<int>(units), bytes,
                                          sizeof bytes, nullptr, nullptr);
        if (n <= 0 || used + n > static_cast<int>(kLabelBytes) - 1)
            break;
        std::memcpy(label + used, bytes, static_cast<size_t>(n));
        used += n;
        i += units - 1;
    }
    if (DeviceSetProperty(d.handle, QMS_PROP_USER_DATA, label, kLabelBytes) != 0)
        ShowError(d.hwnd, u"Save user data failed");
}

void OnChannelBox(SettingDialog &d, int ch)
{
    if (IsDlgButtonChecked(d.hwnd, IDC_CHANNEL_FIRST + ch) == BST_CHECKED &&
        AIConfig(d.handle, static_cast<uint16_t>(ch), kStopChannel) != 0) {
        ShowError(d.hwnd, u"Stop AI channel failed");
        return;
    }
    SetItemText(d.hwnd, IDC_VALUE_FIRST + ch, kNoReading);
}

void OnRangeChosen(SettingDialog &d, int ch)
{
    const int s = ComboSelection(d.hwnd, IDC_RANGE_FIRST + ch);
    if (s == CB_ERR)
        return;
    if (d.handle == 0) {
        ShowError(d.hwnd, u"Device closed abnormally");
        return;
    }
    if (DeviceCall call{d.handle}) {
        call->rangeIndex[ch] = static_cast<uint32_t>(s);
        call->rangeOverride[ch] = static_cast<uint16_t>(s >= RangeCount() ? s : 0);
    }
    if (AIConfig(d.handle, static_cast<uint16_t>(ch), RangeCodeOfRow(s)) != 0)
        ShowError(d.hwnd, u"Configure AI failed");
    EnableChannelLists(d, ch, s);
}

// The exception and burn-out lists: one entry of an eight-channel property changes. The other
// channels' entries are written back as read, so a failed read writes nothing.
void OnChannelSetting(SettingDialog &d, int ch, uint16_t property, int firstId, const char16_t *failure)
{
    if (d.handle == 0) {
        ShowError(d.hwnd, u"Device Closed abnormally");
        return;
    }
    uint32_t values[QMS_AI_CHANNELS] = {};
    uint32_t size = sizeof values;
    if (DeviceGetProperty(d.handle, property, values, &size) != 0) {
        ShowError(d.hwnd, failure);
        return;
    }
    values[ch] = static_cast<uint32_t>(ComboSelection(d.hwnd, firstId + ch));
    if (DeviceSetProperty(d.handle, property, values, sizeof values) != 0)
        ShowError(d.hwnd, failure);
}

void OnOk(SettingDialog &d)
{
    const int chosen = ComboSelection(d.hwnd, IDC_BOARD_ID);
    if (chosen != CB_ERR) {
        for (uint32_t n = 0; n <= kLastDeviceNumber; ++n) {
            uint32_t other = 0;
            if (n != d.deviceNumber && ReadSwitchID(n, &other) == 1 && other == static_cast<uint32_t>(chosen)) {
                ShowError(d.hwnd, u"BoardID Confliction");
                return;
            }
        }
        d.settings->SwitchID = static_cast<uint32_t>(chosen);
    }
    uint32_t rc = QMS_ERR_NULL_HANDLE;
    if (DeviceCall call{d.handle})
        rc = WriteBoardID(call.get(), d.settings->SwitchID);
    if (rc != 0) {
        ShowError(d.hwnd, u"Write board ID failed");
        return;
    }
    uint32_t readBack = 0;
    rc = QMS_ERR_NULL_HANDLE;
    if (DeviceCall call{d.handle})
        rc = ReadBoardID(call.get(), &readBack);
    if (rc != 0) {
        ShowError(d.hwnd, u"Read board ID failed");
        return;
    }
    if (readBack != d.settings->SwitchID) {
        ShowError(d.hwnd, u"Saved board ID is corrupted");
        return;
    }
    if (SaveDeviceSettings(d.deviceNumber, d.settings.get()) != 0) {
        ShowError(d.hwnd, u"Setting failed");
        return;
    }
    EndDialog(d.hwnd, 0);
}

void OnCalibration(SettingDialog &d)
{
    StopPolling(d);
    if (ResetAIConversion(d.handle) != 0)
        ShowError(d.hwnd, u"Calibration initialization failed");
    RunCalibrationWizard(d.hwnd, d.handle);
    if (StartAIConversion(d.handle) != 0)
        ShowError(d.hwnd, u"Calibration End abnormally");
    StartPolling(d);
}

void OnCommand(SettingDialog &d, int id, int code)
{
    if (id >= IDC_CHANNEL_FIRST && id < IDC_CHANNEL_FIRST + ChannelCount()) {
        if (code == BN_CLICKED)
            OnChannelBox(d, id - IDC_CHANNEL_FIRST);
        return;
    }
    if (id >= IDC_RANGE_FIRST && id < IDC_RANGE_FIRST + ChannelCount()) {
        if (code == CBN_SELENDOK)
            OnRangeChosen(d, id - IDC_RANGE_FIRST);
        return;
    }
    if (id >= IDC_EXCEPTION_FIRST && id < IDC_EXCEPTION_FIRST + ChannelCount()) {
        if (code == CBN_SELCHANGE)
            OnChannelSetting(d, id - IDC_EXCEPTION_FIRST, QMS_PROP_4_20MA_EXCEPTIONS, IDC_EXCEPTION_FIRST,
                             u"Save 4-20mA exception setting failed");
        return;
    }
    if (id >= IDC_BURNOUT_FIRST && id < IDC_BURNOUT_FIRST + ChannelCount()) {
        if (code == CBN_SELCHANGE)
            OnChannelSetting(d, id - IDC_BURNOUT_FIRST, QMS_PROP_BURNOUT_SETTINGS, IDC_BURNOUT_FIRST,
                             u"Save burn out setting failed");
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case IDOK:
        OnOk(d);
        break;
    case IDCANCEL:
        EndDialog(d.hwnd, 0);
        break;
    case IDC_LOCATE:
        OnLocate(d);
        break;
    case IDC_LABEL_EDIT:
        OnEditLabel(d);
        break;
    case IDC_LABEL_SAVE:
        OnSaveLabel(d);
        break;
    case IDC_RESTORE:
        StopPolling(d);
        RunRestoreDialog(d.hwnd, d.handle);
        StartPolling(d);
        break;
    case IDC_CJC_OFFSET:
        StopPolling(d);
        RunCjcOffsetDialog(d.hwnd, d.handle, d.settings.get());
        StartPolling(d);
        break;
    case IDC_CALIBRATION:
        OnCalibration(d);
        break;
    default:
        break;
    }
}

INT_PTR DeviceSettingDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        auto *d = reinterpret_cast<SettingDialog *>(lParam);
        d->hwnd = hwnd;
        Open(*d);
        return TRUE;
    }
    auto *d = reinterpret_cast<SettingDialog *>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!d)
        return FALSE;
    switch (msg) {
    case WM_TIMER:
        if (wParam == kPollTimer)
            Poll(*d);
        return TRUE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, IDC_RATE_BAR))
            OnRateScroll(*d, LOWORD(wParam));
        return TRUE;
    case WM_COMMAND:
        OnCommand(*d, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case UM_STOP_POLLING:
        StopPolling(*d);
        return TRUE;
    case UM_DEVICE_REMOVED:
        ShowError(hwnd, u"USB-6093 is removed.");
        EndDialog(hwnd, 0);
        return TRUE;
    case WM_DESTROY:
        // The rest of the closing sequence runs once the window is gone: a watcher caught
        // sending to the dialog is let go only then.
        StopPolling(*d);
        d->watcher.signalStop();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR RunDeviceSettingDialog(uint32_t deviceNumber, HWND parent)
{
    SettingDialog d;
    d.deviceNumber = deviceNumber;
    const INT_PTR result = RunDialog(IDD_DEVICE_SETTING, parent, DeviceSettingDlgProc, reinterpret_cast<LPARAM>(&d));
    d.watcher.signalStop();
    d.watcher.join();
    if (d.handle != 0)
        DeviceClose(&d.handle);
    return result;
}

} // namespace qms::api::ui
