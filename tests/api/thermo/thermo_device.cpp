#include "tests/api/thermo/thermo_device.h"

#include <cmath>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms6093.h"
#include "sim/nist_reference.h"

namespace qms::test {

namespace {

// The module's thermocouple ranges (J K S T B R E), volts.
constexpr RangeSpan kSpans[] = {
    {-50.0, 50.0}, {-78.0, 78.0}, {0.0, 19.0}, {-22.0, 22.0},
    {0.0, 15.0}, {0.0, 22.0}, {-78.0, 78.0},
};
// Largest error of each type's inverse polynomial over its ranges, degrees Celsius.
constexpr double kInverseError[] = {0.05, 0.06, 0.02, 0.04, 0.03, 0.02, 0.03};
// Single-precision evaluation of both polynomials.
constexpr double kFloatError = 0.01;
constexpr double kCjcStepMv = 500.0 / 65536.0; // the sensor: 1 mV per kelvin

double Sensitivity(uint16_t type, double celsius)
{
    const char t = TypeLetter(type);
    const double h = 0.01;
    const double below = qms::sim::nist::emfMillivolts(t, celsius - h);
    const double above = qms::sim::nist::emfMillivolts(t, celsius + h);
    if (std::isnan(below))
        return (above - qms::sim::nist::emfMillivolts(t, celsius)) / h;
    if (std::isnan(above))
        return (qms::sim::nist::emfMillivolts(t, celsius) - below) / h;
    return (above - below) / (2 * h);
}

} // namespace

char TypeLetter(uint16_t type) { return "JKSTBREN"[type]; }

nlohmann::json ThermoScenario(uint32_t boardNumber, double terminalC, double cjcErrorC)
{
    nlohmann::json s = QuietScenario(boardNumber);
    s["serial"] = "THERMO-" + std::to_string(boardNumber);
    s["reset_store"] = true;
    s["terminal_c"] = terminalC;
    s["cjc_error_c"] = cjcErrorC;
    return s;
}

RangeSpan ThermocoupleSpan(uint16_t type) { return kSpans[type]; }

double TerminalMillivolts(uint16_t type, double hotC, double terminalC)
{
    return qms::sim::nist::emfMillivolts(TypeLetter(type), hotC) -
           qms::sim::nist::emfMillivolts(TypeLetter(type), terminalC);
}

double ReadingTolerance(uint16_t type, double hotC, double terminalC)
{
    const double hot = std::abs(Sensitivity(type, hotC));
    const double conversionStepMv = (kSpans[type].highMv - kSpans[type].lowMv) / 65536.0;
    const double conversion = 0.5 * conversionStepMv / hot;
    const double sensor = 0.5 * kCjcStepMv * std::abs(Sensitivity(type, terminalC)) / hot;
    return conversion + sensor + kInverseError[type] + kFloatError;
}

void PluggedModule::SetUp()
{
    static int plugs = 0;
    nlohmann::json scenario = suiteScenario;
    scenario["serial"] = scenario.value("serial", std::string("THERMO")) + "-" + std::to_string(++plugs);
    module = std::make_unique<SimulatedModule>(scenario);
    dev = module->deviceNumber();
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    module->update({{"clear_faults", true}});
    module->clearWire();
}

void PluggedModule::TearDown()
{
    if (handle)
        DeviceClose(&handle);
    module.reset();
}

void ExpectRangeReleased(uint32_t handle)
{
    const auto record = qms::api::FindRecordByHandle(handle);
    ASSERT_TRUE(record);
    for (uint16_t channel = 0; channel < 8; ++channel)
        EXPECT_EQ(record->rangeOverride[channel], 0) << "channel " << channel;
    EXPECT_EQ(record->persistSuppression, 0);
}

} // namespace qms::test
