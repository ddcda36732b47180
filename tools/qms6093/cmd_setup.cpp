// qms6093 setup: the device setting dialog on a device; --screenshot writes a picture of the
// dialog once its checked channels show readings, and closes it.
#include "cmd_setup.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "channel_list.h"
#include "commands.h"
#include "device_session.h"
#include "qms6093_dialogs.h"
#include "qms6093ext.h"
#include "qms_text.h"
#include "qms_ui.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

// The device type code the registry's BoardID holds for a USB-6093.
constexpr uint32_t kDeviceTypeCode = 198;
// Control IDs of the dialog the picture needs: the channel boxes and their value fields.
constexpr int kChannelBoxFirst = 1010;
constexpr int kValueFirst = 1054;
constexpr const char16_t *kNoReading = u"_._ _ _";
// How often the picture taker looks whether the readings are in, and how long it waits.
constexpr UINT kLookEveryMs = 50;
constexpr auto kReadingsWait = std::chrono::seconds(10);

struct SetupOptions {
    uint32_t device = 0;
    std::string screenshot;
    std::string channels = "0-7";
};

// The picture taker, run by a thread timer inside the dialog's loop: finds the dialog by its
// title, checks the channels, waits for their first readings, saves the picture and cancels.
struct PictureTaker {
    std::u16string title;
    std::vector<uint16_t> channels;
    std::string path;
    bool clicked = false;
    bool saved = false;
    bool done = false;
    std::chrono::steady_clock::time_point deadline{};
};
PictureTaker *taker = nullptr;

bool ReadingsShown(HWND dialog, const std::vector<uint16_t> &channels)
{
    for (uint16_t ch : channels) {
        WCHAR text[32] = {};
        GetDlgItemTextW(dialog, kValueFirst + ch, text, 32);
        if (std::u16string(text) == kNoReading || text[0] == 0)
            return false;
    }
    return true;
}

void LookAtDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    PictureTaker &t = *taker;
    if (t.done)
        return;
    const HWND dialog = FindWindowW(nullptr, t.title.c_str());
    if (!dialog) {
        if (std::chrono::steady_clock::now() > t.deadline) {
            t.done = true;
            KillTimer(nullptr, timer);
        }
        return;
    }
    if (!t.clicked) {
        for (uint16_t ch : t.channels)
            SendDlgItemMessageW(dialog, kChannelBoxFirst + ch, BM_CLICK, 0, 0);
        t.clicked = true;
        t.deadline = std::chrono::steady_clock::now() + kReadingsWait;
        return;
    }
    // A module that gives no reading still gets its picture, with what the dialog shows.
    if (!ReadingsShown(dialog, t.channels) && std::chrono::steady_clock::now() < t.deadline)
        return;
    t.done = true;
    KillTimer(nullptr, timer);
    t.saved = qms_ui_snapshot(dialog, t.path.c_str()) != FALSE;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

std::u16string DialogTitle(uint32_t device)
{
    std::u16string title = u"USB-6093 Device Setting";
    DeviceSession session(device);
    char version[64] = {};
    if (QmsReadFirmwareVersion(session.handle(), version, sizeof version) == 0)
        title += u" (Firmware Version: " + Utf16(version) + u")";
    return title;
}

int RunSetup(const Output &out, const SetupOptions &options)
{
    // The device must be there; the dialog says the rest itself.
    const std::u16string title = DialogTitle(options.device);
    if (qms_ui_start() != 0)
        throw ToolError(ExitDeviceError, "window system", qms_ui_failure() ? qms_ui_failure() : "it cannot start");
    std::unique_ptr<PictureTaker> picture;
    if (!options.screenshot.empty()) {
        picture = std::make_unique<PictureTaker>();
        picture->title = title;
        picture->channels = ParseChannelList(options.channels, "--channel");
        picture->path = options.screenshot;
        picture->deadline = std::chrono::steady_clock::now() + kReadingsWait;
        taker = picture.get();
        SetTimer(nullptr, 0, kLookEveryMs, LookAtDialog);
    }
    const int32_t endCode = DeviceConfigExt(options.device, kDeviceTypeCode, nullptr);
    taker = nullptr;
    if (endCode < 0)
        throw ToolError(ExitDeviceError, "device " + std::to_string(options.device), "the dialog could not be shown");
    nlohmann::json document = {{"device", options.device}, {"end_code", endCode}};
    std::string human;
    if (picture) {
        if (!picture->saved)
            throw ToolError(ExitDeviceError, options.screenshot, "no picture of the dialog was written");
        document["screenshot"] = options.screenshot;
        human = "wrote " + options.screenshot + "\n";
    }
    out.emit(document, human);
    return endCode;
}

} // namespace

std::function<std::optional<int>(const Output &)> AddSetupCommand(CLI::App &app)
{
    auto options = std::make_shared<SetupOptions>();
    CLI::App *setup = app.add_subcommand("setup", "the device setting dialog (board ID, ranges, live readings, "
                                                  "calibration, CJC offset); exit status: its end code");
    setup->add_option("-d,--device", options->device, "device number (from `qms6093 list`)")->default_val(0);
    setup->add_option("--screenshot", options->screenshot,
                      "write a PNG of the dialog once the channels show readings, then close it");
    setup->add_option("-c,--channel", options->channels, "--screenshot: channels to check first")->default_val("0-7");
    setup->footer("On a desktop the dialog opens in its window. Without a display:\n"
                  "  QT_QPA_PLATFORM=offscreen qms6093 setup -d 0 --screenshot dialog.png\n"
                  "  QT_QPA_PLATFORM=vnc:size=800x600 qms6093 setup -d 0   (then a VNC viewer on port 5900)");
    return [setup, options](const Output &out) -> std::optional<int> {
        if (!*setup)
            return std::nullopt;
        return RunSetup(out, *options);
    };
}

} // namespace qms::cli
