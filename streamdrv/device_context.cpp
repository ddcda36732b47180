#include "device_context.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <unordered_map>

#include "cjc_sampler.h"

namespace {

struct LiveEntry {
    DWORD token;
    unsigned holds; // entry points working on the record right now
};

// Every live record, by pointer and by token. Records leave it before they are released, and
// release waits until no entry point holds the record any more.
class LiveRecords {
public:
    DWORD insert(DeviceContext *context)
    {
        std::lock_guard guard(lock_);
        DWORD token;
        do
            token = nextToken_++;
        while (token == 0 || byToken_.count(token));
        byPointer_.emplace(context, LiveEntry{token, 0});
        byToken_.emplace(token, context);
        return token;
    }

    DeviceContext *find(DWORD token)
    {
        std::lock_guard guard(lock_);
        const auto it = byToken_.find(token);
        return it == byToken_.end() ? nullptr : it->second;
    }

    bool contains(const void *context)
    {
        std::lock_guard guard(lock_);
        return byPointer_.count(static_cast<DeviceContext *>(const_cast<void *>(context))) != 0;
    }

    std::vector<HeldNumber> numbers(const DeviceContext *self, DWORD count)
    {
        std::vector<HeldNumber> held(count);
        std::lock_guard guard(lock_);
        for (const auto &[context, entry] : byPointer_) {
            if (context == self || context->deviceNumber >= count)
                continue;
            if (ModulePresent(context))
                held[context->deviceNumber].present = true;
            else
                held[context->deviceNumber].goneToken = entry.token;
        }
        return held;
    }

    void noteSignalled(DeviceContext *context)
    {
        {
            std::lock_guard guard(lock_);
            InterlockedExchange(&context->removalSignalled, 1);
        }
        released_.notify_all();
    }

    void waitForPredecessor(DWORD token, std::chrono::milliseconds bound)
    {
        std::unique_lock guard(lock_);
        released_.wait_for(guard, bound, [&] {
            const auto it = byToken_.find(token);
            return it == byToken_.end() || (ReadInterlocked(&it->second->removalSignalled) != 0 &&
                                            ReadInterlocked(&it->second->openCount) > 0);
        });
    }

    DeviceContext *hold(DWORD_PTR context)
    {
        std::lock_guard guard(lock_);
        const auto it = byPointer_.find(reinterpret_cast<DeviceContext *>(context));
        if (it == byPointer_.end())
            return nullptr;
        ++it->second.holds;
        return it->first;
    }

    void unhold(DeviceContext *context)
    {
        bool idle = false;
        {
            std::lock_guard guard(lock_);
            const auto it = byPointer_.find(context);
            if (it != byPointer_.end())
                idle = --it->second.holds == 0;
            else if (retiring_.count(context))
                idle = --retiring_[context] == 0;
        }
        if (idle)
            released_.notify_all();
    }

