// The CJC sensor and the cold-junction sources: what the host's cold-junction measurement
// relies on to find the sensor's error.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/nist_reference.h"
#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

struct CjcRead {
    uint32_t code, valid;
};

CjcRead readCjc(SimBus &bus)
{
    const Transfer t = bus.in(2, 35, 8);
    EXPECT_EQ(t.bytes, 8u);
    return {wordAt(t.data, 0), wordAt(t.data, 4)};
}

double sensorCelsius(uint32_t code) { return code * 0.5 / 65536.0 * 1000.0 - 273.15; }

TEST(CjcSensor, ReadsTheTerminalTemperatureHighByItsError)
{
    SimBus bus(R"({"terminal_c": 25.0, "cjc_error_c": 1.5, "cjc_invalid_reads": 0})");
    const CjcRead r = readCjc(bus);
    EXPECT_EQ(r.valid, 1u);
    EXPECT_EQ(r.code, static_cast<uint32_t>(std::floor((26.5 + 273.15) * 0.001 / 0.5 * 65536.0 + 0.5)));
    EXPECT_NEAR(sensorCelsius(r.code), 26.5, 0.01);
}

TEST(CjcSensor, FirstReadingsAfterAConversionStartAreInvalid)
{
    SimBus bus(R"({"cjc_invalid_reads": 3})");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readCjc(bus).valid, 0u) << "read " << i << " after power-up";
    EXPECT_EQ(readCjc(bus).valid, 1u);
    EXPECT_EQ(bus.command(2, 49, be32(0)), 0u);
    EXPECT_EQ(readCjc(bus).valid, 1u) << "stopping does not disturb the sensor";
    EXPECT_EQ(bus.command(2, 48, be32(0)), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readCjc(bus).valid, 0u) << "read " << i << " after the start";
    EXPECT_EQ(readCjc(bus).valid, 1u);
}

// The host's cold-junction measurement with a compensated calibrator at the type's reference
// temperature on channel 0: it must find exactly the sensor's error.
double measureCjcError(SimBus &bus, char type, uint16_t code, double low, double high, double mid)
{
    double cjcVolts = 0;
    for (int i = 0; i < 10; ++i)
        cjcVolts += readCjc(bus).code * 0.5 / 65536.0;
    const double cjc = cjcVolts * 0.1 * 1000.0 - 273.15;
    const double cjcEmf = nist::emfMillivolts(type, cjc);
    bus.configure(0, {code});
    const double volts = low + bus.read(0) * (high - low) / 65536.0;
    const double measured = volts * 1000.0 + cjcEmf;
    const double junction = nist::temperatureCelsius(type, cjcEmf - (measured - nist::emfMillivolts(type, mid)));
    return cjc - junction;
}

TEST(ColdJunctionSources, CalibratorLetsTheHostFindTheSensorError)
{
    SimBus k(R"({"terminal_c": 27.0, "cjc_error_c": 1.5, "cjc_invalid_reads": 0, "channels": [{"calibrator": "K"}]})");
    EXPECT_NEAR(measureCjcError(k, 'K', 0x22, -0.078, 0.078, 685.0), 1.5, 0.1);
    SimBus j(R"({"terminal_c": 18.0, "cjc_error_c": -2.0, "cjc_invalid_reads": 0, "channels": [{"calibrator": "J", "temp_c": 380}]})");
    EXPECT_NEAR(measureCjcError(j, 'J', 0x12, -0.05, 0.05, 380.0), -2.0, 0.1);
}

TEST(ColdJunctionSources, ThermocoupleDeviatesWhereTheCalibratorDoesNot)
{
    SimBus bus(R"({"terminal_c": 20.0, "channels": [
        {"calibrator": "K", "temp_c": 500}, {"thermocouple": "K", "temp_c": 500},
        {"thermocouple": "K", "temp_c": 500, "deviation_c": 2.0}, {"calibrator": "K", "temp_c": 500, "compensated": false}]})");
    bus.configure(0, {0x22, 0x22, 0x22, 0x22});
    const std::vector<uint16_t> codes = bus.scan(0, 4);
    EXPECT_EQ(codes[0], codes[1]) << "an ideal thermocouple and a calibrator agree";
    const double perCode = 0.156 / 65536.0 * 1000.0; // mV
    EXPECT_NEAR((codes[2] - codes[1]) * perCode, nist::emfMillivolts('K', 502) - nist::emfMillivolts('K', 500), 0.005);
    EXPECT_NEAR((codes[3] - codes[0]) * perCode, nist::emfMillivolts('K', 20), 0.005)
        << "without compensation the calibrator's output is referred to 0 degC";
}

} // namespace
} // namespace qms::sim::testing
