// Control codes carried out on a simulated module, checked on the wire and in the results.
#include <cstring>

#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

struct Step {
    const char *dir;
    int group;
    int command;
    int length;
};

struct CodeCase {
    const char *name;
    DWORD code;
    DWORD inLength;
    DWORD outLength;
    std::vector<Step> wire;
    DWORD returned;
};

// A control call and the request of it that a fault is set on.
struct FaultedCall {
    const char *name;
    DWORD code;
    DWORD inLength;
    DWORD outLength;
    int group;
    int command;
    int bytes = 0; // of a cut reply
};

class ControlCodes : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        id = Plug(3);
        handle = Open(3);
        // Past the sampler's start (its offset read): from then on it only reads the sensor.
        ASSERT_TRUE(Eventually(
            [&] {
                CjcHistory history{};
                return Control(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history) &&
                       history.count > 0;
            },
            std::chrono::milliseconds(1000)));
        qms_sim_clear_wire_log(id);
    }

    int id = 0;
    HANDLE handle = nullptr;
};

TEST_F(ControlCodes, EachCodeSendsItsRequestsInOrderAndReportsItsCount)
{
    const std::vector<CodeCase> cases = {
        {"DI_READ", IOCTL_QMS_DI_READ, 8, 2, {{"out", 1, 4, 4}, {"in", 1, 5, 12}}, 256},
        {"DO_WRITE", IOCTL_QMS_DO_WRITE, 9, 0, {{"out", 1, 1, 8}}, 0},
        {"DO_READBACK", IOCTL_QMS_DO_READBACK, 8, 2, {{"out", 1, 2, 4}, {"in", 1, 3, 12}}, 256},
        {"AI_CMD2", IOCTL_QMS_AI_CMD2, 4, 8, {{"out", 2, 2, 4}, {"in", 2, 3, 8}}, 8},
        {"AI_CMD1", IOCTL_QMS_AI_CMD1, 6, 0, {{"out", 2, 1, 6}}, 0},
        {"GET_BOARD_ID", IOCTL_QMS_GET_BOARD_ID, 0, 4, {{"in", 127, 1, 4}}, 4},
        {"MAI_CONFIG", IOCTL_QMS_MAI_CONFIG, 20, 0, {{"out", 2, 6, 24}}, 0},
        {"EEPROM_READ", IOCTL_QMS_EEPROM_READ, 2, 8, {{"out", 16, 16, 2}, {"in", 16, 17, 8}}, 8},
        {"EEPROM_WRITE", IOCTL_QMS_EEPROM_WRITE, 8, 4, {{"out", 16, 18, 8}, {"in", 127, 3, 4}}, 4},
        {"LOCATE", IOCTL_QMS_LOCATE, 1, 0, {{"out", 127, 9, 1}}, 0},
        {"READ_CHAN_CONFIG", IOCTL_QMS_READ_CHAN_CONFIG, 6, 36, {{"out", 2, 64, 6}, {"in", 2, 65, 36}}, 36},
        {"WRITE_CHAN_CONFIG", IOCTL_QMS_WRITE_CHAN_CONFIG, 40, 4, {{"out", 2, 66, 40}, {"in", 127, 3, 4}}, 0},
        {"CAL_ZERO", IOCTL_QMS_CAL_ZERO, 2, 4, {{"out", 5, 35, 2}, {"in", 127, 3, 4}}, 4},
        {"CAL_FULL", IOCTL_QMS_CAL_FULL, 2, 4, {{"out", 5, 34, 2}, {"in", 127, 3, 4}}, 4},
        {"CAL_FULL_ALT", IOCTL_QMS_CAL_FULL_ALT, 2, 4, {{"out", 5, 34, 2}, {"in", 127, 3, 4}}, 4},
        {"FIX_FULL_CAL", IOCTL_QMS_FIX_FULL_CAL, 2, 4, {{"out", 5, 36, 2}, {"in", 127, 3, 4}}, 4},
        {"CAL_COMPLETE", IOCTL_QMS_CAL_COMPLETE, 2, 4, {{"out", 5, 38, 2}, {"in", 127, 3, 4}}, 4},
        {"SET_CJC_OFFSET", IOCTL_QMS_SET_CJC_OFFSET, 4, 0, {{"out", 2, 34, 4}}, 0},
        {"GET_CJC_OFFSET", IOCTL_QMS_GET_CJC_OFFSET, 4, 0, {{"in", 2, 33, 4}}, 4},
        {"READ_CJC", IOCTL_QMS_READ_CJC, 0, 8, {{"in", 2, 35, 8}}, 8},
        {"CJC_CMD38", IOCTL_QMS_CJC_CMD38, 4, 0, {{"in", 2, 38, 4}}, 4},
        {"CJC_CMD37", IOCTL_QMS_CJC_CMD37, 4, 14, {{"out", 2, 37, 4}}, 14},
        {"RESET_AI_CONV", IOCTL_QMS_RESET_AI_CONV, 0, 4, {{"out", 2, 49, 4}, {"in", 127, 3, 4}}, 4},
        {"START_AI_CONV", IOCTL_QMS_START_AI_CONV, 0, 4, {{"out", 2, 48, 4}, {"in", 127, 3, 4}}, 4},
        {"ENABLE_EVENT", IOCTL_QMS_ENABLE_EVENT, 16, 0, {}, 0},
        {"GET_CJC_HISTORY", IOCTL_QMS_GET_CJC_HISTORY, 0, 14, {}, 14},
    };
    for (const CodeCase &c : cases) {
        SCOPED_TRACE(c.name);
        BYTE in[64] = {};
        BYTE out[64] = {};
        if (c.code == IOCTL_QMS_READ_CHAN_CONFIG || c.code == IOCTL_QMS_WRITE_CHAN_CONFIG) {
            BYTE *header = c.code == IOCTL_QMS_READ_CHAN_CONFIG ? in : in + 32;
            QmsStoreBe16(header, QMS_BLOCK_RANGE_INDEX);
            QmsStoreBe16(header + 2, 0);
            QmsStoreBe16(header + 4, 1);
        }
        if (c.code == IOCTL_QMS_MAI_CONFIG) {
            QmsStoreBe16(in, 0);
            QmsStoreBe16(in + 2, 1);
            QmsStoreBe16(in + 4, 0x00FF);
        }
        qms_sim_clear_wire_log(id);
        DWORD returned = 0xDEAD;
        Control(handle, c.code, c.inLength ? in : nullptr, c.inLength, c.outLength ? out : nullptr, c.outLength,
                &returned);
        // The sampler's own CJC reads may come between: READ_CJC is looked for among them.
        const auto wire = c.code == IOCTL_QMS_READ_CJC ? std::vector<WireRequest>{Wire(id).back()} : WireWithoutSampler(id);
        ASSERT_EQ(wire.size(), c.wire.size());
        for (size_t i = 0; i < wire.size(); ++i) {
            EXPECT_EQ(wire[i].dir, c.wire[i].dir) << i;
            EXPECT_EQ(wire[i].group, c.wire[i].group) << i;
            EXPECT_EQ(wire[i].command, c.wire[i].command) << i;
            EXPECT_EQ(wire[i].length, c.wire[i].length) << i;
            EXPECT_EQ(wire[i].setup.substr(0, 2), c.wire[i].dir == std::string("in") ? "C0" : "40");
        }
        EXPECT_EQ(returned, c.returned);
    }
}

