#include "platform/usbd/completion_queue.h"

namespace qms::usbd {

void CompletionQueue::start()
{
    std::lock_guard guard(lock_);
    if (running_)
        return;
    running_ = true;
    thread_ = std::thread(&CompletionQueue::run, this, ++generation_);
}

void CompletionQueue::stop()
{
    std::thread thread;
    {
        std::lock_guard guard(lock_);
        running_ = false;
        due_.clear();
        thread.swap(thread_);
    }
    wake_.notify_all();
    if (!thread.joinable())
        return;
    // A completion routine that shuts the platform down cannot wait for itself.
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}

void CompletionQueue::schedule(Clock::time_point due, std::function<void()> work)
{
    {
        std::lock_guard guard(lock_);
        if (!running_)
            return;
        due_.emplace(due, std::move(work));
    }
    wake_.notify_all();
}

void CompletionQueue::run(unsigned generation)
{
    std::unique_lock guard(lock_);
    while (running_ && generation == generation_) {
        if (due_.empty()) {
            wake_.wait(guard);
            continue;
        }
        const auto first = due_.begin();
        if (first->first > Clock::now()) {
            wake_.wait_until(guard, first->first);
            continue;
        }
        auto work = std::move(first->second);
        due_.erase(first);
        guard.unlock();
        work();
        guard.lock();
    }
}

} // namespace qms::usbd
