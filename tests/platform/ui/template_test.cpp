// Dialogs built from the test script: controls where the template puts them, with their
// texts and styles, as real widgets an outside test suite can find.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

// 8-point MS Sans Serif is DejaVu Sans 11 px: 7 x 13 pixels per 4 x 8 dialog units.
constexpr int baseX = 7;
constexpr int baseY = 13;

QRect pixels(int x, int y, int cx, int cy)
{
    auto px = [](int v, int base, int per) { return (v * base + per / 2) / per; };
    return QRect(px(x, baseX, 4), px(y, baseY, 8), px(cx, baseX, 4), px(cy, baseY, 8));
}

TEST(DialogTemplate, BaseUnitsComeFromTheTemplateFont)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog.hwnd(), &units));
    EXPECT_EQ(units.right, baseX);
    EXPECT_EQ(units.bottom, baseY);
    RECT client{};
    ASSERT_TRUE(GetClientRect(dialog.hwnd(), &client));
    EXPECT_EQ(client.right, pixels(0, 0, 260, 200).width());
    EXPECT_EQ(client.bottom, pixels(0, 0, 260, 200).height());
    EXPECT_EQ(dialog.widget()->size(), QSize(client.right, client.bottom));
}

TEST(DialogTemplate, ControlsSitWhereTheTemplatePutsThem)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    EXPECT_EQ(dialog.control(IDOK)->geometry(), pixels(7, 179, 50, 14));
    EXPECT_EQ(dialog.control(IDC_EDIT)->geometry(), pixels(120, 7, 80, 12));
    EXPECT_EQ(dialog.control(IDC_SCROLL)->geometry(), pixels(7, 55, 150, 10));
    EXPECT_EQ(dialog.control(IDC_LIST)->geometry(), pixels(7, 95, 150, 60));
    // A combo box's template height is its dropped list; the field has its own height.
    QComboBox *combo = dialog.control<QComboBox>(IDC_COMBO);
    EXPECT_EQ(combo->pos(), pixels(50, 7, 60, 120).topLeft());
    EXPECT_EQ(combo->height(), combo->sizeHint().height());

    // The window system reports the same places.
    RECT dialogScreen{}, editScreen{};
    ASSERT_TRUE(GetWindowRect(dialog.hwnd(), &dialogScreen));
    ASSERT_TRUE(GetWindowRect(dialog.item(IDC_EDIT), &editScreen));
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(dialog.hwnd(), &origin));
    EXPECT_EQ(editScreen.left - origin.x, pixels(120, 7, 80, 12).left());
    EXPECT_EQ(editScreen.bottom - editScreen.top, pixels(120, 7, 80, 12).height());
}

TEST(DialogTemplate, TextsAndTitleAreThoseOfTheTemplate)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    EXPECT_EQ(dialog.widget()->windowTitle(), "Control Test");
    EXPECT_EQ(dialog.control<QPushButton>(IDOK)->text(), "&OK");
    EXPECT_EQ(dialog.control<QLabel>(IDC_LABEL)->text(), "Board ID :");
    EXPECT_EQ(dialog.control<QCheckBox>(IDC_AUTOCHECK)->text(), "CH0");
    WCHAR text[32];
    EXPECT_EQ(GetWindowTextW(dialog.hwnd(), text, 32), 12);
    EXPECT_EQ(std::u16string(text), u"Control Test");
    EXPECT_EQ(GetDlgItemTextW(dialog.hwnd(), IDCANCEL, text, 32), 7u);
    EXPECT_EQ(std::u16string(text), u"&Cancel");
    // A group box is a frame that lets clicks through to what it surrounds.
    auto *group = controlWidget<QGroupBox>(dialog.hwnd(), -1);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "Settings");
    EXPECT_TRUE(group->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(DialogTemplate, StylesBecomeWidgetStates)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    EXPECT_TRUE(dialog.control<QPushButton>(IDOK)->isDefault());
    EXPECT_FALSE(dialog.control<QPushButton>(IDCANCEL)->isDefault());
    EXPECT_FALSE(dialog.control(IDC_DISABLED)->isEnabled());
    EXPECT_FALSE(IsWindowEnabled(dialog.item(IDC_DISABLED)));
    EXPECT_TRUE(dialog.control(IDC_HIDDEN)->isHidden());
    EXPECT_FALSE(IsWindowVisible(dialog.item(IDC_HIDDEN)));
    EXPECT_TRUE(IsWindowVisible(dialog.item(IDOK)));
    EXPECT_TRUE(dialog.control<QLineEdit>(IDC_READONLY)->isReadOnly());
    EXPECT_FALSE(dialog.control<QLineEdit>(IDC_EDIT)->isReadOnly());
    EXPECT_TRUE(GetWindowLongW(dialog.item(IDC_READONLY), GWL_STYLE) & ES_READONLY);
    auto *locate = dialog.control<QPushButton>(IDC_PUSHLIKE);
    ASSERT_NE(locate, nullptr) << "a push-like check box is a push button";
    EXPECT_TRUE(locate->isCheckable());
    EXPECT_NE(dialog.control<QCheckBox>(IDC_AUTOCHECK), nullptr);
    EXPECT_NE(dialog.control<QCheckBox>(IDC_MANUALCHECK), nullptr);
    // Every control carries its template ID.
    for (int id : {IDOK, IDCANCEL, IDC_COMBO, IDC_EDIT, IDC_SCROLL, IDC_TRACKBAR, IDC_UPDOWN, IDC_LIST,
                   IDC_TAB, IDC_TREE, IDC_NOTE, IDC_PICTURE})
        EXPECT_NE(dialog.control(id), nullptr) << id;
    EXPECT_EQ(GetDlgCtrlID(dialog.item(IDC_TREE)), IDC_TREE);
    EXPECT_EQ(GetParent(dialog.item(IDC_TREE)), dialog.hwnd());
}

