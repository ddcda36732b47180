#include "platform/kernel/waitable.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qms::kernel {

struct WaitBlock {
    std::condition_variable wake;
    bool satisfied = false;
    DWORD index = 0;
};

std::mutex &Waitable::kernelLock()
{
    // Never destroyed: detached threads may still signal objects while the process exits.
    static std::mutex *instance = new std::mutex;
    return *instance;
}

void Waitable::set()
{
    std::lock_guard lock(kernelLock());
    signalLocked(false);
}

void Waitable::reset()
{
    std::lock_guard lock(kernelLock());
    signalled_ = false;
}

void Waitable::pulse()
{
    std::lock_guard lock(kernelLock());
    signalLocked(true);
}

void Waitable::signalLocked(bool pulse)
{
    bool handedOver = false;
    for (const Registration &waiter : waiters_) {
        if (waiter.block->satisfied)
            continue; // already woken by another object of its wait
        waiter.block->satisfied = true;
        waiter.block->index = waiter.index;
        waiter.block->wake.notify_one();
        handedOver = true;
        if (!manualReset_)
            break;
    }
    if (pulse)
        signalled_ = false;
    else
        signalled_ = manualReset_ || !handedOver;
}

bool Waitable::consumeLocked()
{
    if (!signalled_)
        return false;
    if (!manualReset_)
        signalled_ = false;
    return true;
}

void Waitable::removeWaiterLocked(const WaitBlock *block) noexcept
{
    std::erase_if(waiters_, [block](const Registration &r) { return r.block == block; });
}

DWORD Waitable::waitAny(std::span<const std::shared_ptr<Waitable>> objects, DWORD dwMilliseconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(dwMilliseconds);

    std::unique_lock lock(kernelLock());
    for (DWORD i = 0; i < objects.size(); ++i) {
        if (objects[i]->consumeLocked())
            return WAIT_OBJECT_0 + i;
    }
    if (dwMilliseconds == 0)
        return WAIT_TIMEOUT;

    WaitBlock block;
    struct Unregister {
        std::span<const std::shared_ptr<Waitable>> objects;
        const WaitBlock *block;
        ~Unregister()
        {
            for (const auto &object : objects)
                object->removeWaiterLocked(block);
        }
    } unregister{objects, &block};
    for (DWORD i = 0; i < objects.size(); ++i)
        objects[i]->waiters_.push_back({&block, i});

    while (!block.satisfied) {
        if (dwMilliseconds == INFINITE)
            block.wake.wait(lock);
        else if (block.wake.wait_until(lock, deadline) == std::cv_status::timeout)
            break;
    }
    return block.satisfied ? WAIT_OBJECT_0 + block.index : WAIT_TIMEOUT;
}

} // namespace qms::kernel
