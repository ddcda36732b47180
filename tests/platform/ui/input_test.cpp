// A person's input through Qt Test reaches the dialog procedure as the notifications the
// original sends for it.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

class Input : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.widget())); }

    LRESULT send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendDlgItemMessageW(h, id, msg, wParam, lParam);
    }

    Recorder recorder;
    TestDialog dialog{IDD_CONTROLS, recorder};
    HWND h = dialog.hwnd();
};

TEST_F(Input, ClickingAButtonSendsBnClickedWithTheButton)
{
    QTest::mouseClick(dialog.control(IDOK), Qt::LeftButton);
    ASSERT_EQ(recorder.commands(IDOK), std::vector<WORD>{BN_CLICKED});
    const auto it = std::find_if(recorder.log.begin(), recorder.log.end(),
                                 [](const Message &m) { return m.msg == WM_COMMAND; });
    EXPECT_EQ(reinterpret_cast<HWND>(it->lParam), dialog.item(IDOK));
    QTest::mouseClick(dialog.control(IDC_DISABLED), Qt::LeftButton);
    EXPECT_TRUE(recorder.commands(IDC_DISABLED).empty()) << "a disabled button takes no clicks";
}

TEST_F(Input, CheckBoxesChangeThemselvesOnlyWhenAutomatic)
{
    // The procedure reads the state the box has when it hears of the click.
    UINT seen = 99;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_AUTOCHECK)
            seen = IsDlgButtonChecked(hwnd, IDC_AUTOCHECK);
        return FALSE;
    };
    // The group box lies over the check box; the click goes through it.
    QTest::mouseClick(dialog.control(IDC_AUTOCHECK), Qt::LeftButton);
    EXPECT_EQ(recorder.commands(IDC_AUTOCHECK), std::vector<WORD>{BN_CLICKED});
    EXPECT_EQ(seen, static_cast<UINT>(BST_CHECKED));

    QTest::mouseClick(dialog.control(IDC_MANUALCHECK), Qt::LeftButton);
    EXPECT_EQ(recorder.commands(IDC_MANUALCHECK), std::vector<WORD>{BN_CLICKED});
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_MANUALCHECK), static_cast<UINT>(BST_UNCHECKED));

    auto *locate = dialog.control<QPushButton>(IDC_PUSHLIKE);
    QTest::mouseClick(locate, Qt::LeftButton);
    EXPECT_TRUE(locate->isChecked());
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_PUSHLIKE), static_cast<UINT>(BST_CHECKED));
    QTest::mouseClick(locate, Qt::LeftButton);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_PUSHLIKE), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(recorder.commands(IDC_PUSHLIKE), std::vector<WORD>({BN_CLICKED, BN_CLICKED}));
}

TEST_F(Input, KeyboardSelectionInAComboBoxConfirmsAndChanges)
{
    for (const char16_t *s : {u"Upper limit", u"Lower limit", u"Last  value"})
        send(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    send(IDC_COMBO, CB_SETCURSEL, 0);
    int selectionSeen = -1;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_COMBO && HIWORD(wParam) == CBN_SELCHANGE)
            selectionSeen = static_cast<int>(SendDlgItemMessageW(hwnd, IDC_COMBO, CB_GETCURSEL, 0, 0));
        return FALSE;
    };
    auto *combo = dialog.control<QComboBox>(IDC_COMBO);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(recorder.commands(IDC_COMBO), std::vector<WORD>({CBN_SELENDOK, CBN_SELCHANGE}));
    EXPECT_EQ(selectionSeen, 1);
    EXPECT_EQ(send(IDC_COMBO, CB_GETCURSEL), 1);
}

TEST_F(Input, MouseChoiceInTheDroppedListIsConfirmedThenClosed)
{
    for (const char16_t *s : {u"J", u"K", u"S"})
        send(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    auto *combo = dialog.control<QComboBox>(IDC_COMBO);
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect item = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.commands(IDC_COMBO).size() >= 4; }));
    EXPECT_EQ(recorder.commands(IDC_COMBO),
              std::vector<WORD>({CBN_DROPDOWN, CBN_SELENDOK, CBN_SELCHANGE, CBN_CLOSEUP}));
    EXPECT_EQ(send(IDC_COMBO, CB_GETCURSEL), 2);
}

