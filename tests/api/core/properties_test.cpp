// Device properties end to end: sizes, buffers, the module-backed settings and user data.
#include <cstring>

#include <gtest/gtest.h>

#include "api/device_record.h"
#include "qms_vendor.h"
#include "tests/api/core/simulated_device.h"

using namespace qms::test;

namespace {

class Properties : public OpenDevice {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario();
        s["channels"][1] = {{"volts", 0.0}, {"burnout", 2}, {"exception_4_20", 1}};
        return s;
    }
};

} // namespace

TEST_F(Properties, FeaturesAreAlwaysEightHundredBytes)
{
    uint8_t buffer[900];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(DeviceGetFeatures(handle, reinterpret_cast<DeviceFeatures *>(buffer), 10), 0u);
    EXPECT_NE(buffer[799], 0xEE);
    EXPECT_EQ(buffer[800], 0xEE);
    uint32_t type = 0;
    std::memcpy(&type, buffer + 48, 4);
    EXPECT_EQ(type, 198u);
    EXPECT_EQ(DeviceGetFeatures(handle, nullptr, 800), 10u);
    qms::api::FindRecordByHandle(handle)->settings.BoardID = 197;
    EXPECT_EQ(DeviceGetFeatures(handle, reinterpret_cast<DeviceFeatures *>(buffer), 800),
              Code(dev, QMS_ERRIDX_DEVICE_TYPE));
    qms::api::FindRecordByHandle(handle)->settings.BoardID = 198;
}

TEST_F(Properties, SizesAndBuffers)
{
    uint8_t buffer[16];
    uint32_t size = 2;
    EXPECT_EQ(DeviceGetProperty(handle, QMS_PROP_BOARD_ID, buffer, &size), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(size, 4u);

    std::memset(buffer, 0xEE, sizeof buffer);
    size = 16;
    ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_DEVICE_NUMBER, buffer, &size), 0u);
    EXPECT_EQ(size, 4u);
    uint32_t word = 1;
    std::memcpy(&word, buffer, 4);
    EXPECT_EQ(word, dev);
    for (int i = 4; i < 16; ++i)
        EXPECT_EQ(buffer[i], 0) << "the rest of the buffer is zeroed";

    std::memset(buffer, 0xEE, sizeof buffer);
    size = 16;
    ASSERT_EQ(DeviceGetProperty(handle, 15491, buffer, &size), 0u);
    std::memcpy(&word, buffer, 4);
    EXPECT_EQ(word, 8u);
    EXPECT_EQ(buffer[4], 0xEE) << "constant properties write their value only";
    EXPECT_EQ(size, 4u);

    size = 10;
    ASSERT_EQ(DeviceGetProperty(handle, 12293, buffer, &size), 0u);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(size, 10u);
    size = 0;
    EXPECT_EQ(DeviceGetProperty(handle, 12293, buffer, &size), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_EQ(size, 1u);

    size = 0;
    ASSERT_EQ(DeviceGetProperty(handle, 0x1000, nullptr, &size), 0u);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(DeviceGetProperty(handle, 3, buffer, &size), Code(dev, QMS_ERRIDX_PROPERTY_CODE));
    EXPECT_EQ(DeviceGetProperty(handle, 0, buffer, nullptr), Code(dev, QMS_ERRIDX_ARGUMENT));
}

TEST_F(Properties, SettingsAreReadAfreshEvenForTheSizeAlone)
{
    uint32_t size = 0;
    ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, nullptr, &size), 0u);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_SELECT).size(), 1u);

    uint32_t settings[8] = {};
    size = sizeof settings;
    ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_4_20MA_EXCEPTIONS, settings, &size), 0u);
    EXPECT_EQ(settings[1], 1u);
    ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, settings, &size), 0u);
    EXPECT_EQ(settings[1], 2u);
}

TEST_F(Properties, SettingsAreWrittenToTheRecordAndTheModule)
{
    const uint32_t burnOut[8] = {1, 2, 3, 4, 0, 0, 0, 5};
    ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, burnOut, 32), 0u);
    EXPECT_EQ(module->state()["blocks"]["0x220"].get<std::vector<uint32_t>>(),
              std::vector<uint32_t>(std::begin(burnOut), std::end(burnOut)));
    EXPECT_EQ(qms::api::FindRecordByHandle(handle)->burnOutSetting[7], 5u);
    const auto writes = module->wire(GROUP_AI, CMD_AI_CHAN_CONFIG_WRITE);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(writes[0].data.begin() + 32, writes[0].data.end()),
              (std::vector<uint8_t>{0x02, 0x20, 0, 0, 0, 8, 0, 0}));

    const uint32_t exceptions[8] = {2, 2, 2, 2, 2, 2, 2, 2};
    ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_4_20MA_EXCEPTIONS, exceptions, 40), 0u);
    EXPECT_EQ(qms::api::FindRecordByHandle(handle)->exception420[0], 2u);

    module->clearWire();
    EXPECT_EQ(DeviceSetProperty(handle, QMS_PROP_BURNOUT_SETTINGS, burnOut, 31),
              Code(dev, QMS_ERRIDX_PROPERTY_SIZE));
    EXPECT_EQ(DeviceSetProperty(handle, QMS_PROP_BOARD_ID, burnOut, 32), Code(dev, QMS_ERRIDX_PROPERTY_CODE));
    EXPECT_EQ(DeviceSetProperty(handle, 0x1000, nullptr, 0), 0u);
    EXPECT_EQ(DeviceSetProperty(handle, QMS_PROP_USER_DATA, nullptr, 32), Code(dev, QMS_ERRIDX_ARGUMENT));
    EXPECT_TRUE(module->wire().empty());
}

TEST_F(Properties, UserDataLivesInTheEeprom)
{
    char label[32] = "Furnace 3, east wall";
    ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_USER_DATA, label, 32), 0u);
    EXPECT_EQ(module->wire(GROUP_EEPROM, CMD_EEPROM_WRITE).size(), 32u);
    char back[40];
    std::memset(back, 0x7F, sizeof back);
    uint32_t size = sizeof back;
    ASSERT_EQ(DeviceGetProperty(handle, QMS_PROP_USER_DATA, back, &size), 0u);
    EXPECT_EQ(size, 32u);
    EXPECT_STREQ(back, label);
    EXPECT_EQ(back[39], 0) << "the caller's capacity is zeroed";
}

TEST_F(Properties, DriverProcTakesTheSizePointerAfterTheBuffer)
{
    uint32_t value = 0, size = 4;
    DeviceGetPropertyParams get{QMS_PROP_SWITCH_ID, 0, &size, &value};
    ASSERT_EQ(DriverProc(0, 0, FC_DEVICE_GET_PROPERTY, handle, &get), 0u);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(size, 4u);
    const uint32_t burnOut[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    DeviceSetPropertyParams set{QMS_PROP_BURNOUT_SETTINGS, 0, 32, const_cast<uint32_t *>(burnOut)};
    ASSERT_EQ(DriverProc(0, 0, FC_DEVICE_SET_PROPERTY, handle, &set), 0u);
    EXPECT_EQ(module->state()["blocks"]["0x220"][3], 1);
}
