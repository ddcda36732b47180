// The platform of this process: the registry store and the simulated modules chosen on the
// command line (--registry, --sim) or in the environment (QMS_REGISTRY, QMS_SIM), booted
// before a command runs and the modules unplugged after it.
#pragma once

#include <optional>
#include <string>

namespace qms::cli {

class PlatformSession {
public:
    // Boots the platform and plugs the simulated modules of the scenario (unset: the demo
    // module; "none": no module). A scenario the simulator refuses throws a bad-argument
    // error naming --sim (or QMS_SIM) with the simulator's message.
    PlatformSession(const std::optional<std::string> &sim, const std::optional<std::string> &registry);
    ~PlatformSession();
    PlatformSession(const PlatformSession &) = delete;
    PlatformSession &operator=(const PlatformSession &) = delete;

private:
    bool plugged_ = false;
};

} // namespace qms::cli
