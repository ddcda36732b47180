#include "api/error_codes.h"

#include "qms_ioctl.h"
#include "qms_platform.h"

namespace qms::api {

uint32_t MapDriverError(uint32_t lastError)
{
    if (lastError == 0)
        return 0;
    // All ones would pass for a driver value with bit 29; it is the platform's "no error
    // value", reported as 100.
    if (lastError == 0xFFFFFFFFu)
        return 100;
    if (lastError & QMS_DRIVER_ERROR_BIT)
        return lastError & ~QMS_DRIVER_ERROR_BIT;
    switch (lastError) {
    case 56: return 103;
    case 2: return 101;
    case 6: return 102;
    case 998: return 105;
    default: return lastError;
    }
}

uint32_t DriverError(uint32_t deviceNumber)
{
    return DeviceError(deviceNumber, MapDriverError(GetLastError()));
}

} // namespace qms::api
