// Client-driver registrations, kept in the registry so that they persist with it:
//   Drivers\USB\ClientDrivers\<ID>          the client's own key (its values are its own)
//   Drivers\USB\LoadClients\<ID>            a registered driver ID
//   Drivers\USB\LoadClients\<ID>\<fields>   one settings record: `Dll` (REG_SZ) and
//                                           `Settings` (REG_BINARY, the 40-byte record)
#pragma once

#include <string>
#include <vector>

#include "platform/usbd/bus.h"
#include "qms_usbd.h"

namespace qms::usbd {

// A registration that matches a device, in the order the host offers the device.
struct ClientCandidate {
    std::u16string driverId;
    std::u16string dll;
    USB_DRIVER_SETTINGS settings;
};

// Does the record accept this device? USB_NO_INFO matches anything.
bool settingsMatch(const USB_DRIVER_SETTINGS &settings, const DeviceIdentity &device);

// Every registration whose settings match, the most specific first (vendor and product
// before classes), ties in driver-ID order.
std::vector<ClientCandidate> matchingClients(const DeviceIdentity &device);

// Whether a driver ID has at least one settings record registered.
bool hasClientSettings(std::u16string_view driverId);

} // namespace qms::usbd
