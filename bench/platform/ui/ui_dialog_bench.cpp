// The window system: making and destroying the largest dialog (64 controls), and a message's
// round trip from a worker thread to the dialog's thread and back.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <semaphore>
#include <thread>

#include "qms_ui.h"

namespace {

struct Offscreen {
    Offscreen() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }
} offscreen;

LPCDLGTEMPLATEW largeDialog()
{
    return static_cast<LPCDLGTEMPLATEW>(LoadResource(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_DIALOG)));
}

INT_PTR endWhenInitialised(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG)
        EndDialog(hwnd, 1);
    return FALSE;
}

INT_PTR endWhenShown(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG)
        PostMessageW(hwnd, WM_APP, 0, 0);
    else if (msg == WM_APP)
        EndDialog(hwnd, 1);
    return FALSE;
}

// Made, initialised and destroyed without being shown.
void BM_CreateDestroyLargeDialog(benchmark::State &state)
{
    const LPCDLGTEMPLATEW tmpl = largeDialog();
    for (auto _ : state) {
        if (DialogBoxIndirectParamW(nullptr, tmpl, nullptr, endWhenInitialised, 0) != 1) {
            state.SkipWithError("the dialog could not be made");
            break;
        }
    }
}
BENCHMARK(BM_CreateDestroyLargeDialog)->Unit(benchmark::kMillisecond);

// Made, shown and painted by its modal loop, ended by a posted message, destroyed.
void BM_ShowAndEndLargeDialog(benchmark::State &state)
{
    const LPCDLGTEMPLATEW tmpl = largeDialog();
    for (auto _ : state) {
        if (DialogBoxIndirectParamW(nullptr, tmpl, nullptr, endWhenShown, 0) != 1) {
            state.SkipWithError("the dialog could not be made");
            break;
        }
    }
}
BENCHMARK(BM_ShowAndEndLargeDialog)->Unit(benchmark::kMillisecond);

INT_PTR answer(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg != WM_USER + 1)
        return FALSE;
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 1);
    return TRUE;
}

// SendMessageW from a worker while the dialog's thread waits in its event loop: the time the
// worker spends in the call.
void BM_SendMessageFromWorker(benchmark::State &state)
{
    const HWND dialog = CreateDialogIndirectParamW(nullptr, largeDialog(), nullptr, answer, 0);
    if (!dialog) {
        state.SkipWithError("the dialog could not be made");
        return;
    }
    std::binary_semaphore go(0);
    std::atomic<bool> done{false}, quit{false};
    std::atomic<long long> nanoseconds{0};
    std::thread worker([&] {
        for (;;) {
            go.acquire();
            if (quit)
                return;
            const auto start = std::chrono::steady_clock::now();
            const LRESULT result = SendMessageW(dialog, WM_USER + 1, 0, 0);
            const auto end = std::chrono::steady_clock::now();
            if (result != 1)
                std::abort();
            nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
            done = true;
            PostMessageW(dialog, WM_NULL, 0, 0); // wakes the loop below
        }
    });
    for (auto _ : state) {
        done = false;
        go.release();
        while (!done)
            WaitMessage();
        state.SetIterationTime(static_cast<double>(nanoseconds) / 1e9);
    }
    quit = true;
    go.release();
    worker.join();
    DestroyWindow(dialog);
}
BENCHMARK(BM_SendMessageFromWorker)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The same message on the dialog's own thread: a direct call of its procedure.
void BM_SendMessageSameThread(benchmark::State &state)
{
    const HWND dialog = CreateDialogIndirectParamW(nullptr, largeDialog(), nullptr, answer, 0);
    for (auto _ : state) {
        if (SendMessageW(dialog, WM_USER + 1, 0, 0) != 1) {
            state.SkipWithError("the message did not arrive");
            break;
        }
    }
    DestroyWindow(dialog);
}
BENCHMARK(BM_SendMessageSameThread)->Unit(benchmark::kMicrosecond);

} // namespace
