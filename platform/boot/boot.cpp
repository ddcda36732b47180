// Start and shutdown of the platform in this process.
#include "platform/boot/boot.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/boot/bus_backends.h"
#include "platform/boot/stream_driver_install.h"
#include "platform/devmgr/device_manager.h"
#include "platform/registry/store.h"
#include "platform/usbd/host.h"

namespace qms::boot {

namespace {

// How long shutdown waits for the drivers' removal paths: a driver that waits for an
// application to close its handle must not hold up the process for ever.
constexpr std::chrono::milliseconds removalBound{5000};

enum class Phase { Stopped, Booting, Running, ShuttingDown };

struct Lifecycle {
    std::mutex lock;
    std::condition_variable changed;
    Phase phase = Phase::Stopped;
    std::thread::id owner; // the thread booting or shutting down
    bool exitHandlerInstalled = false;
};

Lifecycle &lifecycle()
{
    static auto *state = new Lifecycle; // outlives every static: exit handlers use it
    return *state;
}

void shutdownAtExit()
{
    qms_platform_shutdown();
}

void boot()
{
    devmgr::DeviceManager::instance().start();
    usbd::Host::instance().start();
    installStreamDriver();
    startBusBackends();
}

} // namespace

bool ensureStarted()
{
    Lifecycle &life = lifecycle();
    std::unique_lock guard(life.lock);
    for (;;) {
        switch (life.phase) {
        case Phase::Running:
            return true;
        case Phase::ShuttingDown:
            return false;
        case Phase::Booting:
            if (life.owner == std::this_thread::get_id())
                return true;
            life.changed.wait(guard);
            continue;
        case Phase::Stopped:
            break;
        }
        life.phase = Phase::Booting;
        life.owner = std::this_thread::get_id();
        guard.unlock();
        boot();
        guard.lock();
        life.phase = Phase::Running;
        life.owner = {};
        // Installed after the first boot, so that it runs before the destructors of the
        // statics that boot brought to life.
        if (!life.exitHandlerInstalled) {
            life.exitHandlerInstalled = true;
            std::atexit(shutdownAtExit);
        }
        life.changed.notify_all();
        return true;
    }
}

} // namespace qms::boot

using namespace qms;

extern "C" QMS_EXPORT int qms_platform_start(void)
{
    return boot::ensureStarted() ? 0 : -1;
}

extern "C" QMS_EXPORT void qms_platform_shutdown(void)
{
    boot::Lifecycle &life = boot::lifecycle();
    {
        std::unique_lock guard(life.lock);
        life.changed.wait(guard, [&] {
            return life.phase != boot::Phase::Booting || life.owner == std::this_thread::get_id();
        });
        if (life.phase != boot::Phase::Running)
            return;
        life.phase = boot::Phase::ShuttingDown;
        life.owner = std::this_thread::get_id();
    }
    boot::stopBusBackends();
    usbd::Host::instance().shutdown(boot::removalBound);
    devmgr::DeviceManager::instance().shutdown();
    boot::releaseBusBackends();
    registry::closeStore();
    {
        std::lock_guard guard(life.lock);
        life.phase = boot::Phase::Stopped;
        life.owner = {};
    }
    life.changed.notify_all();
}
