// Real modules through libusb: a module emulated below libusb (umockdev) with the simulated
// firmware behind its endpoint 0, attached by hot-plug and driven through the public API.
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/usbd/libusb_bus.h"
#include "qms6093.h"
#include "qms6093_thermo.h"
#include "qms_platform.h"
#include "qms_sim.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"
#include "tests/platform/usbd/libusb/emulated_module.h"

using namespace qms::test;
using namespace std::chrono_literals;

namespace {

// A state the platform reaches on its own threads, checked until it holds (at most 5 s).
template <class Condition>
bool Eventually(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Whether the module opens. DeviceOpen may fail and still hand out a handle (a module that
// stops answering while its parameters are read): that handle is closed too.
bool Opens(uint32_t dev)
{
    uint32_t handle = 0;
    const bool opened = DeviceOpen(dev, &handle) == 0;
    if (handle)
        DeviceClose(&handle);
    return opened;
}

// The device number of the attached module with this board number, once it can be opened.
uint32_t AttachedDevice(uint32_t board)
{
    uint32_t dev = 0;
    const bool attached = Eventually([&] {
        try {
            dev = DeviceNumberOfBoard(board);
        } catch (const std::exception &) {
            return false;
        }
        return Opens(dev);
    });
    return attached ? dev : 0xFFFFFFFFu;
}

using Request = std::tuple<int, int, std::string, std::string>; // group, command, dir, data

// The requests of a wire log, without the CJC sampler's (it runs on its own clock).
std::vector<Request> Requests(const std::string &log)
{
    std::vector<Request> requests;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        const auto j = nlohmann::json::parse(line);
        const int group = j.value("group", 0), command = j.value("command", 0);
        if (group == GROUP_AI && (command == 33 || command == 35))
            continue;
        requests.emplace_back(group, command, j.value("dir", ""), j.value("data", ""));
    }
    return requests;
}

struct Readings {
    float volts[2] = {};
    float celsius = 0;
    uint16_t port = 0;
};

// What the arrival test reads: analog inputs, a thermocouple, digital I/O.
Readings ReadEverything(uint32_t handle)
{
    Readings r;
    const uint16_t codes[2] = {QMS_RANGE_0_1V, QMS_RANGE_0_1V};
    EXPECT_EQ(MAIVoltageIn(handle, 2, 0, codes, 0, r.volts), 0u);
    EXPECT_EQ(TCMuxRead(handle, 2, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &r.celsius), 0u);
    EXPECT_EQ(DioWritePortByte(handle, 0, 0xFF, 0x5A), 0u);
    EXPECT_EQ(DioReadPortByte(handle, 0, &r.port), 0u);
    return r;
}

nlohmann::json Scenario(uint32_t board)
{
    nlohmann::json s = QuietScenario(board);
    s["channels"][0]["volts"] = 0.25;
    s["channels"][1]["volts"] = 0.5;
    s["channels"][2] = {{"thermocouple", "K"}, {"temp_c", 120.0}};
    return s;
}

class RealModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qms_platform_start(), 0); }
};

size_t Entries(const char *dir)
{
    size_t count = 0;
    if (DIR *d = opendir(dir)) {
        while (readdir(d))
            ++count;
        closedir(d);
    }
    return count;
}

} // namespace

TEST_F(RealModule, ArrivesByHotPlugAndAnswersLikeTheSimulatedBus)
{
    // The same module on the simulated bus first: its values and its wire log.
    Readings simulated;
    std::vector<Request> simulatedWire;
    uint32_t simulatedDev = 0;
    {
        SimulatedModule module(Scenario(41));
        simulatedDev = module.deviceNumber();
        uint32_t handle = 0;
        ASSERT_EQ(DeviceOpen(simulatedDev, &handle), 0u);
        module.clearWire();
        simulated = ReadEverything(handle);
        DeviceClose(&handle);
        char buffer[1 << 16];
        const long size = qms_sim_wire_log(module.id(), buffer, sizeof buffer);
        ASSERT_GT(size, 0);
        simulatedWire = Requests(std::string(buffer, static_cast<size_t>(size)));
    }

    EmulatedModule emulated(Scenario(41));
    emulated.plug();
    const uint32_t dev = AttachedDevice(41);
    ASSERT_EQ(dev, simulatedDev) << "a module seen before keeps its device number";
    EXPECT_EQ(qms::usbd::libusb_bus::attachedCount(), 1u);
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    emulated.firmware().clearWireLog();
    const Readings real = ReadEverything(handle);
    DeviceClose(&handle);

    EXPECT_EQ(real.volts[0], simulated.volts[0]);
    EXPECT_EQ(real.volts[1], simulated.volts[1]);
    EXPECT_EQ(real.celsius, simulated.celsius);
    EXPECT_EQ(real.port, simulated.port);
    EXPECT_NE(real.volts[0], 0.0f) << "the channels carry their scenario voltages";
    EXPECT_EQ(Requests(emulated.firmware().wireLog()), simulatedWire);
    EXPECT_GT(simulatedWire.size(), 5u);
}

