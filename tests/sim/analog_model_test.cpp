// The analog inputs: what a source on a channel reads as on the channel's range, the scan
// and its sample block, conversion start and stop, and the burn-out status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "sim/nist_reference.h"
#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

using qms::usbd::ControlOutcome;

// The thermocouple ranges: the range code a temperature read configures, the module code of
// the same row, and the span in volts.
struct TcRange {
    char type;
    uint16_t code;
    uint16_t moduleCode;
    double low, high;
};
constexpr TcRange kTcRanges[] = {
    {'J', 0x12, 0x80, -0.05, 0.05}, {'K', 0x22, 0x81, -0.078, 0.078}, {'S', 0x28, 0x82, 0.0, 0.019},
    {'T', 0x11, 0x83, -0.022, 0.022}, {'B', 0x18, 0x84, 0.0, 0.015}, {'R', 0x19, 0x85, 0.0, 0.022},
    {'E', 0x22, 0x86, -0.078, 0.078},
};

// The code a voltage must read as: nearest code over the span, held within 0..65535.
uint16_t expectedCode(double volts, double low, double high)
{
    const double code = std::floor((volts - low) / (high - low) * 65536.0 + 0.5);
    return static_cast<uint16_t>(std::clamp(code, 0.0, 65535.0));
}

TEST(AnalogInputs, ThermocoupleReadsItsNistEmfAgainstTheTerminals)
{
    const double terminal = 23.0;
    for (const TcRange &r : kTcRanges) {
        for (double t : {-100.0, 0.0, 150.0, 400.0, 700.0, 1000.0, 1300.0, 1700.0}) {
            const double hot = nist::emfMillivolts(r.type, t);
            if (std::isnan(hot))
                continue;
            SCOPED_TRACE(std::string(1, r.type) + " at " + std::to_string(t));
            nlohmann::json scenario = {{"terminal_c", terminal},
                                       {"channels", {{{"thermocouple", std::string(1, r.type)}, {"temp_c", t}}}}};
            SimBus bus(scenario.dump());
            bus.configure(0, {r.code});
            const double volts = (hot - nist::emfMillivolts(r.type, terminal)) / 1000.0;
            EXPECT_EQ(bus.read(0), expectedCode(volts, r.low, r.high));
            bus.configure(0, {r.moduleCode});
            EXPECT_EQ(bus.read(0), expectedCode(volts, r.low, r.high)) << "the row's module code names the same range";
        }
    }
}

TEST(AnalogInputs, ThermocoupleCodesMatchTheNistTables)
{
    // Table values of the reference functions (mV, 0 degC reference junction).
    SimBus bus(R"({"terminal_c": 0.0, "channels": [{"thermocouple": "K", "temp_c": 250},
                 {"thermocouple": "J", "temp_c": 120}, {"thermocouple": "T", "temp_c": -40}]})");
    bus.configure(0, {0x22, 0x12, 0x11});
    const std::vector<uint16_t> codes = bus.scan(0, 3);
    EXPECT_NEAR(codes[0], (0.010153 + 0.078) / 0.156 * 65536.0, 1.0);
    EXPECT_NEAR(codes[1], (0.006360 + 0.05) / 0.1 * 65536.0, 1.0);
    EXPECT_NEAR(codes[2], (-0.001475 + 0.022) / 0.044 * 65536.0, 1.0);
}

TEST(AnalogInputs, VoltsCurrentsAndClamping)
{
    SimBus bus(R"({"channels": [{"volts": 1.25}, {"milliamps": 12.0}, {"volts": 3.0}, {"volts": -0.2},
                 {"milliamps": 20.0}, {}, {"volts": 0.0123}]})");
    bus.configure(0, {0x0F, 0x1F, 0x0F, 0x0F, 0x1F, 0x0F, 0x08});
    const std::vector<uint16_t> codes = bus.scan(0, 7);
    EXPECT_EQ(codes[0], 32768);
    EXPECT_EQ(codes[1], 39322) << "12 mA over the 0-20 mA span";
    EXPECT_EQ(codes[2], 65535) << "above the range";
    EXPECT_EQ(codes[3], 0) << "below the range";
    EXPECT_EQ(codes[4], 65535) << "20 mA is full scale";
    EXPECT_EQ(codes[5], 0) << "a channel without a source reads 0 V";
    EXPECT_EQ(codes[6], expectedCode(0.0123, 0, 0.015));
}

TEST(AnalogInputs, OpenInputReadsFullScaleAndReportsBurnOut)
{
    SimBus bus(R"({"channels": [{"open": true}, {"thermocouple": "K", "temp_c": 100}, {"open": true}]})");
    bus.configure(0, {0x22, 0x22, 0x1F});
    const std::vector<uint16_t> codes = bus.scan(0, 3);
    EXPECT_EQ(codes[0], 65535) << "burn-out current drives it to positive full scale";
    EXPECT_EQ(codes[2], 0) << "an open current loop carries no current";
    bus.out(2, 64, cat({be16(0x230), be16(0), be16(8)}));
    const Transfer t = bus.in(2, 65, 36);
    EXPECT_EQ(t.data, cat({be32(0), be32(1), be32(0), be32(1), std::vector<uint8_t>(20, 0)}));
    // The sensor is repaired while the module runs.
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(R"({"channels": {"0": {"thermocouple": "K", "temp_c": 0}}})"),
                                      bus.module->inputs()));
    bus.out(2, 64, cat({be16(0x230), be16(0), be16(1)}));
    EXPECT_EQ(wordAt(bus.in(2, 65, 36).data, 4), 0u);
}

