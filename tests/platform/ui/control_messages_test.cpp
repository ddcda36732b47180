// The messages the dialogs send their controls, with the results the original gives them.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

LRESULT send(HWND dialog, int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendDlgItemMessageW(dialog, id, msg, wParam, lParam);
}

LPARAM text(const char16_t *s)
{
    return reinterpret_cast<LPARAM>(s);
}

class ControlMessages : public testing::Test {
protected:
    Recorder recorder;
    TestDialog dialog{IDD_CONTROLS, recorder};
    HWND h = dialog.hwnd();
};

TEST_F(ControlMessages, ComboBoxAddSelectGet)
{
    EXPECT_EQ(send(h, IDC_COMBO, CB_ADDSTRING, 0, text(u"0")), 0);
    EXPECT_EQ(send(h, IDC_COMBO, CB_ADDSTRING, 0, text(u"1")), 1);
    EXPECT_EQ(send(h, IDC_COMBO, CB_ADDSTRING, 0, text(u"15")), 2);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETCOUNT), 3);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETCURSEL), CB_ERR) << "adding selects nothing";
    EXPECT_EQ(send(h, IDC_COMBO, CB_SETCURSEL, 2), 2);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETCURSEL), 2);
    EXPECT_EQ(dialog.control<QComboBox>(IDC_COMBO)->currentText(), "15");
    WCHAR item[8];
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETLBTEXTLEN, 2), 2);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item)), 2);
    EXPECT_EQ(std::u16string(item), u"15");
    EXPECT_EQ(send(h, IDC_COMBO, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), text(u"1")), 1);
    EXPECT_EQ(send(h, IDC_COMBO, CB_FINDSTRING, static_cast<WPARAM>(-1), text(u"1")), 1);
    EXPECT_EQ(send(h, IDC_COMBO, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), text(u"7")), CB_ERR);
    EXPECT_EQ(send(h, IDC_COMBO, CB_SETITEMDATA, 1, 0x5A5A), TRUE);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETITEMDATA, 1), 0x5A5A);
    // An index out of range clears the selection and says so.
    EXPECT_EQ(send(h, IDC_COMBO, CB_SETCURSEL, 7), CB_ERR);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(send(h, IDC_COMBO, CB_DELETESTRING, 0), 2);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(item)), CB_ERR);
    EXPECT_EQ(send(h, IDC_COMBO, CB_RESETCONTENT), 0);
    EXPECT_EQ(send(h, IDC_COMBO, CB_GETCOUNT), 0);
    // The program's own selections send nothing.
    EXPECT_TRUE(recorder.commands(IDC_COMBO).empty());
}

TEST_F(ControlMessages, EditLimitReadOnlyAndText)
{
    EXPECT_EQ(send(h, IDC_EDIT, EM_GETLIMITTEXT), 32767);
    send(h, IDC_EDIT, EM_LIMITTEXT, 32);
    EXPECT_EQ(send(h, IDC_EDIT, EM_GETLIMITTEXT), 32);
    send(h, IDC_EDIT, EM_SETREADONLY, TRUE);
    EXPECT_TRUE(dialog.control<QLineEdit>(IDC_EDIT)->isReadOnly());
    EXPECT_TRUE(GetWindowLongW(dialog.item(IDC_EDIT), GWL_STYLE) & ES_READONLY);
    send(h, IDC_EDIT, EM_SETREADONLY, FALSE);
    EXPECT_FALSE(dialog.control<QLineEdit>(IDC_EDIT)->isReadOnly());
    EXPECT_FALSE(GetWindowLongW(dialog.item(IDC_EDIT), GWL_STYLE) & ES_READONLY);

    ASSERT_TRUE(SetDlgItemTextW(h, IDC_EDIT, u"Oven 2"));
    WCHAR buffer[4];
    EXPECT_EQ(GetDlgItemTextW(h, IDC_EDIT, buffer, 4), 3u) << "as much as fits, terminated";
    EXPECT_EQ(std::u16string(buffer), u"Ove");
    EXPECT_EQ(GetWindowTextLengthW(dialog.item(IDC_EDIT)), 6);
    EXPECT_EQ(send(h, IDC_EDIT, EM_GETMODIFY), FALSE);
    EXPECT_TRUE(SetDlgItemInt(h, IDC_EDIT, static_cast<UINT>(-12), TRUE));
    BOOL translated = FALSE;
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(h, IDC_EDIT, &translated, TRUE)), -12);
    EXPECT_TRUE(translated);
    SetDlgItemTextW(h, IDC_EDIT, u"1.5");
    GetDlgItemInt(h, IDC_EDIT, &translated, TRUE);
    EXPECT_FALSE(translated);
    // A text longer than the limit, set by the program, stays whole.
    send(h, IDC_EDIT, EM_LIMITTEXT, 3);
    SetDlgItemTextW(h, IDC_EDIT, u"123456");
    EXPECT_EQ(dialog.control<QLineEdit>(IDC_EDIT)->text(), "123456");
}

