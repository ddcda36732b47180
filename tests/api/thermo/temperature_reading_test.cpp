// TCMuxRead and DirectReadTemp end to end: argument checks, compensated readings, scales,
// range overrides, burn-out handling, the CJC offset and the waits for the CJC sensor.
#include <chrono>
#include <cstring>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "api/module_commands.h"
#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"
#include "sim/nist_reference.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;

namespace {

constexpr double kTerminalC = 24.5;
constexpr uint16_t kCelsius = TEMP_SCALE_CELSIUS;

using Clock = std::chrono::steady_clock;

double Elapsed(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The compensated temperature a thermocouple at hotC gives when the compensation takes the
// cold junction at compensationC while it really sits at terminalC.
double Compensated(uint16_t type, double hotC, double terminalC, double compensationC)
{
    const char t = TypeLetter(type);
    return qms::sim::nist::temperatureCelsius(
        t, TerminalMillivolts(type, hotC, terminalC) + qms::sim::nist::emfMillivolts(t, compensationC));
}

class TemperatureChannel : public PluggedModule {
protected:
    static void SetUpTestSuite() { UseScenario(Scenario(1)); }
    void SetUp() override
    {
        PluggedModule::SetUp();
        // What a test may have changed: burn-out settings and the CJC offset.
        const uint32_t settings[8] = {};
        ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, sizeof settings), 0u);
        ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.0f), 0);
        module->clearWire();
    }

    // A suite of its own: the channels below with one scenario key changed.
    static void PlugWith(uint32_t boardNumber, const char *key, const nlohmann::json &value)
    {
        nlohmann::json s = Scenario(boardNumber);
        s[key] = value;
        UseScenario(s);
    }

    static nlohmann::json Scenario(uint32_t boardNumber)
    {
        nlohmann::json s = ThermoScenario(boardNumber, kTerminalC);
        s["channels"][0] = {{"thermocouple", "K"}, {"temp_c", 250.0}};
        s["channels"][1] = {{"thermocouple", "J"}, {"temp_c", 120.0}};
        s["channels"][2] = {{"open", true}};
        s["channels"][3] = {{"thermocouple", "E"}, {"temp_c", 500.0}};
        s["channels"][4] = {{"thermocouple", "T"}, {"temp_c", -40.0}};
        s["channels"][5] = {{"thermocouple", "S"}, {"temp_c", 1100.0}};
        s["channels"][6] = {{"open", true}};
        return s;
    }

    float Read(uint16_t channel, uint16_t type, uint16_t scale = kCelsius, uint32_t expected = 0)
    {
        float result = -1.0f;
        EXPECT_EQ(TCMuxRead(handle, channel, 0, 0, type, scale, &result), expected)
            << "channel " << channel << " type " << type;
        ExpectRangeReleased(handle);
        return result;
    }

    void SetBurnOut(uint16_t channel, uint32_t setting)
    {
        uint32_t settings[8] = {};
        uint32_t size = sizeof settings;
        ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, &size), 0u);
        settings[channel] = setting;
        ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, sizeof settings), 0u);
        module->clearWire();
    }

    bool SentBurnOutQuery() const
    {
        for (const WireRequest &r : module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT))
            if (r.data.size() >= 2 && r.data[0] == 0x02 && r.data[1] == 0x30)
                return true;
        return false;
    }

    qms::api::DeviceRecord &Record() { return *qms::api::FindRecordByHandle(handle); }
};

} // namespace

TEST_F(TemperatureChannel, ArgumentsAreCheckedBeforeTheChannelIsTouched)
{
    float result = 7.0f;
    EXPECT_EQ(TCMuxRead(0, 0, 0, 0, TC_TYPE_K, kCelsius, &result), QMS_ERR_NULL_HANDLE);
    EXPECT_EQ(DirectReadTemp(0, 0, TC_TYPE_K, &result), static_cast<int32_t>(QMS_ERR_NULL_HANDLE));

    EXPECT_EQ(TCMuxRead(handle, 8, 0, 0, TC_TYPE_K, kCelsius, &result), Code(dev, QMS_ERRIDX_OUT_OF_RANGE));
    EXPECT_TRUE(module->wire().empty()) << "a channel beyond the last sends nothing";

    // Type N converts (TcTemp) but has no input range.
    Record().rangeOverride[0] = 0;
    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, TC_TYPE_N, kCelsius, &result), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, 8, kCelsius, &result), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DirectReadTemp(handle, 0, TC_TYPE_N, &result), -1);
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CONFIG).empty()) << "no range without a type row";
    EXPECT_EQ(result, 7.0f) << "the result is written only on success and burn-out";
    ExpectRangeReleased(handle);

    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, kCelsius, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, nullptr), static_cast<int32_t>(Code(dev, QMS_ERRIDX_ARGUMENT)));

    // DirectReadTemp leaves the channel check to AIConfig.
    EXPECT_EQ(DirectReadTemp(handle, 8, TC_TYPE_K, &result), static_cast<int32_t>(Code(dev, QMS_ERRIDX_OUT_OF_RANGE)));
    ExpectRangeReleased(handle);
}

