// The registry a plugged module leaves behind: keys, values, types, device numbers and
// templates.
#include <cstring>

#include "qms_regfile.h"
#include "qms_usbd.h"
#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

class Registry : public DriverTest {};

struct Value {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<Value> Values(const std::u16string &keyPath)
{
    std::vector<Value> values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        WCHAR name[256];
        DWORD chars = 256, type = 0;
        BYTE data[512];
        DWORD size = sizeof data;
        if (RegEnumValueW(key, index, name, &chars, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values.push_back({name, type, std::vector<BYTE>(data, data + size)});
    }
    RegCloseKey(key);
    return values;
}

std::vector<BYTE> Sz(const std::u16string &text)
{
    std::vector<BYTE> bytes((text.size() + 1) * 2, 0);
    std::memcpy(bytes.data(), text.c_str(), text.size() * 2);
    return bytes;
}

std::vector<BYTE> Dword(DWORD value)
{
    std::vector<BYTE> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

void ExpectValues(const std::u16string &keyPath, const std::vector<Value> &expected)
{
    const std::vector<Value> actual = Values(keyPath);
    ASSERT_EQ(actual.size(), expected.size()) << Narrow(keyPath);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(Narrow(expected[i].name));
        const Value *found = nullptr;
        for (const Value &v : actual)
            if (v.name == expected[i].name)
                found = &v;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->type, expected[i].type);
        EXPECT_EQ(found->data, expected[i].data);
    }
}

TEST_F(Registry, FirstModuleOnAnEmptySystemGetsNumberZeroAndTheFullLayout)
{
    Plug(5);
    ASSERT_EQ(DeviceNumberOf(5), 0);
    ExpectValues(u"Drivers\\USB\\ClientDrivers\\USB6093_Class",
                 {{u"Dll", REG_SZ, Sz(u"Qms6093S.dll")}, {u"Prefix", REG_SZ, Sz(u"U93")}});
    ExpectValues(SharedKey(0), {
                                   {u"BoardID", REG_DWORD, Dword(198)},
                                   {u"DeviceName", REG_SZ, Sz(u"USB-6093 BoardID=5")},
                                   {u"DriverName", REG_SZ, Sz(u"Qms6093.dll")},
                                   {u"KernelKey", REG_SZ, Sz(u"QMS6093S")},
                               });
    ExpectValues(DriverKey(0), {
                                   {u"DeviceName", REG_SZ, Sz(u"USB-6093 BoardID=5")},
                                   {u"DriverName", REG_SZ, Sz(u"Qms6093.dll")},
                                   {u"KernelKey", REG_SZ, Sz(u"QMS6093S")},
                                   {u"CallName", REG_SZ, Sz(u"U931:")},
                                   {u"ChanConfig", REG_DWORD, Dword(1)},
                                   {u"BoardID", REG_DWORD, Dword(198)},
                                   {u"SwitchID", REG_DWORD, Dword(5)},
                                   {u"AllowConflicts", REG_DWORD, Dword(1)},
                                   {u"TCReadBackChan", REG_DWORD, Dword(0)},
                                   {u"TCReadBackType", REG_DWORD, Dword(0)},
                               });
    // Written in the documented order.
    const auto written = Values(DriverKey(0));
    EXPECT_EQ(Narrow(written.front().name), "DeviceName");
    EXPECT_EQ(Narrow(written.back().name), "TCReadBackType");

    char text[8192];
    const long length = qms_reg_export("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", text, sizeof text);
    ASSERT_GT(length, 0);
    std::printf("%s\n", text);
}

TEST_F(Registry, NewModuleTakesTheLowestNumberNoDeviceKeyUses)
{
    CreateKey(SharedKey(0));
    CreateKey(SharedKey(1));
    CreateKey(SharedKey(3));
    CreateKey(std::u16string(QMS_REG_SHARED_KEY) + u"\\OtherKey");
    Plug(8);
    EXPECT_EQ(DeviceNumberOf(8), 2);
}

TEST_F(Registry, ADeviceKeyWithoutDigitsCountsAsNumberZero)
{
    CreateKey(std::u16string(QMS_REG_SHARED_KEY) + u"\\DeviceXYZ");
    Plug(8);
    EXPECT_EQ(DeviceNumberOf(8), 1);
}

TEST_F(Registry, TemplateFromARegistryFileSetsTheReadBackValues)
{
    const char *file = "REGEDIT4\n\n"
                       "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\USB6093_Class\\OtherTemplate]\n"
                       "\"BoardID\"=dword:000000c6\n\"SwitchID\"=dword:00000001\n"
                       "\"TCReadBackChan\"=dword:00000009\n\"TCReadBackType\"=dword:00000009\n\n"
                       "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\USB6093_Class\\USB6093Template]\n"
                       "\"BoardID\"=dword:000000c6\n\"SwitchID\"=dword:0000000c\n"
                       "\"TCReadBackChan\"=dword:00000003\n\"TCReadBackType\"=dword:00000002\n";
    char error[256] = {};
    ASSERT_EQ(qms_reg_import_text(file, std::strlen(file), error, sizeof error), 0) << error;
    Plug(12);
    const int number = DeviceNumberOf(12);
    ASSERT_GE(number, 0);
    EXPECT_EQ(ReadDword(DriverKey(number), u"TCReadBackChan"), 3);
    EXPECT_EQ(ReadDword(DriverKey(number), u"TCReadBackType"), 2);
}

TEST_F(Registry, ReplugKeepsTheNumberAndTheReadBackValuesAndRefreshesTheCallName)
{
    const int first = Plug(7, nlohmann::json{{"serial", "A"}});
    Plug(8);
    ASSERT_EQ(DeviceNumberOf(7), 0);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, DriverKey(0).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD chan = 4, type = 1;
    RegSetValueExW(key, u"TCReadBackChan", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&chan), 4);
    RegSetValueExW(key, u"TCReadBackType", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&type), 4);
    const WCHAR stale[] = u"USB-6093 BoardID=99";
    RegSetValueExW(key, u"DeviceName", 0, REG_SZ, reinterpret_cast<const BYTE *>(stale), sizeof stale);
    RegCloseKey(key);

    ASSERT_EQ(qms_sim_unplug(first), 0);
    ASSERT_EQ(qms_sim_wait_removed(first, 2000), 0);
    ASSERT_TRUE(Gone(u"U931:"));
    Plug(9);  // takes the stream name U931: now
    Plug(7, nlohmann::json{{"serial", "A"}});
    EXPECT_EQ(DeviceNumberOf(7), 0);
    EXPECT_EQ(ReadDword(DriverKey(0), u"TCReadBackChan"), 4);
    EXPECT_EQ(ReadDword(DriverKey(0), u"TCReadBackType"), 1);
    EXPECT_EQ(Narrow(ReadString(DriverKey(0), u"DeviceName")), "USB-6093 BoardID=7");
    EXPECT_EQ(Narrow(ReadString(SharedKey(0), u"DeviceName")), "USB-6093 BoardID=7");
    EXPECT_EQ(Narrow(ReadString(DriverKey(0), u"CallName")), "U933:");
    EXPECT_EQ(DeviceNumberOf(9), 2);
}

