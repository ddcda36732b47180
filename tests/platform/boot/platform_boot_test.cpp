// Start on first use, shutdown and a fresh start, and the bound on drivers that never finish
// their removal.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/usbd/fake_bus_device.h"
#include "tests/platform/usbd/test_client_library.h"

namespace qms::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char16_t markerKey[] = u"Software\\BootTest";

void writeMarker()
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, markerKey, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool markerExists()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, markerKey, 0, 0, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string besideThePlatform(const std::string &file)
{
    const std::string client = QMS_TEST_CLIENT_PATH;
    return client.substr(0, client.rfind('/') + 1) + file;
}

bool built(const std::string &file)
{
    return access(besideThePlatform(file).c_str(), R_OK) == 0;
}

// Sets QMS_SIM for one test (null: unset) and puts the old value back.
class SimEnvironment {
public:
    explicit SimEnvironment(const char *value)
    {
        if (const char *old = std::getenv("QMS_SIM"))
            old_ = old;
        value ? setenv("QMS_SIM", value, 1) : unsetenv("QMS_SIM");
    }
    ~SimEnvironment() { old_ ? setenv("QMS_SIM", old_->c_str(), 1) : unsetenv("QMS_SIM"); }

private:
    std::optional<std::string> old_;
};

class PlatformBoot : public ::testing::Test {
protected:
    void TearDown() override { qms_platform_shutdown(); }
};

TEST_F(PlatformBoot, ShutdownAndStartGiveAFreshPlatform)
{
    ASSERT_EQ(qms_platform_start(), 0);
    ASSERT_EQ(qms_platform_start(), 0);
    writeMarker();
    ASSERT_TRUE(RegisterClientDriverID(u"Fresh"));
    ASSERT_TRUE(markerExists());
    qms_platform_shutdown();
    qms_platform_shutdown(); // a second shutdown has nothing to do
    ASSERT_EQ(qms_platform_start(), 0);
    EXPECT_FALSE(markerExists());
    EXPECT_FALSE(UnRegisterClientDriverID(u"Fresh"));
}

TEST_F(PlatformBoot, FirstUseStartsThePlatform)
{
    writeMarker();
    EXPECT_EQ(CreateFileW(u"NON1:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // the platform runs now: its shutdown closes the registry store
    qms_platform_shutdown();
    EXPECT_FALSE(markerExists());
}

TEST_F(PlatformBoot, ConcurrentFirstUsesBootOnce)
{
    std::vector<std::future<int>> starts;
    for (int i = 0; i < 8; ++i)
        starts.push_back(std::async(std::launch::async, [] { return qms_platform_start(); }));
    for (auto &start : starts)
        EXPECT_EQ(start.get(), 0);
    EXPECT_TRUE(RegisterClientDriverID(u"AfterBoot"));
}

TEST_F(PlatformBoot, ShutdownIsBoundedWhenARemovalPathNeverEnds)
{
    ASSERT_EQ(qms_platform_start(), 0);
    TestClientLibrary client;
    ASSERT_TRUE(client.install());
    ASSERT_NE(usbd::plugDevice(std::make_shared<FakeBusDevice>()), 0u);
    ASSERT_EQ(client.attached_count(), 1);
    client.block_removal(0);
    const auto start = Clock::now();
    qms_platform_shutdown();
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(4500));
    EXPECT_LT(took, std::chrono::milliseconds(8000));
    EXPECT_EQ(client.notice_code(0), USB_CLOSE_DEVICE);
    client.release_removal();

    // the next platform starts fresh and attaches again
    ASSERT_EQ(qms_platform_start(), 0);
    client.reset();
    ASSERT_TRUE(client.install());
    ASSERT_NE(usbd::plugDevice(std::make_shared<FakeBusDevice>()), 0u);
    EXPECT_EQ(client.attached_count(), 1);
}

TEST_F(PlatformBoot, DemoModuleIsPluggedAndAttachedDuringBoot)
{
    if (!built("libqmssim.so") || !built("libqms6093s.so"))
        GTEST_SKIP() << "simulated module or stream driver not built";
    // The stream driver keeps tables that live as long as it is loaded; kept loaded here, so
    // that the shutdowns of this process do not leave them to the leak checker.
    dlopen(besideThePlatform("libqms6093s.so").c_str(), RTLD_NOW | RTLD_NODELETE);
    SimEnvironment demo(nullptr);
    // The simulator starts the platform and plugs its module while boot is in progress, and
    // the driver activates its stream device from inside that plug: none of it may wait for
    // boot to end.
    auto start = std::async(std::launch::async, [] { return qms_platform_start(); });
    ASSERT_EQ(start.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(start.get(), 0);
    const HANDLE device = CreateFileW(u"U931:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(device));
    qms_platform_shutdown();
}

TEST_F(PlatformBoot, UnusableSimulatorSettingLeavesAPlatformWithoutModules)
{
    if (!built("libqmssim.so"))
        GTEST_SKIP() << "simulated module not built";
    SimEnvironment broken("{not json");
    ASSERT_EQ(qms_platform_start(), 0);
    EXPECT_EQ(CreateFileW(u"U931:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PlatformBoot, ProcessExitWithDevicesStillPluggedIsClean)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qms_platform_start();
            TestClientLibrary client;
            client.install();
            usbd::plugDevice(std::make_shared<FakeBusDevice>());
            usbd::plugDevice(std::make_shared<FakeBusDevice>());
            std::exit(client.attached_count() == 2 ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
}

} // namespace
} // namespace qms::testing