TEST_F(ControlCodes, BoardIdWordsTravelBigEndianAndUntouched)
{
    BYTE expected[4] = {0, 0, 0, 3};
    BYTE out[4] = {};
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4));
    EXPECT_EQ(0, std::memcmp(out, expected, 4));
    BYTE newId[4] = {0, 0, 0x01, 0x02};
    EXPECT_TRUE(Control(handle, IOCTL_QMS_SET_BOARD_ID, newId, 4, nullptr, 0));
    EXPECT_EQ(State(id)["board_number"], 258);
    std::string sent;
    for (const WireRequest &r : Wire(id))
        if (r.group == GROUP_DEVICE && r.command == CMD_DEVICE_SET_BOARD_ID)
            sent = r.data;
    EXPECT_EQ(sent, "00 00 01 02");
}

TEST_F(ControlCodes, FixZeroCalibrationIsNotSupportedWhileFixFullCalibrationWorks)
{
    BYTE in[2] = {0x00, 0x06};
    BYTE out[4] = {};
    DWORD returned = 0xDEAD;
    SetLastError(0);
    EXPECT_FALSE(Control(handle, IOCTL_QMS_FIX_ZERO_CAL, in, 2, out, 4, &returned));
    EXPECT_EQ(GetLastError(), 50u);
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(WireWithoutSampler(id).empty());
    EXPECT_TRUE(Control(handle, IOCTL_QMS_FIX_FULL_CAL, in, 2, out, 4, &returned));
    EXPECT_EQ(returned, 4u);
}

