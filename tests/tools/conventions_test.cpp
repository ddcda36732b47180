// What people expect of a command line: versions, a mistyped command, options on either side
// of the command, - for standard output, modules named by serial, words of modules and
// channels rather than of files and stream devices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/program_run.h"
#include "tests/tools/scenarios.h"

namespace qms::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(Version, NamesTheToolTheLibraryAndEachModulesFirmware)
{
    for (const char *flag : {"--version", "-V"}) {
        const ProgramResult result = RunProgram({flag}, Bench());
        ASSERT_EQ(result.status, 0) << result.err;
        const auto lines = Lines(result.out);
        ASSERT_EQ(lines.size(), 3u) << result.out;
        EXPECT_EQ(lines[0].rfind("qms6093 ", 0), 0u);
        EXPECT_EQ(lines[1].rfind("library ", 0), 0u);
        EXPECT_THAT(lines[2], HasSubstr("serial SIM6093-0"));
        EXPECT_THAT(lines[2], HasSubstr("firmware USB-6093 FW 1.00 (simulated)"));
    }
    const ProgramResult none = RunProgram({"--json", "version"}, "none");
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_TRUE(none.json()["modules"].empty());
    EXPECT_EQ(none.json()["tool"], none.json()["library"]);
}

TEST(CommandLine, AMistypedCommandSaysWhatWasMeant)
{
    const ProgramResult reed = RunProgram({"reed", "-c", "0"}, Bench());
    EXPECT_EQ(reed.status, 2);
    EXPECT_THAT(reed.err, HasSubstr("unknown command 'reed'; did you mean 'read'?"));
    // The value of a global option is no command.
    const ProgramResult wacht = RunProgram({"--registry", ":memory:", "wacht"}, Bench());
    EXPECT_EQ(wacht.status, 2);
    EXPECT_THAT(wacht.err, HasSubstr("did you mean 'watch'?"));
    const ProgramResult far = RunProgram({"calibrate"}, Bench());
    EXPECT_EQ(far.status, 2);
    EXPECT_THAT(far.err, HasSubstr("unknown command 'calibrate'"));
    EXPECT_THAT(far.err, Not(HasSubstr("did you mean")));
    const ProgramResult nothing = RunProgram({}, Bench());
    EXPECT_EQ(nothing.status, 2);
    EXPECT_THAT(nothing.err, HasSubstr("a command is required"));
}

TEST(CommandLine, GlobalOptionsGoBeforeOrAfterTheCommand)
{
    const std::string other = nlohmann::json({{"board_id", 0}, {"serial", "AFTER"}}).dump();
    const ProgramResult before = RunProgram({"--json", "--sim", other, "list"}, Bench());
    const ProgramResult after = RunProgram({"list", "--sim", other, "--json"}, Bench());
    ASSERT_EQ(before.status, 0) << before.err;
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(before.json(), after.json());
    EXPECT_EQ(after.json()["devices"][0]["serial"], "AFTER");
}

TEST(WatchToStandardOutput, WritesTheCsvAloneThere)
{
    const ProgramResult result = RunProgram({"watch", "-c", "0,2", "-n", "2", "-i", "0.01", "--csv", "-"}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 5u) << result.out;
    EXPECT_EQ(lines[0], "time,elapsed_s,device,channel,range,value,unit,status");
    EXPECT_THAT(lines[1], HasSubstr(",0,0,K,"));
    EXPECT_THAT(result.err, HasSubstr("written to standard output"));

    const ProgramResult json = RunProgram({"--json", "watch", "-c", "0", "-n", "1", "--csv", "-"}, Bench());
    EXPECT_EQ(json.status, 2);
    EXPECT_THAT(json.err, HasSubstr("--csv"));
}

TEST(DeviceBySerial, ListShowsSerialsAndDeviceTakesThem)
{
    nlohmann::json second = BenchScenario();
    second["board_id"] = 5;
    second["serial"] = "LAB-B";
    second["channels"][2] = {{"volts", 2.0}, {"range_index", 5}};
    const std::string two = nlohmann::json::array({BenchScenario(), second}).dump();
    const ProgramResult list = RunProgram({"--json", "list"}, two);
    ASSERT_EQ(list.status, 0) << list.err;
    const auto devices = list.json()["devices"];
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1]["serial"], "LAB-B");
    EXPECT_FALSE(list.json().contains("warnings"));

    const ProgramResult read = RunProgram({"--json", "read", "-d", "LAB-B", "-c", "2"}, two);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.json()["device"], devices[1]["device"]);
    EXPECT_NEAR(read.json()["readings"][0]["value"].get<double>(), 2.0, 0.001);

    const ProgramResult unknown = RunProgram({"read", "-d", "LAB-C", "-c", "2"}, two);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("--device"));
    EXPECT_THAT(unknown.err, HasSubstr("LAB-C"));
}

TEST(DeviceBySerial, TwoModulesWithOneBoardIdAreListedWithAWarningAndNotGuessedAt)
{
    nlohmann::json a = BenchScenario(), b = BenchScenario();
    a["serial"] = "TWIN-A";
    b["serial"] = "TWIN-B";
    const std::string twins = nlohmann::json::array({a, b}).dump();
    const ProgramResult text = RunProgram({"list"}, twins);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(Lines(text.out).size(), 3u) << text.out;
    EXPECT_THAT(text.err, HasSubstr("warning: devices 0 and 1 have the same board ID 0"));
    const ProgramResult json = RunProgram({"--json", "list"}, twins);
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(json.json()["warnings"].size(), 1u);

    // Which device number each twin got cannot be told: its serial is refused, not guessed.
    const ProgramResult byTwin = RunProgram({"read", "-d", "TWIN-B", "-c", "2"}, twins);
    EXPECT_EQ(byTwin.status, 2);
    EXPECT_THAT(byTwin.err, HasSubstr("shares board ID 0"));
}

TEST(UserFacingText, SpeaksOfModulesNotOfFilesOrStreamDevices)
{
    const ProgramResult info = RunProgram({"info"}, Bench());
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out, Not(HasSubstr("U93")));
    EXPECT_THAT(info.out, Not(HasSubstr(".dll")));
    EXPECT_THAT(info.out, HasSubstr("serial SIM6093-0"));
    const ProgramResult verbose = RunProgram({"info", "--verbose"}, Bench());
    ASSERT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_THAT(verbose.out, HasSubstr("Stream device: U931:"));
    EXPECT_THAT(verbose.out, HasSubstr("Library: "));
}

} // namespace
} // namespace qms::test
