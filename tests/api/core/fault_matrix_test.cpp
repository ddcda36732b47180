// Every kind of module fault against the main calls of the library: the call returns a code
// (never success with invented data), leaves the caller's buffers as they were, comes back
// within one transfer time-out, and the next call succeeds once the fault is gone.
//
// The fault hits every request of the module while it is set, the CJC sampler's included:
// a module that stalls, stops answering, cuts its replies short, reports a bad status or a
// bad digital reply, or goes away.
#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms6093_thermo.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;
using namespace std::chrono_literals;

namespace {

// One transfer time-out of the stream driver, and what a call may take beyond it: well short
// of a second time-out, with room for a loaded machine and the sanitizers.
constexpr auto kTransferTimeOut = 2000ms;
constexpr auto kSlack = 1500ms;

constexpr uint16_t kThermocoupleChannel = 0; // K at 250 degrees Celsius, burn-out reported
constexpr uint16_t kCalibratorChannel = 1;   // a compensated K calibrator
constexpr uint16_t kVoltageChannel = 2;      // 1.25 V

nlohmann::json MatrixScenario()
{
    nlohmann::json s = QuietScenario(60);
    s["channels"][kThermocoupleChannel] = {{"thermocouple", "K"}, {"temp_c", 250.0}, {"burnout", 1}};
    s["channels"][kCalibratorChannel] = {{"calibrator", "K"}};
    s["channels"][kVoltageChannel] = {{"volts", 1.25}};
    s["di"] = 0xA5;
    return s;
}

// What a call gave back, and whether the caller's buffers kept what they held before.
struct Outcome {
    uint32_t code = 0;
    bool untouched = true;
};

struct Device {
    uint32_t dev = 0;
    uint32_t handle = 0;
};

// The main calls, each with the caller's buffers set to a mark beforehand.
struct Call {
    const char *name;
    Outcome (*run)(Device &);
    bool readsStatus;  // one of its requests is a status read IN(127,3)
    bool digital;      // its requests are digital-I/O requests
    void (*prepare)(Device &) = nullptr; // before each run, outside the fault
};

constexpr float kMark = -123.0f;

const Call kCalls[] = {
    {"DeviceOpen", [](Device &d) { return Outcome{DeviceOpen(d.dev, &d.handle), true}; }, false, false,
     // A fresh record: the module is asked for its outputs and parameter blocks.
     [](Device &d) { DeviceClose(&d.handle); }},
    {"AIConfig", [](Device &d) { return Outcome{AIConfig(d.handle, kVoltageChannel, QMS_RANGE_0_2500MV), true}; },
     true, false},
    {"AIBinaryIn",
     [](Device &d) {
         uint16_t reading = 0x4242;
         const uint32_t code = AIBinaryIn(d.handle, kVoltageChannel, 0, &reading);
         return Outcome{code, reading == 0x4242};
     },
     false, false},
    {"MAIVoltageIn",
     [](Device &d) {
         const uint16_t ranges[2] = {QMS_RANGE_0_2500MV, QMS_RANGE_0_2500MV};
         float volts[2] = {kMark, kMark};
         const uint32_t code = MAIVoltageIn(d.handle, 2, kCalibratorChannel, ranges, 0, volts);
         return Outcome{code, volts[0] == kMark && volts[1] == kMark};
     },
     false, false},
    {"TCMuxRead",
     [](Device &d) {
         float celsius = kMark;
         const uint32_t code = TCMuxRead(d.handle, kThermocoupleChannel, 0, 0, TC_TYPE_K,
                                         TEMP_SCALE_CELSIUS, &celsius);
         return Outcome{code, celsius == kMark};
     },
     true, false},
    {"DirectReadTemp",
     [](Device &d) {
         float celsius = kMark;
         const int32_t code = DirectReadTemp(d.handle, kThermocoupleChannel, TC_TYPE_K, &celsius);
         return Outcome{static_cast<uint32_t>(code), celsius == kMark};
     },
     false, false},
    {"MeasureCJCError",
     [](Device &d) {
         float error = kMark;
         const int32_t code = MeasureCJCError(d.handle, TC_TYPE_K, kCalibratorChannel, &error);
         return Outcome{static_cast<uint32_t>(code), error == kMark};
     },
     true, false},
    {"StartAIConversion", [](Device &d) { return Outcome{StartAIConversion(d.handle), true}; }, true, false},
    {"DioReadPortByte",
     [](Device &d) {
         uint16_t lines = 0x4242;
         const uint32_t code = DioReadPortByte(d.handle, 0, &lines);
         return Outcome{code, lines == 0x4242};
     },
     false, true},
    {"DioWritePortByte", [](Device &d) { return Outcome{DioWritePortByte(d.handle, 0, 0xFF, 0x3C), true}; },
     false, true},
    {"DioGetCurrentDOByte",
     [](Device &d) {
         uint16_t lines = 0x4242;
         const uint32_t code = DioGetCurrentDOByte(d.handle, 0, &lines);
         return Outcome{code, lines == 0x4242};
     },
     false, true},
    {"DirectReadEEData",
     [](Device &d) {
         uint32_t word = 0x42424242;
         const int32_t code = DirectReadEEData(d.handle, 0x310, &word);
         return Outcome{static_cast<uint32_t>(code), word == 0x42424242};
     },
     false, false},
    {"DirectWriteEEData",
     [](Device &d) { return Outcome{static_cast<uint32_t>(DirectWriteEEData(d.handle, 0x310, 0xCAFE)), true}; },
     true, false},
    {"DeviceGetProperty",
     [](Device &d) {
         uint32_t settings[8];
         std::memset(settings, 0x42, sizeof settings);
         uint32_t size = sizeof settings;
         const uint32_t code = DeviceGetProperty(d.handle, QMS_PROP_BURNOUT_SETTINGS, settings, &size);
         uint32_t mark[8];
         std::memset(mark, 0x42, sizeof mark);
         return Outcome{code, std::memcmp(settings, mark, sizeof mark) == 0 && size == sizeof settings};
     },
     false, false},
    {"DeviceSetProperty",
     [](Device &d) {
         const uint32_t settings[8] = {1, 0, 0, 0, 0, 0, 0, 0};
         return Outcome{DeviceSetProperty(d.handle, QMS_PROP_BURNOUT_SETTINGS, settings, sizeof settings), true};
     },
     true, false},
};

struct Fault {
    const char *name;
    nlohmann::json rule;
    bool needsStatusRead;
    bool needsDigital;
};

const Fault kFaults[] = {
    {"Stall", {{"fault", "stall"}}, false, false},
    {"NoCompletion", {{"fault", "no_completion"}}, false, false},
    {"ShortReply", {{"fault", "short"}, {"bytes", 2}}, false, false},
    {"BadStatus", {{"fault", "status"}, {"status", 0x0105}}, true, false},
    {"BadEcho", {{"fault", "bad_echo"}, {"echo", 2}}, false, true},
    {"DigitalError", {{"fault", "dio_error"}, {"error", 4}}, false, true},
    {"Removal", {{"fault", "remove"}}, false, false},
};

struct Cell {
    const Call *call;
    const Fault *fault;
};

void PrintTo(const Cell &cell, std::ostream *out)
{
    *out << cell.call->name << " under " << cell.fault->name;
}

Outcome RunCall(const Call &call, Device &device)
{
    return call.run(device);
}

void Prepare(const Call &call, Device &device)
{
    if (call.prepare)
        call.prepare(device);
}

std::vector<Cell> Cells()
{
    std::vector<Cell> cells;
    for (const Call &call : kCalls)
        for (const Fault &fault : kFaults)
            if ((!fault.needsStatusRead || call.readsStatus) && (!fault.needsDigital || call.digital))
                cells.push_back({&call, &fault});
    return cells;
}

class FaultMatrix : public ::testing::TestWithParam<Cell> {
protected:
    void SetUp() override { Plug(MatrixScenario()); }
    void TearDown() override
    {
        if (device.handle)
            DeviceClose(&device.handle);
        module.reset();
    }

