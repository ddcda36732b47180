// What the commands show on simulated modules, in text and as JSON with the same numbers.
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/program_run.h"
#include "tests/tools/scenarios.h"

namespace qms::test {
namespace {

using ::testing::HasSubstr;

// channel -> cells of the text table of read or temp.
std::map<int, std::vector<std::string>> TableRows(const std::string &out)
{
    std::map<int, std::vector<std::string>> rows;
    const auto lines = Lines(out);
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto cells = Cells(lines[i]);
        if (!cells.empty())
            rows[std::stoi(cells[0])] = cells;
    }
    return rows;
}

TEST(ListCommand, ShowsTheSimulatedModuleWithItsSerialAndFirmware)
{
    const ProgramResult text = RunProgram({"list"}, Bench());
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr("SIM6093-0"));
    EXPECT_THAT(text.out, HasSubstr("simulated"));
    EXPECT_THAT(text.out, ::testing::Not(HasSubstr("U93"))) << "the stream device is for info --verbose";

    const ProgramResult json = RunProgram({"--json", "list"}, Bench());
    ASSERT_EQ(json.status, 0) << json.err;
    const auto devices = json.json()["devices"];
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]["device"], 0);
    EXPECT_EQ(devices[0]["board_id"], 0);
    EXPECT_EQ(devices[0]["module"], "simulated");
    EXPECT_EQ(devices[0]["serial"], "SIM6093-0");
    EXPECT_EQ(devices[0]["firmware"], "USB-6093 FW 1.00 (simulated)");
}

TEST(ListCommand, SaysSoWhenNothingIsInstalled)
{
    const ProgramResult result = RunProgram({"--json", "list"}, "none");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.json()["devices"].empty());
}

TEST(ListCommand, TellsAnInstalledDeviceWithoutItsModuleAsAbsent)
{
    ScratchDir dir;
    const std::map<std::string, std::string> env = {{"QMS_REGISTRY", dir.path("registry.db")}};
    ASSERT_EQ(RunProgram({"list"}, Bench(), env).status, 0);
    // --registry names the same store as QMS_REGISTRY.
    const ProgramResult later = RunProgram({"--registry", dir.path("registry.db"), "--json", "list"}, "none");
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_EQ(later.json()["devices"][0]["module"], "absent");
    EXPECT_TRUE(later.json()["devices"][0]["firmware"].is_null());

    const ProgramResult temp = RunProgram({"temp", "-d", "0"}, "none", env);
    EXPECT_EQ(temp.status, 2);
    EXPECT_THAT(temp.err, HasSubstr("--device 0"));
    EXPECT_THAT(temp.err, HasSubstr("not attached"));
}

TEST(ForgetCommand, RemovesAnAbsentDeviceAndRefusesWhileItsModuleIsThere)
{
    ScratchDir dir;
    const std::map<std::string, std::string> env = {{"QMS_REGISTRY", dir.path("registry.db")}};
    nlohmann::json second = BenchScenario();
    second["board_id"] = 4;
    const std::string two = nlohmann::json::array({BenchScenario(), second}).dump();
    ASSERT_EQ(RunProgram({"list"}, two, env).status, 0);

    const ProgramResult present = RunProgram({"forget", "-d", "1"}, two, env);
    EXPECT_EQ(present.status, 2);
    EXPECT_THAT(present.err, HasSubstr("attached"));
    const ProgramResult unnamed = RunProgram({"forget"}, "none", env);
    EXPECT_EQ(unnamed.status, 2) << "no device number taken for granted";

    // Device 1's module is gone; device 0's is there and stays.
    const ProgramResult forget = RunProgram({"--json", "forget", "-d", "1"}, Bench(), env);
    ASSERT_EQ(forget.status, 0) << forget.err;
    EXPECT_EQ(forget.json()["board_id"], 4);
    const ProgramResult list = RunProgram({"--json", "list"}, Bench(), env);
    ASSERT_EQ(list.status, 0) << list.err;
    ASSERT_EQ(list.json()["devices"].size(), 1u);
    EXPECT_EQ(list.json()["devices"][0]["device"], 0);
    EXPECT_EQ(list.json()["devices"][0]["module"], "simulated");

    const ProgramResult again = RunProgram({"forget", "-d", "1"}, Bench(), env);
    EXPECT_EQ(again.status, 2);
    EXPECT_THAT(again.err, HasSubstr("no device 1 is installed"));
}