TEST(DialogTemplate, PictureStaticShowsTheBitmapOfTheScript)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    auto *picture = dialog.control<QLabel>(IDC_PICTURE);
    ASSERT_NE(picture, nullptr);
    const QImage image = picture->pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(8, 6));
    EXPECT_EQ(picture->size(), QSize(8, 6)) << "a picture static takes its picture's size";
    // make_test_bitmaps.py: colour (x + y) % 4 of black, red, green, blue; white bottom right.
    const QRgb colours[] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    EXPECT_EQ(image.pixel(0, 0), colours[0]);
    EXPECT_EQ(image.pixel(1, 0), colours[1]);
    EXPECT_EQ(image.pixel(2, 1), colours[3]);
    EXPECT_EQ(image.pixel(0, 5), colours[1]);
    EXPECT_EQ(image.pixel(7, 5), qRgb(255, 255, 255));
    const HBITMAP shown = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(dialog.hwnd(), IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    ASSERT_EQ(GetObjectW(shown, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, 4);
}

TEST(DialogTemplate, ClassicTemplateBuildsAsWell)
{
    Recorder recorder;
    TestDialog dialog(IDD_CLASSIC, recorder);
    ASSERT_NE(dialog.hwnd(), nullptr);
    EXPECT_EQ(dialog.widget()->windowTitle(), "Classic");
    EXPECT_EQ(dialog.control<QPushButton>(IDOK)->text(), "Press");
    EXPECT_EQ(dialog.control(IDOK)->geometry(), pixels(25, 20, 50, 14));
}

TEST(DialogTemplate, ChildPageSitsInsideItsParent)
{
    Recorder recorder, pageRecorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    const HWND page = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_PAGE), dialog.hwnd(),
                                                 Recorder::proc, reinterpret_cast<LPARAM>(&pageRecorder));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page), dialog.hwnd());
    ASSERT_TRUE(MoveWindow(page, 160, 30, 100, 50, TRUE));
    ShowWindow(page, SW_SHOW);
    QWidget *pageWidget = widgetOf(page);
    ASSERT_NE(pageWidget, nullptr);
    EXPECT_EQ(pageWidget->parentWidget(), dialog.widget());
    EXPECT_FALSE(pageWidget->isWindow());
    EXPECT_EQ(pageWidget->pos(), QPoint(160, 30));
    EXPECT_TRUE(pageWidget->isVisible());
    EXPECT_EQ(controlWidget<QLabel>(page, IDC_PAGE_TEXT)->text(), "No Configuration Needed");
    ShowWindow(page, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(page));
}

TEST(DialogTemplate, SnapshotIsAPngOfTheWindow)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray path = folder.filePath("dialog.png").toLocal8Bit();
    ASSERT_TRUE(qms_ui_snapshot(dialog.hwnd(), path.constData()));
    QImage image;
    ASSERT_TRUE(image.load(QString::fromLocal8Bit(path), "PNG"));
    EXPECT_EQ(image.size() / image.devicePixelRatio(), dialog.widget()->size());
    EXPECT_FALSE(qms_ui_snapshot(dialog.hwnd(), "/nonexistent/folder/dialog.png"));
}

} // namespace
} // namespace qms::ui::test