    void Plug(const nlohmann::json &scenario)
    {
        module = std::make_unique<SimulatedModule>(scenario);
        device.dev = module->deviceNumber();
        ASSERT_EQ(DeviceOpen(device.dev, &device.handle), 0u);
    }

    Device device;
    std::unique_ptr<SimulatedModule> module;
};

} // namespace

TEST_P(FaultMatrix, ACodeUntouchedBuffersOneTimeOutAndRecovery)
{
    const Call &call = *GetParam().call;
    const Fault &fault = *GetParam().fault;
    Prepare(call, device);
    ASSERT_EQ(RunCall(call, device).code, 0u) << "the call works before the fault";

    Prepare(call, device);
    module->update({{"faults", {fault.rule}}});
    const auto started = std::chrono::steady_clock::now();
    const Outcome failed = RunCall(call, device);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_NE(failed.code, 0u) << "a fault is never success";
    EXPECT_TRUE(failed.untouched) << "the caller's buffers keep what they held";
    EXPECT_LT(took, kTransferTimeOut + kSlack)
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";

    if (fault.rule["fault"] == "remove") {
        // The module is gone: back in once it is plugged again.
        const std::string serial = module->serial();
        DeviceClose(&device.handle);
        module.reset();
        nlohmann::json again = MatrixScenario();
        again["serial"] = serial;
        Plug(again);
    } else {
        module->update({{"clear_faults", true}});
    }
    Prepare(call, device);
    EXPECT_EQ(RunCall(call, device).code, 0u) << "the next call succeeds once the fault is gone";
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultMatrix, ::testing::ValuesIn(Cells()),
                         [](const ::testing::TestParamInfo<Cell> &info) {
                             return std::string(info.param.call->name) + "_" + info.param.fault->name;
                         });
