// Dialogs from making to ending: modal loops and their results, modeless dialogs that live
// until DestroyWindow, WM_DESTROY and WM_NCDESTROY in order, the thread's message loop.
#include <QPushButton>
#include <cstdlib>
#include <QtTest/QTest>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

std::size_t indexOf(const Recorder &r, UINT msg)
{
    for (std::size_t i = 0; i < r.log.size(); ++i) {
        if (r.log[i].msg == msg)
            return i;
    }
    return r.log.size();
}

INT_PTR endOnCommand(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(hwnd, 42);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, 2);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogLifecycle, ModalDialogReturnsWhatEndDialogGave)
{
    Recorder recorder;
    recorder.handler = endOnCommand;
    HWND seen = nullptr;
    whenModal([&](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), "Small");
        seen = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(modal->property("hwnd").toULongLong()));
        QTest::mouseClick(controlWidget(seen, IDOK), Qt::LeftButton);
    });
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr,
                                                   Recorder::proc, reinterpret_cast<LPARAM>(&recorder));
    EXPECT_EQ(result, 42);
    ASSERT_GE(recorder.log.size(), 3u);
    EXPECT_EQ(recorder.log.front().msg, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(recorder.log[recorder.log.size() - 2].msg, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(recorder.log.back().msg, static_cast<UINT>(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(widgetOf(seen), nullptr) << "the widgets went with the dialog";
}

TEST(DialogLifecycle, EndDialogWhileInitialisingEndsBeforeTheDialogIsShown)
{
    Recorder recorder;
    recorder.handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG)
            EndDialog(hwnd, 5);
        return TRUE;
    };
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                      reinterpret_cast<LPARAM>(&recorder)),
              5);
    EXPECT_FALSE(recorder.got(WM_PAINT));
}

TEST(DialogLifecycle, ModalDialogIsModalOverItsOwner)
{
    Recorder ownerRecorder, recorder;
    recorder.handler = endOnCommand;
    TestDialog owner(IDD_CONTROLS, ownerRecorder);
    whenModal([&](QWidget *modal) {
        EXPECT_EQ(modal->parentWidget(), owner.widget());
        EXPECT_EQ(modal->windowModality(), Qt::WindowModal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), owner.hwnd(), Recorder::proc,
                                      reinterpret_cast<LPARAM>(&recorder)),
              2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(DialogLifecycle, ModelessDialogLivesUntilDestroyWindow)
{
    Recorder recorder;
    bool cleanedUp = false;
    std::size_t messagesAtCleanUp = 0;
    recorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_NCDESTROY) {
            cleanedUp = true; // where a dialog object deletes itself
            messagesAtCleanUp = recorder.log.size();
        }
        return FALSE;
    };
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr,
                                                 Recorder::proc, reinterpret_cast<LPARAM>(&recorder));
    ASSERT_NE(hwnd, nullptr);
    processEvents();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "no WS_VISIBLE in the template";
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_TRUE(widgetOf(hwnd)->isVisible());
    // Ending a modeless dialog only hides it.
    EXPECT_TRUE(EndDialog(hwnd, 1));
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));

    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_LT(indexOf(recorder, WM_DESTROY), indexOf(recorder, WM_NCDESTROY));
    EXPECT_TRUE(cleanedUp);
    EXPECT_EQ(messagesAtCleanUp, recorder.log.size()) << "nothing reaches the procedure after WM_NCDESTROY";
    EXPECT_FALSE(IsWindow(hwnd));
    processEvents();
    EXPECT_EQ(widgetOf(hwnd), nullptr);
}

