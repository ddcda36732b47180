// The installed devices and the module readers of the extension interface, as an application
// reaches them: public headers, the shared library and simulated modules plugged through the
// simulator's control API. Each test plugs its own module with its own serial and board
// number, and leaves it plugged.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_platform.h"
#include "qms_sim.h"

namespace {

std::vector<QmsDeviceInfo> Devices()
{
    uint32_t count = 0;
    EXPECT_EQ(QmsListDevices(nullptr, 0, &count), 0u);
    std::vector<QmsDeviceInfo> devices(count);
    uint32_t again = 0;
    EXPECT_EQ(QmsListDevices(devices.data(), count, &again), 0u);
    EXPECT_EQ(again, count);
    return devices;
}

// A module of its own, plugged and opened for one test.
class PluggedModule {
public:
    explicit PluggedModule(uint32_t board, nlohmann::json scenario = nlohmann::json::object())
        : board_(board)
    {
        scenario["board_id"] = board;
        static int plugged = 0;
        scenario["serial"] = "EXT-" + std::to_string(board) + "-" + std::to_string(++plugged);
        scenario["reset_store"] = true;
        id_ = qms_sim_plug(scenario.dump().c_str());
        EXPECT_GT(id_, 0) << qms_sim_last_error();
        for (const QmsDeviceInfo &info : Devices())
            if (info.boardID == board && info.present)
                deviceNumber_ = info.deviceNumber;
        EXPECT_EQ(DeviceOpen(deviceNumber_, &handle_), 0u);
    }
    // The module stays plugged until the platform shuts down with the process: a removal
    // finishes in the background, and the next test's module must not meet it half done.
    ~PluggedModule()
    {
        if (handle_)
            DeviceClose(&handle_);
    }
    PluggedModule(const PluggedModule &) = delete;
    PluggedModule &operator=(const PluggedModule &) = delete;

