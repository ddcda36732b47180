// One control request as the firmware sees it.
#pragma once

#include <cstdint>

#include "platform/usbd/bus.h"

namespace qms::sim {

using qms::usbd::SetupPacket;

enum class Direction { In, Out };

inline Direction directionOf(const SetupPacket &setup)
{
    return (setup.bmRequestType & 0x80) != 0 ? Direction::In : Direction::Out;
}

constexpr uint8_t kVendorOut = 0x40; // host to device, vendor, recipient device
constexpr uint8_t kVendorIn = 0xC0;

} // namespace qms::sim
