// The demo module a user meets without QMS_SIM keeps its memory between runs, as a real
// module keeps its EEPROM: in the user's state folder. Each test names a state folder of its
// own (XDG_STATE_HOME, or HOME without it).
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/program_run.h"
#include "tests/tools/scenarios.h"

namespace qms::test {
namespace {

using ::testing::HasSubstr;

class DemoModule : public ::testing::Test {
protected:
    ProgramResult Run(const std::vector<std::string> &args) { return RunProgram(args, kDemoModule, env); }
    std::string MemoryFile() const { return dir.path("state/qms6093/demo-module.json"); }

    ScratchDir dir;
    std::map<std::string, std::string> env = {{"XDG_STATE_HOME", dir.path("state")}};
};

TEST_F(DemoModule, KeepsItsSettingsAndCjcOffsetBetweenRuns)
{
    const ProgramResult label = Run({"config", "--label", "Oven 2"});
    ASSERT_EQ(label.status, 0) << label.err;
    EXPECT_TRUE(std::filesystem::exists(MemoryFile()));

    const ProgramResult config = Run({"--json", "config"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(config.json()["label"], "Oven 2");

    // The sensor reads 0.4 °C high until its error is measured on the calibrator, channel 7;
    // the next run reads the K thermocouple on channel 0 (250 °C) compensated.
    const ProgramResult before = Run({"--json", "temp", "-c", "0"});
    ASSERT_EQ(before.status, 0) << before.err;
    EXPECT_NEAR(before.json()["readings"][0]["value"].get<double>(), 250.4, 0.1);
    const ProgramResult measure = Run({"cjc", "measure", "-c", "7", "-t", "K"});
    ASSERT_EQ(measure.status, 0) << measure.err;
    const ProgramResult after = Run({"--json", "temp", "-c", "0"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_NEAR(after.json()["readings"][0]["value"].get<double>(), 250.0, 0.1);
}

TEST_F(DemoModule, FallsBackToTheHomeFolderAndForgetsNothingOfAnotherModule)
{
    // Without an absolute XDG_STATE_HOME the memory goes under ~/.local/state.
    env = {{"XDG_STATE_HOME", "relative/state"}, {"HOME", dir.path("home")}};
    ASSERT_EQ(Run({"config", "--label", "Bench"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path("home/.local/state/qms6093/demo-module.json")));
    EXPECT_FALSE(std::filesystem::exists("relative"));
    const ProgramResult config = Run({"--json", "config"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(config.json()["label"], "Bench");

    // A scenario of its own, on the command line or in QMS_SIM, is what it says: a fresh
    // module that leaves the demo's memory alone.
    const std::string memory = ReadFile(dir.path("home/.local/state/qms6093/demo-module.json"));
    for (const bool onCommandLine : {true, false}) {
        std::vector<std::string> args = {"config", "--label", "Other"};
        if (onCommandLine)
            args.insert(args.begin(), {"--sim", Bench()});
        ASSERT_EQ(RunProgram(args, onCommandLine ? kDemoModule : Bench(), env).status, 0);
        EXPECT_EQ(ReadFile(dir.path("home/.local/state/qms6093/demo-module.json")), memory);
    }
    const ProgramResult fresh = RunProgram({"--json", "--sim", Bench(), "config"}, kDemoModule, env);
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_EQ(fresh.json()["label"], "");
}

TEST_F(DemoModule, RunsWithoutMemoryWhereNoStateFolderCanBeMade)
{
    // A state folder under a plain file cannot be made: the module runs and forgets.
    std::ofstream(dir.path("file")) << "a file";
    ASSERT_TRUE(std::filesystem::is_regular_file(dir.path("file")));
    env = {{"XDG_STATE_HOME", dir.path("file/state")}};
    const ProgramResult label = Run({"config", "--label", "Lost"});
    ASSERT_EQ(label.status, 0) << label.err;
    const ProgramResult config = Run({"--json", "config"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(config.json()["label"], "");
}

TEST_F(DemoModule, AnUnreadableMemoryIsReportedWithItsFile)
{
    ASSERT_EQ(Run({"config", "--label", "x"}).status, 0);
    std::ofstream(MemoryFile(), std::ios::trunc) << "{ not json";
    const ProgramResult result = Run({"list"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("demo module"));
    EXPECT_THAT(result.err, HasSubstr("demo-module.json"));
    EXPECT_THAT(result.err, HasSubstr("delete the file"));
}

} // namespace
} // namespace qms::test
