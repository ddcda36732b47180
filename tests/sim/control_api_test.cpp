// The C control API: plugging, refusing bad scenarios, run-time patches, buffers, and
// concurrent use.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "qms_platform.h"
#include "qms_sim.h"

namespace {

nlohmann::json state(int id)
{
    const long n = qms_sim_state(id, nullptr, 0);
    EXPECT_GT(n, 0);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    EXPECT_EQ(qms_sim_state(id, text.data(), text.size()), n);
    text.resize(static_cast<size_t>(n));
    return nlohmann::json::parse(text);
}

size_t pluggedCount()
{
    char buf[4096];
    qms_sim_list(buf, sizeof buf);
    return nlohmann::json::parse(buf).size();
}

class ControlApi : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int id : ids)
            qms_sim_unplug(id);
    }
    int plug(const char *json)
    {
        const int id = qms_sim_plug(json);
        if (id > 0)
            ids.push_back(id);
        return id;
    }
    std::vector<int> ids;
};

TEST_F(ControlApi, BadScenarioIsRefusedWithTheFieldAndNothingIsPlugged)
{
    const size_t before = pluggedCount();
    EXPECT_EQ(plug(R"({"channels": [{}, {"thermocouple": "K", "temp_c": 5000}]})"), -1);
    EXPECT_STREQ(qms_sim_last_error(), "channels[1].temp_c: must lie between -273.15 and 2000.0");
    EXPECT_EQ(plug(R"([{"board_id": 1}])"), -1) << "one module per call";
    EXPECT_EQ(plug(nullptr), -1);
    EXPECT_EQ(plug("{"), -1);
    EXPECT_EQ(pluggedCount(), before);
}

TEST_F(ControlApi, PlugStateUpdateAndUnplug)
{
    const int id = plug(R"({"serial": "API-1", "board_id": 2, "di": 3, "channels": [{"volts": 0.5}]})");
    ASSERT_GT(id, 0) << qms_sim_last_error();
    nlohmann::json s = state(id);
    EXPECT_EQ(s["serial"], "API-1");
    EXPECT_EQ(s["board_number"], 2);
    EXPECT_EQ(s["di"], 3);
    EXPECT_EQ(s["channels"][0]["source"]["volts"], 0.5);
    EXPECT_EQ(s["cjc_offset_code"], 0x8000);

    EXPECT_EQ(qms_sim_update(id, R"({"di": 200, "channels": {"1": {"milliamps": 8}}})"), 0) << qms_sim_last_error();
    s = state(id);
    EXPECT_EQ(s["di"], 200);
    EXPECT_EQ(s["channels"][1]["source"]["milliamps"], 8.0);
    EXPECT_EQ(s["channels"][0]["source"]["volts"], 0.5) << "channels not named keep their source";

    EXPECT_EQ(qms_sim_update(id, R"({"di": 300, "terminal_c": 40})"), -1);
    EXPECT_EQ(std::string(qms_sim_last_error()).rfind("di:", 0), 0u);
    EXPECT_EQ(state(id)["terminal_c"], 25.0) << "a refused patch changes nothing";

    EXPECT_EQ(qms_sim_unplug(id), 0);
    ids.clear();
    EXPECT_EQ(qms_sim_unplug(id), -1);
    EXPECT_EQ(qms_sim_state(id, nullptr, 0), -1);
    EXPECT_NE(std::string(qms_sim_last_error()).find("no simulated module"), std::string::npos);
}

TEST_F(ControlApi, BuffersGetWhatFitsAndTheLengthNeeded)
{
    // Declined by the driver: nothing but this test talks to it, so its wire log stays empty.
    const int id = plug(R"({"serial": "API-2", "interface_subclass": 1})");
    ASSERT_GT(id, 0) << qms_sim_last_error();
    const long needed = qms_sim_state(id, nullptr, 0);
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(qms_sim_state(id, small, sizeof small), needed);
    EXPECT_EQ(std::strlen(small), 7u) << "cut and terminated";
    EXPECT_EQ(qms_sim_clear_wire_log(id), 0);
    char log[4];
    EXPECT_EQ(qms_sim_wire_log(id, log, sizeof log), 0);
    EXPECT_STREQ(log, "");
}

TEST_F(ControlApi, ScenarioFilesAreReadUpToASizeThatNoScenarioReaches)
{
    const size_t before = pluggedCount();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(qms_sim_boot("@/dev/zero"), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    const std::string message = qms_sim_last_error();
    EXPECT_EQ(message.rfind("QMS_SIM: ", 0), 0u) << message;
    EXPECT_NE(message.find("/dev/zero is larger than 1024 KiB"), std::string::npos) << message;

    // Regular files of a valid scenario padded with white space: at the limit and one past it.
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("qms-sim-big-" + std::to_string(::getpid()) + ".json")).string();
    for (const size_t padding : {(size_t{1} << 20) - 2, (size_t{1} << 20) - 1}) {
        std::ofstream(path, std::ios::trunc) << std::string(padding, ' ') << "{}";
        if (padding + 2 > (size_t{1} << 20)) {
            EXPECT_EQ(qms_sim_boot(("@" + path).c_str()), -1);
            EXPECT_NE(std::string(qms_sim_last_error()).find("larger than"), std::string::npos) << qms_sim_last_error();
        } else {
            EXPECT_EQ(qms_sim_boot(("@" + path).c_str()), 1) << qms_sim_last_error();
            const nlohmann::json list = [] {
                char buf[4096];
                qms_sim_list(buf, sizeof buf);
                return nlohmann::json::parse(buf);
            }();
            ASSERT_FALSE(list.empty());
            EXPECT_EQ(qms_sim_unplug(list.back()["id"].get<int>()), 0);
        }
    }
    std::filesystem::remove(path);

    EXPECT_EQ(qms_sim_boot("@/nonexistent/qms-scenario.json"), -1);
    EXPECT_NE(std::string(qms_sim_last_error()).find("does not exist"), std::string::npos) << qms_sim_last_error();
    EXPECT_EQ(pluggedCount(), before);
}

TEST_F(ControlApi, ConcurrentUpdatesStateReadsAndPlugs)
{
    const int id = plug(R"({"serial": "API-3"})");
    ASSERT_GT(id, 0) << qms_sim_last_error();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, id] {
            for (int i = 0; i < 50; ++i) {
                const std::string patch = "{\"di\": " + std::to_string((t * 50 + i) % 256) + "}";
                EXPECT_EQ(qms_sim_update(id, patch.c_str()), 0);
                EXPECT_GT(qms_sim_state(id, nullptr, 0), 0);
                const std::string scenario = "{\"serial\": \"API-T" + std::to_string(t) + "\"}";
                const int other = qms_sim_plug(scenario.c_str());
                EXPECT_GT(other, 0) << qms_sim_last_error();
                EXPECT_EQ(qms_sim_unplug(other), 0);
            }
        });
    }
    for (auto &th : threads)
        th.join();
    EXPECT_EQ(pluggedCount(), 1u);
}

} // namespace
