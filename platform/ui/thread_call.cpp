#include "platform/ui/thread_call.h"

#include "platform/ui/backend.h"

namespace qms::ui {

void ThreadCall::run()
{
    {
        std::lock_guard lock(lock_);
        if (state_ != State::Pending)
            return;
        state_ = State::Running;
    }
    try {
        body_();
    } catch (...) {
        // The caller's guard reports failures; nothing may escape into the toolkit's loop.
    }
    {
        std::lock_guard lock(lock_);
        state_ = State::Done;
    }
    changed_.notify_all();
}

void ThreadCall::cancel()
{
    {
        std::lock_guard lock(lock_);
        if (state_ != State::Pending)
            return;
        state_ = State::Cancelled;
    }
    changed_.notify_all();
}

bool ThreadCall::wait()
{
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return state_ == State::Done || state_ == State::Cancelled; });
    return state_ == State::Done;
}

namespace {

// Travels with the task: when the toolkit drops the task without running it, the caller is
// let go instead of waiting forever.
struct Delivery {
    std::shared_ptr<ThreadCall> call;
    explicit Delivery(std::shared_ptr<ThreadCall> c) : call(std::move(c)) {}
    Delivery(Delivery &&) = default;
    ~Delivery()
    {
        if (call)
            call->cancel();
    }
};

} // namespace

bool runOnWindowThread(const std::shared_ptr<Window> &window, const std::function<void()> &body)
{
    const BackendOps *ops = runningBackend();
    if (!ops) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (ops->onUiThread()) {
        body();
        return true;
    }
    auto call = std::make_shared<ThreadCall>(body);
    if (!window->addPending(call)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    auto delivery = std::make_shared<Delivery>(call);
    const bool posted = ops->post([delivery] { delivery->call->run(); });
    if (!posted)
        call->cancel();
    delivery.reset();
    const bool ran = call->wait();
    window->removePending(call.get());
    if (!ran)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return ran;
}

} // namespace qms::ui