TEST_F(ControlCodes, FullCalibrationAndItsAlternativeAreTheSameOnTheWire)
{
    BYTE in[2] = {0x00, 0x00};
    BYTE out[4] = {};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_CAL_FULL, in, 2, out, 4));
    ASSERT_TRUE(Control(handle, IOCTL_QMS_CAL_FULL_ALT, in, 2, out, 4));
    const auto wire = WireWithoutSampler(id);
    ASSERT_EQ(wire.size(), 4u);
    EXPECT_EQ(wire[0].setup, wire[2].setup);
    EXPECT_EQ(wire[0].data, wire[2].data);
    EXPECT_EQ(wire[1].setup, wire[3].setup);
}

TEST_F(ControlCodes, DigitalReplyWithABadEchoFailsWith503)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":1,"command":5,"occurrence":1,"fault":"bad_echo","echo":2}]})"), 0);
    DioReadRequest request{0, 1};
    uint16_t value = 0xFFFF;
    DWORD returned = 0;
    SetLastError(0);
    EXPECT_FALSE(Control(handle, IOCTL_QMS_DI_READ, &request, sizeof request, &value, sizeof value, &returned));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_DIO_ECHO);
    EXPECT_EQ(returned, 0x0200u); // bytes 4-5 as a little-endian count
    EXPECT_TRUE(Control(handle, IOCTL_QMS_DI_READ, &request, sizeof request, &value, sizeof value, &returned));
    EXPECT_EQ(returned, 256u);
}

TEST_F(ControlCodes, DigitalReplyWithADeviceErrorFailsWithThatWord)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":1,"command":5,"occurrence":1,"fault":"dio_error","error":7},
                                                   {"group":1,"command":3,"occurrence":1,"fault":"dio_error","error":7}]})"),
              0);
    DioReadRequest request{0, 1};
    uint16_t value = 0;
    SetLastError(0);
    EXPECT_FALSE(Control(handle, IOCTL_QMS_DI_READ, &request, sizeof request, &value, sizeof value));
    const DWORD diError = GetLastError();
    EXPECT_FALSE(Control(handle, IOCTL_QMS_DO_READBACK, &request, sizeof request, &value, sizeof value));
    const DWORD doError = GetLastError();
    // The device error is taken as a host-order word; DI combines it with bit 29 by OR, the
    // read-back by addition.
    const std::string state = State(id).dump();
    EXPECT_EQ(diError & QMS_DRIVER_ERROR_BIT, QMS_DRIVER_ERROR_BIT);
    EXPECT_NE(diError, QMS_DRIVER_ERROR_BIT);
    EXPECT_EQ(doError - QMS_DRIVER_ERROR_BIT, diError & ~QMS_DRIVER_ERROR_BIT) << state;
}

TEST_F(ControlCodes, FirmwareVersionAsksForExactlyTheCallersLength)
{
    char text[64];
    std::memset(text, 'x', sizeof text);
    DWORD returned = 0;
    ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_FW_VERSION, nullptr, 0, text, 64, &returned));
    EXPECT_EQ(returned, 64u);
    const auto wire = WireWithoutSampler(id);
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].length, 64);
    EXPECT_STREQ(text, "USB-6093 FW 1.00 (simulated)");
}

