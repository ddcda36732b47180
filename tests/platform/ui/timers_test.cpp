// Timers: WM_TIMER from 1 ms periods on, restart by ID, and a killed timer that never fires
// again, not even when it is killed inside its own WM_TIMER.
#include <QtTest/QTest>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

int timerCount(const Recorder &r, UINT_PTR id)
{
    int n = 0;
    for (const Message &m : r.log) {
        if (m.msg == WM_TIMER && m.wParam == id)
            ++n;
    }
    return n;
}

constexpr int waitMs = 10000;

TEST(Timers, AOneMillisecondTimerKeepsFiring)
{
    Recorder recorder;
    TestDialog dialog(IDD_SMALL, recorder);
    EXPECT_EQ(SetTimer(dialog.hwnd(), 1, 1, nullptr), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerCount(recorder, 1) >= 5; }, waitMs));
    EXPECT_TRUE(KillTimer(dialog.hwnd(), 1));
    EXPECT_FALSE(KillTimer(dialog.hwnd(), 1)) << "already gone";
    EXPECT_FALSE(KillTimer(dialog.hwnd(), 99));
}

TEST(Timers, KilledInsideItsOwnWmTimerItNeverFiresAgain)
{
    Recorder recorder;
    recorder.handler = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_TIMER && wParam == 1) {
            EXPECT_TRUE(KillTimer(hwnd, 1));
        }
        return TRUE;
    };
    TestDialog dialog(IDD_SMALL, recorder);
    SetTimer(dialog.hwnd(), 1, 1, nullptr);
    SetTimer(dialog.hwnd(), 2, 5, nullptr);
    // Timer 2 firing many times gives timer 1 every chance to come back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerCount(recorder, 2) >= 10; }, waitMs));
    EXPECT_EQ(timerCount(recorder, 1), 1);
}

TEST(Timers, SettingAnIdAgainRestartsItWithTheNewPeriod)
{
    Recorder recorder;
    TestDialog dialog(IDD_SMALL, recorder);
    EXPECT_EQ(SetTimer(dialog.hwnd(), 7, 3600000, nullptr), 7u);
    EXPECT_EQ(SetTimer(dialog.hwnd(), 7, 1, nullptr), 7u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerCount(recorder, 7) >= 2; }, waitMs));
}

TEST(Timers, TimersDieWithTheirWindow)
{
    Recorder doomed, survivor;
    auto *gone = new TestDialog(IDD_SMALL, doomed);
    TestDialog other(IDD_SMALL, survivor);
    SetTimer(gone->hwnd(), 1, 1, nullptr);
    SetTimer(other.hwnd(), 1, 5, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerCount(doomed, 1) >= 1; }, waitMs));
    delete gone;
    const int before = timerCount(doomed, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerCount(survivor, 1) >= 10; }, waitMs));
    EXPECT_EQ(timerCount(doomed, 1), before);
}

std::vector<std::pair<HWND, UINT_PTR>> procCalls;

void timerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD)
{
    EXPECT_EQ(msg, static_cast<UINT>(WM_TIMER));
    procCalls.emplace_back(hwnd, id);
    KillTimer(hwnd, id);
}

TEST(Timers, ATimerProcedureIsCalledInsteadOfAMessage)
{
    procCalls.clear();
    Recorder recorder;
    TestDialog dialog(IDD_SMALL, recorder);
    EXPECT_EQ(SetTimer(dialog.hwnd(), 3, 1, timerProc), 3u);
    ASSERT_TRUE(QTest::qWaitFor([] { return !procCalls.empty(); }, waitMs));
    EXPECT_EQ(procCalls.front(), std::make_pair(dialog.hwnd(), UINT_PTR{3}));
    EXPECT_FALSE(recorder.got(WM_TIMER));
}

TEST(Timers, AThreadTimerArrivesThroughTheMessageLoop)
{
    ASSERT_EQ(qms_ui_start(), 0);
    const UINT_PTR id = SetTimer(nullptr, 0, 1, nullptr);
    ASSERT_NE(id, 0u);
    MSG msg{};
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, id);
    EXPECT_TRUE(KillTimer(nullptr, id));
    // Drain what fired meanwhile.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace
} // namespace qms::ui::test
