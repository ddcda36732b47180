// One opened device: the library's device handle and what the device list says about it.
#pragma once

#include <cstdint>
#include <string>

#include "installed_devices.h"

namespace qms::cli {

class DeviceSession {
public:
    // Opens device `number`. A number that is not installed, or whose module is not
    // attached, throws a bad-argument error naming --device; other refusals a device error.
    explicit DeviceSession(uint32_t number);
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    uint32_t handle() const { return handle_; }
    uint32_t number() const { return installed_.number; }
    const InstalledDevice &installed() const { return installed_; }

    // Throws the device error "<what>: <sentence> (code N)" when code is nonzero.
    void check(uint32_t code, const std::string &what) const;

private:
    InstalledDevice installed_;
    uint32_t handle_ = 0;
};

} // namespace qms::cli
