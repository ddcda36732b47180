// The module answers every command of its command set with the documented bytes, and stalls
// every request it does not understand.
#include <gtest/gtest.h>

#include <map>

#include "sim/protocol.h"
#include "tests/sim/sim_bus.h"

namespace qms::sim::testing {
namespace {

using qms::usbd::ControlOutcome;
using Bytes = std::vector<uint8_t>;

// A payload each OUT command accepts.
Bytes validPayload(uint8_t group, uint16_t command, uint16_t length)
{
    if (group == 2 && command == 4)
        return cat({be16(0), be16(1), be16(0), be16(0)});
    if (group == 2 && command == 6)
        return cat({be16(0), be16(1), be16(0x000F), Bytes(18, 0)});
    return Bytes(length, 0);
}

TEST(CommandSet, EveryCommandIsUnderstoodWithItsLengthAndDirection)
{
    SimBus bus;
    const std::vector<CommandInfo> commands = commandSet();
    ASSERT_EQ(commands.size(), 36u);
    for (const CommandInfo &c : commands) {
        SCOPED_TRACE(std::to_string(c.group) + "," + std::to_string(c.command) + " " + c.name);
        const uint16_t length = c.length < 0 ? 64 : static_cast<uint16_t>(c.length);
        if (c.direction == Direction::Out) {
            EXPECT_EQ(bus.out(c.group, c.command, validPayload(c.group, c.command, length)).outcome,
                      ControlOutcome::Completed);
        } else {
            if (c.group == 2 && c.command == 5)
                bus.out(2, 4, validPayload(2, 4, 8));
            const Transfer t = bus.in(c.group, c.command, length);
            EXPECT_EQ(t.outcome, ControlOutcome::Completed);
        }
        if (c.length >= 0) { // one byte more or less is not this command
            const uint16_t longer = static_cast<uint16_t>(c.length + 1);
            const uint8_t type = c.direction == Direction::Out ? 0x40 : 0xC0;
            EXPECT_EQ(bus.raw(type, c.group, c.command, 0, {}, longer).outcome, ControlOutcome::Stall);
            if (c.length > 0) {
                EXPECT_EQ(bus.raw(type, c.group, c.command, 0, {}, static_cast<uint16_t>(c.length - 1)).outcome,
                          ControlOutcome::Stall);
            }
        }
    }
}

TEST(CommandSet, RequestsOutsideTheCommandSetStall)
{
    SimBus bus;
    struct Odd {
        uint8_t type, group;
        uint16_t command, index, length;
    };
    const Odd odd[] = {
        {0xC0, 3, 1, 0, 4},     // no group 3
        {0xC0, 2, 7, 0, 4},     // no command 7 in group 2
        {0x40, 127, 1, 0, 4},   // board number is read IN, not OUT
        {0xC0, 127, 2, 0, 4},   // and written OUT, not IN
        {0xC0, 127, 1, 1, 4},   // wIndex is always 0
        {0x00, 127, 2, 0, 4},   // standard request type
        {0x41, 127, 2, 0, 4},   // recipient interface
        {0xC1, 127, 1, 0, 4},
        {0xC0, 0, 0, 0, 0},
    };
    for (const Odd &o : odd) {
        SCOPED_TRACE(std::to_string(o.type) + " " + std::to_string(o.group) + "," + std::to_string(o.command));
        EXPECT_EQ(bus.raw(o.type, o.group, o.command, o.index, {}, o.length).outcome, ControlOutcome::Stall);
    }
    // The module is still fine afterwards.
    EXPECT_EQ(bus.in(127, 1, 4).outcome, ControlOutcome::Completed);
}

// Requests in the order a host sends them, each with the bytes the module must answer.
struct Step {
    const char *what;
    uint8_t group;
    uint16_t command;
    bool in;
    Bytes payload;  // OUT
    uint16_t length; // IN
    Bytes reply;    // IN: expected reply
};

TEST(CommandSet, AnswersWithTheDocumentedBytes)
{
    SimBus bus(R"({"board_id": 7, "firmware": "FW-TEST", "di": 90})");
    const Step steps[] = {
        {"board number", 127, 1, true, {}, 4, be32(7)},
        {"write board number", 127, 2, false, be32(12), 0, {}},
        {"board number written", 127, 1, true, {}, 4, be32(12)},
        {"status after it", 127, 3, true, {}, 4, be32(0)},
        {"version text with its NUL", 127, 5, true, {}, 64, {'F', 'W', '-', 'T', 'E', 'S', 'T', 0}},
        {"version text cut to the length asked", 127, 5, true, {}, 4, {'F', 'W', '-', 'T'}},
        {"open notice", 127, 7, false, be32(0), 0, {}},
        {"locate on", 127, 9, false, {1}, 0, {}},
        {"digital input request", 1, 4, false, cat({be16(0), be16(1)}), 0, {}},
        {"digital input reply", 1, 5, true, {}, 12, {0, 0, 0, 0, 0, 1, 0, 0, 0, 90, 0, 0}},
        {"write outputs", 1, 1, false, cat({be16(0), be16(1), be32(0xA5)}), 0, {}},
        {"read-back request", 1, 2, false, cat({be16(0), be16(1)}), 0, {}},
        {"read-back reply", 1, 3, true, {}, 12, {0, 0, 0, 0, 0, 1, 0, 0, 0, 0xA5, 0, 0}},
        {"port 1 does not exist", 1, 4, false, cat({be16(1), be16(1)}), 0, {}},
        {"device error little-endian", 1, 5, true, {}, 12, {0x09, 0x01, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
        {"factory CJC offset", 2, 33, true, {}, 4, be32(0x8000)},
        {"write CJC offset", 2, 34, false, be32(0x1234), 0, {}},
        {"CJC offset written", 2, 33, true, {}, 4, be32(0x1234)},
        {"factory reference offset", 2, 38, true, {}, 4, be32(0x8000)},
        {"store reference offset", 2, 37, false, be32(0x7F00), 0, {}},
        {"reference stored", 2, 38, true, {}, 4, be32(0x7F00)},
        {"active offset untouched", 2, 33, true, {}, 4, be32(0x1234)},
        {"reset offset to reference", 2, 36, false, be32(0), 0, {}},
        {"status of reset", 127, 3, true, {}, 4, be32(0)},
        {"active offset is the reference", 2, 33, true, {}, 4, be32(0x7F00)},
        {"EEPROM address", 16, 16, false, be16(0x300), 0, {}},
        {"EEPROM word never written", 16, 17, true, {}, 8, cat({be32(0), be32(0)})},
        {"EEPROM write", 16, 18, false, cat({be32(0x41), be16(0x300), be16(0)}), 0, {}},
        {"status of write", 127, 3, true, {}, 4, be32(0)},
        {"EEPROM address again", 16, 16, false, be16(0x300), 0, {}},
        {"EEPROM word written", 16, 17, true, {}, 8, cat({be32(0x41), be32(0)})},
        {"EEPROM write outside", 16, 18, false, cat({be32(1), be16(0x400), be16(0)}), 0, {}},
        {"its status", 127, 3, true, {}, 4, be32(0x0108)},
        {"EEPROM address outside", 16, 16, false, be16(0x400), 0, {}},
        {"read outside flags it", 16, 17, true, {}, 8, cat({be32(0), be32(0x0108)})},
        {"burn-out setting block write", 2, 66, false,
         cat({be32(1), be32(2), be32(3), Bytes(20, 0), be16(0x220), be16(5), be16(3), be16(0)}), 0, {}},
        {"its status", 127, 3, true, {}, 4, be32(0)},
        {"burn-out settings from channel 5, wrapping", 2, 64, false, cat({be16(0x220), be16(5), be16(4)}), 0, {}},
        {"block reply", 2, 65, true, {}, 36, cat({be32(0), be32(1), be32(2), be32(3), be32(0), Bytes(16, 0)})},
        {"unknown block", 2, 64, false, cat({be16(0x250), be16(0), be16(8)}), 0, {}},
        {"bad block status", 2, 65, true, {}, 36, cat({be32(0x0102), Bytes(32, 0)})},
        {"channel 8", 2, 64, false, cat({be16(0x210), be16(8), be16(1)}), 0, {}},
        {"bad channel status", 2, 65, true, {}, 36, cat({be32(0x0103), Bytes(32, 0)})},
        {"count 9", 2, 64, false, cat({be16(0x210), be16(0), be16(9)}), 0, {}},
        {"bad count status", 2, 65, true, {}, 36, cat({be32(0x0104), Bytes(32, 0)})},
        {"burn-out status is measured, not written", 2, 66, false,
         cat({Bytes(32, 0), be16(0x230), be16(0), be16(1), be16(0)}), 0, {}},
        {"read-only status", 127, 3, true, {}, 4, be32(0x0106)},
        {"range index beyond the gain list", 2, 66, false,
         cat({be32(17), Bytes(28, 0), be16(0x210), be16(0), be16(1), be16(0)}), 0, {}},
        {"bad value status", 127, 3, true, {}, 4, be32(0x0105)},
        {"stop conversion", 2, 49, false, be32(0), 0, {}},
        {"status of stop", 127, 3, true, {}, 4, be32(0)},
        {"start conversion", 2, 48, false, be32(0), 0, {}},
        {"status of start", 127, 3, true, {}, 4, be32(0)},
        {"close notice", 127, 8, false, be32(0), 0, {}},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        if (s.in) {
            const Transfer t = bus.in(s.group, s.command, s.length);
            ASSERT_EQ(t.outcome, ControlOutcome::Completed);
            EXPECT_EQ(t.data, s.reply);
        } else {
            EXPECT_EQ(bus.out(s.group, s.command, s.payload).outcome, ControlOutcome::Completed);
        }
    }
    const nlohmann::json state = bus.module->state();
    EXPECT_EQ(state["locate"], true);
    EXPECT_EQ(state["host_open"], false);
    EXPECT_EQ(state["do"], 0xA5);
    EXPECT_EQ(state["eeprom"]["0x300"], 0x41);
}

TEST(CommandSet, SingleChannelReadAnswersSampleAndStatus)
{
    SimBus bus(R"({"channels": [null, null, null, {"volts": 1.25}]})");
    EXPECT_EQ(bus.in(2, 3, 8).data, cat({be32(0), be32(0x010A)})) << "no request yet";
    bus.out(2, 2, cat({be16(3), be16(0)}));
    EXPECT_EQ(bus.in(2, 3, 8).data, cat({be32(32768), be32(0)}));
    bus.out(2, 2, cat({be16(9), be16(0)}));
    EXPECT_EQ(bus.status(), 0x0103u);
    EXPECT_EQ(bus.in(2, 3, 8).data, cat({be32(0), be32(0x0103)}));
}

TEST(CommandSet, DigitalOutputsLatchTheLowByteOfPortZeroOnly)
{
    SimBus bus;
    bus.out(1, 1, cat({be16(0), be16(1), be32(0x1234)}));
    EXPECT_EQ(bus.status(), 0u);
    bus.out(1, 1, cat({be16(1), be16(1), be32(0xFF)}));
    EXPECT_EQ(bus.status(), 0x0109u);
    bus.out(1, 2, cat({be16(0), be16(1)}));
    EXPECT_EQ(bus.in(1, 3, 12).data, (Bytes{0, 0, 0, 0, 0, 1, 0, 0, 0, 0x34, 0, 0}));
}

} // namespace
} // namespace qms::sim::testing
