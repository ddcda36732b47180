#include "platform/boot/bus_backends.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/boot/simulated_modules.h"
#include "platform/usbd/libusb_bus.h"

namespace qms::boot {

namespace {

struct BusBackend {
    const char *name;
    bool (*enabled)();
    void (*start)();
    void (*stop)();
    void (*release)();
};

bool simulatedBusEnabled()
{
    const char *setting = std::getenv("QMS_SIM");
    return !(setting && std::strcmp(setting, "none") == 0);
}

void nothing() {}

constexpr BusBackend backends[] = {
    {.name = "libusb",
     .enabled = usbd::libusb_bus::enabled,
     .start = usbd::libusb_bus::start,
     .stop = usbd::libusb_bus::stop,
     .release = nothing},
    {.name = "simulated",
     .enabled = simulatedBusEnabled,
     .start = plugSimulatedModules,
     .stop = unplugSimulatedModules,
     .release = releaseSimulatedModules},
};

} // namespace

void startBusBackends()
{
    for (const BusBackend &backend : backends)
        if (backend.enabled())
            backend.start();
}

void stopBusBackends()
{
    for (auto it = std::rbegin(backends); it != std::rend(backends); ++it)
        it->stop();
}

void releaseBusBackends()
{
    for (const BusBackend &backend : backends)
        backend.release();
}

} // namespace qms::boot
