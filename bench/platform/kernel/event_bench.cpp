// Cost of the platform's event round trip on one thread, without contention: the path every
// vendor request takes (reset, set by the completion, wait).
#include <benchmark/benchmark.h>

#include "qms_platform.h"

namespace {

void SetThenWait(benchmark::State &state, BOOL manualReset)
{
    HANDLE event = CreateEventW(nullptr, manualReset, FALSE, nullptr);
    for (auto _ : state) {
        SetEvent(event);
        benchmark::DoNotOptimize(WaitForSingleObject(event, INFINITE));
        if (manualReset)
            ResetEvent(event);
    }
    CloseHandle(event);
}

void BM_AutoResetSetAndWait(benchmark::State &state)
{
    SetThenWait(state, FALSE);
}
BENCHMARK(BM_AutoResetSetAndWait);

void BM_ManualResetSetWaitReset(benchmark::State &state)
{
    SetThenWait(state, TRUE);
}
BENCHMARK(BM_ManualResetSetWaitReset);

void BM_WaitTimeOutZeroOnClearEvent(benchmark::State &state)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(WaitForSingleObject(event, 0));
    CloseHandle(event);
}
BENCHMARK(BM_WaitTimeOutZeroOnClearEvent);

void BM_CriticalSectionEnterLeave(benchmark::State &state)
{
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    for (auto _ : state) {
        EnterCriticalSection(&section);
        LeaveCriticalSection(&section);
    }
    DeleteCriticalSection(&section);
}
BENCHMARK(BM_CriticalSectionEnterLeave);

} // namespace