TEST_F(Input, TypingIsTellingApartFromTheProgramsOwnText)
{
    std::vector<BOOL> modified;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_EDIT && HIWORD(wParam) == EN_CHANGE)
            modified.push_back(static_cast<BOOL>(SendDlgItemMessageW(hwnd, IDC_EDIT, EM_GETMODIFY, 0, 0)));
        return FALSE;
    };
    auto *edit = dialog.control<QLineEdit>(IDC_EDIT);
    edit->setFocus();
    QTest::keyClicks(edit, "12");
    EXPECT_EQ(edit->text(), "12");
    SetDlgItemTextW(h, IDC_EDIT, u"10.00");
    EXPECT_EQ(modified, std::vector<BOOL>({TRUE, TRUE, FALSE}));
}

TEST_F(Input, TheLimitStopsTypingButNotShortening)
{
    send(IDC_EDIT, EM_LIMITTEXT, 3);
    auto *edit = dialog.control<QLineEdit>(IDC_EDIT);
    edit->setFocus();
    QTest::keyClicks(edit, "12345");
    EXPECT_EQ(edit->text(), "123");
    SetDlgItemTextW(h, IDC_EDIT, u"123456");
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "12345");
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->text(), "12345");
}

// Where on a slider-like widget a sub-control is.
QRect part(QAbstractSlider *slider, QStyle::SubControl control)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.upsideDown = slider->invertedAppearance();
    if (auto *s = qobject_cast<QSlider *>(slider)) {
        option.tickPosition = s->tickPosition();
        option.tickInterval = s->tickInterval();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, control, slider);
    }
    option.subControls = QStyle::SC_All;
    return slider->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, slider);
}

// Part of the device setting dialog's rate bar: a line step moves one position, the program
// stores it.
INT_PTR rateBar(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_HSCROLL || GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_SCROLL)
        return FALSE;
    const HWND bar = reinterpret_cast<HWND>(lParam);
    const int p = GetScrollPos(bar, SB_CTL);
    switch (LOWORD(wParam)) {
    case SB_LINERIGHT: SetScrollPos(bar, SB_CTL, p + 1, TRUE); break;
    case SB_THUMBPOSITION: SetScrollPos(bar, SB_CTL, HIWORD(wParam), TRUE); break;
    default: break;
    }
    (void)hwnd;
    return TRUE;
}

TEST_F(Input, AScrollBarMovesOnlyWhenTheProgramMovesIt)
{
    const HWND bar = dialog.item(IDC_SCROLL);
    SetScrollRange(bar, SB_CTL, 0, 109, TRUE);
    SetScrollPos(bar, SB_CTL, 10, TRUE);
    auto *widget = dialog.control<QScrollBar>(IDC_SCROLL);
    const QPoint rightArrow = part(widget, QStyle::SC_ScrollBarAddLine).center();

    QTest::mouseClick(widget, Qt::LeftButton, {}, rightArrow);
    EXPECT_EQ(recorder.scrolls(bar), std::vector<WORD>({SB_LINERIGHT, SB_ENDSCROLL}));
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 10) << "nobody moved it";
    EXPECT_EQ(widget->value(), 10);

    recorder.clear();
    recorder.handler = rateBar;
    QTest::mouseClick(widget, Qt::LeftButton, {}, rightArrow);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 11);
    EXPECT_EQ(widget->value(), 11);
}

TEST_F(Input, DraggingAScrollBarThumbTracksThenPositions)
{
    const HWND bar = dialog.item(IDC_SCROLL);
    SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
    auto *widget = dialog.control<QScrollBar>(IDC_SCROLL);
    const QPoint from = part(widget, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, from + QPoint(40, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, from + QPoint(40, 0));
    const std::vector<WORD> codes = recorder.scrolls(bar);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), SB_THUMBTRACK);
    EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
    EXPECT_EQ(codes.back(), SB_ENDSCROLL);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0) << "the thumb goes back when the program keeps it";
    EXPECT_EQ(widget->value(), 0);

    recorder.clear();
    recorder.handler = rateBar;
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, from + QPoint(40, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, from + QPoint(40, 0));
    EXPECT_GT(GetScrollPos(bar, SB_CTL), 0) << "the program took the thumb's position";
    EXPECT_EQ(widget->value(), GetScrollPos(bar, SB_CTL));
}

