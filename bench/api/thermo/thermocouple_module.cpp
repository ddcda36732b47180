#include "bench/api/thermo/thermocouple_module.h"

#include "qms6093.h"
#include "qms_sim.h"

namespace qms::bench {

ThermocoupleModule::ThermocoupleModule(const ModuleSetup &setup)
{
    static unsigned board = 60;
    static uint32_t nextNumber = 0;
    const std::string scenario =
        R"({"board_id": )" + std::to_string(board) + R"(, "serial": "BENCH-TC-)" +
        std::to_string(board) + R"(", "noise_uv": 0, "latency_us": )" +
        std::to_string(setup.latencyMicros) + R"(, "not_ready_polls": )" +
        std::to_string(setup.notReadyPolls) + R"(, "channels": )" + setup.channels + "}";
    ++board;
    id = qms_sim_plug(scenario.c_str());
    ok = id > 0 && DeviceOpen(nextNumber++, &handle) == 0;
    float warmUp = 0.0f;
    ok = ok && TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &warmUp) == 0;
}

ThermocoupleModule::~ThermocoupleModule()
{
    DeviceClose(&handle);
    qms_sim_unplug(id);
}

long HostTransfers(int id)
{
    const long size = qms_sim_wire_log(id, nullptr, 0);
    std::string log(static_cast<size_t>(size) + 1, '\0');
    qms_sim_wire_log(id, log.data(), log.size());
    long count = 0;
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = log.substr(start, end - start);
        if (!line.empty() && line.find("\"group\":2,\"command\":35,") == std::string::npos)
            ++count;
    }
    return count;
}

} // namespace qms::bench