    uint32_t handle() const { return handle_; }
    uint32_t number() const { return deviceNumber_; }
    int id() const { return id_; }
    uint32_t argumentCode() const { return QmsDeviceCode(deviceNumber_, QMS_ERRIDX_ARGUMENT); }
    nlohmann::json state() const
    {
        std::string text(1 << 16, '\0');
        const long length = qms_sim_state(id_, text.data(), text.size());
        text.resize(length > 0 ? static_cast<size_t>(length) : 0);
        return nlohmann::json::parse(text);
    }

private:
    uint32_t board_;
    int id_ = -1;
    uint32_t deviceNumber_ = 0xFFFFFFFFu;
    uint32_t handle_ = 0;
};

TEST(DeviceList, ShowsEachModuleWithItsStreamDeviceAndWhetherItIsThere)
{
    PluggedModule first(3), second(4);
    // A device number the driver once gave a module that is not plugged now; its stream
    // device name has gone to another module since.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device200", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD values[] = {198, 9, 1, 0, 0};
    const char16_t *names[] = {u"BoardID", u"SwitchID", u"AllowConflicts", u"TCReadBackChan", u"TCReadBackType"};
    for (size_t i = 0; i < 5; ++i)
        ASSERT_EQ(RegSetValueExW(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE *>(&values[i]), 4),
                  ERROR_SUCCESS);
    DeviceSettings firstSettings{};
    ASSERT_EQ(QmsReadDeviceSettings(first.number(), &firstSettings), 0u);
    const std::u16string callName(firstSettings.CallName);
    ASSERT_EQ(RegSetValueExW(key, u"CallName", 0, REG_SZ, reinterpret_cast<const BYTE *>(callName.c_str()),
                             static_cast<DWORD>((callName.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);

    const std::vector<QmsDeviceInfo> devices = Devices();
    for (size_t i = 1; i < devices.size(); ++i)
        EXPECT_LT(devices[i - 1].deviceNumber, devices[i].deviceNumber);
    int seen = 0;
    for (const QmsDeviceInfo &info : devices) {
        if (info.deviceNumber == first.number() || info.deviceNumber == second.number()) {
            ++seen;
            EXPECT_EQ(info.boardID, info.deviceNumber == first.number() ? 3u : 4u);
            EXPECT_EQ(info.deviceType, 198u);
            EXPECT_EQ(std::string(info.callName).rfind("U93", 0), 0u) << info.callName;
            EXPECT_EQ(info.present, 1);
            EXPECT_EQ(info.simulated, 1);
        }
        if (info.deviceNumber == 200) {
            ++seen;
            EXPECT_EQ(info.boardID, 9u);
            EXPECT_EQ(info.present, 0) << info.callName;
            EXPECT_EQ(info.simulated, 0);
        }
    }
    EXPECT_EQ(seen, 3);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device200");
}

TEST(DeviceList, TellsTheCountAndFillsNoMoreThanTheCapacity)
{
    PluggedModule first(5), second(6);
    uint32_t count = 0;
    ASSERT_EQ(QmsListDevices(nullptr, 0, &count), 0u);
    ASSERT_GE(count, 2u);
    QmsDeviceInfo one[2];
    std::memset(one, 0xAB, sizeof one);
    uint32_t again = 0;
    EXPECT_EQ(QmsListDevices(one, 1, &again), 0u);
    EXPECT_EQ(again, count);
    EXPECT_EQ(one[1].deviceNumber, 0xABABABABu); // beyond the capacity: untouched
    EXPECT_EQ(QmsListDevices(nullptr, 0, nullptr), QMS_ERR_NULL_BUFFER);
    EXPECT_EQ(QmsListDevices(nullptr, 3, &count), QMS_ERR_NULL_BUFFER);
}

TEST(DeviceSettings, ReadAndSavedAsTheSettingDialogDoes)
{
    PluggedModule module(7);
    DeviceSettings settings{};
    ASSERT_EQ(QmsReadDeviceSettings(module.number(), &settings), 0u);
    EXPECT_EQ(settings.BoardID, 198u);
    EXPECT_EQ(settings.SwitchID, 7u);
    settings.SwitchID = 8;
    ASSERT_EQ(QmsSaveDeviceSettings(module.number(), &settings), 0u);
    DeviceSettings again{};
    ASSERT_EQ(QmsReadDeviceSettings(module.number(), &again), 0u);
    EXPECT_EQ(again.SwitchID, 8u);

    EXPECT_EQ(QmsReadDeviceSettings(240, &again), QMS_ERR_SETTINGS);
    EXPECT_EQ(QmsReadDeviceSettings(module.number(), nullptr), QMS_ERR_NULL_BUFFER);
    EXPECT_EQ(QmsSaveDeviceSettings(module.number(), nullptr), QMS_ERR_NULL_BUFFER);
}

TEST(Readers, FirmwareVersionComesAsUtf8AndIsCutAtACharacter)
{
    // The module's 8-bit text is UTF-8: "é" is two bytes on the wire and one character.
    PluggedModule module(9, {{"firmware", "FW 2.10 \u00e9t\u00e9"}});
    char text[64];
    ASSERT_EQ(QmsReadFirmwareVersion(module.handle(), text, sizeof text), 0u);
    EXPECT_STREQ(text, "FW 2.10 \u00e9t\u00e9");
    // Ten bytes hold "FW 2.10 " and not half of the "é".
    char small[10];
    ASSERT_EQ(QmsReadFirmwareVersion(module.handle(), small, sizeof small), 0u);
    EXPECT_STREQ(small, "FW 2.10 ");
    EXPECT_EQ(QmsReadFirmwareVersion(module.handle(), text, 0), module.argumentCode());
    EXPECT_EQ(QmsReadFirmwareVersion(module.handle(), nullptr, 64), module.argumentCode());
}

TEST(Readers, BoardIdIsWrittenToTheModuleAndReadBack)
{
    PluggedModule module(10);
    uint32_t board = 0;
    ASSERT_EQ(QmsReadBoardID(module.handle(), &board), 0u);
    EXPECT_EQ(board, 10u);
    ASSERT_EQ(QmsWriteBoardID(module.handle(), 12), 0u);
    ASSERT_EQ(QmsReadBoardID(module.handle(), &board), 0u);
    EXPECT_EQ(board, 12u);
    EXPECT_EQ(QmsReadBoardID(module.handle(), nullptr), module.argumentCode());
}

TEST(Readers, CjcOffsetWithinTenDegreesIsStoredAndAnythingElseRefused)
{
    PluggedModule module(11);
    ASSERT_EQ(QmsWriteCJCOffset(module.handle(), 2.5f), 0u);
    float offset = 0;
    uint16_t code = 0;
    ASSERT_EQ(QmsReadCJCOffset(module.handle(), &offset, &code), 0u);
    EXPECT_EQ(code, 0xA000u);
    EXPECT_NEAR(offset, 2.5f, 0.001f);

    for (float bad : {10.5f, -11.0f, NAN, INFINITY}) {
        EXPECT_EQ(QmsWriteCJCOffset(module.handle(), bad), module.argumentCode()) << bad;
        ASSERT_EQ(QmsReadCJCOffset(module.handle(), &offset, &code), 0u);
        EXPECT_EQ(code, 0xA000u) << bad;
    }
    EXPECT_EQ(QmsReadCJCOffset(module.handle(), nullptr, &code), module.argumentCode());
    EXPECT_EQ(QmsReadCJCOffset(module.handle(), &offset, nullptr), module.argumentCode());
    EXPECT_EQ(QmsResetCJCOffset(module.handle()), 0u);
}

TEST(Readers, CjcTemperaturesOfTheSensorAndOfTheCompensation)
{
    PluggedModule module(12, {{"terminal_c", 30.0}, {"cjc_error_c", 0.5}});
    float sensor = 0;
    ASSERT_EQ(QmsReadCJCTemp(module.handle(), &sensor), 0u);
    EXPECT_NEAR(sensor, 30.5f, 0.05f);
    // The driver's samples of the same sensor, less the module's offset of 0.
    float compensation = 0;
    ASSERT_EQ(QmsReadCJCHistoryTemp(module.handle(), &compensation), 0u);
    EXPECT_NEAR(compensation, sensor, 0.05f);
    EXPECT_EQ(QmsReadCJCTemp(module.handle(), nullptr), module.argumentCode());
    EXPECT_EQ(QmsReadCJCHistoryTemp(module.handle(), nullptr), module.argumentCode());
}

TEST(Readers, StoredChannelSettingsOfAnyChannelsWithinTheModule)
{
    PluggedModule module(13, {{"channels", {{{"thermocouple", "K"}, {"temp_c", 100}},
                                            {{"volts", 1.25}, {"burnout", 2}}}}});
    uint32_t ranges[8] = {};
    ASSERT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_RANGE_INDEX, 0, 8, ranges), 0u);
    EXPECT_EQ(ranges[0], 9u); // the K row of the gain list
    uint32_t burnout[2] = {7, 7};
    ASSERT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_BURNOUT_SETTING, 1, 1, burnout), 0u);
    EXPECT_EQ(burnout[0], 2u);
    EXPECT_EQ(burnout[1], 7u);

