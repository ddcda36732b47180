#include "platform/boot/simulated_modules.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/devmgr/library.h"
#include "platform/usbd/libusb_bus.h"

namespace qms::boot {

namespace {

using SimBoot = int (*)(const char *qmsSimEnv);
using SimShutdown = void (*)();

// Touched only by the booting and the shutting-down thread, which never overlap.
std::shared_ptr<devmgr::DriverLibrary> &simLibrary()
{
    static auto *library = new std::shared_ptr<devmgr::DriverLibrary>;
    return *library;
}

} // namespace

void plugSimulatedModules()
{
    const char *env = std::getenv("QMS_SIM");
    if (env && std::strcmp(env, "none") == 0)
        return;
    // A user with a module plugged in never sees a phantom demo module beside it.
    if (!env && usbd::libusb_bus::attachedCount() > 0)
        return;
    std::string why;
    auto library = devmgr::DriverLibrary::loadFile("libqmssim.so", &why);
    if (!library) {
        std::fprintf(stderr, "qms platform: simulated modules unavailable (%s); running with no module\n",
                     why.c_str());
        return;
    }
    const auto simBoot = library->entry<SimBoot>("qms_sim_boot");
    if (!simBoot) {
        std::fprintf(stderr, "qms platform: libqmssim.so has no qms_sim_boot; running with no module\n");
        return;
    }
    simLibrary() = library;
    const int result = simBoot(env);
    if (result < 0) {
        using SimLastError = const char *(*)();
        const auto lastError = library->entry<SimLastError>("qms_sim_last_error");
        std::fprintf(stderr, "qms platform: the simulated modules of QMS_SIM could not be plugged "
                             "(code %d: %s); running with no module\n",
                     result, lastError ? lastError() : "?");
    }
}

void unplugSimulatedModules()
{
    if (!simLibrary())
        return;
    if (const auto simShutdown = simLibrary()->entry<SimShutdown>("qms_sim_shutdown"))
        simShutdown();
}

void releaseSimulatedModules()
{
    simLibrary().reset();
}

} // namespace qms::boot
