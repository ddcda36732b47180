// Bad arguments give one line naming the argument, exit status 2 and no change on the
// module; refusals by the module give the sentence and the code, exit status 1.
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qms6093ext.h"
#include "tests/tools/program_run.h"
#include "tests/tools/scenarios.h"

namespace qms::test {
namespace {

using ::testing::HasSubstr;

struct BadCall {
    std::vector<std::string> args;
    std::string argument; // what the message must name
};

const BadCall kBadCalls[] = {
    {{"read", "-c", "9"}, "--channel"},
    {{"read", "-c", "3-1"}, "--channel"},
    {{"read", "-c", "0-3", "-r", "0-3V"}, "--range"},
    {{"read", "-c", "0", "-r", "K"}, "--range"},
    {{"temp", "-c", "0", "-t", "X"}, "--type"},
    {{"temp", "-c", "0", "-t", "N"}, "--type"},
    {{"temp", "-c", "2"}, "--type"},
    {{"temp", "-c", "0", "--scale", "Q"}, "--scale"},
    {{"info", "-d", "5"}, "--device 5"},
    {{"watch", "-c", "0", "-n", "3", "--csv", "/nonexistent-folder/log.csv"}, "--csv"},
    {{"watch", "-c", "0", "-n", "0"}, "--count"},
    {{"watch", "-c", "0", "--duration", "soon"}, "--duration"},
    {{"watch", "-c", "0", "-i", "0"}, "--interval"},
    {{"config", "--range", "0=J", "--range", "1=Q"}, "--range"},
    {{"config", "--range", "0=J", "--burnout", "0=hot"}, "--burnout"},
    {{"config", "--range", "0=J", "--exception", "9=upper"}, "--exception"},
    {{"config", "--burnout", "0=max", "--board-id", "99"}, "--board-id"},
    {{"config", "--range", "0=J", "--label", std::string(40, 'x')}, "--label"},
    {{"dio", "set", "8"}, "BIT"},
    {{"dio", "write", "0x1FF", "0"}, "MASK"},
    {{"dio", "toggle"}, "ACTION"},
    {{"cjc", "offset", "--set", "12"}, "--set"},
    {{"cjc", "measure", "-c", "5", "-t", "N"}, "--type"},
};

TEST(BadArguments, GiveOneLineNamingTheArgumentAndChangeNothing)
{
    ScratchDir dir;
    nlohmann::json scenario = BenchScenario();
    scenario["state_file"] = dir.path("module.json");
    // A first change writes the module's memory, which every bad call must leave alone.
    ASSERT_EQ(RunProgram({"config", "--label", "before"}, scenario.dump()).status, 0);
    const std::string memory = ReadFile(dir.path("module.json"));
    ASSERT_FALSE(memory.empty());

    for (const BadCall &call : kBadCalls) {
        SCOPED_TRACE(call.args[0] + " " + call.args[1]);
        const ProgramResult result = RunProgram(call.args, scenario.dump());
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
        EXPECT_THAT(result.err, HasSubstr(call.argument));
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_EQ(ReadFile(dir.path("module.json")), memory);
    }
}

TEST(BadArguments, ThatTheParserCatchesExitWithTwoToo)
{
    for (const std::vector<std::string> &args : {std::vector<std::string>{"frobnicate"},
                                                 {"watch", "-n", "3", "--duration", "1h"},
                                                 {"read", "-d", "-1"},
                                                 {"temp", "--nonsense"}}) {
        const ProgramResult result = RunProgram(args, Bench());
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    }
}

TEST(BadArguments, ARefusedScenarioNamesSim)
{
    const ProgramResult result = RunProgram({"--sim", R"({"channels": 5})", "list"}, "none");
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("--sim"));
    EXPECT_THAT(result.err, HasSubstr("channels"));
}

TEST(BadArguments, InJsonModeAlsoGiveAnErrorDocument)
{
    const ProgramResult result = RunProgram({"--json", "read", "-c", "12"}, Bench());
    EXPECT_EQ(result.status, 2);
    const auto doc = result.json();
    EXPECT_EQ(doc["error"]["subject"], "--channel");
    EXPECT_EQ(doc["error"]["exit_status"], 2);
}

TEST(ModuleRefusals, ShowTheSentenceAndTheCodeWithStatusOne)
{
    nlohmann::json scenario = BenchScenario();
    // The sample block never comes: every analog read fails in the driver.
    scenario["faults"] = {{{"group", 2}, {"command", 5}, {"dir", "in"}, {"fault", "stall"}}};
    const ProgramResult result = RunProgram({"--json", "read", "-c", "2"}, scenario.dump());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Read AI data failed."));
    EXPECT_THAT(result.err, HasSubstr("a request to the module failed"));
    EXPECT_THAT(result.err, HasSubstr("(code 4597)"));
    EXPECT_EQ(result.json()["error"]["code"], 4597);
}

TEST(RegistryTrouble, ListSaysWhichRegistryFailedAndWhyWithStatusOne)
{
    ScratchDir dir;
    const std::string notARegistry = dir.path("notes.txt");
    std::ofstream(notARegistry) << std::string(4096, 'x');
    const ProgramResult result = RunProgram({"list"}, Bench(), {{"QMS_REGISTRY", notARegistry}});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_THAT(result.err, HasSubstr(notARegistry));
    EXPECT_THAT(result.err, HasSubstr("not a registry database"));

    const ProgramResult nowhere =
        RunProgram({"--json", "list"}, "none", {{"QMS_REGISTRY", "/proc/qms-no-such-place/registry.db"}});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_THAT(nowhere.err, HasSubstr("cannot be opened or created"));
    EXPECT_EQ(nowhere.json()["error"]["code"], QMS_ERR_REGISTRY);
}

} // namespace
} // namespace qms::test
