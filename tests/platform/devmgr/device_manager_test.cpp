// The device manager with the test driver (prefix TST): names, Active keys, routing of the
// stream calls, failed activation, and deactivation with calls in flight.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "qms_streamdrv.h"
#include "tests/platform/usbd/test_client_library.h"

namespace qms::testing {
namespace {

constexpr char16_t deviceKey[] = u"Drivers\\Test\\TstDevice";

std::u16string stringValue(const std::u16string &path, const char16_t *name)
{
    HKEY key;
    WCHAR text[64] = {};
    DWORD size = sizeof text, type = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key) != ERROR_SUCCESS)
        return u"<no key>";
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size) != ERROR_SUCCESS)
        text[0] = 0;
    RegCloseKey(key);
    return text;
}

DWORD dwordValue(const std::u16string &path, const char16_t *name, DWORD *type)
{
    HKEY key;
    DWORD value = 0, size = sizeof value;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    return value;
}

bool keyExists(const std::u16string &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void writeDeviceKey(const char16_t *path, const char16_t *dll, const char16_t *prefix)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
    const std::u16string d(dll), p(prefix);
    RegSetValueExW(key, u"Dll", 0, REG_SZ, reinterpret_cast<const BYTE *>(d.c_str()), DWORD((d.size() + 1) * 2));
    RegSetValueExW(key, u"Prefix", 0, REG_SZ, reinterpret_cast<const BYTE *>(p.c_str()), DWORD((p.size() + 1) * 2));
    RegCloseKey(key);
}

class DeviceManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(qms_platform_start(), 0);
        writeDeviceKey(deviceKey, u"QmsTestClient.dll", u"TST");
    }
    void TearDown() override
    {
        if (driver) {
            driver->release_ioctl();
        }
        qms_platform_shutdown();
        driver.reset();
    }
    const TestClientLibrary &testDriver()
    {
        if (!driver)
            driver = std::make_unique<TestClientLibrary>(false);
        return *driver;
    }

    std::unique_ptr<TestClientLibrary> driver;
};

TEST_F(DeviceManager, NamesTakeTheLowestFreeIndexFromOne)
{
    const HANDLE first = ActivateDevice(deviceKey, 11);
    const HANDLE second = ActivateDevice(deviceKey, 12);
    const HANDLE third = ActivateDevice(deviceKey, 13);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(std::string(testDriver().log()), "Init(TST1:,11);Init(TST2:,12);Init(TST3:,13);");
    ASSERT_TRUE(DeactivateDevice(second));
    const HANDLE again = ActivateDevice(deviceKey, 14);
    ASSERT_TRUE(again);
    EXPECT_EQ(std::string(testDriver().log()),
              "Init(TST1:,11);Init(TST2:,12);Init(TST3:,13);Deinit(TST2:);Init(TST2:,14);");
}

TEST_F(DeviceManager, ActiveKeyHoldsKeyNameAndClientInfo)
{
    const HANDLE device = ActivateDevice(deviceKey, 0x3A5C6093);
    ASSERT_TRUE(device);
    const std::u16string active = u"Drivers\\Active\\01";
    EXPECT_EQ(stringValue(active, u"Key"), deviceKey);
    EXPECT_EQ(stringValue(active, u"Name"), u"TST1:");
    DWORD type = 0;
    EXPECT_EQ(dwordValue(active, u"ClientInfo", &type), 0x3A5C6093u);
    EXPECT_EQ(type, REG_DWORD);
    ASSERT_TRUE(DeactivateDevice(device));
    EXPECT_FALSE(keyExists(active));
}