TEST(DialogLifecycle, DestroyingADialogDestroysItsPagesInside)
{
    std::vector<std::pair<char, UINT>> order;
    Recorder parentRecorder, pageRecorder;
    parentRecorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_DESTROY || msg == WM_NCDESTROY)
            order.emplace_back('d', msg);
        return FALSE;
    };
    pageRecorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_DESTROY || msg == WM_NCDESTROY)
            order.emplace_back('p', msg);
        return FALSE;
    };
    const HWND dialog = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_CONTROLS), nullptr, Recorder::proc,
                                                   reinterpret_cast<LPARAM>(&parentRecorder));
    const HWND page = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_PAGE), dialog, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&pageRecorder));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(DestroyWindow(dialog));
    EXPECT_EQ(order, (std::vector<std::pair<char, UINT>>{
                         {'d', WM_DESTROY}, {'p', WM_DESTROY}, {'p', WM_NCDESTROY}, {'d', WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(page));
    processEvents();
}

TEST(DialogLifecycle, ADialogMayDestroyItselfFromItsOwnHandler)
{
    Recorder recorder;
    recorder.handler = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
            DestroyWindow(hwnd);
        return FALSE;
    };
    TestDialog dialog(IDD_SMALL, recorder);
    const HWND hwnd = dialog.hwnd();
    QTest::mouseClick(dialog.control(IDCANCEL), Qt::LeftButton);
    EXPECT_FALSE(IsWindow(hwnd));
    processEvents();
    EXPECT_EQ(widgetOf(hwnd), nullptr);
}

TEST(DialogLifecycle, InitialFocusGoesToTheFirstTabStop)
{
    Recorder recorder;
    recorder.handler = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR { return msg == WM_INITDIALOG; };
    TestDialog dialog(IDD_CONTROLS, recorder);
    ASSERT_TRUE(recorder.got(WM_INITDIALOG));
    EXPECT_EQ(reinterpret_cast<HWND>(recorder.log.front().wParam), dialog.item(IDOK));
    EXPECT_EQ(dialog.widget()->focusWidget(), dialog.control(IDOK));
}

TEST(DialogLifecycle, TheMessageLoopDeliversPostedMessagesAndEndsOnQuit)
{
    Recorder recorder;
    recorder.handler = [](HWND, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_USER + 7 && wParam == 2)
            PostQuitMessage(3);
        return FALSE;
    };
    TestDialog dialog(IDD_SMALL, recorder);
    ASSERT_TRUE(PostMessageW(dialog.hwnd(), WM_USER + 7, 1, 10));
    ASSERT_TRUE(PostMessageW(dialog.hwnd(), WM_USER + 7, 2, 20));
    MSG msg{};
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    std::vector<WPARAM> posted;
    for (const Message &m : recorder.log) {
        if (m.msg == WM_USER + 7)
            posted.push_back(m.wParam);
    }
    EXPECT_EQ(posted, (std::vector<WPARAM>{1, 2}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(DialogLifecycle, AHostLoopEndsWhenItsWindowIsGone)
{
    Recorder recorder;
    recorder.handler = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
            DestroyWindow(hwnd);
        return FALSE;
    };
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&recorder));
    EXPECT_EQ(FindWindowW(nullptr, u"Small"), hwnd);
    EXPECT_EQ(FindWindowW(WC_DIALOGW, u"Small"), hwnd);
    EXPECT_EQ(FindWindowW(nullptr, u"No such title"), nullptr);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    int turns = 0;
    while (IsWindow(hwnd) && WaitMessage())
        ++turns;
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_GE(turns, 1);
    EXPECT_EQ(FindWindowW(nullptr, u"Small"), nullptr);
    processEvents();
}

// Run in children of their own: the program's application object exists before the first
// window.
[[noreturn]] void withOwnApplication()
{
    int argc = 1;
    char name[] = "host";
    char *argv[] = {name, nullptr};
    QApplication own(argc, argv);
    Recorder recorder;
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&recorder));
    const bool ok = hwnd && widgetOf(hwnd) && QCoreApplication::instance() == &own;
    std::_Exit(ok ? 0 : 1);
}

[[noreturn]] void withConsoleApplication()
{
    int argc = 1;
    char name[] = "console";
    char *argv[] = {name, nullptr};
    QCoreApplication own(argc, argv);
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc, 0);
    std::_Exit(!hwnd && GetLastError() == ERROR_DLL_INIT_FAILED ? 0 : 1);
}

TEST(DialogLifecycle, TheProgramsOwnApplicationObjectIsUsed)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(withOwnApplication(), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(withConsoleApplication(), testing::ExitedWithCode(0), "cannot show widgets");
}

} // namespace
} // namespace qms::ui::test
