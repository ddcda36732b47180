#include "platform_session.h"

#include <cstdlib>

#include "qms_platform.h"
#include "qms_sim.h"
#include "tool_error.h"

namespace qms::cli {

PlatformSession::PlatformSession(const std::optional<std::string> &sim,
                                 const std::optional<std::string> &registry)
{
    if (registry)
        setenv("QMS_REGISTRY", registry->c_str(), 1);
    const char *argument = sim ? "--sim" : "QMS_SIM";
    std::optional<std::string> scenario = sim;
    if (!scenario)
        if (const char *env = std::getenv("QMS_SIM"))
            scenario = env;
    // The tool plugs the modules itself, after the platform is up, so that a refused
    // scenario is reported here as one line instead of the platform's warning.
    setenv("QMS_SIM", "none", 1);
    if (qms_platform_start() != 0)
        throw ToolError(ExitDeviceError, "platform", "the platform did not start");
    if (scenario && *scenario == "none")
        return;
    const int plugged = qms_sim_boot(scenario ? scenario->c_str() : nullptr);
    if (plugged < 0 && !scenario)
        throw ToolError(ExitDeviceError, "demo module",
                        std::string("its memory could not be read (") + qms_sim_last_error() +
                            "); delete the file for a factory-fresh demo module");
    if (plugged < 0)
        throw BadArgument(argument, std::string("the scenario was refused: ") + qms_sim_last_error());
    plugged_ = true;
}

PlatformSession::~PlatformSession()
{
    if (plugged_)
        qms_sim_shutdown();
}

} // namespace qms::cli
