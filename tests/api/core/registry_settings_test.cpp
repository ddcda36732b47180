// Registry tables and device settings, against the in-memory registry.
#include <gtest/gtest.h>

#include "api/device_settings.h"
#include "api/registry_values.h"
#include "qms6093.h"
#include "qms_identity.h"

using namespace qms::api;

namespace {

void PublishDevice(uint32_t dev, uint32_t boardId, const char16_t *callName)
{
    uint32_t values[] = {boardId, 7, 1, 0, 0};
    RegistryValueRow rows[] = {
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &values[0]},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &values[1]},
        {QMS_REGVAL_ALLOW_CONFLICTS, REG_DWORD, 4, &values[2]},
        {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, 4, &values[3]},
        {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, 4, &values[4]},
        {QMS_REGVAL_CALL_NAME, REG_SZ, 0, const_cast<char16_t *>(callName)},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string key = DeviceKeyPath(QMS_REG_DRIVER_KEY, dev);
    ASSERT_EQ(AccessRegistryValues(key.c_str(), rows, RegistryWrite, 1), 1);
}

} // namespace

TEST(AccessRegistryValues, WritesEveryTypeAndReadsItBack)
{
    uint32_t number = 42;
    char16_t text[] = u"hello";
    char16_t multi[] = u"a\0bc\0";
    uint8_t blob[3] = {1, 2, 3};
    RegistryValueRow write[] = {
        {u"Number", REG_DWORD, 0, &number},
        {u"Text", REG_SZ, 0, text},
        {u"Multi", REG_MULTI_SZ, 0, multi},
        {u"Blob", REG_BINARY, sizeof blob, blob},
        {nullptr, 0, 0, nullptr},
    };
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Table", write, RegistryWrite, 0), 1);

    uint32_t numberBack = 0;
    char16_t textBack[16] = {};
    char16_t multiBack[16] = {};
    RegistryValueRow read[] = {
        {u"Number", REG_DWORD, 4, &numberBack},
        {u"Text", REG_SZ, sizeof textBack, textBack},
        {u"Multi", REG_MULTI_SZ, sizeof multiBack, multiBack},
        {nullptr, 0, 0, nullptr},
    };
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Table", read, RegistryRead, 0), 1);
    EXPECT_EQ(numberBack, 42u);
    EXPECT_EQ(std::u16string(textBack), u"hello");
    EXPECT_EQ(read[1].size, 12u);
    EXPECT_EQ(read[2].size, 12u) << "a, bc and the final terminator";
}

TEST(AccessRegistryValues, ExistingKeyIsLeftAloneWithoutOverwrite)
{
    uint32_t first = 1, second = 2, back = 0;
    RegistryValueRow rows[] = {{u"Value", REG_DWORD, 4, &first}, {nullptr, 0, 0, nullptr}};
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Keep", rows, RegistryWrite, 0), 1);
    rows[0].data = &second;
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Keep", rows, RegistryWrite, 0), 1);
    rows[0].data = &back;
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Keep", rows, RegistryRead, 0), 1);
    EXPECT_EQ(back, 1u);
    rows[0].data = &second;
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Keep", rows, RegistryWrite, 1), 1);
    rows[0].data = &back;
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Keep", rows, RegistryRead, 0), 1);
    EXPECT_EQ(back, 2u);
}

TEST(AccessRegistryValues, FailuresStopAtTheFirstBadRow)
{
    uint32_t value = 5, a = 0, b = 0;
    RegistryValueRow write[] = {{u"A", REG_DWORD, 4, &value}, {nullptr, 0, 0, nullptr}};
    ASSERT_EQ(AccessRegistryValues(u"Software\\Test\\Partial", write, RegistryWrite, 1), 1);
    RegistryValueRow read[] = {
        {u"A", REG_DWORD, 4, &a}, {u"Missing", REG_DWORD, 4, &b}, {nullptr, 0, 0, nullptr}};
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Partial", read, RegistryRead, 0), 0);
    EXPECT_EQ(a, 5u) << "earlier rows keep what they read";
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Nowhere", read, RegistryRead, 0), 0);
    EXPECT_EQ(AccessRegistryValues(nullptr, read, RegistryRead, 0), 0);
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Partial", nullptr, RegistryRead, 0), 0);
    RegistryValueRow badType[] = {{u"X", REG_EXPAND_SZ, 4, &value}, {nullptr, 0, 0, nullptr}};
    EXPECT_EQ(AccessRegistryValues(u"Software\\Test\\Partial", badType, RegistryWrite, 1), 0);
}

TEST(DeviceSettingsRead, ReadsThePublishedValuesAndLimitsTheCallName)
{
    PublishDevice(40, 198, u"U93123456");
    DeviceSettings settings{};
    ASSERT_EQ(ReadDeviceSettings(40, &settings), 0u);
    EXPECT_EQ(settings.BoardID, 198u);
    EXPECT_EQ(settings.SwitchID, 7u);
    EXPECT_EQ(std::u16string(settings.CallName), u"U93123456");

    PublishDevice(41, 198, u"U931234567");
    EXPECT_EQ(ReadDeviceSettings(41, &settings), 1u);
    uint32_t handle = 99;
    EXPECT_EQ(DeviceOpen(41, &handle), 2u) << "ten characters do not fit";
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(DeviceOpen(42, &handle), 2u) << "no settings at all";
}

TEST(DeviceSettingsSave, WritesBothKeysWithTheDeviceName)
{
    DeviceSettings settings{};
    settings.BoardID = 198;
    settings.SwitchID = 12;
    settings.AllowConflicts = 1;
    settings.TCReadBackType = 3;
    ASSERT_EQ(SaveDeviceSettings(5, &settings), 0u);
    char16_t name[48] = {};
    uint32_t switchId = 0;
    RegistryValueRow rows[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, sizeof name, name},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &switchId},
        {nullptr, 0, 0, nullptr},
    };
    const std::u16string shared = DeviceKeyPath(QMS_REG_SHARED_KEY, 5);
    ASSERT_EQ(AccessRegistryValues(shared.c_str(), rows, RegistryRead, 0), 1);
    EXPECT_EQ(std::u16string(name), u"USB-6093 BoardID=12");
    EXPECT_EQ(ReadSwitchID(5, &switchId), 1u);
    EXPECT_EQ(switchId, 12u);
    EXPECT_EQ(ReadSwitchID(6, &switchId), 0u);
    EXPECT_EQ(DeviceKeyPath(u"K", 1234), u"K\\Device1234");
}

TEST(DeviceOpenWithoutModule, AStreamDeviceThatDoesNotOpenLeavesNoRecord)
{
    PublishDevice(7, 198, u"U99:");
    uint32_t handle = 5;
    EXPECT_EQ(DeviceOpen(7, &handle), 7u * 4096 + 4096 + 26);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(DeviceOpen(7, &handle), 7u * 4096 + 4096 + 26) << "nothing was kept from the first try";
    EXPECT_EQ(DeviceOpen(7, nullptr), 10u);
}
