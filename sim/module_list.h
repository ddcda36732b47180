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
    // Waits until the host stack has removed an unplugged module. 0, -1 for an id never
    // given or still plugged, -2 on time-out.
    int waitRemoved(int id, unsigned timeoutMs);
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
    // Moves the entries whose module the host has dropped to the unplugged ones.
    void pruneLocked();
    // Forgets unplugged modules whose removal has finished.
    void forgetRemovedLocked();

    std::shared_ptr<SimModule> prepare(const Scenario &scenario);
    std::string chooseSerial(const Scenario &scenario);

    std::mutex mutex_;
    std::map<int, Entry> modules_;
    // Bus addresses of the modules unplugged while their removal may still be going on; an
    // id below nextId_ found in neither map was removed long ago.
    std::map<int, uint32_t> unplugged_;
    std::set<std::string> serialsInUse_;
    int nextId_ = 1;
};

} // namespace qms::sim