TEST_F(ControlMessages, CheckStates)
{
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_AUTOCHECK), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_TRUE(CheckDlgButton(h, IDC_AUTOCHECK, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_AUTOCHECK), static_cast<UINT>(BST_CHECKED));
    send(h, IDC_PUSHLIKE, BM_SETCHECK, BST_CHECKED);
    EXPECT_TRUE(dialog.control<QPushButton>(IDC_PUSHLIKE)->isChecked());
    EXPECT_EQ(send(h, IDC_PUSHLIKE, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(send(h, IDOK, BM_GETCHECK), BST_UNCHECKED) << "a push button has no check state";
    EXPECT_TRUE(recorder.commands(IDC_AUTOCHECK).empty()) << "BM_SETCHECK is no click";
    send(h, IDOK, BM_CLICK);
    EXPECT_EQ(recorder.commands(IDOK), std::vector<WORD>{BN_CLICKED});
}

TEST_F(ControlMessages, DefaultButtonIsTheDialogs)
{
    EXPECT_EQ(SendMessageW(h, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    SendMessageW(h, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(SendMessageW(h, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
    EXPECT_TRUE(dialog.control<QPushButton>(IDCANCEL)->isDefault());
    EXPECT_FALSE(dialog.control<QPushButton>(IDOK)->isDefault());
    EXPECT_EQ(LOWORD(GetWindowLongW(dialog.item(IDCANCEL), GWL_STYLE)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(ControlMessages, ScrollBarRangePageAndPosition)
{
    const HWND bar = dialog.item(IDC_SCROLL);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = 109;
    info.nPage = 10;
    info.nPos = 10;
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 10);
    SCROLLINFO read{};
    read.cbSize = sizeof read;
    read.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(bar, SB_CTL, &read));
    EXPECT_EQ(read.nMin, 0);
    EXPECT_EQ(read.nMax, 109);
    EXPECT_EQ(read.nPage, 10u);
    EXPECT_EQ(read.nPos, 10);
    // The last position leaves room for a page: 109 - 10 + 1.
    info.fMask = SIF_POS;
    info.nPos = 109;
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 100);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 100);
    EXPECT_EQ(SetScrollPos(bar, SB_CTL, -5, TRUE), 100);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
    auto *widget = dialog.control<QScrollBar>(IDC_SCROLL);
    EXPECT_EQ(widget->maximum(), 100);
    EXPECT_EQ(widget->pageStep(), 10);
    int low = 0, high = 0;
    ASSERT_TRUE(GetScrollRange(bar, SB_CTL, &low, &high));
    EXPECT_EQ(high, 109);
    EXPECT_TRUE(recorder.scrolls(bar).empty());
    // Only scroll bar controls have scroll bars here.
    EXPECT_FALSE(GetScrollInfo(bar, SB_HORZ, &read));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SCROLLBARS));
    EXPECT_FALSE(GetScrollInfo(dialog.item(IDC_EDIT), SB_CTL, &read));
}

TEST_F(ControlMessages, TrackbarRangeTicksAndPosition)
{
    send(h, IDC_TRACKBAR, TBM_SETRANGE, TRUE, MAKELPARAM(static_cast<WORD>(-1000), 1000));
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETRANGEMIN), -1000);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETRANGEMAX), 1000);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETPAGESIZE), 400) << "a fifth of the range";
    send(h, IDC_TRACKBAR, TBM_SETTICFREQ, 200);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETNUMTICS), 11);
    EXPECT_EQ(dialog.control<QSlider>(IDC_TRACKBAR)->tickInterval(), 200);
    EXPECT_EQ(dialog.control<QSlider>(IDC_TRACKBAR)->tickPosition(), QSlider::TicksBothSides);
    send(h, IDC_TRACKBAR, TBM_SETPOS, TRUE, -250);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETPOS), -250);
    send(h, IDC_TRACKBAR, TBM_SETPOS, TRUE, 5000);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETPOS), 1000);
    send(h, IDC_TRACKBAR, TBM_SETRANGEMAX, TRUE, 500);
    EXPECT_EQ(send(h, IDC_TRACKBAR, TBM_GETPOS), 500) << "the position follows a shrinking range";
    EXPECT_TRUE(recorder.scrolls(dialog.item(IDC_TRACKBAR)).empty());
}

