// Opening, using and closing devices from several threads at once.
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

TEST(OpenCloseThreads, ConcurrentOpensShareOneRecord)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    constexpr int kThreads = 6;
    std::vector<uint32_t> handles(kThreads, 0);
    std::vector<uint32_t> results(kThreads, 0xDEAD);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] { results[i] = DeviceOpen(dev, &handles[i]); });
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(results[i], 0u);
        EXPECT_EQ(handles[i], handles[0]);
    }
    EXPECT_EQ(qms::api::FindRecordByHandle(handles[0])->openCount, kThreads);
    EXPECT_EQ(module.state()["open_notices"], 1);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] { DeviceClose(&handles[i]); });
    }
    for (uint32_t h : handles)
        EXPECT_EQ(h, 0u);
    EXPECT_EQ(module.state()["close_notices"], 1);
}

TEST(OpenCloseThreads, CallsRaceAClosingHandleWithoutHarm)
{
    SimulatedModule module(QuietScenario());
    const uint32_t dev = module.deviceNumber();
    for (int round = 0; round < 5; ++round) {
        uint32_t handle = 0;
        ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
        const uint32_t shared = handle;
        std::atomic<int> refused{0};
        std::atomic<int> busy{0}; // users that have completed a call on the open handle
        std::vector<std::jthread> users;
        for (int t = 0; t < 3; ++t) {
            users.emplace_back([&, t] {
                uint16_t value = 0;
                uint8_t out = static_cast<uint8_t>(t);
                for (bool first = true;; first = false) {
                    const uint32_t r = t == 0 ? DioReadPortByte(shared, 0, &value)
                                     : t == 1 ? DioWriteDoPorts(shared, 0, 1, &out)
                                              : AIBinaryIn(shared, 0, 0, &value);
                    if (r == QMS_ERR_NULL_HANDLE) {
                        ++refused;
                        return;
                    }
                    if (first)
                        ++busy;
                }
            });
        }
        // The close comes while every user is in the middle of its calls.
        while (busy.load() < 3)
            std::this_thread::yield();
        DeviceClose(&handle);
        for (auto &u : users)
            u.join();
        EXPECT_EQ(refused.load(), 3) << "every user sees the handle go, none crashes";
    }
}

TEST(OpenCloseThreads, ReadModifyWritesOnOneDeviceDoNotLoseLines)
{
    SimulatedModule module(QuietScenario());
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(module.deviceNumber(), &handle), 0u);
    ASSERT_EQ(DioWritePortByte(handle, 0, 0xFF, 0x00), 0u);
    {
        std::vector<std::jthread> threads;
        for (uint16_t bit = 0; bit < 8; ++bit)
            threads.emplace_back([=] {
                for (int i = 0; i < 5; ++i) {
                    DioWriteBit(handle, 0, bit, 0);
                    DioWriteBit(handle, 0, bit, 1);
                }
            });
    }
    EXPECT_EQ(module.state()["do"], 0xFF) << "every line's last write survives";
    DeviceClose(&handle);
}
