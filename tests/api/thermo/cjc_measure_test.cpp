// MeasureCJCError end to end: a module whose CJC sensor reads high, compensated calibrator
// sources at each type's reference temperature, the code that reaches the module and what
// later readings make of it.
#include <gtest/gtest.h>

#include "api/device_record.h"
#include "api/module_commands.h"
#include "qms6093.h"
#include "qms_vendor.h"
#include "sim/nist_reference.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;

namespace {

constexpr double kTerminalC = 24.5;
constexpr double kSensorErrorC = 0.8;
constexpr uint16_t kThermocoupleChannel = 7; // a K thermocouple at 250 degrees Celsius

using Bytes = std::vector<uint8_t>;

Bytes Be32(uint32_t value)
{
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

class CjcMeasurement : public PluggedModule {
protected:
    // Channels 0 to 6: calibrators of types J K S T B R E at their reference temperatures.
    static void SetUpTestSuite()
    {
        nlohmann::json s = ThermoScenario(20, kTerminalC, kSensorErrorC);
        for (uint16_t type = TC_TYPE_J; type <= TC_TYPE_E; ++type)
            s["channels"][type] = {{"calibrator", std::string(1, TypeLetter(type))}};
        s["channels"][kThermocoupleChannel] = {{"thermocouple", "K"}, {"temp_c", 250.0}};
        UseScenario(s);
    }
    void SetUp() override
    {
        PluggedModule::SetUp();
        module->update({{"cjc_error_c", kSensorErrorC}});
        ASSERT_EQ(StartAIConversion(handle), 0u);
        module->clearWire();
    }

    qms::api::DeviceRecord &Record() { return *qms::api::FindRecordByHandle(handle); }

    Bytes SentCode() const
    {
        const auto sent = module->wire(GROUP_AI, CMD_AI_CJC_WRITE_REFERENCE);
        return sent.empty() ? Bytes{} : sent.back().data;
    }

    void Fail(int command, const char *dir, const char *fault = "stall")
    {
        module->update({{"faults", {{{"group", GROUP_AI}, {"command", command}, {"dir", dir}, {"fault", fault}}}}});
    }
};

} // namespace

TEST_F(CjcMeasurement, RecoversTheSensorErrorWithEachTypesCalibrator)
{
    for (uint16_t type : {uint16_t{TC_TYPE_J}, uint16_t{TC_TYPE_K}, uint16_t{TC_TYPE_S}, uint16_t{TC_TYPE_T}, uint16_t{TC_TYPE_R}, uint16_t{TC_TYPE_E}}) {
        SCOPED_TRACE(testing::Message() << "type " << TypeLetter(type));
        ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.0f), 0);
        module->clearWire();
        float error = 0.0f;
        ASSERT_EQ(MeasureCJCError(handle, type, type, &error), 0);
        EXPECT_NEAR(error, kSensorErrorC, 0.15);
        ExpectRangeReleased(handle);

        const uint16_t code = qms::api::CjcOffsetCode(error);
        EXPECT_EQ(SentCode(), Be32(code)) << "the error goes to the module as its offset code";
        EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE).size(), 1u);
        const nlohmann::json state = module->state();
        EXPECT_EQ(state["cjc_offset_code"], code) << "the reset makes it the active offset";
        EXPECT_FALSE(state["converting"]) << "the conversion is left reset";
        EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).empty())
            << "the temporary range is not stored";

        // The stream driver's history carries the new offset: TCMuxRead is right at once.
        ASSERT_EQ(StartAIConversion(handle), 0u);
        float celsius = 0.0f;
        ASSERT_EQ(TCMuxRead(handle, kThermocoupleChannel, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &celsius), 0u);
        EXPECT_NEAR(celsius, 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC) + 0.15);
    }
}

TEST_F(CjcMeasurement, WithoutTheOffsetReadingsShowTheSensorError)
{
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.0f), 0);
    float celsius = 0.0f;
    ASSERT_EQ(TCMuxRead(handle, kThermocoupleChannel, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &celsius), 0u);
    const double high = qms::sim::nist::temperatureCelsius(
        'K', TerminalMillivolts(TC_TYPE_K, 250.0, kTerminalC) +
                 qms::sim::nist::emfMillivolts('K', kTerminalC + kSensorErrorC));
    EXPECT_NEAR(celsius, high, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    EXPECT_GT(celsius, 250.5);
}

TEST_F(CjcMeasurement, TypeBAndTypesWithoutARangeAreRefused)
{
    // Type B's EMF is all but flat near room temperature: the terminals cannot be found.
    for (int type : {int{TC_TYPE_B}, int{TC_TYPE_N}, 8}) {
        module->clearWire();
        float error = 42.0f;
        EXPECT_EQ(MeasureCJCError(handle, static_cast<uint16_t>(type), TC_TYPE_B, &error), -1) << "type " << type;
        EXPECT_EQ(error, 42.0f);
        EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_RESET_CONV).size(), 1u);
        EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_START_CONV).size(), 1u);
        EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CONFIG).empty());
        EXPECT_TRUE(SentCode().empty());
    }
}

