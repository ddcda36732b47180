// QmsTcScan end to end: the same floats as TCMuxRead, the transfers a scan costs, the ranges
// it configures and stores, burn-out, argument checks, and faults in the middle of a scan.
#include <bit>
#include <chrono>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_ioctl.h"
#include "qms_vendor.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;

namespace {

constexpr double kTerminalC = 24.5;
constexpr uint16_t kOpenChannel = 7;
// The type of each channel's thermocouple; channel 7 is open.
constexpr uint16_t kTypes[8] = {TC_TYPE_K, TC_TYPE_J, TC_TYPE_S, TC_TYPE_T,
                                TC_TYPE_B, TC_TYPE_R, TC_TYPE_E, TC_TYPE_K};
constexpr float kUntouched = -5.0f;
constexpr uint32_t kUntouchedStatus = 77;

nlohmann::json Scenario(uint32_t boardNumber)
{
    nlohmann::json s = ThermoScenario(boardNumber, kTerminalC);
    s["channels"][0] = {{"thermocouple", "K"}, {"temp_c", 250.0}};
    s["channels"][1] = {{"thermocouple", "J"}, {"temp_c", 120.0}};
    s["channels"][2] = {{"thermocouple", "S"}, {"temp_c", 1100.0}};
    s["channels"][3] = {{"thermocouple", "T"}, {"temp_c", -40.0}};
    s["channels"][4] = {{"thermocouple", "B"}, {"temp_c", 1000.0}};
    s["channels"][5] = {{"thermocouple", "R"}, {"temp_c", 900.0}};
    s["channels"][6] = {{"thermocouple", "E"}, {"temp_c", 500.0}};
    s["channels"][kOpenChannel] = {{"open", true}};
    return s;
}

struct ScanResult {
    uint32_t code = 0;
    std::vector<float> temperatures;
    std::vector<uint32_t> status;
};

ScanResult Scan(uint32_t handle, uint16_t start, uint16_t count, const uint16_t *types,
                uint16_t scale = TEMP_SCALE_CELSIUS)
{
    ScanResult r{0, std::vector<float>(8, kUntouched), std::vector<uint32_t>(8, kUntouchedStatus)};
    r.code = QmsTcScan(handle, start, count, types, scale, r.temperatures.data(), r.status.data());
    return r;
}

uint16_t Be16(const std::vector<uint8_t> &bytes, size_t at)
{
    return static_cast<uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
}

// Nothing written to the caller's arrays.
void ExpectUntouched(const ScanResult &r)
{
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(r.temperatures[i], kUntouched) << "position " << i;
        EXPECT_EQ(r.status[i], kUntouchedStatus) << "position " << i;
    }
}

// The range configuration requests the host sent: start, count and the code per position.
struct RangeRequest {
    uint16_t start;
    std::vector<uint16_t> codes;
};
std::vector<RangeRequest> RangeRequests(const SimulatedModule &module)
{
    std::vector<RangeRequest> requests;
    for (const WireRequest &r : module.wire(GROUP_AI, CMD_AI_CONFIG)) {
        RangeRequest q{Be16(r.data, 0), {}};
        for (uint16_t i = 0; i < Be16(r.data, 2); ++i)
            q.codes.push_back(Be16(r.data, 4 + 2 * i));
        requests.push_back(q);
    }
    return requests;
}

class ThermocoupleScan : public PluggedModule {
protected:
    static void SetUpTestSuite() { UseScenario(Scenario(1)); }
    void SetUp() override
    {
        PluggedModule::SetUp();
        SetBurnOut({});
    }

