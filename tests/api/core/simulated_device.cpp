#include "tests/api/core/simulated_device.h"

#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "api/device_settings.h"
#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_sim.h"

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
    for (uint32_t dev = 0; dev <= QMS_MAX_DEVICE_NUMBER; ++dev) {
        uint32_t switchId = 0;
        if (api::ReadSwitchID(dev, &switchId) == 1 && switchId == boardNumber)
            return dev;
    }
    throw std::runtime_error("no device number for the board");
}

SimulatedModule::SimulatedModule(nlohmann::json scenario)
{
    if (!scenario.contains("serial"))
        scenario["serial"] = "TEST-" + std::to_string(scenario.value("board_id", 0u));
    id_ = qms_sim_plug(scenario.dump().c_str());
    if (id_ <= 0)
        throw std::runtime_error(std::string("plug failed: ") + qms_sim_last_error());
    deviceNumber_ = DeviceNumberOfBoard(scenario.value("board_id", 0u));
}

SimulatedModule::~SimulatedModule() { unplug(); }

void SimulatedModule::unplug()
{
    if (id_ > 0)
        qms_sim_unplug(id_);
    id_ = -1;
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

std::vector<WireRequest> SimulatedModule::wire() const
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

std::vector<WireRequest> SimulatedModule::wire(int group, int command) const
{
    std::vector<WireRequest> matching;
    for (WireRequest &r : wire()) {
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