TEST_F(TemperatureChannel, TypesWithoutAThermocoupleRowAreRefusedBeforeAnythingIsSent)
{
    // 256 once passed for the CJC row (module code 0x100 with bit 0x80 cleared).
    for (uint16_t type : {uint16_t{TC_TYPE_N}, uint16_t{8}, uint16_t{0x100}, uint16_t{0x180}, uint16_t{0xFFFF}}) {
        SCOPED_TRACE(testing::Message() << "type " << type);
        module->clearWire();
        float result = 7.0f;
        EXPECT_EQ(TCMuxRead(handle, 2, 0, 0, type, kCelsius, &result), Code(dev, QMS_ERRIDX_ARGUMENT));
        EXPECT_EQ(DirectReadTemp(handle, 2, type, &result), -1);
        EXPECT_EQ(result, 7.0f);
        EXPECT_TRUE(module->wire().empty());
        EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_GET_CJC_OFFSET).empty()) << "nor the module's offset";
        ExpectRangeReleased(handle);
    }
    EXPECT_EQ(module->state()["blocks"]["0x210"][2], 9) << "the open input keeps its K row";
}

TEST_F(TemperatureChannel, ReadsTheHotJunctionOfEachThermocouple)
{
    const struct {
        uint16_t channel, type;
        double hotC;
    } inputs[] = {{0, TC_TYPE_K, 250.0}, {1, TC_TYPE_J, 120.0}, {3, TC_TYPE_E, 500.0},
                  {4, TC_TYPE_T, -40.0}, {5, TC_TYPE_S, 1100.0}};
    for (const auto &in : inputs) {
        EXPECT_NEAR(Read(in.channel, in.type), in.hotC, ReadingTolerance(in.type, in.hotC, kTerminalC));
        float direct = 0.0f;
        ASSERT_EQ(DirectReadTemp(handle, in.channel, in.type, &direct), 0);
        ExpectRangeReleased(handle);
        EXPECT_NEAR(direct, in.hotC, ReadingTolerance(in.type, in.hotC, kTerminalC));
    }
}

TEST_F(TemperatureChannel, DirectReadTempAgreesWithTCMuxReadOnASteadyInput)
{
    const float mux = Read(0, TC_TYPE_K);
    float direct = 0.0f;
    ASSERT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, &direct), 0);
    // The same conversion code; the CJC temperatures differ by the averaging only.
    EXPECT_NEAR(direct, mux, 0.01);
}

TEST_F(TemperatureChannel, ReturnsEveryTemperatureScale)
{
    const float celsius = Read(0, TC_TYPE_K);
    EXPECT_NEAR(celsius, 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    EXPECT_EQ(Read(0, TC_TYPE_K, TEMP_SCALE_FAHRENHEIT), static_cast<float>(celsius * 1.8 + 32.0));
    EXPECT_EQ(Read(0, TC_TYPE_K, TEMP_SCALE_RANKINE), static_cast<float>(celsius * 1.8 + 491.67));
    EXPECT_EQ(Read(0, TC_TYPE_K, TEMP_SCALE_KELVIN), static_cast<float>(celsius + 273.15));
    EXPECT_EQ(Read(0, TC_TYPE_K, 7), celsius) << "an unknown scale is Celsius";
}

TEST_F(TemperatureChannel, TypesKAndEShareTheirRangeCodeButNotTheirRow)
{
    Read(3, TC_TYPE_E);
    auto configs = module->wire(GROUP_AI, CMD_AI_CONFIG);
    ASSERT_FALSE(configs.empty());
    EXPECT_EQ(configs.back().data[4], 0x00);
    EXPECT_EQ(configs.back().data[5], 0x22) << "the module receives the range code";
    EXPECT_EQ(module->state()["blocks"]["0x210"][3], 14) << "TCMuxRead keeps the E row in the module";
    EXPECT_EQ(Record().rangeIndex[3], 14u);

    Read(3, TC_TYPE_K);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CONFIG).back().data[5], 0x22);
    EXPECT_EQ(module->state()["blocks"]["0x210"][3], 9);
}

