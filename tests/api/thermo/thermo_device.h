// Simulated modules for the temperature tests: scenarios, what a reading may deviate from the
// simulated hot junction, and the record state every temperature function must leave.
#pragma once

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/api/core/simulated_device.h"

namespace qms::test {

// Type letter of a TcType.
char TypeLetter(uint16_t type);

// A module with quiet inputs (0 V, no noise) and its own factory memory.
nlohmann::json ThermoScenario(uint32_t boardNumber, double terminalC, double cjcErrorC = 0.0);

// The voltage span of a type's thermocouple range, in millivolts.
struct RangeSpan {
    double lowMv;
    double highMv;
};
RangeSpan ThermocoupleSpan(uint16_t type);

// The terminal voltage of a thermocouple at hotC whose cold junction is at terminalC.
double TerminalMillivolts(uint16_t type, double hotC, double terminalC);

// How far a compensated reading of a type at hotC may lie from hotC, in degrees Celsius:
// half a step of the 16-bit conversion of the type's range and half a step of the CJC
// sensor, each turned into degrees by the thermocouple's sensitivity, plus the largest error
// of the type's inverse polynomial (NIST Monograph 175) and a little for single precision.
double ReadingTolerance(uint16_t type, double hotC, double terminalC);

// A module of the suite's scenario plugged and opened for each test, with a serial of its
// own: no test meets what an earlier one left in a module. A fixture names the scenario with
// UseScenario from its SetUpTestSuite. Every test starts with the faults of the scenario
// cleared and an empty wire log.
class PluggedModule : public ::testing::Test {
protected:
    static void UseScenario(const nlohmann::json &scenario) { suiteScenario = scenario; }
    void SetUp() override;
    void TearDown() override;

    static inline nlohmann::json suiteScenario;
    static inline std::unique_ptr<SimulatedModule> module;
    static inline uint32_t dev = 0;
    static inline uint32_t handle = 0;
};

// The channel's range override and the persist-suppression flag are back at 0.
void ExpectRangeReleased(uint32_t handle);

} // namespace qms::test