    void SetBurnOut(const std::vector<std::pair<uint16_t, uint32_t>> &channels)
    {
        uint32_t settings[8] = {};
        for (const auto &[channel, setting] : channels)
            settings[channel] = setting;
        ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, sizeof settings), 0u);
        module->clearWire();
    }

    // Every channel as its own thermocouple, with the module configured already.
    ScanResult SteadyScan()
    {
        Scan(handle, 0, 8, kTypes);
        module->clearWire();
        return Scan(handle, 0, 8, kTypes);
    }

    // A scan of all eight channels as `types` that sends one range configuration, from
    // `start` with `codes`.
    void ExpectScanConfigures(const uint16_t *types, uint16_t start, const std::vector<uint16_t> &codes)
    {
        module->clearWire();
        ASSERT_EQ(Scan(handle, 0, 8, types).code, 0u);
        const std::vector<RangeRequest> ranges = RangeRequests(*module);
        ASSERT_EQ(ranges.size(), 1u);
        EXPECT_EQ(ranges[0].start, start);
        EXPECT_EQ(ranges[0].codes, codes);
    }

    qms::api::DeviceRecord &Record() { return *qms::api::FindRecordByHandle(handle); }
};

} // namespace

TEST_F(ThermocoupleScan, SameFloatsAsTCMuxReadForEveryTypeScaleAndBurnOutSetting)
{
    // Each type on each channel in turn (a thermocouple read as another type is still a
    // steady input), the open channel through every burn-out setting, every scale.
    for (uint16_t shift = 0; shift < 7; ++shift) {
        uint16_t types[8];
        for (uint16_t i = 0; i < 8; ++i)
            types[i] = static_cast<uint16_t>((i + shift) % 7);
        const uint32_t setting = shift % 5 + 1;
        SetBurnOut({{kOpenChannel, setting}, {0, 1}});
        for (uint16_t scale = TEMP_SCALE_CELSIUS; scale <= TEMP_SCALE_KELVIN; ++scale) {
            const ScanResult scan = Scan(handle, 0, 8, types, scale);
            ASSERT_EQ(scan.code, 0u);
            for (uint16_t channel = 0; channel < 8; ++channel) {
                SCOPED_TRACE(testing::Message() << "channel " << channel << " type " << types[channel]
                                                << " scale " << scale << " burn-out setting " << setting);
                float single = 0.0f;
                const bool open = channel == kOpenChannel;
                EXPECT_EQ(TCMuxRead(handle, channel, 0, 0, types[channel], scale, &single),
                          open ? Code(dev, QMS_ERRIDX_BURNOUT) : 0u);
                EXPECT_EQ(std::bit_cast<uint32_t>(scan.temperatures[channel]), std::bit_cast<uint32_t>(single))
                    << scan.temperatures[channel] << " against " << single;
                EXPECT_EQ(scan.status[channel], open ? QMS_TC_BURNOUT : QMS_TC_OK);
            }
        }
    }
    ExpectRangeReleased(handle);
    // And what the readings are: the hot junctions, within the conversion's resolution.
    const ScanResult scan = Scan(handle, 0, 7, kTypes);
    const double hotC[7] = {250.0, 120.0, 1100.0, -40.0, 1000.0, 900.0, 500.0};
    for (uint16_t channel = 0; channel < 7; ++channel)
        EXPECT_NEAR(scan.temperatures[channel], hotC[channel],
                    ReadingTolerance(kTypes[channel], hotC[channel], kTerminalC))
            << "channel " << channel;
}

TEST_F(ThermocoupleScan, SteadyScanOfEightChannelsIsTheScanRequestAndItsSampleBlock)
{
    const ScanResult scan = SteadyScan();
    ASSERT_EQ(scan.code, 0u);
    const std::vector<WireRequest> sent = module->wire();
    // The module answers "not ready" once after each scan request.
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].command, CMD_AI_SCAN);
    EXPECT_EQ(Be16(sent[0].data, 0), 0);
    EXPECT_EQ(Be16(sent[0].data, 2), 8);
    EXPECT_EQ(sent[1].command, CMD_AI_SAMPLES);
    EXPECT_EQ(sent[2].command, CMD_AI_SAMPLES);

    // The same eight temperatures one by one.
    module->clearWire();
    float celsius = 0.0f;
    for (uint16_t channel = 0; channel < 7; ++channel)
        ASSERT_EQ(TCMuxRead(handle, channel, 0, 0, kTypes[channel], TEMP_SCALE_CELSIUS, &celsius), 0u);
    ASSERT_EQ(TCMuxRead(handle, kOpenChannel, 0, 0, kTypes[kOpenChannel], TEMP_SCALE_CELSIUS, &celsius), 0u);
    EXPECT_GE(module->wire().size(), 40u);
    module->clearWire();
    EXPECT_EQ(Scan(handle, 0, 8, kTypes).code, 0u);
    EXPECT_EQ(module->wire().size(), 3u) << "TCMuxRead leaves the ranges a scan needs";
}

