// A fresh platform per test with the test client driver installed.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/platform/usbd/fake_bus_device.h"
#include "tests/platform/usbd/test_client_library.h"

namespace qms::testing {

class HostStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(qms_platform_start(), 0);
        client = std::make_unique<TestClientLibrary>();
        ASSERT_TRUE(client->install());
    }
    void TearDown() override
    {
        client->release_removal();
        client->release_ioctl();
        qms_platform_shutdown();
        client.reset();
    }

    // Plugs a device and expects the test client to take it; returns its slot.
    int plugAttached(const std::shared_ptr<FakeBusDevice> &device, uint32_t *address = nullptr)
    {
        const int before = client->attached_count();
        const uint32_t at = usbd::plugDevice(device);
        EXPECT_NE(at, 0u);
        EXPECT_EQ(client->attached_count(), before + 1);
        if (address)
            *address = at;
        return before;
    }

    std::unique_ptr<TestClientLibrary> client;
};

} // namespace qms::testing
