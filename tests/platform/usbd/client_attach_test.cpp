// Registration of client drivers and the offer of plugged devices to them.
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/usbd/host_stack_fixture.h"

namespace qms::testing {
namespace {

bool keyExists(const char16_t *path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::u16string stringValue(const char16_t *path, const char16_t *name)
{
    HKEY key;
    WCHAR text[64] = {};
    DWORD size = sizeof text, type = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) != ERROR_SUCCESS)
        return u"";
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    RegCloseKey(key);
    return text;
}

using ClientAttach = HostStackTest;

TEST_F(ClientAttach, MatchingDeviceIsOfferedAndTakenWithItsIdentity)
{
    const int slot = plugAttached(std::make_shared<FakeBusDevice>());
    EXPECT_STREQ(client->offers(), "QmsTestClient;");
    const USB_FUNCS *funcs = client->funcs(slot);
    ASSERT_NE(funcs, nullptr);
    EXPECT_EQ(funcs->dwCount, sizeof(USB_FUNCS));
    LPCUSB_DEVICE info = funcs->lpGetDeviceInfo(client->device(slot));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Descriptor.idVendor, 0x1234);
    EXPECT_EQ(info->Descriptor.idProduct, 0x5678);
    EXPECT_EQ(info->lpActiveInterface->Descriptor.bInterfaceClass, 0xFF);
}

TEST_F(ClientAttach, InterfaceOfAnotherSubclassIsNotOffered)
{
    EXPECT_NE(usbd::plugDevice(std::make_shared<FakeBusDevice>(0x1234, 0x5678, 1)), 0u);
    EXPECT_STREQ(client->offers(), "");
    EXPECT_EQ(client->attached_count(), 0);
}

TEST_F(ClientAttach, OtherVendorIsNotOffered)
{
    EXPECT_NE(usbd::plugDevice(std::make_shared<FakeBusDevice>(0x1235, 0x5678)), 0u);
    EXPECT_STREQ(client->offers(), "");
}

TEST_F(ClientAttach, DeclinedDeviceGoesToTheNextMatchingClientMostSpecificFirst)
{
    // A second registration of the same library that takes any product of the vendor.
    const USB_DRIVER_SETTINGS wide = {sizeof(USB_DRIVER_SETTINGS), 0x1234, USB_NO_INFO, USB_NO_INFO,
                                      USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO,
                                      USB_NO_INFO, USB_NO_INFO};
    ASSERT_TRUE(RegisterClientDriverID(u"AQmsWide"));
    ASSERT_TRUE(RegisterClientSettings(u"QmsTestClient.dll", u"AQmsWide", nullptr, &wide));
    client->decline_id("QmsTestClient");
    plugAttached(std::make_shared<FakeBusDevice>());
    EXPECT_STREQ(client->offers(), "QmsTestClient;AQmsWide;");
}

TEST_F(ClientAttach, RegistrationsLiveInTheRegistryAndUninstallKeepsTheClientKey)
{
    EXPECT_TRUE(keyExists(u"Drivers\\USB\\LoadClients\\QmsTestClient"));
    ASSERT_TRUE(client->uninstall());
    EXPECT_FALSE(keyExists(u"Drivers\\USB\\LoadClients\\QmsTestClient"));
    EXPECT_EQ(stringValue(u"Drivers\\USB\\ClientDrivers\\QmsTestClient", u"Dll"), u"QmsTestClient.dll");

    EXPECT_NE(usbd::plugDevice(std::make_shared<FakeBusDevice>()), 0u);
    EXPECT_STREQ(client->offers(), "");
    EXPECT_FALSE(client->uninstall()); // nothing left to remove
}

TEST_F(ClientAttach, MalformedRegistrationsAreRefused)
{
    USB_DRIVER_SETTINGS settings = {sizeof(USB_DRIVER_SETTINGS), 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_FALSE(RegisterClientSettings(u"x.dll", u"X", nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(RegisterClientSettings(nullptr, u"X", nullptr, &settings));
    EXPECT_FALSE(RegisterClientSettings(u"bad/../name?.dll", u"X", nullptr, &settings));
    EXPECT_FALSE(RegisterClientSettings(u"x.dll", u"A\\B", nullptr, &settings));
    settings.dwCount = 36;
    EXPECT_FALSE(RegisterClientSettings(u"x.dll", u"X", nullptr, &settings));
    EXPECT_FALSE(RegisterClientDriverID(nullptr));
    EXPECT_FALSE(RegisterClientDriverID(u""));
}

TEST_F(ClientAttach, LibraryNameIsMappedWhateverItsCaseAndFolder)
{
    const USB_DRIVER_SETTINGS other = {sizeof(USB_DRIVER_SETTINGS), 0x2222, USB_NO_INFO, USB_NO_INFO,
                                       USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO,
                                       USB_NO_INFO, USB_NO_INFO};
    ASSERT_TRUE(RegisterClientSettings(u"\\Windows\\QMSTESTCLIENT.DLL", u"Upper", nullptr, &other));
    plugAttached(std::make_shared<FakeBusDevice>(0x2222, 7));
    EXPECT_STREQ(client->offers(), "Upper;");
}

TEST_F(ClientAttach, MissingClientLibraryLeavesTheDeviceUnclaimed)
{
    const USB_DRIVER_SETTINGS any = {sizeof(USB_DRIVER_SETTINGS), 0x4321, USB_NO_INFO, USB_NO_INFO,
                                     USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, USB_NO_INFO,
                                     USB_NO_INFO, USB_NO_INFO};
    ASSERT_TRUE(RegisterClientSettings(u"NoSuchDriver.dll", u"Missing", nullptr, &any));
    const uint32_t address = usbd::plugDevice(std::make_shared<FakeBusDevice>(0x4321, 1));
    EXPECT_NE(address, 0u);
    EXPECT_TRUE(usbd::unplugDevice(address));
    EXPECT_FALSE(usbd::unplugDevice(address));
}

} // namespace
} // namespace qms::testing