TEST_F(RealModule, ModulePluggedBeforeStartIsAttachedAtBootWithoutTheDemoModule)
{
    qms_platform_shutdown();
    EmulatedModule emulated(Scenario(48));
    emulated.plug();
    unsetenv("QMS_SIM"); // the default: a demo module, unless a real one is attached
    const auto start = std::chrono::steady_clock::now();
    const int started = qms_platform_start();
    const auto took = std::chrono::steady_clock::now() - start;
    setenv("QMS_SIM", "none", 1);
    ASSERT_EQ(started, 0);
    EXPECT_LT(took, 1500ms) << "the module's board number was read at once, not after a time-out";
    EXPECT_EQ(qms::usbd::libusb_bus::attachedCount(), 1u) << "attached before the start returned";
    uint32_t dev = 0;
    ASSERT_NO_THROW(dev = DeviceNumberOfBoard(48));
    uint32_t handle = 0;
    EXPECT_EQ(DeviceOpen(dev, &handle), 0u);
    DeviceClose(&handle);
    char simulated[256] = {};
    ASSERT_GE(qms_sim_list(simulated, sizeof simulated), 0);
    EXPECT_TRUE(nlohmann::json::parse(simulated).empty()) << "no phantom module: " << simulated;
}

namespace {

// A module attached through libusb and opened, whose digital-input reply is faulted once.
struct FaultedModule {
    FaultedModule(uint32_t board, const nlohmann::json &fault) : emulated(Scenario(board))
    {
        emulated.plug();
        dev = AttachedDevice(board);
        EXPECT_EQ(DeviceOpen(dev, &handle), 0u);
        nlohmann::json rule = fault;
        rule["group"] = GROUP_DIO;
        rule["command"] = CMD_DIO_DI_REPLY;
        rule["occurrence"] = 1;
        emulated.inject(nlohmann::json::array({rule}));
    }
    ~FaultedModule() { DeviceClose(&handle); }

    // The read that meets the fault: its result; the caller's value must stay as it was.
    uint32_t Read()
    {
        uint16_t value = 0x4242;
        const uint32_t result = DioReadPortByte(handle, 0, &value);
        EXPECT_EQ(value, 0x4242);
        return result;
    }
    uint32_t ReadAgain()
    {
        uint16_t value = 0;
        return DioReadPortByte(handle, 0, &value);
    }

    EmulatedModule emulated;
    uint32_t dev = 0;
    uint32_t handle = 0;
};

} // namespace

TEST_F(RealModule, StallIsClearedAndTheNextRequestSucceeds)
{
    FaultedModule module(42, {{"fault", "stall"}});
    EXPECT_EQ(module.Read(), TransferFailed(module.dev));
    EXPECT_EQ(module.emulated.clearHalts(), 1u) << "endpoint 0 was cleared on the device";
    EXPECT_EQ(module.ReadAgain(), 0u);
}

TEST_F(RealModule, WithheldCompletionIsCancelledAtTheTimeOut)
{
    FaultedModule module(43, {{"fault", "no_completion"}});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(module.Read(), TransferFailed(module.dev));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 1900ms);
    EXPECT_LT(waited, 3500ms);
    EXPECT_TRUE(Eventually([&] { return module.emulated.discards() >= 1 && module.emulated.urbsInFlight() == 0; }))
        << "the transfer was discarded on the device and reaped";
    EXPECT_EQ(module.ReadAgain(), 0u);
}

TEST_F(RealModule, ShortReplyIsTheDriversError)
{
    FaultedModule module(44, {{"fault", "short"}, {"bytes", 4}});
    EXPECT_NE(module.Read(), 0u);
    EXPECT_EQ(module.ReadAgain(), 0u);
}