TEST_F(ThermocoupleScan, ConfiguresAndStoresOnlyTheRangesThatChanged)
{
    // Every channel set to a voltage range by the application: the scan configures them all
    // in one request and stores each type's row, as TCMuxRead does.
    const uint16_t volts[8] = {QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V,
                               QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V, QMS_RANGE_0_1V};
    ASSERT_EQ(MAIConfig(handle, 8, 0, volts), 0u);
    ExpectScanConfigures(kTypes, 0, {0x22, 0x12, 0x28, 0x11, 0x18, 0x19, 0x22, 0x22});
    EXPECT_EQ(module->state()["blocks"]["0x210"].get<std::vector<int>>(),
              (std::vector<int>{9, 8, 10, 11, 12, 13, 14, 9}));
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE).size(), 1u);
    ExpectRangeReleased(handle);

    // Two channels change type: one request from the first to the last, the channels between
    // left as they are.
    uint16_t types[8];
    std::memcpy(types, kTypes, sizeof types);
    types[2] = TC_TYPE_T;
    types[5] = TC_TYPE_J;
    ExpectScanConfigures(types, 2, {0x11, 0xFF, 0xFF, 0x12});

    // K and E share their range but not their row: the row is stored again.
    types[0] = TC_TYPE_E;
    ExpectScanConfigures(types, 0, {0x22});
    EXPECT_EQ(module->state()["blocks"]["0x210"][0], 14);

    // A channel the application configured in between, and one DirectReadTemp used without
    // storing its row, are configured again.
    ASSERT_EQ(AIConfig(handle, 6, QMS_RANGE_0_15MV), 0u);
    float celsius = 0.0f;
    ASSERT_EQ(DirectReadTemp(handle, 3, TC_TYPE_T, &celsius), 0);
    ExpectScanConfigures(types, 3, {0x11, 0xFF, 0xFF, 0x22});

    module->clearWire();
    ASSERT_EQ(Scan(handle, 0, 8, types).code, 0u);
    EXPECT_TRUE(RangeRequests(*module).empty());
}

TEST_F(ThermocoupleScan, BurnOutStatusOfTheRunInOneRequestOnlyWithASetting)
{
    ScanResult scan = SteadyScan();
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT).empty()) << "no setting, no question";
    EXPECT_EQ(scan.status[kOpenChannel], QMS_TC_OK) << "without a setting an open input is a reading";
    EXPECT_GT(scan.temperatures[kOpenChannel], 1300.0f) << "at the range's positive end";

    // A setting on another channel: the status is asked, but the open channel without a
    // setting still gives its reading.
    SetBurnOut({{1, 1}});
    const ScanResult unset = Scan(handle, 0, 8, kTypes);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT).size(), 1u);
    EXPECT_EQ(unset.status[kOpenChannel], QMS_TC_OK);
    EXPECT_EQ(unset.temperatures[kOpenChannel], scan.temperatures[kOpenChannel]);

    SetBurnOut({{kOpenChannel, 2}, {1, 1}});
    scan = Scan(handle, 0, 8, kTypes);
    ASSERT_EQ(scan.code, 0u) << "a burn-out is a channel's status, not the scan's";
    EXPECT_EQ(scan.status[kOpenChannel], QMS_TC_BURNOUT);
    EXPECT_EQ(scan.temperatures[kOpenChannel], -888888.0f);
    EXPECT_EQ(scan.status[1], QMS_TC_OK) << "an intact thermocouple with a setting";
    const std::vector<WireRequest> selects = module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(Be16(selects[0].data, 0), QMS_BLOCK_BURNOUT_STATUS);
    EXPECT_EQ(Be16(selects[0].data, 2), 0);
    EXPECT_EQ(Be16(selects[0].data, 4), 8);
    EXPECT_EQ(module->wire().size(), 5u) << "the scan's three and the status block's two";

    // A run without the channels that have a setting does not ask.
    module->clearWire();
    scan = Scan(handle, 2, 5, kTypes + 2);
    ASSERT_EQ(scan.code, 0u);
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT).empty());
    EXPECT_EQ(scan.temperatures[5], kUntouched) << "nothing beyond the count";
}