TEST_F(Input, DraggingATrackbarReportsPositionsItAlreadyHas)
{
    const HWND bar = dialog.item(IDC_TRACKBAR);
    send(IDC_TRACKBAR, TBM_SETRANGE, TRUE, MAKELPARAM(static_cast<WORD>(-1000), 1000));
    send(IDC_TRACKBAR, TBM_SETPOS, TRUE, 0);
    std::vector<std::pair<int, int>> tracked; // reported position, TBM_GETPOS at that moment
    recorder.handler = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == bar && LOWORD(wParam) == TB_THUMBTRACK)
            tracked.emplace_back(static_cast<short>(HIWORD(wParam)),
                                 static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0)));
        return FALSE;
    };
    auto *slider = dialog.control<QSlider>(IDC_TRACKBAR);
    const QPoint from = part(slider, QStyle::SC_SliderHandle).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    QTest::mouseMove(slider, from - QPoint(50, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, from - QPoint(50, 0));
    ASSERT_FALSE(tracked.empty());
    for (const auto &[reported, position] : tracked)
        EXPECT_EQ(reported, position);
    const int final = static_cast<int>(send(IDC_TRACKBAR, TBM_GETPOS));
    EXPECT_LT(final, 0);
    const std::vector<WORD> codes = recorder.scrolls(bar);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes[codes.size() - 2], TB_THUMBPOSITION);
    EXPECT_EQ(codes.back(), TB_ENDTRACK);

    // Keys as on the original: Right goes up one line, Page Up down one page.
    recorder.clear();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(send(IDC_TRACKBAR, TBM_GETPOS), final + 1);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(send(IDC_TRACKBAR, TBM_GETPOS), final + 1 - 400);
    EXPECT_EQ(recorder.scrolls(bar), std::vector<WORD>({TB_LINEDOWN, TB_ENDTRACK, TB_PAGEUP, TB_ENDTRACK}));
}

TEST_F(Input, UpDownAsksBeforeItSteps)
{
    const HWND upDown = dialog.item(IDC_UPDOWN);
    send(IDC_UPDOWN, UDM_SETRANGE, 0, MAKELPARAM(1000, static_cast<WORD>(-1000)));
    send(IDC_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(10, 0));
    std::vector<std::pair<int, int>> asked; // iPos, position the control reports meanwhile
    bool refuse = false;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg != WM_NOTIFY || reinterpret_cast<NMHDR *>(lParam)->code != UDN_DELTAPOS)
            return FALSE;
        const auto *change = reinterpret_cast<NMUPDOWN *>(lParam);
        EXPECT_EQ(change->iDelta, asked.empty() ? 1 : -1);
        asked.emplace_back(change->iPos, static_cast<short>(LOWORD(SendMessageW(upDown, UDM_GETPOS, 0, 0))));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, refuse ? TRUE : FALSE);
        return TRUE;
    };
    QWidget *widget = dialog.control(IDC_UPDOWN);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, 2));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(10, 10)) << "asked before the step";
    EXPECT_EQ(static_cast<short>(LOWORD(send(IDC_UPDOWN, UDM_GETPOS))), 11);
    EXPECT_EQ(recorder.scrolls(upDown), std::vector<WORD>({SB_THUMBPOSITION, SB_ENDSCROLL}));

    refuse = true;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, widget->height() - 2));
    EXPECT_EQ(static_cast<short>(LOWORD(send(IDC_UPDOWN, UDM_GETPOS))), 11) << "the step was refused";
}

TEST_F(Input, ArrowKeysInTheBuddyStepTheUpDown)
{
    send(IDC_UPDOWN, UDM_SETBUDDY, reinterpret_cast<WPARAM>(dialog.item(IDC_BUDDY)));
    send(IDC_UPDOWN, UDM_SETRANGE32, 0, 100);
    auto *buddy = dialog.control<QLineEdit>(IDC_BUDDY);
    buddy->setFocus();
    QTest::keyClick(buddy, Qt::Key_Up);
    QTest::keyClick(buddy, Qt::Key_Up);
    EXPECT_EQ(send(IDC_UPDOWN, UDM_GETPOS32), 2);
    EXPECT_EQ(recorder.notifications(IDC_UPDOWN), std::vector<UINT>({UDN_DELTAPOS, UDN_DELTAPOS}));
}

