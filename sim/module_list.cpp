#include "sim/module_list.h"

#include <stdexcept>

#include "sim/scenario_error.h"

namespace qms::sim {
namespace {

// The memory a module starts from the first time its serial is seen: factory values, with
// the scenario's board number and parameter-block presets.
std::shared_ptr<NonVolatileState> factoryMemory(const Scenario &s)
{
    auto memory = std::make_shared<NonVolatileState>();
    memory->boardNumber = s.boardId;
    for (size_t i = 0; i < kChannelCount; ++i) {
        memory->rangeIndex[i] = s.presets[i].rangeIndex.value_or(5);
        memory->burnout[i] = s.presets[i].burnout.value_or(0);
        memory->exception420[i] = s.presets[i].exception420.value_or(0);
    }
    return memory;
}

} // namespace

// Never destroyed: the platform's exit handler may still unplug modules after the statics of
// this library are gone.
ModuleList &ModuleList::instance()
{
    static auto *list = new ModuleList;
    return *list;
}

// Called with the lock held. A serial is used by one plugged module at a time; without one
// in the scenario a module is named after its board number, and a second module with the
// same board number gets a suffix.
std::string ModuleList::chooseSerial(const Scenario &scenario)
{
    pruneLocked();
    if (!scenario.serial.empty()) {
        if (serialsInUse_.count(scenario.serial) != 0)
            throw ScenarioError("serial", "a module with serial \"" + scenario.serial + "\" is already plugged");
        return scenario.serial;
    }
    const std::string base = "SIM6093-" + std::to_string(scenario.boardId);
    std::string serial = base;
    for (int n = 2; serialsInUse_.count(serial) != 0; ++n)
        serial = base + "-" + std::to_string(n);
    return serial;
}

// Called with the lock held.
std::shared_ptr<SimModule> ModuleList::prepare(const Scenario &scenario)
{
    const std::string serial = chooseSerial(scenario);
    NonVolatileStore &store = NonVolatileStore::instance();
    std::shared_ptr<NonVolatileState> memory = scenario.resetStore ? nullptr : store.find(serial);
    if (!memory && !scenario.stateFile.empty() && !scenario.resetStore) {
        try {
            if (std::optional<NonVolatileState> loaded = loadStateFile(scenario.stateFile))
                memory = std::make_shared<NonVolatileState>(*loaded);
        } catch (const std::exception &e) {
            throw ScenarioError("state_file", e.what());
        }
    }
    if (!memory)
        memory = factoryMemory(scenario);
    store.put(serial, memory);
    auto module = std::make_shared<SimModule>(scenario, serial, memory);
    serialsInUse_.insert(serial);
    return module;
}

std::vector<int> ModuleList::plug(const std::vector<Scenario> &scenarios)
{
    std::vector<std::shared_ptr<SimModule>> prepared;
    {
        std::lock_guard lock(mutex_);
        try {
            for (const Scenario &s : scenarios)
                prepared.push_back(prepare(s));
        } catch (...) {
            for (const auto &m : prepared)
                serialsInUse_.erase(m->serial());
            throw;
        }
    }
    std::vector<int> ids;
    std::vector<uint32_t> addresses;
    for (const auto &module : prepared) {
        module->saveMemory();
        const uint32_t address = qms::usbd::plugDevice(module);
        if (address == 0) {
            for (uint32_t a : addresses)
                qms::usbd::unplugDevice(a);
            std::lock_guard lock(mutex_);
            for (int id : ids)
                modules_.erase(id);
            for (const auto &m : prepared)
                serialsInUse_.erase(m->serial());
            throw std::runtime_error("the USB host stack did not take the module with serial \"" +
                                     module->serial() + "\"");
        }
        addresses.push_back(address);
        std::lock_guard lock(mutex_);
        const int id = nextId_++;
        modules_[id] = Entry{module, module->serial(), address};
        ids.push_back(id);
    }
    return ids;
}

bool ModuleList::unplug(int id)
{
    Entry entry;
    {
        std::lock_guard lock(mutex_);
        pruneLocked();
        auto it = modules_.find(id);
        if (it == modules_.end())
            return false;
        entry = it->second;
        modules_.erase(it);
        forgetRemovedLocked();
        unplugged_[id] = entry.address;
    }
    qms::usbd::unplugDevice(entry.address);
    if (const std::shared_ptr<SimModule> module = entry.module.lock()) {
        module->detach();
        module->saveMemory();
    }
    std::lock_guard lock(mutex_);
    serialsInUse_.erase(entry.serial);
    return true;
}

int ModuleList::waitRemoved(int id, unsigned timeoutMs)
{
    uint32_t address = 0;
    {
        std::lock_guard lock(mutex_);
        pruneLocked();
        if (id <= 0 || id >= nextId_ || modules_.count(id) != 0)
            return -1;
        const auto it = unplugged_.find(id);
        if (it == unplugged_.end())
            return 0;
        address = it->second;
    }
    if (!qms::usbd::waitDeviceRemoved(address, timeoutMs))
        return -2;
    std::lock_guard lock(mutex_);
    unplugged_.erase(id);
    return 0;
}

void ModuleList::forgetRemovedLocked()
{
    for (auto it = unplugged_.begin(); it != unplugged_.end();) {
        if (qms::usbd::waitDeviceRemoved(it->second, 0))
            it = unplugged_.erase(it);
        else
            ++it;
    }
}

void ModuleList::pruneLocked()
{
    for (auto it = modules_.begin(); it != modules_.end();) {
        if (it->second.module.expired()) {
            serialsInUse_.erase(it->second.serial);
            unplugged_[it->first] = it->second.address;
            it = modules_.erase(it);
        } else {
            ++it;
        }
    }
}

void ModuleList::unplugAll()
{
    std::vector<int> ids;
    {
        std::lock_guard lock(mutex_);
        for (const auto &[id, entry] : modules_)
            ids.push_back(id);
    }
    for (int id : ids)
        unplug(id);
}

std::shared_ptr<SimModule> ModuleList::find(int id)
{
    std::lock_guard lock(mutex_);
    pruneLocked();
    auto it = modules_.find(id);
    return it == modules_.end() ? nullptr : it->second.module.lock();
}

nlohmann::json ModuleList::list()
{
    std::lock_guard lock(mutex_);
    pruneLocked();
    nlohmann::json j = nlohmann::json::array();
    for (const auto &[id, entry] : modules_)
        j.push_back({{"id", id}, {"serial", entry.serial}, {"address", entry.address}});
    return j;
}

} // namespace qms::sim
