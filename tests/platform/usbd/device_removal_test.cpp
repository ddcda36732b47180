// Removal of devices: the notice to the client, pending and later transfers, and the
// independence of devices from each other.
#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <future>
#include <thread>

#include "tests/platform/usbd/host_stack_fixture.h"

namespace qms::testing {
namespace {

using usbd::ControlOutcome;
using Clock = std::chrono::steady_clock;
using DeviceRemoval = HostStackTest;

TEST_F(DeviceRemoval, ClientHearsCloseDeviceOnAThreadOtherThanTheUnplugger)
{
    uint32_t address = 0;
    const int slot = plugAttached(std::make_shared<FakeBusDevice>(), &address);
    ASSERT_TRUE(usbd::unplugDevice(address));
    // Gone for the client at once, before its notice has arrived.
    EXPECT_EQ(client->funcs(slot)->lpGetDeviceInfo(client->device(slot)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    ASSERT_TRUE(client->wait_notice(slot, 2000));
    EXPECT_EQ(client->notice_code(slot), USB_CLOSE_DEVICE);
    EXPECT_NE(client->notice_thread(slot), static_cast<uint64_t>(pthread_self()));
    EXPECT_FALSE(usbd::unplugDevice(address));
}

TEST_F(DeviceRemoval, PendingTransferFailsAtOnceAndLaterOnesAreRefused)
{
    auto device = std::make_shared<FakeBusDevice>();
    uint32_t address = 0;
    const int slot = plugAttached(device, &address);
    device->answerNext(ControlOutcome::NoCompletion);
    auto waiting = std::async(std::launch::async, [&] {
        uint8_t buffer[4] = {};
        DWORD bytes = 0, error = 0;
        const auto start = Clock::now();
        const DWORD result = client->vendor(slot, TRUE, 2, 5, buffer, 4, 10000, &bytes, &error);
        return std::make_tuple(result, error, Clock::now() - start);
    });
    while (device->wire().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(usbd::unplugDevice(address));
    const auto [result, error, took] = waiting.get();
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_EQ(error, USB_DEVICE_NOT_RESPONDING_ERROR);
    EXPECT_LT(took, std::chrono::milliseconds(2000));

    const USB_FUNCS *funcs = client->funcs(slot);
    const USB_DEVICE_REQUEST setup = {0x40, 127, 8, 0, 0};
    EXPECT_EQ(funcs->lpIssueVendorTransfer(client->device(slot), nullptr, nullptr, USB_OUT_TRANSFER, &setup,
                                           nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_FALSE(funcs->lpResetDefaultPipe(client->device(slot)));
    EXPECT_EQ(device->wire().size(), 1u);
}

TEST_F(DeviceRemoval, DeviceGoneInMidTransferIsRemoved)
{
    auto device = std::make_shared<FakeBusDevice>();
    uint32_t address = 0;
    const int slot = plugAttached(device, &address);
    device->answerNext(ControlOutcome::Removed);
    uint8_t buffer[4] = {};
    DWORD bytes = 0, error = 0;
    EXPECT_EQ(client->vendor(slot, TRUE, 2, 5, buffer, 4, 2000, &bytes, &error), static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_EQ(error, USB_DEVICE_NOT_RESPONDING_ERROR);
    ASSERT_TRUE(client->wait_notice(slot, 2000));
    EXPECT_EQ(client->notice_code(slot), USB_CLOSE_DEVICE);
    EXPECT_FALSE(usbd::unplugDevice(address));
}

TEST_F(DeviceRemoval, ABlockedRemovalPathDelaysNoOtherDevice)
{
    uint32_t first = 0, second = 0;
    const int a = plugAttached(std::make_shared<FakeBusDevice>(), &first);
    const int b = plugAttached(std::make_shared<FakeBusDevice>(), &second);
    client->block_removal(a);
    ASSERT_TRUE(usbd::unplugDevice(first));
    ASSERT_TRUE(client->wait_notice(a, 2000));
    ASSERT_TRUE(usbd::unplugDevice(second));
    EXPECT_TRUE(client->wait_notice(b, 2000));
    client->release_removal();
}

TEST_F(DeviceRemoval, ASlowTransferOnOneDeviceDelaysNoOther)
{
    auto slow = std::make_shared<FakeBusDevice>();
    auto quick = std::make_shared<FakeBusDevice>();
    const int a = plugAttached(slow);
    const int b = plugAttached(quick);
    slow->answerNext(ControlOutcome::Completed, 4, 1500000);
    quick->answerNext(ControlOutcome::Completed, 4, 1000);
    auto slowRequest = std::async(std::launch::async, [&] {
        uint8_t buffer[4];
        DWORD bytes, error;
        return client->vendor(a, TRUE, 2, 5, buffer, 4, 5000, &bytes, &error);
    });
    while (slow->wire().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto start = Clock::now();
    uint8_t buffer[4];
    DWORD bytes, error;
    EXPECT_EQ(client->vendor(b, TRUE, 2, 5, buffer, 4, 5000, &bytes, &error), 0u);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(slowRequest.get(), 0u);
}

TEST_F(DeviceRemoval, WaitForRemovalEndsWhenTheClientsRoutineHasReturned)
{
    uint32_t address = 0;
    const int slot = plugAttached(std::make_shared<FakeBusDevice>(), &address);
    EXPECT_FALSE(usbd::waitDeviceRemoved(address, 0)) << "still plugged";
    client->block_removal(slot);
    ASSERT_TRUE(usbd::unplugDevice(address));
    ASSERT_TRUE(client->wait_notice(slot, 2000));
    EXPECT_FALSE(usbd::waitDeviceRemoved(address, 50)) << "the routine has not returned";
    client->release_removal();
    EXPECT_TRUE(usbd::waitDeviceRemoved(address, 2000));
    // Forgotten with its notice thread: the handle is unknown now.
    EXPECT_EQ(client->funcs(slot)->lpGetDeviceInfo(client->device(slot)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(usbd::waitDeviceRemoved(address + 1000, 0)) << "an address the host does not know";
}

TEST_F(DeviceRemoval, ShutdownUnplugsEveryDeviceAndNotifiesTheClient)
{
    const int slot = plugAttached(std::make_shared<FakeBusDevice>());
    qms_platform_shutdown();
    EXPECT_EQ(client->notice_code(slot), USB_CLOSE_DEVICE);
}

} // namespace
} // namespace qms::testing
