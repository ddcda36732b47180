// CreateThread and its thread objects.
//
// Each thread runs detached (std::thread, default stack; the requested stack size is only a
// hint, as on the original). Its handle names a waitable object that becomes signalled, with
// the exit code fixed, when the start routine returns; the running thread holds its own
// reference, so closing the handle early neither stops the thread nor leaks anything.
//
// TerminateThread cannot be honoured on Linux: a thread killed at an arbitrary point leaves
// locks held and memory half-written, and cancelling it unwinds through C frames of callers
// that never expected it. TerminateThread therefore never stops a running thread; it fails
// with ERROR_NOT_SUPPORTED and the thread keeps running, so the caller sees that the thread
// has not ended and must make it end by its own means (a stop event it watches). On a thread
// that has already ended there is nothing to stop and it succeeds, leaving the real exit
// code in place.
//
// CREATE_SUSPENDED is refused with ERROR_NOT_SUPPORTED: there is no ResumeThread.
#include "platform/kernel/thread.h"

#include <atomic>
#include <cxxabi.h>
#include <thread>

#include "platform/kernel/guard.h"
#include "platform/kernel/waitable.h"

namespace qms::kernel {
namespace {

std::atomic<DWORD> nextThreadId{0x100};
thread_local DWORD threadId = 0;

DWORD allocateThreadId() noexcept
{
    DWORD id;
    do
        id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
    while (id == 0);
    return id;
}

// Signalled (for good) when the start routine has returned.
class Thread final : public Waitable {
public:
    explicit Thread(DWORD id) : Waitable(true, false), id_(id) {}

    DWORD id() const { return id_; }

    void finish(DWORD exitCode)
    {
        std::lock_guard lock(kernelLock());
        exitCode_ = exitCode;
        signalLocked(false);
    }

    bool hasEnded(DWORD *exitCode)
    {
        std::lock_guard lock(kernelLock());
        *exitCode = isSignalledLocked() ? exitCode_ : STILL_ACTIVE;
        return isSignalledLocked();
    }

private:
    const DWORD id_;
    DWORD exitCode_ = STILL_ACTIVE;
};

void runThread(std::shared_ptr<Thread> thread, LPTHREAD_START_ROUTINE routine, LPVOID parameter)
{
    threadId = thread->id();
    // The thread's end is recorded even when the routine leaves by pthread_exit.
    struct Finish {
        Thread &thread;
        // An exception escaping the start routine ends the thread with ERROR_GEN_FAILURE
        // instead of taking the process down.
        DWORD exitCode = ERROR_GEN_FAILURE;
        ~Finish() { thread.finish(exitCode); }
    } finish{*thread};
    try {
        finish.exitCode = routine(parameter);
    } catch (abi::__forced_unwind &) {
        throw;
    } catch (...) {
    }
}

} // namespace

DWORD currentThreadId() noexcept
{
    if (threadId == 0)
        threadId = allocateThreadId();
    return threadId;
}

} // namespace qms::kernel

using qms::kernel::guarded;

extern "C" {

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId)
{
    return guarded(HANDLE{}, [&]() -> HANDLE {
        if (!lpStartAddress) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (dwCreationFlags & CREATE_SUSPENDED) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        auto thread = std::make_shared<qms::kernel::Thread>(qms::kernel::allocateThreadId());
        HANDLE handle = qms::kernel::insertObject(thread);
        if (!handle)
            return nullptr;
        try {
            std::thread(qms::kernel::runThread, thread, lpStartAddress, lpParameter).detach();
        } catch (...) {
            CloseHandle(handle);
            throw;
        }
        if (lpThreadId)
            *lpThreadId = thread->id();
        return handle;
    });
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    return guarded(FALSE, [&]() -> BOOL {
        auto thread = qms::kernel::lookupOrInvalid<qms::kernel::Thread>(hThread);
        if (!thread)
            return FALSE;
        if (!lpExitCode) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        thread->hasEnded(lpExitCode);
        return TRUE;
    });
}

BOOL TerminateThread(HANDLE hThread, DWORD)
{
    return guarded(FALSE, [&]() -> BOOL {
        auto thread = qms::kernel::lookupOrInvalid<qms::kernel::Thread>(hThread);
        if (!thread)
            return FALSE;
        DWORD exitCode;
        if (thread->hasEnded(&exitCode))
            return TRUE;
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    });
}

DWORD GetCurrentThreadId(void)
{
    return qms::kernel::currentThreadId();
}

} // extern "C"