TEST_F(ControlCodes, MissingOrShortBuffersFailWith10BeforeAnyTraffic)
{
    struct Short {
        DWORD code;
        DWORD inLength;
        DWORD outLength;
        bool nullIn;
        bool nullOut;
    };
    const Short cases[] = {
        {IOCTL_QMS_ENABLE_EVENT, 15, 0, false, true},  {IOCTL_QMS_GET_CJC_HISTORY, 0, 13, true, false},
        {IOCTL_QMS_CJC_CMD37, 4, 13, false, false},    {IOCTL_QMS_READ_CJC, 0, 7, true, false},
        {IOCTL_QMS_GET_BOARD_ID, 0, 4, true, true},    {IOCTL_QMS_SET_BOARD_ID, 3, 0, false, true},
        {IOCTL_QMS_MAI_READ, 6, 35, false, false},     {IOCTL_QMS_MAI_READ, 5, 36, false, false},
        {IOCTL_QMS_MAI_CONFIG, 19, 0, false, true},    {IOCTL_QMS_READ_CHAN_CONFIG, 6, 36, true, false},
        {IOCTL_QMS_WRITE_CHAN_CONFIG, 39, 4, false, false}, {IOCTL_QMS_CJC_CMD36, 0, 4, true, true},
        {IOCTL_QMS_GET_CJC_OFFSET, 4, 0, true, true},  {IOCTL_QMS_SET_CJC_OFFSET, 2, 0, false, true},
        {IOCTL_QMS_DI_READ, 8, 2, false, true},        {IOCTL_QMS_CAL_FULL, 2, 4, true, false},
        {IOCTL_QMS_EEPROM_READ, 2, 4, false, false},   {IOCTL_QMS_GET_FW_VERSION, 0, 64, true, true},
        {IOCTL_QMS_LOCATE, 0, 0, false, true},         {IOCTL_QMS_AI_CMD2, 4, 7, false, false},
    };
    for (const Short &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.code);
        BYTE in[64] = {};
        BYTE out[64] = {};
        SetLastError(0);
        DWORD returned = 0xDEAD;
        EXPECT_FALSE(Control(handle, c.code, c.nullIn ? nullptr : in, c.inLength, c.nullOut ? nullptr : out,
                             c.outLength, &returned));
        EXPECT_EQ(GetLastError(), QMS_LASTERR_BAD_BUFFER);
        EXPECT_EQ(returned, 0u);
    }
    EXPECT_TRUE(WireWithoutSampler(id).empty());
    BYTE settings[16] = {};
    EXPECT_TRUE(Control(handle, IOCTL_QMS_ENABLE_EVENT, settings, 16, nullptr, 0));
}

TEST_F(ControlCodes, AStallResetsEndpointZeroAndTheNextRequestGoesThrough)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":127,"command":1,"occurrence":1,"fault":"stall"}]})"), 0);
    BYTE out[4] = {};
    SetLastError(0);
    EXPECT_FALSE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    EXPECT_EQ(State(id)["pipe_resets"], 1);
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4));
    EXPECT_EQ(out[3], 3);
}

TEST_F(ControlCodes, NoStatusReadOrReplyFollowsAFailedFirstRequest)
{
    const FaultedCall cases[] = {
        {"calibration", IOCTL_QMS_CAL_ZERO, 2, 4, 5, 35},
        {"parameter block write", IOCTL_QMS_WRITE_CHAN_CONFIG, 40, 4, 2, 66},
        {"EEPROM read", IOCTL_QMS_EEPROM_READ, 2, 8, 16, 16},
        {"digital input", IOCTL_QMS_DI_READ, 8, 2, 1, 4},
        {"conversion start", IOCTL_QMS_START_AI_CONV, 0, 4, 2, 48},
    };
    for (const FaultedCall &c : cases) {
        SCOPED_TRACE(c.name);
        const nlohmann::json fault = {{"add_faults", {{{"group", c.group}, {"command", c.command}, {"occurrence", 1},
                                                       {"fault", "stall"}}}}};
        ASSERT_EQ(qms_sim_update(id, fault.dump().c_str()), 0);
        qms_sim_clear_wire_log(id);
        BYTE in[64] = {};
        BYTE out[64] = {};
        EXPECT_FALSE(Control(handle, c.code, c.inLength ? in : nullptr, c.inLength, out, c.outLength));
        EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
        const auto wire = WireWithoutSampler(id);
        ASSERT_EQ(wire.size(), 1u);
        EXPECT_EQ(wire[0].command, c.command);
        ASSERT_EQ(qms_sim_update(id, R"({"clear_faults":true})"), 0);
    }
}

TEST_F(ControlCodes, ATransferThatNeverCompletesFailsAfterTheTimeOut)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":127,"command":1,"occurrence":1,"fault":"no_completion"}]})"), 0);
    BYTE out[4] = {};
    const auto start = Clock::now();
    EXPECT_FALSE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, out, 4));
}