TEST_F(DeviceManager, StreamCallsReachTheDriverThroughTheHandle)
{
    const HANDLE device = ActivateDevice(deviceKey, 1);
    ASSERT_TRUE(device);
    const HANDLE open = CreateFileW(u"tst1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    char in[5] = "ping", out[8] = {};
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(open, QMSTC_IOCTL_ECHO, in, 4, out, sizeof out, &returned, nullptr));
    EXPECT_EQ(returned, 4u);
    EXPECT_STREQ(out, "ping");
    // bytes-returned may be left out
    EXPECT_TRUE(DeviceIoControl(open, QMSTC_IOCTL_ECHO, in, 4, out, sizeof out, nullptr, nullptr));
    EXPECT_FALSE(DeviceIoControl(open, 99, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(CloseHandle(open));
    EXPECT_EQ(std::string(testDriver().log()),
              "Init(TST1:,1);Open(TST1:);IOControl(TST1:);IOControl(TST1:);Close(TST1:);");

    EXPECT_FALSE(CloseHandle(open));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeviceIoControl(open, QMSTC_IOCTL_ECHO, in, 4, out, sizeof out, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(DeviceIoControl(event, QMSTC_IOCTL_ECHO, in, 4, out, sizeof out, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(event);
}

TEST_F(DeviceManager, UnknownNamesFailToOpen)
{
    EXPECT_EQ(CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    const HANDLE device = ActivateDevice(deviceKey, 1);
    ASSERT_TRUE(device);
    for (const char16_t *name : {u"TST2:", u"TST1", u"TST", u""}) {
        EXPECT_EQ(CreateFileW(name, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_EQ(CreateFileW(nullptr, 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceManager, FailingInitLeavesNoTrace)
{
    ASSERT_FALSE(TestClientLibrary::loaded());
    EXPECT_EQ(ActivateDevice(deviceKey, QMSTC_CLIENTINFO_FAIL), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_FALSE(keyExists(u"Drivers\\Active\\01"));
    EXPECT_FALSE(TestClientLibrary::loaded());
    EXPECT_EQ(CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    // the name was not used up
    ASSERT_TRUE(ActivateDevice(deviceKey, 5));
    EXPECT_EQ(std::string(testDriver().log()), "Init(TST1:,5);");
}

TEST_F(DeviceManager, IncompleteDeviceKeysFailCleanly)
{
    writeDeviceKey(u"Drivers\\Test\\NoEntries", u"QmsTestClient.dll", u"NOP");
    EXPECT_EQ(ActivateDevice(u"Drivers\\Test\\NoEntries", 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    writeDeviceKey(u"Drivers\\Test\\NoLibrary", u"NoSuchDriver.dll", u"NSD");
    EXPECT_EQ(ActivateDevice(u"Drivers\\Test\\NoLibrary", 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    writeDeviceKey(u"Drivers\\Test\\LongPrefix", u"QmsTestClient.dll", u"TSTX");
    EXPECT_EQ(ActivateDevice(u"Drivers\\Test\\LongPrefix", 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ActivateDevice(u"Drivers\\Test\\Missing", 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ActivateDevice(nullptr, 1), nullptr);
    EXPECT_FALSE(keyExists(u"Drivers\\Active\\01"));
    EXPECT_FALSE(TestClientLibrary::loaded());
}

TEST_F(DeviceManager, DeactivationWaitsForCallsInsideTheDriverAndRefusesNewOnes)
{
    const HANDLE device = ActivateDevice(deviceKey, 1);
    ASSERT_TRUE(device);
    const HANDLE first = CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE second = CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);

    auto call = std::async(std::launch::async, [&] {
        return DeviceIoControl(first, QMSTC_IOCTL_BLOCK, nullptr, 0, nullptr, 0, nullptr, nullptr);
    });
    ASSERT_TRUE(testDriver().wait_blocked_ioctl(5000));
    auto deactivation = std::async(std::launch::async, [&] { return DeactivateDevice(device); });
    EXPECT_EQ(deactivation.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(std::string(testDriver().log()).find("Deinit"), std::string::npos);
    // no new call gets in meanwhile
    char in[4] = {}, out[4];
    EXPECT_FALSE(DeviceIoControl(second, QMSTC_IOCTL_ECHO, in, 4, out, 4, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_REMOVED));
    EXPECT_EQ(CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

    testDriver().release_ioctl();
    EXPECT_TRUE(call.get());
    EXPECT_TRUE(deactivation.get());
    const std::string log = testDriver().log();
    EXPECT_LT(log.find("IOControlLeave(TST1:)"), log.find("Deinit(TST1:)"));

    // stale handles fail without reaching the driver
    EXPECT_FALSE(DeviceIoControl(first, QMSTC_IOCTL_ECHO, in, 4, out, 4, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_REMOVED));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(std::string(testDriver().log()), log);
    EXPECT_FALSE(DeactivateDevice(device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DeviceManager, CloseWaitsForCallsOnTheSameHandle)
{
    ASSERT_TRUE(ActivateDevice(deviceKey, 1));
    const HANDLE open = CreateFileW(u"TST1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    auto call = std::async(std::launch::async, [&] {
        return DeviceIoControl(open, QMSTC_IOCTL_BLOCK, nullptr, 0, nullptr, 0, nullptr, nullptr);
    });
    ASSERT_TRUE(testDriver().wait_blocked_ioctl(5000));
    auto close = std::async(std::launch::async, [&] { return CloseHandle(open); });
    EXPECT_EQ(close.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    testDriver().release_ioctl();
    EXPECT_TRUE(call.get());
    EXPECT_TRUE(close.get());
    const std::string log = testDriver().log();
    EXPECT_LT(log.find("IOControlLeave(TST1:)"), log.find("Close(TST1:)"));
}

// The Active key of a device being deactivated goes before its number is free again: a device
// activated at the same moment, which may take that number, keeps its own key.
TEST_F(DeviceManager, ActivationAlongsideADeactivationKeepsItsActiveKey)
{
    for (DWORD round = 0; round < 500; ++round) {
        SCOPED_TRACE(round);
        const HANDLE old = ActivateDevice(deviceKey, 1000 + round);
        ASSERT_TRUE(old);
        std::promise<void> go;
        std::shared_future<void> start = go.get_future().share();
        auto deactivation = std::async(std::launch::async, [&] {
            start.wait();
            return DeactivateDevice(old);
        });
        auto activation = std::async(std::launch::async, [&] {
            start.wait();
            return ActivateDevice(deviceKey, 5000 + round);
        });
        go.set_value();
        ASSERT_TRUE(deactivation.get());
        const HANDLE fresh = activation.get();
        ASSERT_TRUE(fresh);
        int keys = 0;
        for (int n = 1; n <= 2; ++n) {
            const std::u16string active = n == 1 ? u"Drivers\\Active\\01" : u"Drivers\\Active\\02";
            DWORD type = 0;
            if (keyExists(active)) {
                ++keys;
                EXPECT_EQ(dwordValue(active, u"ClientInfo", &type), 5000 + round);
            }
        }
        EXPECT_EQ(keys, 1);
        ASSERT_TRUE(DeactivateDevice(fresh));
    }
}

TEST_F(DeviceManager, ShutdownDeinitsIdleDevices)
{
    ASSERT_TRUE(ActivateDevice(deviceKey, 1));
    const TestClientLibrary &log = testDriver();
    qms_platform_shutdown();
    EXPECT_EQ(std::string(log.log()), "Init(TST1:,1);Deinit(TST1:);");
}

} // namespace
} // namespace qms::testing