TEST_F(ControlMessages, UpDownRangeAndPosition)
{
    // UDM_SETRANGE: maximum in the low word, minimum in the high word.
    send(h, IDC_UPDOWN, UDM_SETRANGE, 0, MAKELPARAM(1000, static_cast<WORD>(-1000)));
    EXPECT_EQ(send(h, IDC_UPDOWN, UDM_GETRANGE), MAKELRESULT(1000, static_cast<WORD>(-1000)));
    int low = 0, high = 0;
    send(h, IDC_UPDOWN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, -1000);
    EXPECT_EQ(high, 1000);
    EXPECT_EQ(send(h, IDC_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(-250), 0)), 0);
    EXPECT_EQ(static_cast<short>(LOWORD(send(h, IDC_UPDOWN, UDM_GETPOS))), -250);
    EXPECT_EQ(HIWORD(send(h, IDC_UPDOWN, UDM_GETPOS)), 0);
    send(h, IDC_UPDOWN, UDM_SETPOS32, 0, 4000);
    EXPECT_EQ(send(h, IDC_UPDOWN, UDM_GETPOS32), 1000) << "clamped to the range";
    EXPECT_EQ(send(h, IDC_UPDOWN, UDM_SETBUDDY, reinterpret_cast<WPARAM>(dialog.item(IDC_BUDDY))), 0);
    EXPECT_EQ(send(h, IDC_UPDOWN, UDM_GETBUDDY), reinterpret_cast<LRESULT>(dialog.item(IDC_BUDDY)));
}

TEST_F(ControlMessages, ListViewColumnsItemsSubItemsAndMark)
{
    const HWND list = dialog.item(IDC_LIST);
    const char16_t *heads[] = {u"Range", u"Zero range Calibration", u"Full range Calibration"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = 90;
        column.pszText = const_cast<LPWSTR>(heads[i]);
        EXPECT_EQ(ListView_InsertColumn(list, i, &column), i);
    }
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 90);
    auto *table = dialog.control<QTableWidget>(IDC_LIST);
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "Full range Calibration");

    const char16_t *rows[] = {u"0-0.015V", u"0-0.050V", u"0-20mA"};
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<LPWSTR>(rows[i]);
        EXPECT_EQ(ListView_InsertItem(list, &item), i);
    }
    EXPECT_EQ(ListView_GetItemCount(list), 3);
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<LPWSTR>(u"OK");
    EXPECT_EQ(SendMessageW(list, LVM_SETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&sub)), TRUE);
    EXPECT_EQ(table->item(2, 1)->text(), "OK");
    WCHAR read[16];
    LVITEMW get{};
    get.iSubItem = 0;
    get.pszText = read;
    get.cchTextMax = 16;
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&get)), 6);
    EXPECT_EQ(std::u16string(read), u"0-20mA");
    sub.iSubItem = 5;
    EXPECT_EQ(SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&sub)), FALSE)
        << "no such column";

    EXPECT_EQ(ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), 0u);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(list), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(table->showGrid());

    // Selecting and focusing row 0 is announced, and marks it when nothing was marked.
    LVITEMW state{};
    state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    EXPECT_EQ(SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state)), TRUE);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED | LVIS_FOCUSED),
              static_cast<LRESULT>(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(recorder.notifications(IDC_LIST), std::vector<UINT>({LVN_INSERTITEM, LVN_INSERTITEM, LVN_INSERTITEM, LVN_ITEMCHANGED}));
    EXPECT_EQ(ListView_GetSelectionMark(list), 0);
    EXPECT_EQ(ListView_SetSelectionMark(list, 2), 0);
    EXPECT_EQ(ListView_GetSelectionMark(list), 2);
    // Deleting a row before the mark moves the mark with its row.
    EXPECT_EQ(SendMessageW(list, LVM_DELETEITEM, 0, 0), TRUE);
    EXPECT_EQ(ListView_GetSelectionMark(list), 1);
    EXPECT_TRUE(ListView_DeleteAllItems(list));
    EXPECT_EQ(ListView_GetSelectionMark(list), -1);
}