    const uint32_t outOfRange = QmsDeviceCode(module.number(), QMS_ERRIDX_OUT_OF_RANGE);
    EXPECT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_RANGE_INDEX, 0, 0, ranges), outOfRange);
    EXPECT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_RANGE_INDEX, 7, 2, ranges), outOfRange);
    EXPECT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_RANGE_INDEX, 8, 1, ranges), outOfRange);
    EXPECT_EQ(QmsReadDeviceParameters(module.handle(), QMS_BLOCK_RANGE_INDEX, 0, 8, nullptr), module.argumentCode());
}

TEST(Readers, ARefusedRequestGivesTheDriversCodeAndLeavesTheBuffersAlone)
{
    PluggedModule module(14);
    ASSERT_EQ(qms_sim_update(module.id(), R"({"faults": [{"fault": "stall"}]})"), 0) << qms_sim_last_error();
    float offset = -1;
    uint16_t code = 0x1234;
    const uint32_t result = QmsReadCJCOffset(module.handle(), &offset, &code);
    EXPECT_GE(result, QmsDeviceCode(module.number(), 0));
    EXPECT_LT(result, QmsDeviceCode(module.number() + 1, 0));
    EXPECT_EQ(offset, -1);
    EXPECT_EQ(code, 0x1234);
    uint32_t board = 77;
    EXPECT_NE(QmsReadBoardID(module.handle(), &board), 0u);
    EXPECT_EQ(board, 77u);
}

TEST(Readers, AnswerAClosedOrNullHandleWithThree)
{
    uint32_t closed = 0;
    {
        PluggedModule module(15);
        closed = module.handle();
    }
    for (uint32_t handle : {0u, closed}) {
        char text[64];
        uint32_t value = 0;
        float celsius = 0;
        uint16_t code = 0;
        uint32_t values[8];
        EXPECT_EQ(QmsReadFirmwareVersion(handle, text, sizeof text), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsReadBoardID(handle, &value), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsWriteBoardID(handle, 1), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsReadCJCTemp(handle, &celsius), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsReadCJCHistoryTemp(handle, &celsius), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsReadCJCOffset(handle, &celsius, &code), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsWriteCJCOffset(handle, 1.0f), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsResetCJCOffset(handle), QMS_ERR_NULL_HANDLE);
        EXPECT_EQ(QmsReadDeviceParameters(handle, QMS_BLOCK_RANGE_INDEX, 0, 8, values), QMS_ERR_NULL_HANDLE);
    }
}

} // namespace
