#include "api/ext/simulated_boards.h"

#include <dlfcn.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qms::ext {

namespace {

using ListCall = long (*)(char *buf, size_t size);
using StateCall = long (*)(int id, char *buf, size_t size);

// A JSON text of one of the simulator's list or state calls (null when it fails).
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

// The simulator's control API if the process has it loaded already; it is never loaded here.
void *LoadedSimulator()
{
    // The platform loads it by file name and locally, an application links it by its soname:
    // either way the soname finds it.
    return dlopen("libqmssim.so.0", RTLD_NOW | RTLD_NOLOAD);
}

} // namespace

std::set<uint32_t> SimulatedBoards()
{
    std::set<uint32_t> boards;
    void *simulator = LoadedSimulator();
    if (!simulator)
        return boards;
    const auto list = reinterpret_cast<ListCall>(dlsym(simulator, "qms_sim_list"));
    const auto state = reinterpret_cast<StateCall>(dlsym(simulator, "qms_sim_state"));
    if (list && state) {
        const nlohmann::json modules = SimText(list);
        if (modules.is_array()) {
            for (const auto &module : modules) {
                if (!module.is_object() || !module.contains("id") || !module["id"].is_number_integer())
                    continue;
                const int id = module["id"].get<int>();
                const nlohmann::json parsed =
                    SimText([&](char *buf, size_t size) { return state(id, buf, size); });
                if (parsed.is_object() && !parsed.value("removed", false) &&
                    parsed.contains("board_number") && parsed["board_number"].is_number_unsigned())
                    boards.insert(parsed["board_number"].get<uint32_t>());
            }
        }
    }
    dlclose(simulator);
    return boards;
}

} // namespace qms::ext
