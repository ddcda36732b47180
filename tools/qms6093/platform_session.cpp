#include "tools/qms6093/platform_session.h"

#include <cstdlib>
#include <vector>

#include <nlohmann/json.hpp>

#include "qms_platform.h"
#include "qms_sim.h"
#include "tools/qms6093/tool_error.h"

namespace qms::cli {

namespace {

// A JSON text of one of the simulator's list or state calls.
template <typename Call>
nlohmann::json SimText(Call call)
{
    std::vector<char> buffer(4096);
    for (;;) {
        const long length = call(buffer.data(), buffer.size());
        if (length < 0)
            return nlohmann::json();
        if (static_cast<size_t>(length) < buffer.size())
            return nlohmann::json::parse(buffer.data(), nullptr, false);
        buffer.resize(static_cast<size_t>(length) + 1);
    }
}

} // namespace

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
    if (plugged < 0)
        throw BadArgument(argument, std::string("the scenario was refused: ") + qms_sim_last_error());
    plugged_ = true;
}

PlatformSession::~PlatformSession()
{
    if (plugged_)
        qms_sim_shutdown();
}

std::set<uint32_t> PlatformSession::simulatedBoards() const
{
    std::set<uint32_t> boards;
    const nlohmann::json modules = SimText(qms_sim_list);
    if (!modules.is_array())
        return boards;
    for (const auto &module : modules) {
        const int id = module.value("id", 0);
        const nlohmann::json parsed =
            SimText([id](char *buf, size_t size) { return qms_sim_state(id, buf, size); });
        if (parsed.is_object() && !parsed.value("removed", false) && parsed.contains("board_number"))
            boards.insert(parsed["board_number"].get<uint32_t>());
    }
    return boards;
}

} // namespace qms::cli