TEST(TempCommand, ReadsEachThermocoupleInItsStoredTypeAndShowsBurnOutPlainly)
{
    const ProgramResult text = RunProgram({"temp", "-d", "0"}, Bench());
    ASSERT_EQ(text.status, 0) << text.err;
    const auto rows = TableRows(text.out);
    ASSERT_EQ(rows.size(), 4u) << text.out; // 0, 1, 4 and 5 are stored as thermocouples
    EXPECT_EQ(rows.at(0)[1], "K");
    EXPECT_NEAR(std::stod(rows.at(0)[2]), 250.0, 0.1);
    EXPECT_EQ(rows.at(1)[2], "open");
    EXPECT_THAT(text.out, HasSubstr("burn-out"));
    EXPECT_EQ(rows.at(4)[1], "J");
    EXPECT_NEAR(std::stod(rows.at(4)[2]), 100.0, 0.1);
    EXPECT_NEAR(std::stod(rows.at(5)[2]), 685.0, 0.1);

    const ProgramResult json = RunProgram({"--json", "temp", "-d", "0"}, Bench());
    ASSERT_EQ(json.status, 0) << json.err;
    const auto readings = json.json()["readings"];
    ASSERT_EQ(readings.size(), 4u);
    for (const auto &reading : readings) {
        const int channel = reading["channel"];
        if (reading["burnout"].get<bool>()) {
            EXPECT_EQ(rows.at(channel)[2], "open");
            EXPECT_EQ(reading["status"], "burnout");
            EXPECT_TRUE(reading["value"].is_null());
            EXPECT_DOUBLE_EQ(reading["reported"].get<double>(), 888888.0);
        } else {
            EXPECT_EQ(reading["status"], "ok");
            EXPECT_DOUBLE_EQ(reading["value"].get<double>(), std::stod(rows.at(channel)[2]));
            EXPECT_EQ(reading["unit"], "°C");
        }
    }
}

TEST(TempCommand, ConvertsToTheRequestedScaleAndType)
{
    const ProgramResult kelvin = RunProgram({"--json", "temp", "-c", "0", "-t", "K", "--scale", "K"}, Bench());
    ASSERT_EQ(kelvin.status, 0) << kelvin.err;
    EXPECT_NEAR(kelvin.json()["readings"][0]["value"].get<double>(), 523.15, 0.1);
    EXPECT_EQ(kelvin.json()["readings"][0]["unit"], "K");

    const ProgramResult fahrenheit = RunProgram({"--json", "temp", "-c", "4", "-t", "J", "-s", "F"}, Bench());
    ASSERT_EQ(fahrenheit.status, 0) << fahrenheit.err;
    EXPECT_NEAR(fahrenheit.json()["readings"][0]["value"].get<double>(), 212.0, 0.2);
}

TEST(ReadCommand, GivesVoltsAndMilliamperesInTheStoredRanges)
{
    const ProgramResult text = RunProgram({"read", "-c", "2-3"}, Bench());
    ASSERT_EQ(text.status, 0) << text.err;
    const auto rows = TableRows(text.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at(2)[1], "0-2.5V");
    EXPECT_EQ(rows.at(2)[3], "V");
    EXPECT_NEAR(std::stod(rows.at(2)[2]), 1.25, 0.0001);
    EXPECT_EQ(rows.at(3)[1], "4-20mA");
    EXPECT_EQ(rows.at(3)[3], "mA");
    EXPECT_NEAR(std::stod(rows.at(3)[2]), 12.0, 0.002);

    const ProgramResult json = RunProgram({"--json", "read", "-c", "2-3"}, Bench());
    ASSERT_EQ(json.status, 0) << json.err;
    const auto readings = json.json()["readings"];
    ASSERT_EQ(readings.size(), 2u);
    for (const auto &reading : readings)
        EXPECT_DOUBLE_EQ(reading["value"].get<double>(), std::stod(rows.at(reading["channel"].get<int>())[2]));
}

