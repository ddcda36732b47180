// Non-volatile memory survives unplugging and plugging the module again, and with a state
// file it survives the process.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "qms_platform.h"
#include "sim/module_list.h"
#include "sim/scenario_error.h"
#include <unistd.h>
#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

using qms::usbd::ControlOutcome;

class ModuleMemory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qms_platform_start(), 0); }
    void TearDown() override { ModuleList::instance().unplugAll(); }

    // Plugs a scenario and gives a bus onto the plugged module.
    std::shared_ptr<SimModule> plug(const std::string &json, int *id = nullptr)
    {
        const std::vector<int> ids = ModuleList::instance().plug({parseScenario(nlohmann::json::parse(json))});
        if (id)
            *id = ids.at(0);
        return ModuleList::instance().find(ids.at(0));
    }

    static usbd::ControlResult send(SimModule &m, uint8_t type, uint8_t group, uint16_t command,
                                    std::vector<uint8_t> data)
    {
        return m.control({type, group, command, 0, static_cast<uint16_t>(data.size())}, data.data());
    }
    static uint32_t readWord(SimModule &m, uint8_t group, uint16_t command)
    {
        std::vector<uint8_t> d(4);
        m.control({0xC0, group, command, 0, 4}, d.data());
        return wordAt(d, 0);
    }
};

TEST_F(ModuleMemory, SurvivesReplugWithTheSameSerial)
{
    int id = 0;
    auto m = plug(R"({"serial": "MEM-1", "board_id": 1, "reset_store": true})", &id);
    send(*m, 0x40, 127, 2, be32(11));
    send(*m, 0x40, 2, 34, be32(0x9000));
    send(*m, 0x40, 16, 18, cat({be32(0x77), be16(0x305), be16(0)}));
    send(*m, 0x40, 2, 66, cat({be32(3), std::vector<uint8_t>(28, 0), be16(0x220), be16(2), be16(1), be16(0)}));
    send(*m, 0x40, 1, 1, cat({be16(0), be16(1), be32(0x0F)}));
    m.reset();
    ASSERT_TRUE(ModuleList::instance().unplug(id));

    m = plug(R"({"serial": "MEM-1", "board_id": 1})");
    EXPECT_EQ(readWord(*m, 127, 1), 11u) << "the board number written survives; the scenario's is a factory value";
    EXPECT_EQ(readWord(*m, 2, 33), 0x9000u);
    const nlohmann::json state = m->state();
    EXPECT_EQ(state["eeprom"]["0x305"], 0x77);
    EXPECT_EQ(state["blocks"]["0x220"][2], 3);
    EXPECT_EQ(state["do"], 0) << "outputs are latched, not stored";

    auto other = plug(R"({"serial": "MEM-2", "board_id": 1})");
    EXPECT_EQ(readWord(*other, 127, 1), 1u) << "another serial has its own memory";
}

TEST_F(ModuleMemory, ResetStoreStartsFromFactoryValues)
{
    int id = 0;
    auto m = plug(R"({"serial": "MEM-3", "board_id": 4})", &id);
    send(*m, 0x40, 127, 2, be32(5));
    m.reset();
    ModuleList::instance().unplug(id);
    m = plug(R"({"serial": "MEM-3", "board_id": 4, "reset_store": true})");
    EXPECT_EQ(readWord(*m, 127, 1), 4u);
}

TEST_F(ModuleMemory, SerialInUseIsRefusedAndDefaultSerialsAreUnique)
{
    plug(R"({"serial": "MEM-4"})");
    EXPECT_THROW(plug(R"({"serial": "MEM-4"})"), ScenarioError);
    auto a = plug(R"({"board_id": 9})");
    auto b = plug(R"({"board_id": 9})");
    EXPECT_EQ(a->serial(), "SIM6093-9");
    EXPECT_EQ(b->serial(), "SIM6093-9-2");
}

TEST_F(ModuleMemory, StateFileKeepsTheMemoryAcrossProcesses)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("qms-sim-state-" + std::to_string(::getpid()) + ".json")).string();
    std::remove(path.c_str());
    const std::string scenario = R"({"serial": "MEM-5", "reset_store": true, "state_file": ")" + path + "\"}";
    int id = 0;
    auto m = plug(scenario, &id);
    send(*m, 0x40, 127, 2, be32(13));
    send(*m, 0x40, 2, 37, be32(0x8123));
    m.reset();
    ModuleList::instance().unplug(id);
    NonVolatileStore::instance().forget("MEM-5"); // as in a new process

    m = plug(R"({"serial": "MEM-5", "state_file": ")" + path + "\"}");
    EXPECT_EQ(readWord(*m, 127, 1), 13u);
    EXPECT_EQ(readWord(*m, 2, 38), 0x8123u);
    m.reset();
    ModuleList::instance().unplugAll();

    FILE *f = std::fopen(path.c_str(), "w");
    std::fputs("{ broken", f);
    std::fclose(f);
    NonVolatileStore::instance().forget("MEM-5");
    try {
        plug(R"({"serial": "MEM-5", "state_file": ")" + path + "\"}");
        ADD_FAILURE() << "a broken state file was taken";
    } catch (const ScenarioError &e) {
        EXPECT_EQ(std::string(e.what()).rfind("state_file:", 0), 0u) << e.what();
    }
    EXPECT_EQ(ModuleList::instance().list().size(), 0u) << "nothing plugged";
    std::remove(path.c_str());
}

TEST_F(ModuleMemory, StateFileIsNeverWrittenThroughAFileOrLinkPlantedBesideIt)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("qms-sim-plant-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const std::string path = (dir / "state.json").string();
    const std::string victim = (dir / "victim").string();
    std::FILE *f = std::fopen(victim.c_str(), "w");
    std::fputs("keep me", f);
    std::fclose(f);
    // The names a writer that truncates "<file>.tmp" would follow.
    std::filesystem::create_symlink(victim, path + ".tmp");

    int id = 0;
    auto m = plug(R"({"serial": "MEM-6", "reset_store": true, "state_file": ")" + path + "\"}", &id);
    send(*m, 0x40, 127, 2, be32(17));
    m.reset();
    ModuleList::instance().unplug(id);

    char text[16] = {};
    f = std::fopen(victim.c_str(), "r");
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
    std::fclose(f);
    EXPECT_STREQ(text, "keep me");
    ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
    const std::optional<NonVolatileState> saved = loadStateFile(path);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->boardNumber, 17u);
    // Nothing left behind but the planted link.
    size_t entries = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        entries += entry.path().filename().string().rfind("state.json.tmp.", 0) == 0 ? 100 : 1;
    EXPECT_EQ(entries, 3u);
    std::filesystem::remove_all(dir);
}

TEST_F(ModuleMemory, StateFileThatReadsOnAndOnIsRefused)
{
    try {
        plug(R"({"serial": "MEM-7", "reset_store": false, "state_file": "/dev/zero"})");
        ADD_FAILURE() << "/dev/zero was taken for a state file";
    } catch (const ScenarioError &e) {
        EXPECT_NE(std::string(e.what()).find("larger than"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace qms::sim::testing
