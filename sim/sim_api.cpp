// The plain-C control API (include/qms_sim.h) and the two entry points the platform's boot
// calls. No exception leaves these functions.
#include "qms_sim.h"

#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <string>

#include "qms_platform.h"
#include "sim/module_list.h"
#include "sim/scenario.h"
#include "sim/scenario_error.h"
#include "sim/text_file.h"

using qms::sim::ModuleList;
using qms::sim::ScenarioError;

namespace {

thread_local std::string lastError;

int fail(int code, const std::string &message)
{
    lastError = message;
    return code;
}

long copyOut(const std::string &text, char *buf, size_t size)
{
    if (buf != nullptr && size > 0) {
        const size_t n = std::min(text.size(), size - 1);
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    lastError.clear();
    return static_cast<long>(text.size());
}

// Runs a control-API call, turning every exception into a failure with its message.
template <class F> auto guarded(F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const ScenarioError &e) {
        return fail(-1, e.what());
    } catch (const std::bad_alloc &) {
        return fail(-2, "out of memory");
    } catch (const std::exception &e) {
        return fail(-2, e.what());
    } catch (...) {
        return fail(-2, "unexpected failure");
    }
}

std::shared_ptr<qms::sim::SimModule> moduleOrFail(int id)
{
    std::shared_ptr<qms::sim::SimModule> m = ModuleList::instance().find(id);
    if (!m)
        lastError = "no simulated module with id " + std::to_string(id);
    return m;
}

std::string readScenarioFile(const std::string &path)
{
    std::optional<std::string> text;
    try {
        text = qms::sim::readSimFile(path);
    } catch (const std::runtime_error &e) {
        throw ScenarioError("QMS_SIM", std::string("the scenario file ") + e.what());
    }
    if (!text)
        throw ScenarioError("QMS_SIM", "cannot read the scenario file " + path + ": it does not exist");
    return *text;
}

// The platform loads this library with dlopen and may unload it when it shuts down; the
// non-volatile memory of the modules must outlive that, so the library stays loaded.
void stayLoaded()
{
    static const bool pinned = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void *>(&qms_sim_boot), &info) == 0 || info.dli_fname == nullptr)
            return false;
        return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    (void)pinned;
}

} // namespace

extern "C" {

int qms_sim_plug(const char *scenario_json)
{
    return guarded([&]() -> int {
        const nlohmann::json j = qms::sim::parseJsonText(scenario_json, "scenario");
        if (!j.is_object())
            throw ScenarioError("scenario", "must be one scenario object");
        const qms::sim::Scenario scenario = qms::sim::parseScenario(j);
        if (qms_platform_start() != 0)
            return fail(-2, "the platform did not start");
        const int id = ModuleList::instance().plug({scenario}).front();
        lastError.clear();
        return id;
    });
}

int qms_sim_unplug(int id)
{
    return guarded([&]() -> int {
        if (!ModuleList::instance().unplug(id))
            return fail(-1, "no simulated module with id " + std::to_string(id));
        lastError.clear();
        return 0;
    });
}

int qms_sim_wait_removed(int id, unsigned timeout_ms)
{
    return guarded([&]() -> int {
        const int result = ModuleList::instance().waitRemoved(id, timeout_ms);
        if (result == -1)
            return fail(-1, "no unplugged simulated module with id " + std::to_string(id));
        if (result == -2)
            return fail(-2, "the host stack has not finished removing module " + std::to_string(id) + " after " +
                                std::to_string(timeout_ms) + " ms");
        lastError.clear();
        return 0;
    });
}

int qms_sim_update(int id, const char *patch_json)
{
    return guarded([&]() -> int {
        auto m = moduleOrFail(id);
        if (!m)
            return -1;
        const nlohmann::json j = qms::sim::parseJsonText(patch_json, "patch");
        m->applyPatch(qms::sim::parsePatch(j, m->inputs()));
        lastError.clear();
        return 0;
    });
}

long qms_sim_wire_log(int id, char *buf, size_t size)
{
    return guarded([&]() -> long {
        auto m = moduleOrFail(id);
        return m ? copyOut(m->wireLog(), buf, size) : -1;
    });
}

int qms_sim_clear_wire_log(int id)
{
    return guarded([&]() -> int {
        auto m = moduleOrFail(id);
        if (!m)
            return -1;
        m->clearWireLog();
        return 0;
    });
}

long qms_sim_state(int id, char *buf, size_t size)
{
    return guarded([&]() -> long {
        auto m = moduleOrFail(id);
        return m ? copyOut(m->state().dump(), buf, size) : -1;
    });
}

long qms_sim_list(char *buf, size_t size)
{
    return guarded([&]() -> long { return copyOut(ModuleList::instance().list().dump(), buf, size); });
}

const char *qms_sim_last_error(void) { return lastError.c_str(); }

int qms_sim_boot(const char *qms_sim_env)
{
    stayLoaded();
    return guarded([&]() -> int {
        nlohmann::json j;
        if (qms_sim_env == nullptr)
            j = qms::sim::demoScenario();
        else if (qms_sim_env[0] == '@')
            j = qms::sim::parseJsonText(readScenarioFile(qms_sim_env + 1).c_str(), "QMS_SIM");
        else
            j = qms::sim::parseJsonText(qms_sim_env, "QMS_SIM");
        const std::vector<int> ids = ModuleList::instance().plug(qms::sim::parseScenarioList(j));
        lastError.clear();
        return static_cast<int>(ids.size());
    });
}

void qms_sim_shutdown(void)
{
    guarded([]() -> int {
        ModuleList::instance().unplugAll();
        return 0;
    });
}

} // extern "C"
