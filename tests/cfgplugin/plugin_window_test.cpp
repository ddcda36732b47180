// The plug-in's window as a person sees and uses it: opened by DriverConfig without blocking,
// one window per call, the "Device" page with the picture and the description, the pages of
// "AI" and "DIO", the tree of templates, and nothing to save, add or remove.
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "cfgplugin/resource.h"
#include "tests/cfgplugin/plugin_fixture.h"
#include "tools/qmscfghost/windows.h"

namespace usb6093cfg::test {
namespace {

const QString description = "8-ch Thermocouple Input USB Module\n\n"
                            "*Support voltage, current, and thermocouple inputs\n"
                            "*Bus-powered\n"
                            "*8 thermocouple input channels\n"
                            "*2,500 VDC isolation \n"
                            "*Supports 0~20 mA, 4~20 mA\n"
                            "*8-ch isolated DI and 8-ch isolated DO";
const QString noTemplateNote = "USB-6093 do not need device template.";
const QString noConfiguration = "No Configuration Needed";

void clickTab(QDialog *window, int index)
{
    auto *tabs = control<QTabBar>(window, IDC_PAGE_TABS);
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

// What the window shows: the "Device" page's texts, or the other page's.
bool showsDevicePage(QDialog *window)
{
    QLabel *text = control<QLabel>(window, IDC_DESCRIPTION);
    QLabel *note = labelWithText(window, noTemplateNote);
    QLabel *none = labelWithText(window, noConfiguration);
    return text && note && none && text->isVisible() && note->isVisible() && !none->isVisible();
}

bool showsNoConfigurationPage(QDialog *window)
{
    QLabel *text = control<QLabel>(window, IDC_DESCRIPTION);
    QLabel *none = labelWithText(window, noConfiguration);
    return text && none && !text->isVisible() && none->isVisible();
}

using PluginWindow = PluginTest;

TEST_F(PluginWindow, EachCallOpensAWindowOfItsOwnAndReturnsAtOnce)
{
    QDialog *first = open();
    QDialog *second = open();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(pluginWindows().size(), 2u);
    EXPECT_TRUE(first->isVisible() && second->isVisible()) << "shown as the call returns";
    EXPECT_FALSE(first->isModal() || second->isModal());

    // Switching tabs in one window leaves the other as it was.
    clickTab(second, 1);
    EXPECT_TRUE(showsNoConfigurationPage(second));
    EXPECT_TRUE(showsDevicePage(first));
}

TEST_F(PluginWindow, ClosingOneWindowLeavesTheOtherWorking)
{
    QDialog *first = open();
    QDialog *second = open();
    ASSERT_TRUE(first && second);
    const HWND firstHandle = handleOf(first);
    const HWND secondHandle = handleOf(second);

    QTest::mouseClick(control<QPushButton>(first, IDCANCEL), Qt::LeftButton);
    processEvents();
    EXPECT_FALSE(IsWindow(firstHandle)) << "Close destroys the window, not only hides it";
    ASSERT_EQ(pluginWindows(), std::vector<QDialog *>{second});

    clickTab(second, 2);
    EXPECT_TRUE(showsNoConfigurationPage(second));
    clickTab(second, 0);
    EXPECT_TRUE(showsDevicePage(second));

    // The window's own close command closes it as Close does.
    second->close();
    processEvents();
    EXPECT_FALSE(IsWindow(secondHandle));
    EXPECT_TRUE(pluginWindows().empty());
}

TEST_F(PluginWindow, DeviceTabShowsThePictureTheDescriptionAndTheNote)
{
    QDialog *window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto *tabs = control<QTabBar>(window, IDC_PAGE_TABS);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Device");
    EXPECT_EQ(tabs->tabText(1), "AI");
    EXPECT_EQ(tabs->tabText(2), "DIO");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(showsDevicePage(window));

    QLabel *text = control<QLabel>(window, IDC_DESCRIPTION);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), description);
    EXPECT_FALSE(text->wordWrap());

