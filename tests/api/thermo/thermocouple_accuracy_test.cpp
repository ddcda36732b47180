// TCMuxRead against the simulated physics: every type with a thermocouple on its own
// channel, hot junctions across the type's range, terminal blocks from 0 to 50 degrees
// Celsius. A reading must lie within the conversion's resolution plus the inverse
// polynomial's error of the simulated hot-junction temperature.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;

namespace {

constexpr uint16_t kTypes[] = {TC_TYPE_J, TC_TYPE_K, TC_TYPE_S, TC_TYPE_T,
                               TC_TYPE_B, TC_TYPE_R, TC_TYPE_E};
constexpr int kPointsPerType = 41;

// The temperatures each type's inverse polynomials cover, degrees Celsius.
struct Span {
    double low;
    double high;
};
constexpr Span kInverseSpans[] = {
    {-210.0, 1200.0}, {-200.0, 1372.0}, {-50.0, 1768.1}, {-200.0, 400.0},
    {250.0, 1820.0}, {-50.0, 1768.1}, {-200.0, 1000.0},
};

double HotJunction(uint16_t type, int point)
{
    const Span span = kInverseSpans[type];
    return span.low + (span.high - span.low) * point / (kPointsPerType - 1);
}

// Whether the thermocouple's terminal voltage lies inside its range, a few steps from the
// ends (an input beyond them reads as the end).
bool Measurable(uint16_t type, double hotC, double terminalC)
{
    const RangeSpan span = ThermocoupleSpan(type);
    const double margin = 3.0 * (span.highMv - span.lowMv) / 65536.0;
    const double mv = TerminalMillivolts(type, hotC, terminalC);
    return mv > span.lowMv + margin && mv < span.highMv - margin;
}

class ThermocoupleAccuracy : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(ThermocoupleAccuracy, EveryTypeAcrossItsRange)
{
    const double terminalC = GetParam();
    const auto board = static_cast<uint32_t>(10 + std::lround(terminalC));
    SimulatedModule module(ThermoScenario(board, terminalC));
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);

    int measured[TC_TYPE_COUNT] = {};
    for (int point = 0; point < kPointsPerType; ++point) {
        nlohmann::json channels = nlohmann::json::array();
        for (uint16_t type : kTypes)
            channels.push_back({{"thermocouple", std::string(1, TypeLetter(type))},
                                {"temp_c", HotJunction(type, point)}});
        module.update({{"channels", channels}});
        for (uint16_t type : kTypes) {
            const double hotC = HotJunction(type, point);
            if (!Measurable(type, hotC, terminalC))
                continue;
            float result = 0.0f;
            ASSERT_EQ(TCMuxRead(handle, type, 0, 0, type, TEMP_SCALE_CELSIUS, &result), 0u);
            EXPECT_NEAR(result, hotC, ReadingTolerance(type, hotC, terminalC))
                << "type " << TypeLetter(type) << " at " << hotC << " with terminals at " << terminalC;
            ++measured[type];
        }
    }
    // Unipolar ranges leave out the hot junctions below the terminals, J's +-50 mV its top.
    for (uint16_t type : kTypes)
        EXPECT_GE(measured[type], kPointsPerType * 3 / 5) << "type " << TypeLetter(type);
    DeviceClose(&handle);
}

INSTANTIATE_TEST_SUITE_P(TerminalTemperatures, ThermocoupleAccuracy, ::testing::Values(0.0, 25.0, 50.0));
