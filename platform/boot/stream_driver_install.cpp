#include "platform/boot/stream_driver_install.h"

#include <cstdio>
#include <string>
#include <utility>

#include "platform/devmgr/library.h"
#include "platform/usbd/client_registry.h"
#include "qms_usbd.h"

namespace qms::boot {

namespace {

constexpr char16_t driverId[] = u"USB6093_Class";
constexpr char16_t driverFile[] = u"Qms6093S.dll";

} // namespace

void installStreamDriver()
{
    if (usbd::hasClientSettings(driverId))
        return;
    std::string why;
    const auto library = devmgr::DriverLibrary::load(driverFile, &why);
    if (!library) {
        // Said once per process: every later start would only repeat it.
        static bool told = false;
        if (std::exchange(told, true))
            return;
        std::fprintf(stderr, "qms platform: stream driver libqms6093s.so not found (%s); "
                             "modules will not be attached\n", why.c_str());
        return;
    }
    const auto install = library->entry<LPUSB_INSTALL_DRIVER>(USB_INSTALL_DRIVER_NAME);
    if (!install) {
        std::fprintf(stderr, "qms platform: libqms6093s.so has no %s; modules will not be attached\n",
                     USB_INSTALL_DRIVER_NAME);
        return;
    }
    if (!install(driverFile))
        std::fprintf(stderr, "qms platform: the stream driver could not be installed (error %u)\n",
                     GetLastError());
}

} // namespace qms::boot
