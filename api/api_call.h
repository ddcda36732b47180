// The edge of the library: an exported function runs its body through Shielded (the stack's
// one shield, qms_shield.h), so that no C++ exception reaches a C caller. A failed
// allocation or lock is reported as the code the caller gives (the device code of error
// index 1 where a device is known).
#pragma once

#include <cstdint>
#include <utility>

#include "api/device_record.h"
#include "api/error_codes.h"
#include "qms_shield.h"

namespace qms::api {

template <class Result, class Body>
Result Shielded(Result failure, Body &&body) noexcept
{
    return Shield(failure, std::forward<Body>(body));
}

// A call on a device: looks the handle up (null or stale: 3), holds the record for the call
// and runs body(record).
template <class Body>
uint32_t OnDevice(uint32_t handle, Body &&body) noexcept
{
    return Shield(uint32_t{QMS_ERR_NULL_HANDLE}, [&]() -> uint32_t {
        DeviceCall call(handle);
        if (!call)
            return QMS_ERR_NULL_HANDLE;
        return Shield(DeviceError(call->deviceNumber, QMS_ERRIDX_NO_RECORD),
                      [&] { return std::forward<Body>(body)(*call); });
    });
}

} // namespace qms::api