// A reply shorter than what the caller goes on to read is a failed request: 501, and the
// caller's buffers keep their content (no zeros or stale bytes taken for the module's data).
TEST_F(ControlCodes, AReplyShorterThanTheCallerReadsFailsAndLeavesTheBuffersAlone)
{
    const FaultedCall cases[] = {
        {"board number", IOCTL_QMS_GET_BOARD_ID, 0, 4, 127, 1, 2},
        {"AI command 2 reply", IOCTL_QMS_AI_CMD2, 4, 8, 2, 3, 4},
        {"empty EEPROM reply", IOCTL_QMS_EEPROM_READ, 2, 8, 16, 17, 0},
        {"EEPROM write status", IOCTL_QMS_EEPROM_WRITE, 8, 4, 127, 3, 2},
        {"burn-out status of 8 channels", IOCTL_QMS_READ_CHAN_CONFIG, 6, 36, 2, 65, 4},
        {"calibration status", IOCTL_QMS_CAL_ZERO, 2, 4, 127, 3, 0},
        {"CJC offset", IOCTL_QMS_GET_CJC_OFFSET, 4, 0, 2, 33, 2},
        {"CJC reading", IOCTL_QMS_READ_CJC, 0, 8, 2, 35, 4},
        {"CJC reference", IOCTL_QMS_CJC_CMD38, 4, 0, 2, 38, 3},
        {"sample block of 8 channels", IOCTL_QMS_MAI_READ, 8, 36, 2, 5, 20},
        {"digital input reply", IOCTL_QMS_DI_READ, 8, 2, 1, 5, 8},
        {"output read-back reply", IOCTL_QMS_DO_READBACK, 8, 2, 1, 3, 9},
    };
    for (const FaultedCall &c : cases) {
        SCOPED_TRACE(c.name);
        // Every matching request is cut, the sampler's own CJC reads included.
        const nlohmann::json fault = {{"faults", {{{"group", c.group}, {"command", c.command}, {"fault", "short"},
                                                   {"bytes", c.bytes}}}}};
        ASSERT_EQ(qms_sim_update(id, fault.dump().c_str()), 0) << qms_sim_last_error();
        BYTE in[64];
        BYTE out[64];
        std::memset(in, 0xAB, sizeof in);
        std::memset(out, 0xAB, sizeof out);
        if (c.code == IOCTL_QMS_READ_CHAN_CONFIG) {
            QmsStoreBe16(in, QMS_BLOCK_BURNOUT_STATUS);
            QmsStoreBe16(in + 2, 0);
            QmsStoreBe16(in + 4, 8);
        }
        if (c.code == IOCTL_QMS_MAI_READ || c.code == IOCTL_QMS_DI_READ || c.code == IOCTL_QMS_DO_READBACK)
            std::memcpy(in, "\0\0\0\x08\0\0\0\0", 8);
        BYTE inBefore[64];
        std::memcpy(inBefore, in, sizeof in);
        SetLastError(0);
        EXPECT_FALSE(Control(handle, c.code, c.inLength ? in : nullptr, c.inLength, c.outLength ? out : nullptr,
                             c.outLength));
        EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(out[i], 0xAB) << "output byte " << i;
            EXPECT_EQ(in[i], inBefore[i]) << "input byte " << i;
        }
        ASSERT_EQ(qms_sim_update(id, R"({"clear_faults":true})"), 0);
    }
}

// Where nothing reads the missing bytes, a short reply is still a reply, and the bytes it
// did not bring keep their content.
TEST_F(ControlCodes, AShortReplyThatHoldsAllTheCallerReadsCountsAsAReply)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":2,"command":65,"occurrence":1,"fault":"short","bytes":20}]})"), 0);
    BYTE in[6] = {};
    QmsStoreBe16(in, QMS_BLOCK_RANGE_INDEX);
    QmsStoreBe16(in + 4, 4); // status and four channels: 20 bytes
    BYTE out[36];
    std::memset(out, 0xAB, sizeof out);
    EXPECT_TRUE(Control(handle, IOCTL_QMS_READ_CHAN_CONFIG, in, 6, out, 36));
    EXPECT_EQ(QmsLoadBe32(out), 0u);
    for (int i = 20; i < 36; ++i)
        EXPECT_EQ(out[i], 0xAB) << i;

    // The version text: a shorter text is the whole text.
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":127,"command":5,"occurrence":1,"fault":"short","bytes":8}]})"), 0);
    char text[64];
    std::memset(text, 'x', sizeof text);
    DWORD returned = 0;
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_FW_VERSION, nullptr, 0, text, 64, &returned));
    EXPECT_EQ(returned, 64u);
    EXPECT_EQ(std::string(text, 8), "USB-6093");
    EXPECT_EQ(text[8], 'x');
}

