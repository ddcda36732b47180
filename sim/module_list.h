// The simulated modules this library has plugged, by module id: plugging resolves the
// module's serial and its non-volatile memory, hands it to the USB host stack, and
// unplugging takes it off the bus again. The host stack is never called under the list's
// lock, because attaching a module runs the driver, which talks to the module at once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/scenario.h"
#include "sim/sim_module.h"

namespace qms::sim {

class ModuleList {
public:
    static ModuleList &instance();

    // Plugs the modules; all or none. Returns their ids; throws ScenarioError (field
    // problems) or std::runtime_error (the host stack refused).
    std::vector<int> plug(const std::vector<Scenario> &scenarios);
    bool unplug(int id);
    void unplugAll();
    std::shared_ptr<SimModule> find(int id);
    nlohmann::json list();

private:
    // The host stack owns plugged modules until it shuts down; an entry whose module it has
    // dropped (the platform was shut down) is forgotten on the next look.
    struct Entry {
        std::weak_ptr<SimModule> module;
        std::string serial;
        uint32_t address = 0;
    };
    void pruneLocked();

    std::shared_ptr<SimModule> prepare(const Scenario &scenario);
    std::string chooseSerial(const Scenario &scenario);

    std::mutex mutex_;
    std::map<int, Entry> modules_;
    std::set<std::string> serialsInUse_;
    int nextId_ = 1;
};

} // namespace qms::sim
