// Critical sections: recursive locks owned by a thread. InitializeCriticalSection allocates
// the lock into the caller's CRITICAL_SECTION and DeleteCriticalSection frees it; a section
// that was never initialised (or already deleted) is recognised by a missing mark in the
// reserved words and refused instead of touched.
#include <atomic>
#include <mutex>

#include "platform/kernel/guard.h"
#include "platform/kernel/thread.h"

namespace qms::kernel {
namespace {

// Written into reserved[0] while the section is initialised.
constexpr DWORD initialisedMark = 0x43534543; // "CSEC"

class RecursiveLock {
public:
    void enter()
    {
        const DWORD self = currentThreadId();
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        mutex_.lock();
        own(self);
    }

    bool tryEnter()
    {
        const DWORD self = currentThreadId();
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return true;
        }
        if (!mutex_.try_lock())
            return false;
        own(self);
        return true;
    }

    // False when the calling thread does not hold the lock.
    bool leave()
    {
        if (owner_.load(std::memory_order_relaxed) != currentThreadId())
            return false;
        if (--depth_ == 0) {
            owner_.store(0, std::memory_order_relaxed);
            mutex_.unlock();
        }
        return true;
    }

    bool heldByOther() const
    {
        const DWORD owner = owner_.load(std::memory_order_relaxed);
        return owner != 0 && owner != currentThreadId();
    }

private:
    void own(DWORD self)
    {
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }

    std::mutex mutex_;
    // Only the owner compares equal to its own id, so reading it unlocked is sound.
    std::atomic<DWORD> owner_{0};
    unsigned depth_ = 0;
};

RecursiveLock *lockOf(LPCRITICAL_SECTION section)
{
    if (!section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (section->reserved[0] != initialisedMark || !section->impl) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<RecursiveLock *>(section->impl);
}

} // namespace
} // namespace qms::kernel

using qms::kernel::guarded;
using qms::kernel::lockOf;

extern "C" {

// On failure (no memory) the section stays uninitialised and every later call on it is
// refused; last error ERROR_NOT_ENOUGH_MEMORY.
void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    guarded([&] {
        if (!lpCriticalSection) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return;
        }
        *lpCriticalSection = CRITICAL_SECTION{};
        lpCriticalSection->impl = new qms::kernel::RecursiveLock;
        lpCriticalSection->reserved[0] = qms::kernel::initialisedMark;
    });
}

// Deleting a section that another thread holds is refused (the section stays usable and
// last error is ERROR_INVALID_PARAMETER); the owner may delete it while holding it.
void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    guarded([&] {
        auto *lock = lockOf(lpCriticalSection);
        if (!lock)
            return;
        if (lock->heldByOther()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return;
        }
        while (lock->leave()) {
        }
        *lpCriticalSection = CRITICAL_SECTION{};
        delete lock;
    });
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    guarded([&] {
        if (auto *lock = lockOf(lpCriticalSection))
            lock->enter();
    });
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    return guarded(FALSE, [&]() -> BOOL {
        auto *lock = lockOf(lpCriticalSection);
        return lock && lock->tryEnter() ? TRUE : FALSE;
    });
}

// Leaving a section the calling thread does not hold changes nothing; last error
// ERROR_INVALID_PARAMETER.
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    guarded([&] {
        auto *lock = lockOf(lpCriticalSection);
        if (lock && !lock->leave())
            SetLastError(ERROR_INVALID_PARAMETER);
    });
}

} // extern "C"