TEST_F(ThermocoupleScan, ArgumentsAreCheckedBeforeAnythingIsSent)
{
    ScanResult r;
    float t[8];
    uint32_t s[8];
    EXPECT_EQ(QmsTcScan(0, 0, 8, kTypes, 0, t, s), QMS_ERR_NULL_HANDLE);
    EXPECT_EQ(QmsTcScan(handle + 1000, 0, 8, kTypes, 0, t, s), QMS_ERR_NULL_HANDLE);

    const uint32_t outOfRange = Code(dev, QMS_ERRIDX_OUT_OF_RANGE);
    const struct {
        uint16_t start, count;
    } runs[] = {{0, 0}, {0, 9}, {8, 1}, {5, 4}, {7, 2}, {65535, 2}};
    for (const auto &run : runs) {
        r = Scan(handle, run.start, run.count, kTypes);
        EXPECT_EQ(r.code, outOfRange) << "start " << run.start << " count " << run.count;
        ExpectUntouched(r);
    }

    const uint32_t argument = Code(dev, QMS_ERRIDX_ARGUMENT);
    EXPECT_EQ(QmsTcScan(handle, 0, 8, nullptr, 0, t, s), argument);
    EXPECT_EQ(QmsTcScan(handle, 0, 8, kTypes, 0, nullptr, s), argument);
    EXPECT_EQ(QmsTcScan(handle, 0, 8, kTypes, 0, t, nullptr), argument);
    r = Scan(handle, 0, 8, kTypes, 4);
    EXPECT_EQ(r.code, argument) << "an unknown scale";
    ExpectUntouched(r);
    // Type N has no range; volts and milliamperes are no thermocouples.
    for (uint16_t bad : {uint16_t{TC_TYPE_N}, uint16_t{8}, uint16_t{QMS_RANGE_0_1V}, uint16_t{QMS_RANGE_4_20MA}}) {
        uint16_t types[8];
        std::memcpy(types, kTypes, sizeof types);
        types[5] = bad;
        r = Scan(handle, 0, 8, types);
        EXPECT_EQ(r.code, argument) << "type " << bad;
        ExpectUntouched(r);
    }
    EXPECT_TRUE(module->wire().empty());
    ExpectRangeReleased(handle);
}

namespace {

struct Fault {
    const char *name;
    int command;
    const char *dir;
    const char *fault;
};

void PrintTo(const Fault &fault, std::ostream *os) { *os << fault.name; }

class ThermocoupleScanFault : public ThermocoupleScan, public testing::WithParamInterface<Fault> {};

} // namespace