TEST(ReadCommand, SetsTheRangeGivenForTheRead)
{
    const ProgramResult result = RunProgram({"--json", "read", "-c", "3", "--range", "0-20mA"}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.json()["readings"][0]["range"], "0-20mA");
    EXPECT_NEAR(result.json()["readings"][0]["value"].get<double>(), 12.0, 0.002);

}

// Readings that happened but are no measurement: the input at the end of its range, a
// temperature beyond what its type converts, an open thermocouple. Each says so in text and
// JSON, and the command still succeeds.
TEST(ReadingStatus, OverRangeOutOfRangeAndBurnOutAreFlaggedNotShownAsValues)
{
    const ProgramResult small = RunProgram({"--json", "read", "-c", "2", "-r", "0-0.500V"}, Bench());
    ASSERT_EQ(small.status, 0) << small.err;
    const auto over = small.json()["readings"][0];
    EXPECT_EQ(over["status"], "over_range"); // 1.25 V is beyond the span: full scale
    EXPECT_TRUE(over["value"].is_null());
    EXPECT_EQ(over["unit"], "mV");
    EXPECT_NEAR(over["reported"].get<double>(), 500.0, 0.01);
    const ProgramResult smallText = RunProgram({"read", "-c", "2", "-r", "0-0.500V"}, Bench());
    ASSERT_EQ(smallText.status, 0) << smallText.err;
    EXPECT_EQ(TableRows(smallText.out).at(2)[2], "over");
    EXPECT_THAT(smallText.out, HasSubstr("over range"));

    // 1.25 V read as a K thermocouple: 2287 °C, beyond type K's 1372 °C; the plain voltage in
    // its own range is a measurement.
    const ProgramResult hot = RunProgram({"--json", "temp", "-c", "1-2", "-t", "K"}, Bench());
    ASSERT_EQ(hot.status, 0) << hot.err;
    const auto readings = hot.json()["readings"];
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0]["status"], "burnout");
    EXPECT_TRUE(readings[0]["value"].is_null());
    EXPECT_EQ(readings[1]["status"], "out_of_range");
    EXPECT_TRUE(readings[1]["value"].is_null());
    EXPECT_GT(readings[1]["reported"].get<double>(), 1372.0);
    const ProgramResult hotText = RunProgram({"temp", "-c", "2", "-t", "K", "--scale", "F"}, Bench());
    ASSERT_EQ(hotText.status, 0) << hotText.err;
    EXPECT_EQ(TableRows(hotText.out).at(2)[2], "out");
    EXPECT_THAT(hotText.out, HasSubstr("out of range"));
    EXPECT_THAT(hotText.out, HasSubstr("2501.6 °F")) << "the limit in the scale asked for";

    const ProgramResult volts = RunProgram({"--json", "read", "-c", "2-3"}, Bench());
    ASSERT_EQ(volts.status, 0) << volts.err;
    const auto measured = volts.json()["readings"];
    ASSERT_EQ(measured.size(), 2u);
    for (const auto &reading : measured)
        EXPECT_EQ(reading["status"], "ok");
}

