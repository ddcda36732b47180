#include "tests/api/core/simulated_device.h"

#include <atomic>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "api/device_settings.h"
#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_platform.h"
#include "qms_sim.h"
#include "qms_vendor.h"

namespace qms::test {

namespace {

std::vector<uint8_t> HexBytes(const std::string &text)
{
    std::vector<uint8_t> bytes;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte)
        bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    return bytes;
}

template <class Reader>
std::string ReadText(Reader reader)
{
    const long size = reader(nullptr, 0);
    if (size < 0)
        throw std::runtime_error("unknown simulated module");
    std::string text(static_cast<size_t>(size) + 1, '\0');
    reader(text.data(), text.size());
    text.resize(static_cast<size_t>(size));
    return text;
}

// The stream devices the device manager has active: the Name of each Drivers\Active key.
std::set<std::u16string> ActiveStreamDevices()
{
    std::set<std::u16string> names;
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, KEY_READ, &root) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        WCHAR sub[64];
        DWORD length = 64;
        if (RegEnumKeyExW(root, index, sub, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY active = nullptr;
        if (RegOpenKeyExW(root, sub, 0, KEY_READ, &active) != ERROR_SUCCESS)
            continue;
        WCHAR name[32] = {};
        DWORD type = 0;
        DWORD size = sizeof name - sizeof(WCHAR);
        if (RegQueryValueExW(active, u"Name", nullptr, &type, reinterpret_cast<LPBYTE>(name),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            names.insert(name);
        RegCloseKey(active);
    }
    RegCloseKey(root);
    return names;
}

// Device numbers held by the SimulatedModules alive in the process.
std::mutex &HeldLock()
{
    static std::mutex lock;
    return lock;
}
std::set<uint32_t> &HeldNumbers()
{
    static std::set<uint32_t> held;
    return held;
}

} // namespace

nlohmann::json QuietScenario(uint32_t boardNumber)
{
    nlohmann::json channels = nlohmann::json::array();
    for (int i = 0; i < 8; ++i)
        channels.push_back({{"volts", 0.0}});
    return {{"board_id", boardNumber}, {"noise_uv", 0.0}, {"channels", channels}};
}

uint32_t DeviceNumberOfBoard(uint32_t boardNumber)
{
    // The driver keeps the keys of every module it has seen: a module that is gone leaves its
    // key with the same board number behind, and a second module with that board number
    // gets a key of its own. The module's key is the one whose stream device is active.
    const std::set<std::u16string> active = ActiveStreamDevices();
    std::vector<uint32_t> found;
    std::lock_guard guard(HeldLock());
    for (uint32_t dev = 0; dev <= QMS_MAX_DEVICE_NUMBER; ++dev) {
        DeviceSettings settings{};
        if (api::ReadDeviceSettings(dev, &settings) == 0 && settings.SwitchID == boardNumber &&
            active.count(settings.CallName) != 0 && HeldNumbers().count(dev) == 0)
            found.push_back(dev);
    }
    if (found.size() != 1)
        throw std::runtime_error("board " + std::to_string(boardNumber) + ": " +
                                 std::to_string(found.size()) + " plugged device numbers");
    return found.front();
}

SimulatedModule::SimulatedModule(nlohmann::json scenario)
{
    static std::atomic<int> modules{0};
    if (!scenario.contains("serial"))
        scenario["serial"] = "TEST-" + std::to_string(scenario.value("board_id", 0u)) + "-" +
                             std::to_string(++modules);
    serial_ = scenario["serial"].get<std::string>();
    id_ = qms_sim_plug(scenario.dump().c_str());
    if (id_ <= 0)
        throw std::runtime_error(std::string("plug failed: ") + qms_sim_last_error());
    try {
        deviceNumber_ = DeviceNumberOfBoard(scenario.value("board_id", 0u));
    } catch (...) {
        unplug();
        waitRemoved();
        throw;
    }
    std::lock_guard guard(HeldLock());
    HeldNumbers().insert(deviceNumber_);
}

SimulatedModule::~SimulatedModule()
{
    unplug();
    EXPECT_TRUE(waitRemoved()) << "module " << serial_ << " still not removed: a handle open?";
    std::lock_guard guard(HeldLock());
    HeldNumbers().erase(deviceNumber_);
}

void SimulatedModule::unplug()
{
    if (id_ > 0) {
        qms_sim_unplug(id_);
        unpluggedId_ = id_;
    }
    id_ = -1;
}

bool SimulatedModule::waitRemoved(unsigned timeoutMs)
{
    if (unpluggedId_ <= 0)
        return true;
    if (qms_sim_wait_removed(unpluggedId_, timeoutMs) != 0)
        return false;
    unpluggedId_ = -1;
    return true;
}

void SimulatedModule::update(const nlohmann::json &patch)
{
    ASSERT_EQ(qms_sim_update(id_, patch.dump().c_str()), 0) << qms_sim_last_error();
}

nlohmann::json SimulatedModule::state() const
{
    return nlohmann::json::parse(
        ReadText([&](char *buf, size_t size) { return qms_sim_state(id_, buf, size); }));
}

std::vector<WireRequest> SimulatedModule::wholeWire() const
{
    std::vector<WireRequest> requests;
    std::istringstream lines(
        ReadText([&](char *buf, size_t size) { return qms_sim_wire_log(id_, buf, size); }));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        const nlohmann::json j = nlohmann::json::parse(line);
        WireRequest r;
        r.group = j.value("group", 0);
        r.command = j.value("command", 0);
        r.in = j.value("dir", "") == "in";
        r.data = HexBytes(j.value("data", ""));
        r.fault = j.value("fault", "");
        requests.push_back(std::move(r));
    }
    return requests;
}

std::vector<WireRequest> SimulatedModule::wire() const
{
    std::vector<WireRequest> requests = wholeWire();
    std::erase_if(requests, [](const WireRequest &r) {
        return r.in && r.group == GROUP_AI &&
               (r.command == CMD_AI_READ_CJC || r.command == CMD_AI_GET_CJC_OFFSET);
    });
    return requests;
}

std::vector<WireRequest> SimulatedModule::wire(int group, int command) const
{
    std::vector<WireRequest> matching;
    for (WireRequest &r : wholeWire()) {
        if (r.group == group && r.command == command)
            matching.push_back(std::move(r));
    }
    return matching;
}

void SimulatedModule::clearWire() { qms_sim_clear_wire_log(id_); }

uint32_t Code(uint32_t deviceNumber, uint32_t index) { return QmsDeviceCode(deviceNumber, index); }

uint32_t TransferFailed(uint32_t deviceNumber)
{
    return QmsDeviceCode(deviceNumber, QMS_DRVERR_TRANSFER);
}

} // namespace qms::test
