// Calibration commands: the signal on input 0 is checked against the range, and a taken
// calibration changes how that range converts, and only that range.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

constexpr uint8_t kCal = 5;
constexpr uint16_t kFull = 34, kZero = 35, kFix = 36, kComplete = 38;

class Calibration : public ::testing::Test {
protected:
    // Puts `volts` on input 0 and a fixed 1.25 V on input 1.
    void apply(double volts)
    {
        nlohmann::json patch = {{"channels", {{{"volts", volts}}, {{"volts", 1.25}}}}};
        bus.module->applyPatch(parsePatch(patch, bus.module->inputs()));
    }
    uint16_t readOn(uint16_t channel, uint16_t code)
    {
        bus.configure(channel, {code});
        return bus.read(channel);
    }

    SimBus bus{R"({"channels": [{"volts": 0}, {"volts": 1.25}]})"};
};

TEST_F(Calibration, WrongSignalIsRefusedAndChangesNothing)
{
    apply(1.0);
    EXPECT_EQ(bus.command(kCal, kZero, be16(0x0F)), 0x0107u) << "1 V is no zero";
    apply(0.0);
    EXPECT_EQ(bus.command(kCal, kFull, be16(0x0F)), 0x0107u) << "0 V is no full scale";
    EXPECT_EQ(bus.command(kCal, kZero, be16(0x0C)), 0x0101u) << "no such range";
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(R"({"channels": [{"open": true}]})"), bus.module->inputs()));
    EXPECT_EQ(bus.command(kCal, kZero, be16(0x0F)), 0x0107u) << "nothing connected";
    EXPECT_EQ(readOn(1, 0x0F), 32768);
    EXPECT_TRUE(bus.memory->calibration.working.empty());
}

TEST_F(Calibration, ZeroAndFullScaleCorrectThatRangeOnly)
{
    // A reference source that is 10 mV off at zero and exact at full scale.
    apply(0.010);
    EXPECT_EQ(bus.command(kCal, kZero, be16(0x0F)), 0u);
    apply(2.5);
    EXPECT_EQ(bus.command(kCal, kFull, be16(0x0F)), 0u);
    apply(0.010);
    EXPECT_EQ(readOn(0, 0x0F), 0) << "the zero reference now reads 0";
    const double expected = (1.25 - 0.010) / (2.5 - 0.010) * 65536.0;
    EXPECT_NEAR(readOn(1, 0x0F), expected, 1.0);
    EXPECT_EQ(readOn(1, 0x0E), 65535) << "another range is untouched";
    EXPECT_EQ(bus.memory->calibration.working.size(), 1u);
}

TEST_F(Calibration, CurrentRangeCalibratesWithTwentyMilliamps)
{
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(R"({"channels": [{"milliamps": 0}]})"), bus.module->inputs()));
    EXPECT_EQ(bus.command(kCal, kZero, be16(0x1F)), 0u);
    bus.module->applyPatch(parsePatch(nlohmann::json::parse(R"({"channels": [{"milliamps": 19.8}]})"), bus.module->inputs()));
    EXPECT_EQ(bus.command(kCal, kFull, be16(0x1F)), 0u);
    EXPECT_EQ(readOn(0, 0x1F), 65535) << "19.8 mA was taken as 20 mA";
}

TEST_F(Calibration, ResetReturnsToTheSavedCalibration)
{
    apply(2.4);
    ASSERT_EQ(bus.command(kCal, kFull, be16(0x0F)), 0u);
    const uint16_t calibrated = readOn(1, 0x0F);
    EXPECT_NE(calibrated, 32768);
    EXPECT_EQ(bus.command(kCal, kFull, be16(0)), 0u) << "argument 0 resets";
    EXPECT_EQ(readOn(1, 0x0F), 32768) << "factory calibration again";

    ASSERT_EQ(bus.command(kCal, kFull, be16(0x0F)), 0u);
    EXPECT_EQ(bus.command(kCal, kComplete, be16(0)), 0u);
    EXPECT_EQ(bus.command(kCal, kFull, be16(0)), 0u) << "the reset the host sends after completing";
    EXPECT_EQ(readOn(1, 0x0F), calibrated) << "a completed calibration survives the reset";
}

TEST_F(Calibration, FixSavesOneRange)
{
    apply(2.4);
    ASSERT_EQ(bus.command(kCal, kFull, be16(0x0F)), 0u);
    apply(0.96);
    ASSERT_EQ(bus.command(kCal, kFull, be16(0x0E)), 0u);
    EXPECT_EQ(bus.command(kCal, kFix, be16(0x0E)), 0u);
    EXPECT_EQ(bus.command(kCal, kFix, be16(0x0C)), 0x0101u);
    EXPECT_EQ(bus.command(kCal, kFull, be16(0)), 0u);
    EXPECT_EQ(bus.memory->calibration.working.count(0x0F), 0u);
    EXPECT_EQ(bus.memory->calibration.working.count(0x0E), 1u);
}

} // namespace
} // namespace qms::sim::testing
