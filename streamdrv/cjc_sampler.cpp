#include "cjc_sampler.h"

#include "cjc_history.h"
#include "transport.h"

namespace {

constexpr DWORD kSamplePeriodMs = 1000;
constexpr int kReadTries = 6;
constexpr DWORD kFailed = static_cast<DWORD>(-1);

bool KeepRunning(const DeviceContext *context)
{
    return ReadInterlocked(&context->samplerRun) != 0;
}

// The sampler takes transferLock without announcing itself (its reads give way instead).
class SamplerLock {
public:
    explicit SamplerLock(DeviceContext *context) : lock_(&context->transferLock) { EnterCriticalSection(lock_); }
    ~SamplerLock() { LeaveCriticalSection(lock_); }
    SamplerLock(const SamplerLock &) = delete;
    SamplerLock &operator=(const SamplerLock &) = delete;

private:
    LPCRITICAL_SECTION lock_;
};

SamplerRead Read(DeviceContext *context, WORD command, void *reply, WORD length)
{
    SamplerLock lock(context);
    const SamplerRead read = SamplerVendorIn(context, GROUP_AI, command, reply, length);
    if (read == SamplerRead::Failed)
        RecordDriverError(context, QMS_DRVERR_TRANSFER);
    return read;
}

// One cycle: up to six reads until the module calls its reading valid. A failed read ends the
// tries; only a valid reading is stored. A read that gave way to an application call ends
// the cycle without a sample and without a failure: the next cycle tries again.
bool TakeSample(DeviceContext *context)
{
    CjcReading reply{};
    for (int attempt = 0; attempt < kReadTries && KeepRunning(context); ++attempt) {
        const SamplerRead read = Read(context, CMD_AI_READ_CJC, &reply, sizeof reply);
        if (read != SamplerRead::Done)
            return read == SamplerRead::GaveWay;
        if (Swap32(reply.valid) != 0) {
            StoreCjcSample(context, static_cast<uint16_t>(Swap32(reply.reading)));
            return true;
        }
    }
    return true;
}

} // namespace

DWORD CjcSampler(LPVOID parameter)
{
    auto *context = static_cast<DeviceContext *>(parameter);
    DWORD result = 0;
    uint32_t offset = 0;
    if (Read(context, CMD_AI_GET_CJC_OFFSET, &offset, sizeof offset) == SamplerRead::Done)
        StoreOffsetWord(context, offset);
    while (KeepRunning(context)) {
        if (!TakeSample(context))
            result = kFailed;
        // The stop event ends the wait at once when the device is being shut down.
        if (WaitForSingleObject(context->samplerStop, kSamplePeriodMs) != WAIT_TIMEOUT)
            break;
    }
    return result;
}

BOOL StartCjcSampler(DeviceContext *context)
{
    ResetEvent(context->samplerStop);
    InterlockedExchange(&context->samplerRun, 1);
    context->samplerThread = CreateThread(nullptr, 0, CjcSampler, context, 0, nullptr);
    if (!context->samplerThread) {
        InterlockedExchange(&context->samplerRun, 0);
        __atomic_store_n(&context->LastErrorCode, QMS_DRVERR_BAD_CONTEXT, __ATOMIC_RELAXED);
        return FALSE;
    }
    return TRUE;
}

void StopCjcSampler(DeviceContext *context)
{
    InterlockedExchange(&context->samplerRun, 0);
    if (context->samplerStop)
        SetEvent(context->samplerStop);
    if (context->samplerThread) {
        WaitForSingleObject(context->samplerThread, INFINITE);
        CloseHandle(context->samplerThread);
        context->samplerThread = nullptr;
    }
}
