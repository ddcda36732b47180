#include "stop_signal.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qms::cli {

namespace {

std::atomic<bool> stopRequested{false};
int wakeRead = -1;
int wakeWrite = -1;
struct sigaction previousInt {};
struct sigaction previousTerm {};

extern "C" void OnStopSignal(int)
{
    const int saved = errno;
    stopRequested.store(true);
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
    }
    errno = saved;
}

} // namespace

StopSignal::StopSignal()
{
    stopRequested.store(false);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

StopSignal::~StopSignal()
{
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    if (wakeRead >= 0)
        close(wakeRead);
    if (wakeWrite >= 0)
        close(wakeWrite);
    wakeRead = wakeWrite = -1;
}

bool StopSignal::stopped() const
{
    return stopRequested.load();
}

bool StopSignal::waitUntil(std::chrono::steady_clock::time_point deadline) const
{
    while (!stopped()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd wake{wakeRead, POLLIN, 0};
        const int timeout = static_cast<int>(std::min<long long>(left.count(), 60000));
        if (wakeRead < 0) {
            usleep(static_cast<useconds_t>(std::min(timeout, 100)) * 1000);
            continue;
        }
        poll(&wake, 1, timeout);
    }
    return false;
}

} // namespace qms::cli
