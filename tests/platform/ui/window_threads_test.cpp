// Messages from other threads run on the dialog's thread while the sender waits; a window
// that is gone, or goes while a sender waits, lets the sender go at once.
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <future>

#include "tests/platform/ui/ui_fixture.h"

namespace qms::ui::test {
namespace {

constexpr auto bound = std::chrono::seconds(10);
constexpr UINT UM_DEVICE_REMOVED = 0x0401;
constexpr UINT UM_STOP_POLLING = 0x0402;

TEST(WindowThreads, SendFromAWorkerRunsOnTheDialogsThreadWhileTheWorkerWaits)
{
    Recorder recorder;
    std::atomic<bool> returned{false};
    QThread *handlerThread = nullptr;
    bool senderWasWaiting = false;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg != WM_USER + 1)
            return FALSE;
        handlerThread = QThread::currentThread();
        senderWasWaiting = !returned.load();
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 1234);
        return TRUE;
    };
    TestDialog dialog(IDD_SMALL, recorder);
    const HWND hwnd = dialog.hwnd();
    auto worker = std::async(std::launch::async, [&] {
        const LRESULT result = SendMessageW(hwnd, WM_USER + 1, 0, 0);
        returned = true;
        return result;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 10000));
    EXPECT_EQ(worker.get(), 1234);
    EXPECT_EQ(handlerThread, QThread::currentThread());
    EXPECT_TRUE(senderWasWaiting);
}

TEST(WindowThreads, SendToADestroyedWindowFailsAtOnce)
{
    Recorder recorder;
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&recorder));
    DestroyWindow(hwnd);
    // Nothing here runs the toolkit's loop: the answer must not need it.
    auto worker = std::async(std::launch::async, [hwnd] {
        const LRESULT result = SendMessageW(hwnd, WM_USER + 1, 0, 0);
        return std::make_pair(result, GetLastError());
    });
    ASSERT_EQ(worker.wait_for(bound), std::future_status::ready);
    EXPECT_EQ(worker.get(), std::make_pair(LRESULT{0}, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE)));
    processEvents();
}

TEST(WindowThreads, AWaitingSenderIsLetGoWhenTheWindowIsDestroyed)
{
    // The dialog's thread is busy in WM_DESTROY (it runs no loop) while a worker sends, as the
    // device setting dialog's closing does while its removal watcher is still sending.
    Recorder recorder;
    std::promise<void> sending;
    std::future<std::pair<LRESULT, DWORD>> worker;
    recorder.handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_DESTROY)
            sending.get_future().wait();
        return msg == UM_STOP_POLLING;
    };
    const HWND hwnd = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                                 reinterpret_cast<LPARAM>(&recorder));
    worker = std::async(std::launch::async, [&, hwnd] {
        sending.set_value();
        const LRESULT result = SendMessageW(hwnd, UM_STOP_POLLING, 0, 0);
        return std::make_pair(result, GetLastError());
    });
    DestroyWindow(hwnd);
    ASSERT_EQ(worker.wait_for(bound), std::future_status::ready) << "the sender still waits";
    EXPECT_EQ(worker.get(), std::make_pair(LRESULT{0}, static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE)));
    processEvents();
    EXPECT_EQ(std::count_if(recorder.log.begin(), recorder.log.end(),
                            [](const Message &m) { return m.msg == UM_STOP_POLLING; }),
              0);
}

TEST(WindowThreads, CallsOnAWindowFromAWorkerActOnItsWidgets)
{
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    const HWND h = dialog.hwnd();
    auto worker = std::async(std::launch::async, [h] {
        const bool ok = SetDlgItemTextW(h, IDC_EDIT, u"from a worker") && !EnableWindow(GetDlgItem(h, IDOK), FALSE) &&
                        SendDlgItemMessageW(h, IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"0")) == 0;
        WCHAR read[32];
        GetDlgItemTextW(h, IDC_EDIT, read, 32);
        return ok && std::u16string(read) == u"from a worker" && !IsWindowEnabled(GetDlgItem(h, IDOK));
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
    EXPECT_TRUE(worker.get());
    EXPECT_EQ(dialog.control<QLineEdit>(IDC_EDIT)->text(), "from a worker");
    EXPECT_FALSE(dialog.control(IDOK)->isEnabled());
}

TEST(WindowThreads, PostedMessagesFromAWorkerArriveInOrder)
{
    Recorder recorder;
    TestDialog dialog(IDD_SMALL, recorder);
    const HWND h = dialog.hwnd();
    std::async(std::launch::async, [h] {
        for (WPARAM i = 0; i < 20; ++i)
            PostMessageW(h, WM_APP, i, 0);
    }).get();
    std::vector<WPARAM> arrived;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        arrived.clear();
        for (const Message &m : recorder.log) {
            if (m.msg == WM_APP)
                arrived.push_back(m.wParam);
        }
        return arrived.size() == 20;
    }, 10000));
    for (WPARAM i = 0; i < 20; ++i)
        EXPECT_EQ(arrived[i], i);
}

TEST(WindowThreads, WindowsAreMadeOnTheToolkitsThreadOnly)
{
    ASSERT_EQ(qms_ui_start(), 0);
    auto worker = std::async(std::launch::async, [] {
        Recorder recorder;
        const HWND modeless = CreateDialogIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr,
                                                         Recorder::proc, reinterpret_cast<LPARAM>(&recorder));
        const DWORD modelessError = GetLastError();
        const INT_PTR modal = DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr,
                                                      Recorder::proc, reinterpret_cast<LPARAM>(&recorder));
        return modeless == nullptr && modelessError == ERROR_WINDOW_OF_OTHER_THREAD && modal == -1 &&
               GetLastError() == ERROR_WINDOW_OF_OTHER_THREAD;
    });
    EXPECT_TRUE(worker.get());
}

TEST(WindowThreads, ARemovalWatcherEndsAModalDialog)
{
    // The device setting dialog's watcher: two synchronous sends from its own thread.
    Recorder recorder;
    std::future<std::pair<LRESULT, LRESULT>> watcher;
    recorder.handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        switch (msg) {
        case WM_INITDIALOG:
            SetTimer(hwnd, 1, 1000, nullptr);
            watcher = std::async(std::launch::async, [hwnd] {
                const LRESULT stop = SendMessageW(hwnd, UM_STOP_POLLING, 0, 0);
                const LRESULT removed = SendMessageW(hwnd, UM_DEVICE_REMOVED, 0, 0);
                return std::make_pair(stop, removed);
            });
            return TRUE;
        case UM_STOP_POLLING:
            KillTimer(hwnd, 1);
            return TRUE;
        case UM_DEVICE_REMOVED:
            EndDialog(hwnd, 0);
            return TRUE;
        default:
            return FALSE;
        }
    };
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, dialogTemplate(IDD_SMALL), nullptr, Recorder::proc,
                                      reinterpret_cast<LPARAM>(&recorder)),
              0);
    ASSERT_EQ(watcher.wait_for(bound), std::future_status::ready);
    watcher.get();
    std::vector<UINT> order;
    for (const Message &m : recorder.log) {
        if (m.msg == UM_STOP_POLLING || m.msg == UM_DEVICE_REMOVED)
            order.push_back(m.msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{UM_STOP_POLLING, UM_DEVICE_REMOVED}));
}

} // namespace
} // namespace qms::ui::test
