// The first temperature read after a module is plugged, while the stream driver's CJC sampler
// has no sample yet: the read goes on as soon as the sample is there, and the device's other
// calls are not held up while it waits.
#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms6093.h"
#include "qms_ioctl.h"
#include "qms_platform.h"
#include "qms_vendor.h"
#include "tests/api/thermo/thermo_device.h"

using namespace qms::test;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTerminalC = 24.5;

// The sensor answers "invalid" through the sampler's whole first cycle (six reads): the
// first sample comes with the second cycle, a second after the plug.
nlohmann::json LateFirstSample(uint32_t boardNumber)
{
    nlohmann::json s = ThermoScenario(boardNumber, kTerminalC);
    s["channels"][0] = {{"thermocouple", "K"}, {"temp_c", 250.0}};
    s["cjc_invalid_reads"] = 6;
    return s;
}

// The same, and the second cycle's reading takes a while on the bus: the first sample comes
// some 1.25 s after the plug, away from any whole second after it.
nlohmann::json SlowFirstSample(uint32_t boardNumber)
{
    nlohmann::json s = LateFirstSample(boardNumber);
    s["faults"] = {{{"group", GROUP_AI}, {"command", CMD_AI_READ_CJC}, {"dir", "in"},
                    {"occurrence", 7}, {"fault", "latency"}, {"micros", 250000}}};
    return s;
}

// When the driver's history first holds a sample, seen from beside the library.
std::future<Clock::time_point> FirstSampleSeen(uint32_t handle)
{
    const HANDLE stream = qms::api::FindRecordByHandle(handle)->streamHandle;
    return std::async(std::launch::async, [stream] {
        const auto deadline = Clock::now() + 5s;
        for (;;) {
            CjcHistory history{};
            DWORD returned = 0;
            if (!DeviceIoControl(stream, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history,
                                 sizeof history, &returned, nullptr) ||
                history.count != 0 || Clock::now() > deadline)
                return Clock::now();
            std::this_thread::yield();
        }
    });
}

// Until the sampler has made the six reads the sensor answers "invalid": its next reading,
// in its next cycle, brings the first sample. (A cycle can end early when the open's requests
// want the bus: the reads are counted, not the cycles.)
void WaitForTheInvalidReadings(const SimulatedModule &module)
{
    const auto deadline = Clock::now() + 5s;
    while (module.wire(GROUP_AI, CMD_AI_READ_CJC).size() < 6) {
        ASSERT_LT(Clock::now(), deadline) << "the sampler does not read";
        std::this_thread::yield();
    }
}

} // namespace

TEST(CjcSampleWait, FirstReadGoesOnAsSoonAsTheFirstSampleIsThere)
{
    SimulatedModule module(SlowFirstSample(40));
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    WaitForTheInvalidReadings(module);
    auto sampled = FirstSampleSeen(handle);

    float celsius = 0.0f;
    EXPECT_EQ(TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &celsius), 0u);
    const auto done = Clock::now();
    EXPECT_NEAR(celsius, 250.0, ReadingTolerance(TC_TYPE_K, 250.0, kTerminalC));
    EXPECT_LT(done - sampled.get(), 300ms) << "not the next whole second of a one-second wait";
    DeviceClose(&handle);
}

TEST(CjcSampleWait, OtherCallsOnTheDeviceGoOnMeanwhile)
{
    SimulatedModule module(LateFirstSample(41));
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    WaitForTheInvalidReadings(module);

    auto read = std::async(std::launch::async, [handle] {
        float celsius = 0.0f;
        return TCMuxRead(handle, 0, 0, 0, TC_TYPE_K, TEMP_SCALE_CELSIUS, &celsius);
    });
    // Calls on the same handle all the while the temperature read waits. They take the
    // device as every call does, but not the bus: the driver's sampler gives way to calls
    // that wait for the bus, and its sample is what the read waits for.
    Clock::duration longest{};
    int calls = 0;
    while (read.wait_for(10ms) != std::future_status::ready) {
        AIGetConfigResult config;
        const auto start = Clock::now();
        ASSERT_EQ(AIGetConfig(handle, &config, sizeof config), 0u);
        longest = std::max(longest, Clock::now() - start);
        ++calls;
    }
    EXPECT_EQ(read.get(), 0u);
    EXPECT_GT(calls, 1);
    // Held for the whole second of the wait, a call would take some 1000 ms; the read's own
    // requests once the sample is there take a few.
    EXPECT_LT(longest, 900ms) << "the wait for the CJC sample does not hold the device: "
                              << std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()
                              << " ms";
    DeviceClose(&handle);
}
