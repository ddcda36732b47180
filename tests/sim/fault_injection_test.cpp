// Injected faults hit exactly the selected request and occurrence, and nothing else.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

using qms::usbd::ControlOutcome;

void setFaults(SimBus &bus, const char *rules)
{
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(std::string(R"({"faults": )") + rules + "}"),
                                      bus.module->inputs()));
}

TEST(Faults, StallHitsOnlyTheChosenOccurrenceOfTheChosenRequest)
{
    SimBus bus(R"({"board_id": 3, "faults": [{"group": 127, "command": 1, "dir": "in", "occurrence": 2, "fault": "stall"}]})");
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Completed);
    EXPECT_EQ(bus.in(127, 3, 4).outcome, ControlOutcome::Completed) << "another request does not count";
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Stall);
    const Transfer third = bus.in(127, 1, 4);
    EXPECT_EQ(third.outcome, ControlOutcome::Completed);
    EXPECT_EQ(third.data, be32(3));
    EXPECT_EQ(bus.module->state()["faults"][0]["matched"], 3);
}

TEST(Faults, EveryOccurrenceAndAStalledCommandIsNotCarriedOut)
{
    SimBus bus(R"({"faults": [{"group": 127, "command": 2, "fault": "stall", "every": true}]})");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bus.out(127, 2, be32(9)).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.in(127, 1, 4).data, be32(0));
}

TEST(Faults, NoCompletionAndRemoval)
{
    SimBus bus(R"({"faults": [{"group": 2, "command": 35, "occurrence": 1, "fault": "no_completion"},
                              {"group": 2, "command": 33, "occurrence": 2, "fault": "remove"}]})");
    EXPECT_EQ(bus.in(2, 35, 8).outcome, ControlOutcome::NoCompletion);
    EXPECT_EQ(bus.in(2, 35, 8).outcome, ControlOutcome::Completed);
    EXPECT_EQ(bus.in(2, 33, 4).outcome, ControlOutcome::Completed);
    EXPECT_EQ(bus.in(2, 33, 4).outcome, ControlOutcome::Removed);
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Removed) << "a removed module answers nothing";
    EXPECT_EQ(bus.module->state()["removed"], true);
}

TEST(Faults, ShortReplyStopsEarly)
{
    SimBus bus(R"({"not_ready_polls": 0, "channels": [{"volts": 1}],
                   "faults": [{"group": 2, "command": 5, "occurrence": 1, "fault": "short", "bytes": 20}]})");
    bus.out(2, 4, cat({be16(0), be16(1), be16(0), be16(0)}));
    EXPECT_EQ(bus.in(2, 5, 36).bytes, 20u);
    EXPECT_EQ(bus.in(2, 5, 36).bytes, 36u);
}

TEST(Faults, StatusWordGoesToTheNextStatusReadOnly)
{
    SimBus bus(R"({"faults": [{"group": 16, "command": 18, "occurrence": 1, "fault": "status", "status": 5}]})");
    EXPECT_EQ(bus.command(16, 18, cat({be32(1), be16(0x300), be16(0)})), 5u);
    EXPECT_EQ(bus.status(), 0u);
    EXPECT_EQ(bus.command(16, 18, cat({be32(1), be16(0x301), be16(0)})), 0u);
}

TEST(Faults, DigitalReplyEchoAndDeviceError)
{
    SimBus bus(R"({"di": 7, "faults": [{"group": 1, "command": 5, "occurrence": 1, "fault": "bad_echo"},
                                      {"group": 1, "command": 3, "occurrence": 1, "fault": "dio_error", "error": 258}]})");
    bus.out(1, 4, cat({be16(0), be16(1)}));
    EXPECT_EQ(bus.in(1, 5, 12).data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 2, 0, 0, 0, 7, 0, 0}));
    EXPECT_EQ(bus.in(1, 5, 12).data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 0, 0, 0, 7, 0, 0}));
    bus.out(1, 2, cat({be16(0), be16(1)}));
    EXPECT_EQ(bus.in(1, 3, 12).data, (std::vector<uint8_t>{2, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bus.in(1, 3, 12).data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(Faults, LatencyPerTransferAndPerRequest)
{
    SimBus bus(R"({"latency_us": 1000, "faults": [{"group": 127, "command": 3, "fault": "latency", "micros": 500}]})");
    EXPECT_EQ(bus.in(127, 1, 4).latency, 1000u);
    EXPECT_EQ(bus.in(127, 3, 4).latency, 1500u);
}

TEST(Faults, SetClearedAndAddedAtRunTime)
{
    SimBus bus;
    setFaults(bus, R"([{"group": 127, "command": 1, "fault": "stall"}])");
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Stall);
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(R"({"clear_faults": true,
        "add_faults": [{"dir": "out", "fault": "stall", "occurrence": 1}]})"), bus.module->inputs()));
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Completed);
    EXPECT_EQ(bus.out(127, 9, {1}).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.out(127, 9, {1}).outcome, ControlOutcome::Completed);
}

TEST(WireLog, RecordsSetupDataAndOutcomeOfEveryRequest)
{
    SimBus bus(R"({"board_id": 3, "faults": [{"group": 127, "command": 9, "fault": "stall"}]})");
    bus.in(127, 1, 4);
    bus.out(127, 9, {1});
    bus.raw(0xC0, 9, 9, 0, {}, 2);
    std::vector<nlohmann::json> lines;
    std::istringstream text(bus.wireLog());
    for (std::string line; std::getline(text, line);)
        lines.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["setup"], "C0 7F 01 00 00 00 04 00");
    EXPECT_EQ(lines[0]["data"], "00 00 00 03");
    EXPECT_EQ(lines[0]["outcome"], "completed");
    EXPECT_EQ(lines[1]["setup"], "40 7F 09 00 00 00 01 00");
    EXPECT_EQ(lines[1]["data"], "01");
    EXPECT_EQ(lines[1]["outcome"], "stall");
    EXPECT_EQ(lines[1]["fault"], "stall");
    EXPECT_EQ(lines[2]["outcome"], "stall");
    EXPECT_FALSE(lines[2].contains("fault")) << "not understood, no fault injected";
    EXPECT_EQ(lines[2]["seq"], 3);
}

} // namespace
} // namespace qms::sim::testing