TEST_F(RealModule, UnplugEndsPendingTransfersAndReplugKeepsTheNumber)
{
    EmulatedModule emulated(Scenario(45));
    emulated.plug();
    const uint32_t dev = AttachedDevice(45);
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    auto event = std::async(std::launch::async, [handle] {
        uint16_t code = 0;
        CheckEvent(handle, &code, 5000);
        return code;
    });
    emulated.inject({{{"group", GROUP_DIO}, {"command", CMD_DIO_DI_REPLY}, {"fault", "no_completion"}}});
    auto read = std::async(std::launch::async, [handle] {
        uint16_t value = 0;
        const auto start = std::chrono::steady_clock::now();
        const uint32_t result = DioReadPortByte(handle, 0, &value);
        return std::make_pair(result, std::chrono::steady_clock::now() - start);
    });
    ASSERT_TRUE(Eventually([&] { return emulated.urbsInFlight() == 1; })) << "the read is on the bus";
    emulated.unplug();

    const auto [result, took] = read.get();
    EXPECT_NE(result, 0u);
    EXPECT_LT(took, 1500ms) << "the pending transfer ended at once, not at the time-out";
    ASSERT_EQ(event.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(event.get(), QMS_EVENT_DEVICE_REMOVED);
    EXPECT_TRUE(Eventually([&] { return qms::usbd::libusb_bus::attachedCount() == 0; }));
    DeviceClose(&handle);

    EmulatedModule again(Scenario(45));
    again.plug();
    EXPECT_EQ(AttachedDevice(45), dev);
}

TEST_F(RealModule, FiftyReplugsUnderLoadLeaveNothingBehind)
{
    EmulatedModule warmUp(Scenario(46));
    warmUp.plug();
    const uint32_t dev = AttachedDevice(46);
    warmUp.unplug();
    ASSERT_TRUE(Eventually([&] { return !Opens(dev); }));
    const size_t threads = Entries("/proc/self/task");
    const size_t files = Entries("/proc/self/fd");

    for (int cycle = 0; cycle < 50; ++cycle) {
        EmulatedModule module(Scenario(46));
        module.plug();
        ASSERT_EQ(AttachedDevice(46), dev) << "cycle " << cycle;
        uint32_t handle = 0;
        ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
        std::atomic<bool> stop{false};
        auto load = std::async(std::launch::async, [&] {
            unsigned reads = 0;
            uint16_t value = 0;
            while (!stop && DioReadPortByte(handle, 0, &value) == 0)
                ++reads;
            return reads;
        });
        ASSERT_TRUE(Eventually([&] { return module.firmware().wireLog().size() > 200; }));
        module.unplug();
        stop = true;
        load.get();
        DeviceClose(&handle);
        ASSERT_TRUE(Eventually([&] { return !Opens(dev); })) << "cycle " << cycle;
    }
    EXPECT_TRUE(Eventually([&] { return qms::usbd::libusb_bus::attachedCount() == 0; }));
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/task") <= threads; }))
        << Entries("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_TRUE(Eventually([&] { return Entries("/proc/self/fd") <= files; }))
        << Entries("/proc/self/fd") << " files open, " << files << " before";
}

TEST_F(RealModule, ClaimedModuleIsReportedBusyAndNotAttached)
{
    EmulatedModule emulated(Scenario(47));
    emulated.setBusy(true);
    emulated.plug();
    ASSERT_TRUE(Eventually([] { return !qms::usbd::libusb_bus::unavailableModules().empty(); }));
    const std::string reason = qms::usbd::libusb_bus::unavailableModules().front();
    EXPECT_NE(reason.find("busy"), std::string::npos) << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos);
    char listed[256];
    EXPECT_EQ(qms_platform_usb_unavailable(listed, sizeof listed), static_cast<long>(reason.size() + 1));
    EXPECT_EQ(std::string(listed), reason + "\n") << "what qms6093 list shows";
    EXPECT_EQ(qms::usbd::libusb_bus::attachedCount(), 0u);
    emulated.unplug();
    EXPECT_TRUE(Eventually([] { return qms::usbd::libusb_bus::unavailableModules().empty(); }));
    qms_platform_shutdown();
}

int main(int argc, char **argv)
{
    // The test bed comes before libusb and before any thread.
    qms::test::CreateTestBed();
    setenv("QMS_REGISTRY", ":memory:", 0);
    setenv("QMS_SIM", "none", 0);
    setenv("QMS_USB", "on", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