TEST_F(ControlMessages, TabInsertAndCurrentSelection)
{
    const HWND tab = dialog.item(IDC_TAB);
    const char16_t *names[] = {u"Device", u"AI", u"DIO"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPWSTR>(names[i]);
        EXPECT_EQ(TabCtrl_InsertItem(tab, i, &item), i);
    }
    EXPECT_EQ(TabCtrl_GetItemCount(tab), 3);
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 0);
    EXPECT_EQ(TabCtrl_SetCurSel(tab, 2), 0);
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 2);
    EXPECT_EQ(dialog.control<QTabBar>(IDC_TAB)->currentIndex(), 2);
    EXPECT_EQ(dialog.control<QTabBar>(IDC_TAB)->tabText(1), "AI");
    WCHAR read[8];
    TCITEMW get{};
    get.mask = TCIF_TEXT;
    get.pszText = read;
    get.cchTextMax = 8;
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&get)), TRUE);
    EXPECT_EQ(std::u16string(read), u"DIO");
    EXPECT_TRUE(recorder.notifications(IDC_TAB).empty()) << "TCM_SETCURSEL is quiet";
}

TEST_F(ControlMessages, TreeInsertsUnderTheFirstVisibleItem)
{
    const HWND tree = dialog.item(IDC_TREE);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<LPWSTR>(u"DeviceTemplate");
    const HTREEITEM root = TreeView_InsertItem(tree, &insert);
    ASSERT_NE(root, nullptr);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(root), 0x100000000u) << "a token, not a pointer";
    EXPECT_EQ(TreeView_GetFirstVisible(tree), root);
    insert.hParent = TreeView_GetFirstVisible(tree);
    insert.item.pszText = const_cast<LPWSTR>(u"USB_6093");
    const HTREEITEM child = TreeView_InsertItem(tree, &insert);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(TreeView_GetChild(tree, root), child);
    EXPECT_EQ(TreeView_GetNextItem(tree, child, TVGN_PARENT), root);
    EXPECT_EQ(TreeView_GetNextItem(tree, child, TVGN_NEXT), nullptr);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 2);
    WCHAR read[16];
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = child;
    item.pszText = read;
    item.cchTextMax = 16;
    ASSERT_EQ(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)), TRUE);
    EXPECT_EQ(std::u16string(read), u"USB_6093");
    EXPECT_EQ(dialog.control<QTreeWidget>(IDC_TREE)->topLevelItem(0)->child(0)->text(0), "USB_6093");
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_EXPAND));
    EXPECT_EQ(TreeView_GetNextItem(tree, root, TVGN_NEXTVISIBLE), child);
    EXPECT_TRUE(recorder.notifications(IDC_TREE).empty());
    // A handle the tree never gave out names nothing.
    insert.hParent = reinterpret_cast<HTREEITEM>(0xDEAD);
    EXPECT_EQ(TreeView_InsertItem(tree, &insert), nullptr);
}

// The note line of the offset dialog: red text on the button face, opaque.
INT_PTR redNote(HWND, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_CTLCOLORSTATIC || GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_NOTE)
        return FALSE;
    const HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

int redPixels(QWidget *w)
{
    const QImage image = w->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++count;
        }
    }
    return count;
}

TEST_F(ControlMessages, StaticColoursComeFromWmCtlColorStatic)
{
    SetDlgItemTextW(h, IDC_NOTE, u"Info.: CJC Offset was updated by user");
    QWidget *note = dialog.control(IDC_NOTE);
    EXPECT_EQ(redPixels(note), 0);
    recorder.handler = redNote;
    EXPECT_GT(redPixels(note), 20);
    EXPECT_TRUE(recorder.got(WM_CTLCOLORSTATIC));
    // The procedure's choice holds for that control only.
    EXPECT_EQ(redPixels(dialog.control(IDC_LABEL)), 0);
}

TEST_F(ControlMessages, TextOfStaticsKeepsItsMnemonicMarks)
{
    SetDlgItemTextW(h, IDC_LABEL, u"&Rate && Hz");
    EXPECT_EQ(dialog.control<QLabel>(IDC_LABEL)->text(), "Rate & Hz");
    WCHAR read[16];
    GetDlgItemTextW(h, IDC_LABEL, read, 16);
    EXPECT_EQ(std::u16string(read), u"&Rate && Hz");
}

} // namespace
} // namespace qms::ui::test