TEST(AnalogInputs, ScanWrapsFromChannelSevenAndStartEightIsChannelZero)
{
    SimBus bus(R"({"channels": [{"volts": 0.1}, {"volts": 0.2}, {}, {}, {}, {}, {"volts": 0.6}, {"volts": 0.7}]})");
    bus.configure(0, {0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E, 0x0E});
    const std::vector<uint16_t> codes = bus.scan(6, 4);
    EXPECT_EQ(codes, (std::vector<uint16_t>{expectedCode(0.6, 0, 1), expectedCode(0.7, 0, 1),
                                            expectedCode(0.1, 0, 1), expectedCode(0.2, 0, 1)}));
    EXPECT_EQ(bus.scan(8, 1).at(0), expectedCode(0.1, 0, 1));
    // Positions beyond the count are zero.
    bus.out(2, 4, cat({be16(0), be16(2), be16(0), be16(0)}));
    Transfer t;
    do
        t = bus.in(2, 5, 36);
    while (wordAt(t.data, 0) == 0);
    for (size_t offset = 12; offset < 36; offset += 4)
        EXPECT_EQ(wordAt(t.data, offset), 0u);
}

TEST(AnalogInputs, BadScanAndConfigurationRequestsStall)
{
    SimBus bus(R"({"channels": [{"volts": 1.0}]})");
    EXPECT_EQ(bus.out(2, 4, cat({be16(0), be16(0), be16(0), be16(0)})).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.out(2, 4, cat({be16(0), be16(9), be16(0), be16(0)})).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.out(2, 4, cat({be16(9), be16(1), be16(0), be16(0)})).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.in(2, 5, 36).outcome, ControlOutcome::Stall) << "no scan request to answer";
    // A range the front end does not have is refused whole: channel 0 keeps its range.
    bus.configure(0, {0x0F});
    std::vector<uint8_t> p = cat({be16(0), be16(2), be16(0x0E), be16(0x0C)});
    p.resize(24);
    EXPECT_EQ(bus.out(2, 6, p).outcome, ControlOutcome::Stall);
    EXPECT_EQ(bus.read(0), 26214) << "still 0-2.5 V";
    // 0x00FF leaves a channel's range as it is.
    bus.configure(0, {0x00FF});
    EXPECT_EQ(bus.read(0), 26214);
}

TEST(AnalogInputs, SampleBlockWaitsTheConfiguredPollsAndNeverWhileStopped)
{
    SimBus bus(R"({"not_ready_polls": 3, "channels": [{"volts": 1.0}]})");
    bus.out(2, 4, cat({be16(0), be16(1), be16(0), be16(0)}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bus.in(2, 5, 36).data, std::vector<uint8_t>(36, 0)) << "poll " << i;
    EXPECT_EQ(wordAt(bus.in(2, 5, 36).data, 0), 1u);

    EXPECT_EQ(bus.command(2, 49, be32(0)), 0u);
    bus.out(2, 4, cat({be16(0), be16(1), be16(0), be16(0)}));
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(wordAt(bus.in(2, 5, 36).data, 0), 0u) << "ready while stopped";
    EXPECT_EQ(bus.command(2, 48, be32(0)), 0u);
    EXPECT_EQ(bus.scan(0, 1).at(0), 26214);
}

TEST(AnalogInputs, ChannelsStartOnTheRangeTheirStoredIndexNames)
{
    SimBus bus(R"({"channels": [{"thermocouple": "J", "temp_c": 100}, {"volts": 0.04}, {"milliamps": 4},
                 {"volts": 2.0, "range_index": 4}]})");
    const nlohmann::json state = bus.module->state();
    EXPECT_EQ(state["channels"][0]["range"], "J");
    EXPECT_EQ(state["channels"][1]["range"], "0-0.050V");
    EXPECT_EQ(state["channels"][2]["range"], "0-20mA/4-20mA");
    EXPECT_EQ(state["channels"][3]["range"], "0-1.0V");
    EXPECT_EQ(bus.read(3), 65535);
}

TEST(AnalogInputs, NoiseIsSeededAndSmall)
{
    const char *scenario = R"({"noise_uv": 50, "seed": 42, "channels": [{"volts": 0.05}]})";
    SimBus a(scenario), b(scenario);
    a.configure(0, {0x0B});
    b.configure(0, {0x0B});
    std::set<uint16_t> seen;
    for (int i = 0; i < 20; ++i) {
        const uint16_t ra = a.read(0);
        EXPECT_EQ(ra, b.read(0)) << "same seed, same readings";
        EXPECT_NEAR(ra, 32768, 200);
        seen.insert(ra);
    }
    EXPECT_GT(seen.size(), 1u);
}

} // namespace
} // namespace qms::sim::testing
