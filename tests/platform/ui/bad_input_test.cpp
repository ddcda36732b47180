// Bad input fails with the failure value and last error, never with a crash: unknown
// resources, malformed templates, stale handles and handles of another kind, control IDs a
// dialog does not have.
#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

// Templates that lie about themselves, registered as resources so that their size is known.
const unsigned char tooShort[] = {0x01, 0x00, 0xFF, 0xFF};
// A DIALOGEX header that promises three items and ends after its (empty) title.
alignas(4) const unsigned char missingItems[] = {
    0x01, 0x00, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0xC8, 0x80, // style WS_POPUP|...
    0x03, 0x00, 0, 0, 0, 0, 50, 0, 20, 0,                                  // 3 items, 0,0,50,20
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00};                                     // menu, class, title
// A title without its terminator.
alignas(4) const unsigned char unterminated[] = {
    0x01, 0x00, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0xC8, 0x80,
    0x00, 0x00, 0, 0, 0, 0, 50, 0, 20, 0, 0x00, 0x00, 0x00, 0x00, 'A', 0x00, 'B', 0x00};

const QMS_RESOURCE badTemplates[] = {
    {.type = 5, .id = 950, .name = nullptr, .language = 1033, .data = tooShort, .size = sizeof tooShort},
    {.type = 5, .id = 951, .name = nullptr, .language = 1033, .data = missingItems, .size = sizeof missingItems},
    {.type = 5, .id = 952, .name = nullptr, .language = 1033, .data = unterminated, .size = sizeof unterminated},
};

LPCDLGTEMPLATEW bad(int id)
{
    return static_cast<LPCDLGTEMPLATEW>(LoadResource(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG)));
}

TEST(BadInput, MalformedTemplatesAreRefused)
{
    qms_ui_register_resources(badTemplates, std::size(badTemplates));
    Recorder recorder;
    for (int id : {950, 951, 952}) {
        ASSERT_NE(bad(id), nullptr);
        SetLastError(0);
        EXPECT_EQ(DialogBoxIndirectParamW(nullptr, bad(id), nullptr, Recorder::proc, reinterpret_cast<LPARAM>(&recorder)), -1) << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << id;
        EXPECT_EQ(CreateDialogIndirectParamW(nullptr, bad(id), nullptr, Recorder::proc, reinterpret_cast<LPARAM>(&recorder)), nullptr) << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << id;
    }
    EXPECT_TRUE(recorder.log.empty()) << "no procedure runs for a dialog that was never made";
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, nullptr, nullptr, Recorder::proc, 0), -1);
    qms_ui_unregister_resources(badTemplates);
}

TEST(BadInput, UnknownResourcesAndClassesAreRefused)
{
    Recorder recorder;
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(9999), nullptr, Recorder::proc, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_UNKNOWN_CLASS), nullptr, Recorder::proc,
                                         reinterpret_cast<LPARAM>(&recorder)),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), reinterpret_cast<HWND>(0x80015555u),
                                      Recorder::proc, 0),
              -1) << "an owner that does not exist";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(BadInput, StaleHandlesAreRefused)
{
    Recorder recorder;
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_CONTROLS), nullptr, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&recorder));
    const HWND control = GetDlgItem(hwnd, IDC_EDIT);
    ASSERT_TRUE(DestroyWindow(hwnd));
    processEvents();
    for (HWND stale : {hwnd, control}) {
        EXPECT_FALSE(IsWindow(stale));
        SetLastError(0);
        EXPECT_FALSE(SetWindowTextW(stale, u"x"));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_EQ(SendMessageW(stale, WM_GETTEXTLENGTH, 0, 0), 0);
        EXPECT_FALSE(PostMessageW(stale, WM_USER, 0, 0));
        EXPECT_FALSE(ShowWindow(stale, SW_SHOW));
        EXPECT_EQ(SetTimer(stale, 1, 10, nullptr), 0u);
        EXPECT_FALSE(DestroyWindow(stale));
    }
    EXPECT_EQ(GetDlgItem(hwnd, IDC_EDIT), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(EndDialog(hwnd, 1));
    EXPECT_EQ(recorder.log.back().msg, static_cast<UINT>(WM_NCDESTROY));
}

TEST(BadInput, HandlesOfAnotherKindAreRefused)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    const HBITMAP bitmap = LoadBitmapW(nullptr, MAKEINTRESOURCEW(IDB_PICTURE));
    for (HWND wrong : {reinterpret_cast<HWND>(event), reinterpret_cast<HWND>(brush), reinterpret_cast<HWND>(bitmap),
                       reinterpret_cast<HWND>(0x12345678), reinterpret_cast<HWND>(~std::uintptr_t{0})}) {
        EXPECT_FALSE(IsWindow(wrong));
        SetLastError(0);
        EXPECT_EQ(SendMessageW(wrong, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x")), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_EQ(GetDlgItem(wrong, IDOK), nullptr);
    }
    // A window is no device context and no GDI object.
    EXPECT_EQ(SetTextColor(reinterpret_cast<HDC>(dialog.hwnd()), 0), CLR_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeleteObject(dialog.hwnd()));
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(dialog.hwnd()))) << "windows are not kernel objects";
    EXPECT_TRUE(IsWindow(dialog.hwnd()));
    // A control is no dialog.
    EXPECT_FALSE(EndDialog(dialog.item(IDOK), 1));
    EXPECT_FALSE(DestroyWindow(dialog.item(IDOK)));
    EXPECT_TRUE(IsWindow(dialog.item(IDOK)));
    RECT rect{0, 0, 4, 8};
    EXPECT_FALSE(MapDialogRect(dialog.item(IDOK), &rect));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(CloseHandle(event));
}

TEST(BadInput, ControlIdsTheDialogDoesNotHaveAreRefused)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    SetLastError(0);
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), 9999, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"x")), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
    EXPECT_FALSE(SetDlgItemTextW(dialog.hwnd(), 9999, u"x"));
    WCHAR text[8] = u"junk";
    EXPECT_EQ(GetDlgItemTextW(dialog.hwnd(), 9999, text, 8), 0u);
    EXPECT_EQ(text[0], u'\0');
    EXPECT_EQ(IsDlgButtonChecked(dialog.hwnd(), 9999), 0u);
    EXPECT_FALSE(CheckDlgButton(dialog.hwnd(), 9999, BST_CHECKED));
}

TEST(BadInput, BadArgumentsOfWindowCallsAreRefused)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(dialog.hwnd(), 12345), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(GetWindowLongPtrW(dialog.item(IDOK), DWLP_USER), 0) << "a control has no dialog data";
    SCROLLINFO info{};
    info.cbSize = 3;
    EXPECT_FALSE(GetScrollInfo(dialog.item(IDC_SCROLL), SB_CTL, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetWindowRect(dialog.hwnd(), nullptr));
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_LIST, LVM_INSERTCOLUMNW, 0, 0), -1) << "no column given";
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_LIST, LVM_INSERTITEMW, 0, 0), -1);
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_TAB, TCM_INSERTITEMW, 0, 0), -1);
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_TREE, TVM_INSERTITEMW, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_COMBO, CB_GETLBTEXT, 3, 0), CB_ERR);
    EXPECT_EQ(MessageBoxW(nullptr, u"x", u"y", 0x0F), 0) << "no such box type";
}

} // namespace
} // namespace qms::ui::test
