#include "platform/usbd/bus.h"

#include "platform/boot/boot.h"
#include "platform/usbd/host.h"

namespace qms::usbd {

BusDevice::~BusDevice() = default;

uint32_t plugDevice(std::shared_ptr<BusDevice> device)
{
    if (!boot::ensureStarted())
        return 0;
    return Host::instance().plug(std::move(device));
}

bool unplugDevice(uint32_t address)
{
    return Host::instance().unplug(address);
}

bool waitDeviceRemoved(uint32_t address, unsigned timeoutMs)
{
    return Host::instance().waitRemoved(address, std::chrono::milliseconds(timeoutMs));
}

} // namespace qms::usbd