TEST_F(ControlCodes, ScanReadPollsUntilReadyAndGivesTheBlock)
{
    ASSERT_EQ(qms_sim_update(id, R"({"not_ready_polls":5})"), 0);
    BYTE scan[6] = {0, 0, 0, 8, 0, 0};
    SampleBlock block{};
    DWORD returned = 0;
    ASSERT_TRUE(Control(handle, IOCTL_QMS_MAI_READ, scan, 6, &block, sizeof block, &returned));
    EXPECT_EQ(returned, 36u);
    EXPECT_NE(Swap32(block.ready), 0u);
    const auto wire = WireWithoutSampler(id);
    ASSERT_GE(wire.size(), 7u); // the request, at least five "not ready", the block
    EXPECT_EQ(wire[0].command, CMD_AI_SCAN);
    EXPECT_EQ(wire[0].length, 8);
    EXPECT_EQ(wire[0].data, "00 00 00 08 00 00 00 00");
    for (size_t i = 1; i < wire.size(); ++i)
        EXPECT_EQ(wire[i].command, CMD_AI_SAMPLES);
}

TEST_F(ControlCodes, ScanReadThatNeverGetsReadyFailsWithinTheTimeOutWithoutBurningACore)
{
    ASSERT_EQ(qms_sim_update(id, R"({"not_ready_polls":100000})"), 0);
    BYTE scan[8] = {0, 0, 0, 8, 0, 0, 0, 0};
    SampleBlock block{};
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    SetLastError(0);
    EXPECT_FALSE(Control(handle, IOCTL_QMS_MAI_READ, scan, 8, &block, sizeof block));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    const auto waited = Clock::now() - start;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_LT(cpuSeconds, 1.0);
    EXPECT_LT(WireWithoutSampler(id).size(), 2100u); // about one poll a millisecond at most
}

TEST_F(ControlCodes, OffsetRequestsKeepTheHistoryOffsetCurrent)
{
    CjcHistory history{};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history));
    const uint16_t initial = history.offsetWord;

    BYTE code[4] = {0, 0, 0x81, 0x23};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_SET_CJC_OFFSET, code, 4, nullptr, 0));
    ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history));
    EXPECT_EQ(history.offsetWord, 0x8123);

    // Changed behind the driver's back (another host wrote it), then read: the read updates it.
    BYTE reference[4] = {0, 0, 0x7F, 0x00};
    BYTE status[14] = {};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_CJC_CMD37, reference, 4, status, 14));
    BYTE reply[4] = {};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_CJC_OFFSET, reply, 4, nullptr, 0));
    EXPECT_EQ(QmsLoadBe32(reply), 0x8123u);

    // Reset to the reference: the driver reads the new offset back.
    BYTE payload[4] = {};
    ASSERT_TRUE(Control(handle, IOCTL_QMS_CJC_CMD36, nullptr, 0, payload, 4));
    EXPECT_EQ(QmsLoadBe32(payload), 0u);
    ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history));
    EXPECT_EQ(history.offsetWord, 0x7F00);
    EXPECT_NE(initial, 0x7F00);
}

TEST_F(ControlCodes, DigitalOutputWriteReportsSuccessEvenWhenTheTransferFails)
{
    ASSERT_EQ(qms_sim_update(id, R"({"add_faults":[{"group":1,"command":1,"occurrence":1,"fault":"stall"}]})"), 0);
    BYTE request[12] = {0, 0, 0, 0, 1, 0, 0, 0, 0xA5};
    EXPECT_TRUE(Control(handle, IOCTL_QMS_DO_WRITE, request, 9, nullptr, 0));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    EXPECT_TRUE(Control(handle, IOCTL_QMS_DO_WRITE, request, 9, nullptr, 0));
    EXPECT_EQ(WireWithoutSampler(id).back().data, "00 00 00 01 00 00 00 A5");
    DioReadRequest port{0, 1};
    uint16_t value = 0;
    ASSERT_TRUE(Control(handle, IOCTL_QMS_DO_READBACK, &port, sizeof port, &value, sizeof value));
    EXPECT_EQ(value, 0xA5);
}

} // namespace
} // namespace qms::testing