TEST_P(ThermocoupleScanFault, FailsTheWholeScanWithTheDriversCodeAndTheNextScanWorks)
{
    const ScanResult before = SteadyScan();
    ASSERT_EQ(before.code, 0u);
    // A burn-out setting, so that the status block is asked, and a channel to configure.
    SetBurnOut({{kOpenChannel, 1}});
    ASSERT_EQ(AIConfig(handle, 4, QMS_RANGE_0_1V), 0u);
    module->update({{"faults", {{{"group", GROUP_AI}, {"command", GetParam().command},
                                 {"dir", GetParam().dir}, {"fault", GetParam().fault},
                                 {"occurrence", 1}}}}});
    module->clearWire();

    const ScanResult failed = Scan(handle, 0, 8, kTypes);
    EXPECT_EQ(failed.code, TransferFailed(dev));
    ExpectUntouched(failed);
    ExpectRangeReleased(handle);
    bool hit = false;
    for (const WireRequest &r : module->wire())
        hit = hit || !r.fault.empty();
    EXPECT_TRUE(hit) << "the fault was met";

    const ScanResult after = Scan(handle, 0, 8, kTypes);
    ASSERT_EQ(after.code, 0u);
    for (uint16_t channel = 0; channel < 7; ++channel)
        EXPECT_EQ(after.temperatures[channel], before.temperatures[channel]) << "channel " << channel;
    EXPECT_EQ(after.status[kOpenChannel], QMS_TC_BURNOUT);
    EXPECT_EQ(Record().rangeIndex[4], 12u);
}

INSTANTIATE_TEST_SUITE_P(
    InTheMiddle, ThermocoupleScanFault,
    testing::Values(Fault{"RangeConfigurationStalls", CMD_AI_CONFIG, "out", "stall"},
                    Fault{"BurnOutStatusStalls", CMD_AI_CHAN_CONFIG_READ, "in", "stall"},
                    Fault{"ScanRequestStalls", CMD_AI_SCAN, "out", "stall"},
                    Fault{"SampleBlockStalls", CMD_AI_SAMPLES, "in", "stall"},
                    Fault{"SampleBlockTimesOut", CMD_AI_SAMPLES, "in", "no_completion"}),
    [](const testing::TestParamInfo<Fault> &info) { return std::string(info.param.name); });

TEST(ThermocoupleScanRemoval, ModuleRemovedInTheMiddleFailsTheScanAndTheReplugScans)
{
    nlohmann::json scenario = Scenario(2);
    scenario["serial"] = "SCAN-REMOVAL";
    auto module = std::make_unique<SimulatedModule>(scenario);
    const uint32_t dev = module->deviceNumber();
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    const ScanResult before = Scan(handle, 0, 8, kTypes);
    ASSERT_EQ(before.code, 0u);

    module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_SAMPLES}, {"fault", "remove"}}}}});
    const ScanResult failed = Scan(handle, 0, 8, kTypes);
    EXPECT_EQ(failed.code, TransferFailed(dev));
    ExpectUntouched(failed);
    EXPECT_NE(Scan(handle, 0, 8, kTypes).code, 0u) << "and fails again, without waiting";

    ASSERT_EQ(DeviceClose(&handle), 0u);
    module->unplug();
    ASSERT_TRUE(module->waitRemoved());
    module.reset();
    scenario.erase("reset_store");
    module = std::make_unique<SimulatedModule>(scenario);
    ASSERT_EQ(module->deviceNumber(), dev);
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    const ScanResult after = Scan(handle, 0, 8, kTypes);
    ASSERT_EQ(after.code, 0u);
    for (uint16_t channel = 0; channel < 8; ++channel)
        EXPECT_EQ(after.temperatures[channel], before.temperatures[channel]) << "channel " << channel;
    DeviceClose(&handle);
}

TEST(ThermocoupleScanCjc, WithoutACjcSampleTheScanFailsInBoundedTimeAndSendsNothing)
{
    nlohmann::json scenario = Scenario(3);
    scenario["cjc_invalid_reads"] = 100000; // the sampler never stores a sample
    SimulatedModule module(scenario);
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    module.clearWire();
    const auto start = std::chrono::steady_clock::now();
    const ScanResult scan = Scan(handle, 0, 8, kTypes);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(scan.code, Code(module.deviceNumber(), QMS_ERRIDX_CJC_HISTORY));
    ExpectUntouched(scan);
    EXPECT_TRUE(module.wire().empty());
    DeviceClose(&handle);
}
