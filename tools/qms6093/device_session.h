// One opened device: the library's device handle, the registry settings behind it and a
// stream handle of the tool's own for the requests the library keeps to itself.
#pragma once

#include <cstdint>
#include <memory>

#include "tools/qms6093/installed_devices.h"
#include "tools/qms6093/module_port.h"

namespace qms::cli {

class DeviceSession {
public:
    // Opens device `number`. A number without registry settings, or whose module is not
    // attached, throws a bad-argument error naming --device; other refusals a device error.
    explicit DeviceSession(uint32_t number);
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    uint32_t handle() const { return handle_; }
    uint32_t number() const { return installed_.number; }
    const InstalledDevice &installed() const { return installed_; }
    ModulePort &port() { return *port_; }

    // Throws the device error "<what>: <sentence> (code N)" when code is nonzero.
    void check(uint32_t code, const std::string &what) const;

private:
    InstalledDevice installed_;
    uint32_t handle_ = 0;
    std::unique_ptr<ModulePort> port_;
};

} // namespace qms::cli