void fillList(HWND list)
{
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 90;
    column.pszText = const_cast<LPWSTR>(u"Range");
    ListView_InsertColumn(list, 0, &column);
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.lParam = 100 + i;
        item.pszText = const_cast<LPWSTR>(u"row");
        ListView_InsertItem(list, &item);
    }
}

TEST_F(Input, ClickingARowSelectsItAndMovesTheMark)
{
    const HWND list = dialog.item(IDC_LIST);
    fillList(list);
    std::vector<NMLISTVIEW> changes;
    int clickedRow = -2;
    recorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == LVN_ITEMCHANGED)
            changes.push_back(*reinterpret_cast<NMLISTVIEW *>(lParam));
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == NM_CLICK)
            clickedRow = reinterpret_cast<NMITEMACTIVATE *>(lParam)->iItem;
        return FALSE;
    };
    auto *table = dialog.control<QTableWidget>(IDC_LIST);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(2, 0)).center());
    EXPECT_EQ(ListView_GetSelectionMark(list), 2);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);
    EXPECT_EQ(clickedRow, 2);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().iItem, 2);
    EXPECT_EQ(changes.back().uNewState, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(changes.back().lParam, 102);

    table->setFocus();
    QTest::keyClick(table->viewport(), Qt::Key_Down);
    EXPECT_EQ(ListView_GetSelectionMark(list), 3);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 3);
}

TEST_F(Input, ClickingATabAsksFirstAndMayBeRefused)
{
    const HWND tab = dialog.item(IDC_TAB);
    for (const char16_t *name : {u"Device", u"AI", u"DIO"}) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPWSTR>(name);
        TabCtrl_InsertItem(tab, TabCtrl_GetItemCount(tab), &item);
    }
    std::vector<std::pair<UINT, int>> seen; // code, current tab when it came
    bool refuse = false;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg != WM_NOTIFY)
            return FALSE;
        seen.emplace_back(reinterpret_cast<NMHDR *>(lParam)->code, TabCtrl_GetCurSel(tab));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, refuse);
        return TRUE;
    };
    auto *bar = dialog.control<QTabBar>(IDC_TAB);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(seen, (std::vector<std::pair<UINT, int>>{{TCN_SELCHANGING, 0}, {TCN_SELCHANGE, 1}}));
    refuse = true;
    seen.clear();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(seen, (std::vector<std::pair<UINT, int>>{{TCN_SELCHANGING, 1}}));
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 1);
    EXPECT_EQ(bar->currentIndex(), 1);
}

TEST_F(Input, ClickingATreeItemSelectsItByMouse)
{
    const HWND tree = dialog.item(IDC_TREE);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<LPWSTR>(u"DeviceTemplate");
    insert.item.lParam = 7;
    const HTREEITEM root = TreeView_InsertItem(tree, &insert);
    std::vector<NMTREEVIEWW> changes;
    recorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == TVN_SELCHANGEDW)
            changes.push_back(*reinterpret_cast<NMTREEVIEWW *>(lParam));
        return FALSE;
    };
    auto *widget = dialog.control<QTreeWidget>(IDC_TREE);
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualItemRect(widget->topLevelItem(0)).center());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].action, TVC_BYMOUSE);
    EXPECT_EQ(changes[0].itemNew.hItem, root);
    EXPECT_EQ(changes[0].itemNew.lParam, 7);
    EXPECT_EQ(TreeView_GetSelection(tree), root);
}

TEST_F(Input, EscapeEnterAndTheCloseButtonBecomeCommands)
{
    auto *edit = dialog.control<QLineEdit>(IDC_EDIT);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(recorder.commands(IDOK), std::vector<WORD>{BN_CLICKED}) << "Enter presses the default button";
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(recorder.commands(IDCANCEL), std::vector<WORD>{BN_CLICKED});
    recorder.clear();
    dialog.widget()->close();
    EXPECT_TRUE(recorder.got(WM_CLOSE));
    EXPECT_EQ(recorder.commands(IDCANCEL), std::vector<WORD>{BN_CLICKED}) << "closing is cancelling";
    EXPECT_TRUE(IsWindow(h)) << "the window stays until its procedure ends it";
    EXPECT_TRUE(dialog.widget()->isVisible());
}

} // namespace
} // namespace qms::ui::test