TEST_F(Registry, WhenAllNumbersAreTakenTheModuleIsRefusedAndDeviceZeroIsLeftAlone)
{
    for (int n = 0; n <= 254; ++n)
        CreateKey(SharedKey(n));
    Plug(40);
    EXPECT_EQ(DeviceNumberOf(40), -1);
    EXPECT_TRUE(Values(SharedKey(0)).empty());
    EXPECT_EQ(CreateFileW(u"U931:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST_F(Registry, TwoPluggedModulesOfTheSameBoardNumberDoNotShareADevice)
{
    Plug(0);
    Plug(0);
    HANDLE first = CreateFileW(u"U931:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE second = CreateFileW(u"U932:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Narrow(ReadString(DriverKey(0), u"CallName")), "U931:");
    EXPECT_EQ(Narrow(ReadString(DriverKey(1), u"CallName")), "U932:");
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(Registry, UninstallLeavesTheDriverValuesInPlace)
{
    void *library = OpenDriverLibrary();
    ASSERT_NE(library, nullptr);
    const auto uninstall = reinterpret_cast<LPUSB_UNINSTALL_DRIVER>(dlsym(library, USB_UNINSTALL_DRIVER_NAME));
    EXPECT_TRUE(uninstall());
    EXPECT_FALSE(uninstall()); // nothing left to remove
    EXPECT_EQ(Narrow(ReadString(QMS_REG_CLIENT_DRIVER_KEY, u"Dll")), "Qms6093S.dll");
    EXPECT_EQ(Narrow(ReadString(QMS_REG_CLIENT_DRIVER_KEY, u"Prefix")), "U93");
    const auto install = reinterpret_cast<LPUSB_INSTALL_DRIVER>(dlsym(library, USB_INSTALL_DRIVER_NAME));
    EXPECT_TRUE(install(u"Qms6093S.dll"));
    dlclose(library);
}

} // namespace
} // namespace qms::testing