TEST_F(TemperatureChannel, OnlyTCMuxReadStoresTheThermocoupleRange)
{
    float celsius = 0.0f;
    ASSERT_EQ(DirectReadTemp(handle, 1, TC_TYPE_J, &celsius), 0);
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).empty());
    Read(1, TC_TYPE_J);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).size(), 1u);
}

TEST_F(TemperatureChannel, OpenThermocoupleByBurnOutSetting)
{
    const uint32_t burnOut = Code(dev, QMS_ERRIDX_BURNOUT);

    SetBurnOut(2, 0);
    Read(2, TC_TYPE_K, kCelsius, 0);
    EXPECT_FALSE(SentBurnOutQuery()) << "setting 0 never asks";

    SetBurnOut(2, 1);
    EXPECT_EQ(Read(2, TC_TYPE_K, kCelsius, burnOut), 888888.0f);
    EXPECT_TRUE(SentBurnOutQuery());
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_SCAN).empty()) << "no voltage is read";
    EXPECT_EQ(Read(2, TC_TYPE_K, TEMP_SCALE_KELVIN, burnOut), 888888.0f) << "a marker, not a temperature";

    SetBurnOut(2, 2);
    EXPECT_EQ(Read(2, TC_TYPE_K, kCelsius, burnOut), -888888.0f);

    // The K range's limits (+-78 mV) lie beyond type K's EMF: the reading stops at the ends
    // of its reference function.
    SetBurnOut(2, 3);
    EXPECT_EQ(Read(2, TC_TYPE_K, kCelsius, burnOut), 1372.0f);
    EXPECT_EQ(Read(2, TC_TYPE_K, TEMP_SCALE_FAHRENHEIT, burnOut), static_cast<float>(1372.0 * 1.8 + 32.0));
    SetBurnOut(2, 4);
    EXPECT_EQ(Read(2, TC_TYPE_K, kCelsius, burnOut), -270.0f);

    // Settings 5 and above: 0 V, i.e. the cold junction's own temperature.
    SetBurnOut(2, 5);
    EXPECT_NEAR(Read(2, TC_TYPE_K, kCelsius, burnOut), kTerminalC, 0.05);
    SetBurnOut(2, 77);
    EXPECT_NEAR(Read(2, TC_TYPE_K, kCelsius, burnOut), kTerminalC, 0.05);
}

TEST_F(TemperatureChannel, BurnOutLimitInsideTheThermocouplesEmfKeepsItsTemperature)
{
    // J's +50 mV plus the cold junction's EMF lies inside type J's reference function.
    SetBurnOut(6, 3);
    const float maximum = Read(6, TC_TYPE_J, kCelsius, Code(dev, QMS_ERRIDX_BURNOUT));
    const double expected = qms::sim::nist::temperatureCelsius('J', 50.0 + qms::sim::nist::emfMillivolts('J', kTerminalC));
    EXPECT_NEAR(maximum, expected, ReadingTolerance(TC_TYPE_J, expected, kTerminalC));

    SetBurnOut(6, 4);
    EXPECT_EQ(Read(6, TC_TYPE_J, kCelsius, Code(dev, QMS_ERRIDX_BURNOUT)), -210.0f);
}

TEST_F(TemperatureChannel, FailedBurnOutQueryIsReportedNotTakenForAReading)
{
    SetBurnOut(2, 1);
    module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_CHAN_CONFIG_READ}, {"fault", "stall"}}}}});
    float result = 5.0f;
    EXPECT_EQ(TCMuxRead(handle, 2, 0, 0, TC_TYPE_K, kCelsius, &result), Code(dev, QMS_ERRIDX_BLOCK_ACCESS));
    EXPECT_EQ(result, 5.0f);
    ExpectRangeReleased(handle);
}

