// Message boxes: real QMessageBoxes with the caption, text and buttons given, modal over their
// owner, answering with the button pressed.
#include <QMessageBox>
#include <QtTest/QTest>
#include <future>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

TEST(MessageBox, YesNoBoxAnswersWithTheButtonPressed)
{
    Recorder recorder;
    TestDialog owner(IDD_CONTROLS, recorder);
    for (const auto &[button, answer] : {std::pair{QString("No"), IDNO}, std::pair{QString("Yes"), IDYES}}) {
        whenModal([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "WARNING");
            EXPECT_EQ(box->text(), "CJC Offset setting changed, Save ?");
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->parentWidget(), owner.widget());
            EXPECT_EQ(box->windowModality(), Qt::WindowModal);
            QTest::mouseClick(buttonWithText(box, button), Qt::LeftButton);
        });
        EXPECT_EQ(MessageBoxW(owner.hwnd(), u"CJC Offset setting changed, Save ?", u"WARNING",
                              MB_YESNO | MB_ICONWARNING),
                  answer);
    }
}

TEST(MessageBox, OkBoxAnswersOkAlsoToEscape)
{
    whenModal([](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Error") << "the caption when none is given";
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(MessageBoxW(nullptr, u"USB-6093 is removed.", nullptr, MB_OK), IDOK);
}

TEST(MessageBox, EscapeDoesNotAnswerAYesNoBox)
{
    whenModal([](QWidget *modal) {
        QTest::keyClick(modal, Qt::Key_Escape);
        EXPECT_TRUE(modal->isVisible()) << "only Yes or No ends this box";
        QTest::mouseClick(buttonWithText(modal, "Yes"), Qt::LeftButton);
    });
    EXPECT_EQ(MessageBoxW(nullptr, u"AI Calibration Settings Reset", u"WARNING", MB_YESNO), IDYES);
}

TEST(MessageBox, TextIsShownAsPlainText)
{
    whenModal([](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        QTest::mouseClick(buttonWithText(box, "Cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(MessageBoxW(nullptr, u"<b>not bold</b>", u"Info", MB_OKCANCEL), IDCANCEL);
}

TEST(MessageBox, BadOwnersAndOtherThreadsAreRefused)
{
    ASSERT_EQ(qms_ui_start(), 0);
    SetLastError(0);
    EXPECT_EQ(MessageBoxW(reinterpret_cast<HWND>(0x80017777u), u"text", u"caption", MB_OK), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    auto fromWorker = std::async(std::launch::async, [] {
        const int answer = MessageBoxW(nullptr, u"text", u"caption", MB_OK);
        return std::make_pair(answer, GetLastError());
    });
    const auto [answer, error] = fromWorker.get();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_WINDOW_OF_OTHER_THREAD));
}

} // namespace
} // namespace qms::ui::test