    // Takes the record out of the table and waits until nobody holds it.
    void retire(DeviceContext *context)
    {
        std::unique_lock guard(lock_);
        const auto it = byPointer_.find(context);
        if (it == byPointer_.end())
            return;
        byToken_.erase(it->second.token);
        unsigned &holds = retiring_[context];
        holds = it->second.holds;
        byPointer_.erase(it);
        released_.notify_all(); // a successor of the same number waits for this
        released_.wait(guard, [&] { return retiring_[context] == 0; });
        retiring_.erase(context);
    }

private:
    std::mutex lock_;
    std::condition_variable released_;
    std::unordered_map<DeviceContext *, LiveEntry> byPointer_;
    std::unordered_map<DWORD, DeviceContext *> byToken_;
    std::unordered_map<DeviceContext *, unsigned> retiring_;
    DWORD nextToken_ = 1;
};

LiveRecords &liveRecords()
{
    // Never destroyed: a sampler or notification thread may still look a record up at exit.
    static auto *records = new LiveRecords;
    return *records;
}

void CloseAndClear(HANDLE &handle)
{
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

} // namespace

void RecordDriverError(DeviceContext *context, DWORD code)
{
    __atomic_store_n(&context->LastErrorCode, code, __ATOMIC_RELAXED);
    SetLastError(QMS_DRIVER_ERROR(code));
}

void RecordDeviceError(DeviceContext *context, DWORD deviceError, DWORD threadError)
{
    __atomic_store_n(&context->LastErrorCode, deviceError, __ATOMIC_RELAXED);
    SetLastError(threadError);
}

LONG ReadInterlocked(const LONG volatile *value)
{
    return __atomic_load_n(value, __ATOMIC_SEQ_CST);
}

BOOL ModuleRemoved(const DeviceContext *context)
{
    return ReadInterlocked(&context->removed) != 0;
}

BOOL ModulePresent(const DeviceContext *context)
{
    // The host stack has no device information for a device that has gone.
    const LPGET_DEVICE_INFO deviceInfo = context->usbFuncs->lpGetDeviceInfo;
    return !ModuleRemoved(context) && (!deviceInfo || deviceInfo(context->usbDevice) != nullptr);
}

DeviceContext *CreateDeviceContext(USB_HANDLE usbDevice, LPCUSB_FUNCS usbFuncs)
{
    void *memory = LocalAlloc(LPTR, sizeof(DeviceContext));
    if (!memory)
        return nullptr;
    auto *context = new (memory) DeviceContext{};
    context->usbDevice = usbDevice;
    context->signature = QMS_DEVICE_SIGNATURE;
    context->transferTimeout = 2000;
    context->usbFuncs = usbFuncs;
    context->deviceNumber = QMS_DEVICE_NUMBER_UNRESOLVED;
    InitializeCriticalSection(&context->transferLock);
    context->transferEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    context->allClosedEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    context->samplerStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    context->lockWanted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!context->transferEvent || !context->allClosedEvent || !context->samplerStop || !context->lockWanted) {
        CloseAndClear(context->lockWanted);
        CloseAndClear(context->samplerStop);
        CloseAndClear(context->allClosedEvent);
        CloseAndClear(context->transferEvent);
        DeleteCriticalSection(&context->transferLock);
        context->signature = 0;
        LocalFree(memory);
        return nullptr;
    }
    context->token = liveRecords().insert(context);
    return context;
}

DeviceContext *FindLiveRecord(DWORD token)
{
    return token ? liveRecords().find(token) : nullptr;
}

std::vector<HeldNumber> LiveDeviceNumbers(const DeviceContext *self, DWORD count)
{
    return liveRecords().numbers(self, count);
}

void NoteRemovalSignalled(DeviceContext *context)
{
    liveRecords().noteSignalled(context);
}

void WaitForPredecessor(DWORD token, DWORD bound)
{
    liveRecords().waitForPredecessor(token, std::chrono::milliseconds(bound));
}

BOOL IsLiveRecord(const void *context)
{
    return context && liveRecords().contains(context);
}

void ReleaseDeviceContext(DeviceContext *context)
{
    if (!context)
        return;
    liveRecords().retire(context);
    StopCjcSampler(context);
    CloseAndClear(context->removalEvent);
    CloseAndClear(context->lockWanted);
    CloseAndClear(context->samplerStop);
    CloseAndClear(context->allClosedEvent);
    CloseAndClear(context->transferEvent);
    DeleteCriticalSection(&context->transferLock);
    context->signature = 0;
    context->~DeviceContext();
    LocalFree(context);
}

RecordHold::RecordHold(DWORD_PTR context) : context_(context ? liveRecords().hold(context) : nullptr)
{
    if (context_ && context_->signature != QMS_DEVICE_SIGNATURE) {
        liveRecords().unhold(context_);
        context_ = nullptr;
    }
}

RecordHold::~RecordHold()
{
    if (context_)
        liveRecords().unhold(context_);
}
