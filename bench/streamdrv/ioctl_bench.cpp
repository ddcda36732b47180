// Control requests through DeviceIoControl on simulated modules.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "qms_ioctl.h"
#include "qms_platform.h"
#include "qms_sim.h"

namespace {

struct Module {
    int id = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
};

// Plugs a module (boards 1, 2, ...) with the given extra scenario keys and opens it.
Module PlugAndOpen(unsigned board, const char *extra)
{
    char scenario[256];
    std::snprintf(scenario, sizeof scenario, R"({"board_id":%u,"serial":"BENCH-%u","not_ready_polls":0%s})", board,
                  board, extra);
    Module m;
    m.id = qms_sim_plug(scenario);
    if (m.id <= 0)
        return m;
    char16_t name[16];
    // Boards are plugged in order on a fresh platform: board n is stream device U93n:.
    std::string text = "U93" + std::to_string(board) + ":";
    for (size_t i = 0; i <= text.size(); ++i)
        name[i] = static_cast<char16_t>(text.c_str()[i]);
    m.handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return m;
}

// One module that answers at once (board 1), two that take 1 ms per transfer (boards 2, 3).
struct Bench {
    Module immediate;
    Module slow[2];
    Bench()
    {
        immediate = PlugAndOpen(1, "");
        slow[0] = PlugAndOpen(2, R"(,"latency_us":1000)");
        slow[1] = PlugAndOpen(3, R"(,"latency_us":1000)");
    }
};

Bench *bench = nullptr;

// Closes the handles before the platform's own exit handler unplugs the modules, so that their
// removal does not wait for a handle nobody will close.
void CloseModules()
{
    CloseHandle(bench->immediate.handle);
    CloseHandle(bench->slow[0].handle);
    CloseHandle(bench->slow[1].handle);
}

Bench &Modules()
{
    if (!bench) {
        bench = new Bench;
        std::atexit(CloseModules);
    }
    return *bench;
}

// Sends one control request per iteration.
void Run(benchmark::State &state, HANDLE handle, DWORD code, void *in, DWORD inLength, void *out, DWORD outLength)
{
    if (handle == INVALID_HANDLE_VALUE) {
        state.SkipWithError("module not available");
        return;
    }
    DWORD returned = 0;
    for (auto _ : state) {
        if (!DeviceIoControl(handle, code, in, inLength, out, outLength, &returned, nullptr)) {
            state.SkipWithError("request failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// No USB traffic: the copy of the driver's CJC history.
void BM_GetCjcHistory(benchmark::State &state)
{
    CjcHistory history{};
    Run(state, Modules().immediate.handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history);
}
BENCHMARK(BM_GetCjcHistory);

// One IN transfer.
void BM_GetBoardId(benchmark::State &state)
{
    BYTE board[4];
    Run(state, Modules().immediate.handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, sizeof board);
}
BENCHMARK(BM_GetBoardId);

// The scan request and the sample block of 8 channels.
void BM_MaiRead8Channels(benchmark::State &state)
{
    BYTE scan[8] = {0, 0, 0, 8, 0, 0, 0, 0};
    SampleBlock block{};
    Run(state, Modules().immediate.handle, IOCTL_QMS_MAI_READ, scan, sizeof scan, &block, sizeof block);
}
BENCHMARK(BM_MaiRead8Channels);

// Modules that take 1 ms per transfer, one thread per module: two threads on two modules
// should reach about twice the requests per second of one.
void BM_BoardIdOneMillisecondModules(benchmark::State &state)
{
    BYTE board[4];
    Run(state, Modules().slow[state.thread_index() % 2].handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board,
        sizeof board);
}
BENCHMARK(BM_BoardIdOneMillisecondModules)->Threads(1)->Threads(2)->UseRealTime()->MinTime(1.0);

// Two threads on one such module: its transfer lock serialises them.
void BM_BoardIdOneMillisecondModuleShared(benchmark::State &state)
{
    BYTE board[4];
    Run(state, Modules().slow[0].handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, sizeof board);
}
BENCHMARK(BM_BoardIdOneMillisecondModuleShared)->Threads(2)->UseRealTime()->MinTime(1.0);

} // namespace
