// The host stack's completion thread: a timer queue that ends transfers when the bus says
// they are done. Work runs on the queue's one thread in due order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace qms::usbd {

class CompletionQueue {
public:
    using Clock = std::chrono::steady_clock;

    void start();
    // Ends the thread; work not yet due is dropped.
    void stop();
    void schedule(Clock::time_point due, std::function<void()> work);

private:
    void run(unsigned generation);

    std::mutex lock_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, std::function<void()>> due_;
    bool running_ = false;
    unsigned generation_ = 0; // a detached thread of an earlier start leaves when it changes
    std::thread thread_;
};

} // namespace qms::usbd
