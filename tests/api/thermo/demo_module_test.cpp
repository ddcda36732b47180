// The demo module a user meets with QMS_SIM unset, read end to end: its thermocouples read
// high by its CJC sensor's error until the error is measured on its calibrator channel and
// stored as the module's offset, then they read their hot junctions; its open input reports
// burn-out.
#include <cstdlib>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms_platform.h"
#include "sim/nist_reference.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;

namespace {

constexpr double kTerminalC = 24.5;
constexpr double kSensorErrorC = 0.4;
constexpr uint16_t kOpenChannel = 6;
constexpr uint16_t kCalibratorChannel = 7; // K at 685 degrees Celsius, compensated

struct DemoThermocouple {
    uint16_t channel;
    uint16_t type;
    double hotC;
};
constexpr DemoThermocouple kThermocouples[] = {
    {0, TC_TYPE_K, 250.0}, {1, TC_TYPE_J, 120.0}, {2, TC_TYPE_T, -40.0}, {3, TC_TYPE_S, 1100.0}};

// The demo's inputs carry 0.5 microvolt rms of noise: five sigma in degrees.
double NoiseTolerance(uint16_t type, double hotC)
{
    const char t = TypeLetter(type);
    const double sensitivity =
        (qms::sim::nist::emfMillivolts(t, hotC + 0.5) - qms::sim::nist::emfMillivolts(t, hotC - 0.5));
    return 5.0 * 0.0005 / sensitivity;
}

class DemoModule : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        unsetenv("QMS_SIM");
        ASSERT_EQ(qms_platform_start(), 0);
        ASSERT_EQ(DeviceOpen(DeviceNumberOfBoard(0), &handle), 0u);
    }
    static void TearDownTestSuite()
    {
        if (handle)
            DeviceClose(&handle);
        qms_platform_shutdown();
    }
    static inline uint32_t handle = 0;
};

} // namespace

TEST_F(DemoModule, ThermocouplesReadTheirHotJunctionsOnceTheCjcErrorIsStored)
{
    for (const DemoThermocouple &tc : kThermocouples) {
        float celsius = 0.0f;
        ASSERT_EQ(TCMuxRead(handle, tc.channel, 0, 0, tc.type, TEMP_SCALE_CELSIUS, &celsius), 0u);
        const char t = TypeLetter(tc.type);
        const double high = qms::sim::nist::temperatureCelsius(
            t, TerminalMillivolts(tc.type, tc.hotC, kTerminalC) +
                   qms::sim::nist::emfMillivolts(t, kTerminalC + kSensorErrorC));
        EXPECT_NEAR(celsius, high,
                    ReadingTolerance(tc.type, tc.hotC, kTerminalC) + NoiseTolerance(tc.type, tc.hotC))
            << "channel " << tc.channel << " before the CJC error is known";
    }

    float error = 0.0f;
    ASSERT_EQ(MeasureCJCError(handle, TC_TYPE_K, kCalibratorChannel, &error), 0);
    EXPECT_NEAR(error, kSensorErrorC, 0.15);
    ASSERT_EQ(StartAIConversion(handle), 0u);

    for (const DemoThermocouple &tc : kThermocouples) {
        const double tolerance = ReadingTolerance(tc.type, tc.hotC, kTerminalC) +
                                 NoiseTolerance(tc.type, tc.hotC) + 0.15;
        float celsius = 0.0f;
        ASSERT_EQ(TCMuxRead(handle, tc.channel, 0, 0, tc.type, TEMP_SCALE_CELSIUS, &celsius), 0u);
        EXPECT_NEAR(celsius, tc.hotC, tolerance) << "channel " << tc.channel;
        float direct = 0.0f;
        ASSERT_EQ(DirectReadTemp(handle, tc.channel, tc.type, &direct), 0);
        EXPECT_NEAR(direct, tc.hotC, tolerance) << "channel " << tc.channel;
    }
}

TEST_F(DemoModule, OpenInputReportsBurnOut)
{
    float result = 0.0f;
    EXPECT_EQ(TCMuxRead(handle, kOpenChannel, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &result),
              QmsDeviceCode(DeviceNumberOfBoard(0), QMS_ERRIDX_BURNOUT));
    EXPECT_EQ(result, 888888.0f);
}