TEST_F(CjcMeasurement, OffsetCodeIsTruncatedAndHeldToItsSpan)
{
    EXPECT_EQ(qms::api::CjcOffsetCode(0.0f), 0x8000);
    EXPECT_EQ(qms::api::CjcOffsetCode(-0.0001f), 0x7FFF);
    EXPECT_EQ(qms::api::CjcOffsetCode(10.0f), 0xFFFF);
    EXPECT_EQ(qms::api::CjcOffsetCode(-10.0f), 0);

    // A sensor 9.5 degrees off still fits the offset.
    module->update({{"cjc_error_c", -9.5}});
    float error = 0.0f;
    ASSERT_EQ(MeasureCJCError(handle, TC_TYPE_K, TC_TYPE_K, &error), 0);
    EXPECT_NEAR(error, -9.5, 0.15);
    EXPECT_EQ(SentCode(), Be32(qms::api::CjcOffsetCode(error)));
}

TEST_F(CjcMeasurement, AnErrorBeyondTheOffsetIsNoMeasurementAndNothingIsStored)
{
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.5f), 0);
    const nlohmann::json before = module->state();
    module->clearWire();
    struct Case {
        const char *what;
        uint16_t channel;
        double sensorError;
        double low, high; // what *error holds
    };
    const Case cases[] = {
        // A sensor far off, and channels with no calibrator on them: a thermocouple at 250
        // degrees read as the K calibrator, and an open input.
        {.what = "sensor 12 degrees high", .channel = TC_TYPE_K, .sensorError = 12.0, .low = 11.8, .high = 12.2},
        {.what = "sensor 12 degrees low", .channel = TC_TYPE_K, .sensorError = -12.0, .low = -12.2, .high = -11.8},
        {.what = "no calibrator", .channel = kThermocoupleChannel, .sensorError = kSensorErrorC, .low = -1e30, .high = -10.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        module->update({{"cjc_error_c", c.sensorError}});
        ASSERT_EQ(StartAIConversion(handle), 0u);
        module->clearWire();
        float error = 42.0f;
        EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, c.channel, &error), 9);
        EXPECT_GE(error, c.low);
        EXPECT_LE(error, c.high);
        EXPECT_TRUE(SentCode().empty()) << "no offset goes to the module";
        EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE).empty());
        const nlohmann::json after = module->state();
        EXPECT_EQ(after["cjc_reference_code"], before["cjc_reference_code"]);
        EXPECT_EQ(after["cjc_offset_code"], before["cjc_offset_code"]);
        EXPECT_FALSE(after["converting"]) << "the conversion is left reset, as after a measurement";
        ExpectRangeReleased(handle);
    }
}

TEST_F(CjcMeasurement, FailuresReturnTheirOwnCodesAndReleaseTheRange)
{
    float error = 42.0f;
    EXPECT_EQ(MeasureCJCError(0, TC_TYPE_K, 1, &error), 3);
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 1, nullptr), 3);
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_RESET_CONV).empty()) << "nothing is sent for a call without a result";

    Fail(CMD_AI_RESET_CONV, "out");
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 1, &error), 1);

    Fail(CMD_AI_READ_CJC, "in");
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 1, &error), 3);

    Fail(CMD_AI_CONFIG, "out");
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 1, &error), 5);
    ExpectRangeReleased(handle);

    // A channel beyond the last is refused by the range configuration, nothing else.
    module->update({{"clear_faults", true}});
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 9, &error), 5);
    ExpectRangeReleased(handle);

    Fail(CMD_AI_SCAN, "out");
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, 1, &error), 8);
    ExpectRangeReleased(handle);
    EXPECT_EQ(error, 42.0f) << "no error without the readings";
}

TEST_F(CjcMeasurement, ErrorIsKeptWhenTheModuleRefusesTheOffset)
{
    module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_CJC_RESET_TO_REFERENCE}, {"dir", "out"},
                                 {"fault", "status"}, {"status", 0x0105}}}}});
    float error = 42.0f;
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, TC_TYPE_K, &error), 8);
    EXPECT_NEAR(error, kSensorErrorC, 0.15);
    ExpectRangeReleased(handle);
}

TEST_F(CjcMeasurement, AnOffsetTheModuleDidNotTakeIsReported)
{
    ASSERT_EQ(qms::api::WriteCJCOffsetCode(&Record(), 0.0f), 0);
    const nlohmann::json before = module->state();
    Fail(CMD_AI_CJC_WRITE_REFERENCE, "out");
    float error = 42.0f;
    EXPECT_EQ(MeasureCJCError(handle, TC_TYPE_K, TC_TYPE_K, &error), 6);
    EXPECT_NEAR(error, kSensorErrorC, 0.15) << "the error is known all the same";
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CJC_RESET_TO_REFERENCE).empty())
        << "the offset is not made active after it failed to arrive";
    const nlohmann::json after = module->state();
    EXPECT_EQ(after["cjc_reference_code"], before["cjc_reference_code"]);
    EXPECT_EQ(after["cjc_offset_code"], 0x8000);
    ExpectRangeReleased(handle);
}
