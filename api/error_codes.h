// The library's result codes: plain codes, device codes (device number x 4096 + 4096 + error
// index), driver codes (the same formula with the stream driver's mapped last error) and the
// module's own status words, which are passed through.
#pragma once

#include <cstdint>

#include "qms6093.h"

namespace qms::api {

// Device code of an error index (or driver code of a mapped driver error).
constexpr uint32_t DeviceError(uint32_t deviceNumber, uint32_t index)
{
    return QmsDeviceCode(deviceNumber, index);
}

// The thread's last error after a refused control request, as the library reports it: the
// driver's own values lose bit 29, a few system values get the library's numbers.
uint32_t MapDriverError(uint32_t lastError);

// The driver code of the calling thread's last error for this device number.
uint32_t DriverError(uint32_t deviceNumber);

} // namespace qms::api