TEST(ReadingStatus, TheEdgesOfATypesSpanAreMeasurements)
{
    // Type T converts up to 400 °C and type K down to -200 °C: just inside is a measurement,
    // just outside is not, in whatever scale. With the terminals at 25 °C: T at 398.7 and
    // 401.9 °C, K at -197.4 and -203.9 °C.
    nlohmann::json scenario = BenchScenario();
    scenario["channels"][0] = {{"volts", 0.0198}, {"range_index", 11}};
    scenario["channels"][1] = {{"volts", 0.0200}, {"range_index", 11}};
    scenario["channels"][2] = {{"volts", -0.00685}, {"range_index", 9}};
    scenario["channels"][3] = {{"volts", -0.00695}, {"range_index", 9}};
    for (const char *scale : {"C", "K"}) {
        SCOPED_TRACE(scale);
        const ProgramResult result = RunProgram({"--json", "temp", "-c", "0-3", "--scale", scale}, scenario.dump());
        ASSERT_EQ(result.status, 0) << result.err;
        const auto readings = result.json()["readings"];
        ASSERT_EQ(readings.size(), 4u);
        EXPECT_EQ(readings[0]["status"], "ok");
        EXPECT_EQ(readings[1]["status"], "out_of_range");
        EXPECT_EQ(readings[2]["status"], "ok");
        EXPECT_EQ(readings[3]["status"], "out_of_range");
    }
}

TEST(DioCommand, ReadsInputsAndWritesOutputsByBitAndMask)
{
    const ProgramResult in = RunProgram({"--json", "dio", "in"}, Bench());
    ASSERT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(in.json()["value"], 0xA5);
    EXPECT_EQ(in.json()["lines"], nlohmann::json({1, 0, 1, 0, 0, 1, 0, 1}));

    const ProgramResult write = RunProgram({"--json", "dio", "write", "0x0F", "0b0101"}, Bench());
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.json()["port"], "out");
    EXPECT_EQ(write.json()["value"], 0x05);

    const ProgramResult set = RunProgram({"dio", "set", "7"}, Bench());
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_THAT(set.out, HasSubstr("0x80"));
}

TEST(InfoCommand, ShowsFeaturesPropertiesChannelSettingsAndCjc)
{
    const ProgramResult result = RunProgram({"--json", "info"}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto info = result.json();
    EXPECT_EQ(info["features"]["device_type"], 198);
    EXPECT_EQ(info["features"]["ranges"].size(), 8u);
    EXPECT_EQ(info["properties"].size(), 14u);
    EXPECT_EQ(info["channels"][0]["range"], "K");
    EXPECT_EQ(info["channels"][0]["burnout_label"], "888888");
    EXPECT_EQ(info["channels"][3]["range"], "4-20mA");
    EXPECT_NEAR(info["cjc"]["temperature_c"].get<double>(), 25.0, 0.05);
    EXPECT_EQ(info["cjc"]["offset_code"], 0x8000);
}

TEST(ConfigCommand, StoresRangesSettingsAndLabelInTheModule)
{
    ScratchDir dir;
    nlohmann::json scenario = BenchScenario();
    scenario["state_file"] = dir.path("module.json");
    const ProgramResult set = RunProgram({"--json", "config", "--range", "6=T", "--range", "7=0-1.0V", "--burnout",
                                          "6=min", "--exception", "3=last", "--label", "Oven 2"},
                                         scenario.dump());
    ASSERT_EQ(set.status, 0) << set.err;

    // A later run on the same module finds the settings.
    const ProgramResult info = RunProgram({"--json", "info"}, scenario.dump());
    ASSERT_EQ(info.status, 0) << info.err;
    const auto channels = info.json()["channels"];
    EXPECT_EQ(channels[6]["range"], "T");
    EXPECT_EQ(channels[6]["burnout_label"], "Minimum value");
    EXPECT_EQ(channels[7]["range"], "0-1.0V");
    EXPECT_EQ(channels[3]["exception_4_20"], 2);
    EXPECT_EQ(info.json()["label"], "Oven 2");
}

TEST(ConfigCommand, RefusesABoardIdAnotherDeviceHas)
{
    nlohmann::json second = BenchScenario();
    second["board_id"] = 1;
    const std::string two = nlohmann::json::array({BenchScenario(), second}).dump();
    const ProgramResult result = RunProgram({"config", "-d", "0", "--board-id", "1"}, two);
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("BoardID Confliction"));

    const ProgramResult free = RunProgram({"--json", "config", "-d", "0", "--board-id", "4"}, two);
    ASSERT_EQ(free.status, 0) << free.err;
    EXPECT_EQ(free.json()["board_id"], 4);
}

