// Sleeping and the millisecond tick, both on the monotonic clock.
#include <chrono>
#include <thread>

#include "qms_platform.h"

extern "C" {

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

// Milliseconds since an arbitrary fixed point (system start), wrapping after about 49.7 days.
DWORD GetTickCount(void)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // extern "C"