    // The picture of the module, the size it was drawn.
    QLabel *picture = nullptr;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->pixmap().isNull())
            picture = label;
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(204, 131));
    EXPECT_TRUE(picture->isVisible());

    // The page sits at (160, 30) of the window's client area.
    QWidget *page = text->parentWidget();
    EXPECT_EQ(page->parentWidget(), window);
    EXPECT_EQ(page->pos(), QPoint(160, 30));
}

TEST_F(PluginWindow, AiAndDioTabsBothShowNoConfigurationNeeded)
{
    QDialog *window = open();
    ASSERT_NE(window, nullptr);
    for (int tab : {1, 2, 0, 2, 1}) {
        clickTab(window, tab);
        if (tab == 0)
            EXPECT_TRUE(showsDevicePage(window)) << "tab " << tab;
        else
            EXPECT_TRUE(showsNoConfigurationPage(window)) << "tab " << tab;
    }
    QLabel *none = labelWithText(window, noConfiguration);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->parentWidget()->pos(), QPoint(160, 30)) << "both pages in one place";
}

TEST_F(PluginWindow, SaveAddAndRemoveAreNeverVisible)
{
    QDialog *window = open();
    ASSERT_NE(window, nullptr);
    const auto hidden = [&] {
        for (int id : {IDC_SAVE, IDC_ADD, IDC_REMOVE}) {
            QWidget *button = control(window, id);
            if (!button || button->isVisible() || button->isEnabled())
                return false;
        }
        return true;
    };
    EXPECT_TRUE(hidden());
    EXPECT_TRUE(control(window, IDCANCEL)->isVisible());
    clickTab(window, 1);
    EXPECT_TRUE(hidden());
    // Enter would press the default button, Save: it stays hidden and the window stays open.
    QTest::keyClick(window, Qt::Key_Return);
    processEvents();
    EXPECT_TRUE(IsWindow(handleOf(window)));
    EXPECT_TRUE(hidden());
    // The commands themselves, as a host or a stray message could send them, do nothing.
    for (int id : {IDC_SAVE, IDC_ADD, IDC_REMOVE})
        SendMessageW(handleOf(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(handleOf(window)));
    EXPECT_TRUE(hidden());
}

TEST_F(PluginWindow, TreeHoldsTheDeviceTemplateWithTheModule)
{
    QDialog *window = open();
    ASSERT_NE(window, nullptr);
    auto *tree = control<QTreeWidget>(window, IDC_TEMPLATE_TREE);
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "DeviceTemplate");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "USB_6093");
    EXPECT_EQ(root->child(0)->childCount(), 0);

    // Choosing an item changes nothing else.
    tree->expandItem(root);
    tree->setCurrentItem(root->child(0));
    EXPECT_TRUE(showsDevicePage(window));
    EXPECT_EQ(pluginWindows().size(), 1u);
}

TEST_F(PluginWindow, TextsOfAnyLengthOrNoneStillOpenTheWindow)
{
    const std::string huge(10 * 1024, 'x');
    const QMS_DRIVERCONFIG call = driverConfig();
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call(0xFFFFFFFFu, huge.c_str(), huge.c_str(), huge.c_str()), 1);
    EXPECT_EQ(call(0, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(call(0, "", "", ""), 1);
    EXPECT_EQ(call(0, "C:\\Host\\", "U", nullptr), 1);
    EXPECT_EQ(pluginWindows().size(), 4u);
    for (QDialog *window : pluginWindows())
        EXPECT_EQ(control<QLabel>(window, IDC_DESCRIPTION)->text(), description);
}

TEST_F(PluginWindow, TheHostLoopEndsWhenTheLastWindowIsClosed)
{
    QDialog *first = open();
    QDialog *second = open();
    ASSERT_TRUE(first && second);
    // Both closes are waiting in the queue; the loop must not stop after the first.
    PostMessageW(handleOf(first), WM_CLOSE, 0, 0);
    PostMessageW(handleOf(second), WM_CLOSE, 0, 0);
    qms::cfghost::RunUntilAllClosed();
    EXPECT_FALSE(qms::cfghost::AnyWindowOpen());
    EXPECT_TRUE(pluginWindows().empty());
}

} // namespace
} // namespace usb6093cfg::test
