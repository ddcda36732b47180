// qms6093 watch: samples to CSV, a fixed count, and a clean stop on Ctrl-C.
#include <chrono>
#include <thread>

#include <signal.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/tools/program_run.h"
#include "tests/tools/scenarios.h"

namespace qms::test {
namespace {

using ::testing::HasSubstr;

const std::string kHeader = "time,elapsed_s,device,channel,range,value,unit,status";

std::vector<std::string> Fields(const std::string &row)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(row.substr(start, comma - start));
    fields.push_back(row.substr(start));
    return fields;
}

// Every row complete: eight fields, a number in the value column of a measurement and none
// beside another status, samples whole.
void ExpectCompleteLog(const std::string &text, size_t channels)
{
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto lines = Lines(text);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0], kHeader);
    EXPECT_EQ((lines.size() - 1) % channels, 0u) << text;
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Fields(lines[i]);
        ASSERT_EQ(fields.size(), 8u) << lines[i];
        if (fields[7] == "ok")
            EXPECT_NO_THROW((void)std::stod(fields[5])) << lines[i];
        else
            EXPECT_EQ(fields[5], "") << lines[i];
    }
}

TEST(WatchCommand, WritesAHeaderAndOneRowPerChannelAndSample)
{
    ScratchDir dir;
    const std::string csv = dir.path("log.csv");
    const ProgramResult result =
        RunProgram({"watch", "-c", "0,2,3", "--count", "3", "--interval", "0.1", "--csv", csv}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string text = ReadFile(csv);
    ExpectCompleteLog(text, 3);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 1u + 3 * 3);
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Fields(lines[i]);
        const int channel = std::stoi(fields[3]);
        EXPECT_EQ(channel, std::vector<int>({0, 2, 3})[(i - 1) % 3]);
        if (channel == 0) {
            EXPECT_EQ(fields[4], "K");
            EXPECT_EQ(fields[6], "°C");
            EXPECT_NEAR(std::stod(fields[5]), 250.0, 0.1);
        } else if (channel == 3) {
            EXPECT_EQ(fields[6], "mA");
            EXPECT_NEAR(std::stod(fields[5]), 12.0, 0.002);
        }
    }
}

TEST(WatchCommand, StreamsJsonLinesWithTheSameNumbersAsTheCsv)
{
    ScratchDir dir;
    const std::string csv = dir.path("log.csv");
    const ProgramResult result =
        RunProgram({"--json", "watch", "-c", "0-1", "-t", "K", "-n", "2", "-i", "0.1", "--csv", csv}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    // One object per sample as it comes, then one that says how the run ended.
    const auto objects = result.jsonLines();
    ASSERT_EQ(objects.size(), 3u) << result.out;
    EXPECT_EQ(objects[2]["stopped_by"], "count");
    EXPECT_EQ(objects[2]["samples"], 2);
    EXPECT_EQ(objects[2]["csv"], csv);
    const auto lines = Lines(ReadFile(csv));
    ASSERT_EQ(lines.size(), 5u);
    size_t row = 1;
    for (size_t i = 0; i < 2; ++i) {
        const auto &sample = objects[i];
        EXPECT_EQ(sample["sample"], i + 1);
        ASSERT_EQ(sample["readings"].size(), 2u);
        for (const auto &reading : sample["readings"]) {
            const auto fields = Fields(lines[row++]);
            EXPECT_EQ(sample["time"], fields[0]);
            EXPECT_EQ(reading["status"], fields[7]);
            if (fields[7] == "ok")
                EXPECT_DOUBLE_EQ(reading["value"].get<double>(), std::stod(fields[5]));
            else
                EXPECT_TRUE(reading["value"].is_null());
        }
    }
}

TEST(WatchCommand, StopsAfterTheDuration)
{
    const ProgramResult result = RunProgram({"--json", "watch", "-c", "2", "-i", "0.1", "--duration", "350ms"}, Bench());
    ASSERT_EQ(result.status, 0) << result.err;
    const auto objects = result.jsonLines();
    ASSERT_EQ(objects.size(), 5u) << result.out; // samples at 0, 0.1, 0.2 and 0.3 s
    EXPECT_EQ(objects.back()["stopped_by"], "duration");
    EXPECT_EQ(objects.back()["samples"], 4);
}

// Eight thermocouples on a module whose every transfer takes 2 ms: one at a time they would
// cost five transfers each, 80 ms a sample; read in one scan a sample takes a few transfers.
TEST(WatchCommand, ReadsEightThermocouplesInOneScanAndSaysWhenAskedForFaster)
{
    nlohmann::json scenario = BenchScenario();
    scenario["latency_us"] = 2000;
    for (int channel = 0; channel < 8; ++channel)
        scenario["channels"][channel] = {{"thermocouple", "K"}, {"temp_c", 100.0 + 10 * channel}, {"range_index", 9}};
    const ProgramResult fast = RunProgram({"--json", "watch", "-c", "0-7", "-i", "0.001", "-n", "4"}, scenario.dump());
    ASSERT_EQ(fast.status, 0) << fast.err;
    const auto objects = fast.jsonLines();
    ASSERT_EQ(objects.size(), 5u);
    for (int channel = 0; channel < 8; ++channel)
        EXPECT_NEAR(objects[3]["readings"][channel]["value"].get<double>(), 100.0 + 10 * channel, 0.1);
    // Said once, with what a sample takes.
    const size_t at = fast.err.find("takes ");
    ASSERT_NE(at, std::string::npos) << fast.err;
    EXPECT_EQ(fast.err.find("takes ", at + 1), std::string::npos) << fast.err;
    EXPECT_THAT(fast.err, HasSubstr("as fast as the module delivers"));
    const double millis = std::stod(fast.err.substr(at + 6));
    EXPECT_GE(millis, 2.0);
    EXPECT_LT(millis, 40.0) << "the thermocouples are read one at a time";

    // Ten samples a second are well within what it delivers: nothing to say.
    const ProgramResult tenHertz = RunProgram({"--json", "watch", "-c", "0-7", "-i", "0.1", "-n", "3"}, scenario.dump());
    ASSERT_EQ(tenHertz.status, 0) << tenHertz.err;
    EXPECT_EQ(tenHertz.err, "");
    ASSERT_EQ(tenHertz.jsonLines().size(), 4u);
}

TEST(WatchCommand, InterruptedLeavesACompleteFile)
{
    ScratchDir dir;
    const std::string csv = dir.path("log.csv");
    RunningProgram watch({"watch", "-c", "0-7", "-i", "0.05", "--csv", csv}, Bench());
    // Wait for a few samples, then interrupt as Ctrl-C does.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Lines(ReadFile(csv)).size() < 1 + 3 * 8 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    watch.signal(SIGINT);
    const ProgramResult result = watch.wait();
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string text = ReadFile(csv);
    ExpectCompleteLog(text, 8);
    EXPECT_GE(Lines(text).size(), 1u + 3 * 8);
    EXPECT_THAT(result.err, HasSubstr("written to"));
}

} // namespace
} // namespace qms::test