TEST_F(TemperatureChannel, FailedVoltageReadReturnsItsCodeAndReleasesTheRange)
{
    module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_SCAN}, {"fault", "stall"}}}}});
    float result = 5.0f;
    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, kCelsius, &result), TransferFailed(dev));
    EXPECT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, &result), static_cast<int32_t>(TransferFailed(dev)));
    EXPECT_EQ(result, 5.0f);
    ExpectRangeReleased(handle);
}

TEST_F(TemperatureChannel, BothReadersSubtractTheModulesCurrentOffset)
{
    // Code 0, an offset of -10 degrees Celsius, raises the cold junction by 10.
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), -10.0f), 0);
    EXPECT_EQ(module->state()["cjc_offset_code"], 0);
    const double expected = Compensated(TC_TYPE_K, 250.0, kTerminalC, kTerminalC + 10.0);
    EXPECT_NEAR(Read(0, TC_TYPE_K), expected, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    float direct = 0.0f;
    ASSERT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, &direct), 0);
    EXPECT_NEAR(direct, expected, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));

    // Code 0x8000 leaves the sensor's temperature as it is.
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.0f), 0);
    EXPECT_NEAR(Read(0, TC_TYPE_K), 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
}

TEST_F(TemperatureChannel, ReadsThroughDriverProc)
{
    float result = 0.0f;
    TCMuxReadParams params{};
    params.channel = 1;
    params.tcType = TC_TYPE_J;
    params.scale = kCelsius;
    params.result = &result;
    ASSERT_EQ(DriverProc(0, 0, 13, handle, &params), 0u);
    EXPECT_NEAR(result, 120.0, ReadingTolerance(TC_TYPE_J, 120.0, kTerminalC));
}

namespace {

// A module whose sensor error is corrected by its stored offset.
class CompensatedSensor : public TemperatureChannel {
protected:
    static void SetUpTestSuite() { PlugWith(2, "cjc_error_c", 1.5); }
};

} // namespace

TEST_F(CompensatedSensor, OffsetWrittenAfterTheDriverStartedTakesEffectAtOnce)
{
    const double high = Compensated(TC_TYPE_K, 250.0, kTerminalC, kTerminalC + 1.5);
    EXPECT_NEAR(Read(0, TC_TYPE_K), high, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));

    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 1.5f), 0);
    EXPECT_NEAR(Read(0, TC_TYPE_K), 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    float direct = 0.0f;
    ASSERT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, &direct), 0);
    EXPECT_NEAR(direct, 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
}

namespace {

// A module whose CJC sensor answers "invalid" for the sampler's whole first cycle.
class SlowCjcSensor : public TemperatureChannel {
protected:
    static void SetUpTestSuite() { PlugWith(3, "cjc_invalid_reads", 6); }
    // The offset and settings stay as plugged: the test's read must be the first request.
    void SetUp() override { PluggedModule::SetUp(); }
};

// A module whose CJC sensor never gives a valid reading.
class DeadCjcSensor : public TemperatureChannel {
protected:
    static void SetUpTestSuite() { PlugWith(4, "cjc_invalid_reads", 100000); }
};

} // namespace

TEST_F(SlowCjcSensor, FirstReadWaitsForTheFirstCjcSample)
{
    const auto start = Clock::now();
    EXPECT_NEAR(Read(0, TC_TYPE_K), 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    EXPECT_GE(Elapsed(start), 0.9) << "the sampler's second cycle brings the first sample";
}

TEST_F(DeadCjcSensor, WaitsForTheSensorAreBounded)
{
    float result = 5.0f;
    auto start = Clock::now();
    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, kCelsius, &result), Code(dev, QMS_ERRIDX_CJC_HISTORY));
    EXPECT_LT(Elapsed(start), 6.0);
    EXPECT_LT(Elapsed(start), 2.5) << "one transfer time-out";
    ExpectRangeReleased(handle);

    module->clearWire();
    start = Clock::now();
    EXPECT_EQ(DirectReadTemp(handle, 0, TC_TYPE_K, &result), 1);
    const double seconds = Elapsed(start);
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 4.0);
    // Once a millisecond at most, plus what the sampler asks in the meantime.
    EXPECT_LE(module->wire(GROUP_AI, CMD_AI_READ_CJC).size(), 2000.0 * seconds + 50.0);
    EXPECT_EQ(result, 5.0f);
    ExpectRangeReleased(handle);
}