TEST(CjcCommand, MeasuresTheSensorErrorOnACalibratorChannel)
{
    ScratchDir dir;
    nlohmann::json scenario = BenchScenario();
    scenario["cjc_error_c"] = 0.8;
    scenario["state_file"] = dir.path("module.json");
    const ProgramResult text = RunProgram({"cjc", "measure", "-c", "5", "-t", "K"}, scenario.dump());
    ASSERT_EQ(text.status, 0) << text.err;
    // What is measured and what becomes of it is said before the result.
    const auto lines = Lines(text.out);
    ASSERT_GE(lines.size(), 4u) << text.out;
    EXPECT_THAT(lines[0], HasSubstr("channel 5 against a type K calibrator at 685 °C"));
    EXPECT_THAT(text.out, HasSubstr("within -10 to +10 °C"));
    EXPECT_THAT(lines.back(), HasSubstr("CJC error: 0.8"));
    EXPECT_THAT(lines.back(), HasSubstr("(was 0x8000)"));

    const ProgramResult json = RunProgram({"--json", "cjc", "measure", "-c", "5", "-t", "K"}, scenario.dump());
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NEAR(json.json()["error_c"].get<double>(), 0.8, 0.1);
    EXPECT_NE(json.json()["offset_code"], 0x8000);

    const ProgramResult set = RunProgram({"--json", "cjc", "offset", "--set", "-2.5"}, Bench());
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_DOUBLE_EQ(set.json()["offset_c"].get<double>(), -2.5);
}

TEST(CjcCommand, MeasureNeedsTheCalibratorsChannelAndTypeAndRefusesANonsenseError)
{
    ScratchDir dir;
    nlohmann::json scenario = BenchScenario();
    scenario["state_file"] = dir.path("module.json");
    ASSERT_EQ(RunProgram({"cjc", "offset", "--set", "0.25"}, scenario.dump()).status, 0);
    const std::string memory = ReadFile(dir.path("module.json"));

    // No defaults: a channel 0 or a type K taken for granted measured a thermocouple as the
    // calibrator and stored a wrong offset.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"cjc", "measure"}, {"cjc", "measure", "-t", "K"}, {"cjc", "measure", "-c", "5"},
          {"cjc", "measure", "-c", "5", "-t", "B"}}) {
        const ProgramResult result = RunProgram(args, scenario.dump());
        EXPECT_EQ(result.status, 2) << args.size();
        EXPECT_THAT(result.err, HasSubstr("--"));
    }

    // Channel 0 is a thermocouple at 250 °C, channel 2 a plain 1.25 V: no calibrator.
    for (const char *channel : {"0", "2"}) {
        SCOPED_TRACE(channel);
        const ProgramResult result = RunProgram({"--json", "cjc", "measure", "-c", channel, "-t", "K"}, scenario.dump());
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.err, HasSubstr("beyond what the offset holds"));
        EXPECT_THAT(result.err, HasSubstr("Nothing was stored"));
        EXPECT_EQ(result.json()["error"]["code"], 9);
        EXPECT_EQ(ReadFile(dir.path("module.json")), memory) << "the module's memory is unchanged";
    }
    const ProgramResult offset = RunProgram({"--json", "cjc", "offset"}, scenario.dump());
    ASSERT_EQ(offset.status, 0) << offset.err;
    EXPECT_DOUBLE_EQ(offset.json()["offset_c"].get<double>(), 0.25);
}

} // namespace
} // namespace qms::test
