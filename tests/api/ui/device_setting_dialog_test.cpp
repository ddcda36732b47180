// The device setting dialog driven as a person would: what it shows when it opens, the live
// readings of the checked channels, the rate bar, range and list choices reaching the module,
// OK and Cancel and the registry, the board-ID conflict, locate, the label, and unplugging the
// module while the dialog is open.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest/QTest>
#include <chrono>

#include "api/device_record.h"
#include "api/registry_values.h"
#include "qms_text.h"
#include "api/ui/dialog_ids.h"
#include "qms6093_dialogs.h"
#include "qms_vendor.h"
#include "tests/api/ui/setting_dialog_fixture.h"

namespace qms::test {
namespace {

constexpr int kRangeFourTwenty = 7;
constexpr int kRangeJ = 8;

// --- opening --------------------------------------------------------------------------------

TEST(DeviceConfigOpening, AnUnknownDeviceNumberIsRefusedWithAMessage)
{
    BoxAnswerer boxes;
    EXPECT_EQ(DeviceConfig(240, kDeviceTypeCode, nullptr), 0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "The specified device doesn't exist on system!"}}));
}

TEST(DeviceConfigOpening, ADeviceNumberWithoutSettingsShowsTheUnconfiguredBox)
{
    BoxAnswerer boxes;
    QString text;
    InDialog("Warnning", [&](QDialog *box) {
        for (QWidget *w : box->findChildren<QWidget *>()) {
            if (w->property("text").toString().startsWith("Can not"))
                text = w->property("text").toString();
        }
        Click(box, IDOK);
    });
    EXPECT_EQ(DeviceConfigExt(241, kDeviceTypeCode, nullptr), 0);
    EXPECT_EQ(text, "Can not find any unconfiguration USB-6093 device on system.");
    EXPECT_EQ(FindDialog(kSettingTitle), nullptr) << "the main dialog never showed";
    EXPECT_TRUE(boxes.take().empty());
}

TEST(DeviceConfigOpening, ADeviceWhoseModuleIsGoneCannotBeOpened)
{
    BoxAnswerer boxes;
    uint32_t dev = 0;
    {
        SimulatedModule gone(QuietScenario(9));
        dev = gone.deviceNumber();
    } // unplugged: the settings stay, the stream device does not
    EXPECT_EQ(DeviceConfig(dev, kDeviceTypeCode, nullptr), 1);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "Open device failed, please re-install device"}}));
}

class Opening : public SettingDialogTest {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario(2);
        s["firmware"] = "FW 4.21 bench";
        s["channels"][2] = {{"milliamps", 12.0}, {"range_index", 6}};
        s["channels"][3] = {{"thermocouple", "K"}, {"temp_c", 30.0}, {"burnout", 2}};
        s["channels"][5] = {{"milliamps", 8.0}, {"range_index", 7}, {"exception_4_20", 2}};
        return s;
    }
};

TEST_F(Opening, TheDialogShowsTheModuleAsItIs)
{
    {
        uint32_t handle = 0;
        ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
        char label[32] = "Furnace rack 3";
        ASSERT_EQ(DeviceSetProperty(handle, QMS_PROP_USER_DATA, label, sizeof label), 0u);
        DeviceClose(&handle);
    }
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  EXPECT_EQ(d->windowTitle(), "USB-6093 Device Setting (Firmware Version: FW 4.21 bench)");
                  EXPECT_EQ(TextOf(d, IDC_LABEL), "Furnace rack 3");
                  EXPECT_TRUE(ControlAs<QLineEdit>(d, IDC_LABEL)->isReadOnly());
                  EXPECT_EQ(TextOf(d, IDC_BOARD_ID), "2");
                  EXPECT_EQ(ControlAs<QComboBox>(d, IDC_BOARD_ID)->count(), 16);
                  EXPECT_EQ(TextOf(d, IDC_RATE), "1");
                  auto *range = ControlAs<QComboBox>(d, IDC_RANGE_FIRST);
                  ASSERT_EQ(range->count(), 15);
                  EXPECT_EQ(range->itemText(0), "0-0.015V");
                  EXPECT_EQ(range->itemText(7), "4-20mA");
                  EXPECT_EQ(range->itemText(14), "E");
                  EXPECT_EQ(ControlAs<QComboBox>(d, IDC_EXCEPTION_FIRST)->itemText(2), "Last  value");
                  EXPECT_EQ(ControlAs<QComboBox>(d, IDC_BURNOUT_FIRST)->itemText(4), "Minimum value");
                  for (int ch = 0; ch < 8; ++ch) {
                      EXPECT_EQ(TextOf(d, IDC_VALUE_FIRST + ch), "_._ _ _") << ch;
                      EXPECT_FALSE(ControlAs<QAbstractButton>(d, IDC_CHANNEL_FIRST + ch)->isChecked()) << ch;
                  }
                  EXPECT_EQ(TextOf(d, IDC_CHANNEL_FIRST + 2), "Ch2");
                  // The stored settings, and the lists that apply to them.
                  EXPECT_EQ(TextOf(d, IDC_RANGE_FIRST + 2), "0-20mA");
                  EXPECT_FALSE(Control(d, IDC_EXCEPTION_FIRST + 2)->isEnabled());
                  EXPECT_FALSE(Control(d, IDC_BURNOUT_FIRST + 2)->isEnabled());
                  EXPECT_EQ(TextOf(d, IDC_RANGE_FIRST + 3), "K");
                  EXPECT_EQ(TextOf(d, IDC_BURNOUT_FIRST + 3), "-888888");
                  EXPECT_TRUE(Control(d, IDC_BURNOUT_FIRST + 3)->isEnabled());
                  EXPECT_FALSE(Control(d, IDC_EXCEPTION_FIRST + 3)->isEnabled());
                  EXPECT_EQ(TextOf(d, IDC_RANGE_FIRST + 5), "4-20mA");
                  EXPECT_EQ(TextOf(d, IDC_EXCEPTION_FIRST + 5), "Last  value");
                  EXPECT_TRUE(Control(d, IDC_EXCEPTION_FIRST + 5)->isEnabled());
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
}

// --- readings -------------------------------------------------------------------------------

class Readings : public SettingDialogTest {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario();
        s["channels"][0] = {{"volts", 0.5}, {"range_index", 4}};
        s["channels"][1] = {{"volts", 2.5}, {"range_index", 5}};
        s["channels"][2] = {{"milliamps", 12.0}, {"range_index", 6}};
        s["channels"][3] = {{"thermocouple", "K"}, {"temp_c", 25.3}};
        s["channels"][4] = {{"open", true}, {"burnout", 1}};
        return s;
    }

    // Scan requests on the wire: their start channels.
    std::vector<int> scannedChannels() const
    {
        std::vector<int> channels;
        for (const WireRequest &r : module->wire(GROUP_AI, CMD_AI_SCAN))
            channels.push_back((r.data[0] << 8) | r.data[1]);
        return channels;
    }
};

TEST_F(Readings, OnlyCheckedChannelsAreReadEachInItsForm)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->clearWire();
                  Click(d, IDC_CHANNEL_FIRST + 0);
                  // Checking a channel first stops it in the module.
                  const std::vector<WireRequest> first = module->wire();
                  ASSERT_FALSE(first.empty());
                  EXPECT_EQ(first.front().group, GROUP_AI);
                  EXPECT_EQ(first.front().command, CMD_AI_CONFIG);
                  EXPECT_EQ(TextOf(d, IDC_VALUE_FIRST), "_._ _ _");
                  ASSERT_TRUE(WaitForText(d, IDC_VALUE_FIRST, "500.000mV"));
                  for (int channel : scannedChannels())
                      EXPECT_EQ(channel, 0) << "no unchecked channel is read";

                  for (int ch : {1, 2, 3, 4})
                      Click(d, IDC_CHANNEL_FIRST + ch);
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 1, "2.500V"));
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 2, "12.000mA"));
                  // The thermocouple as the library reads it (25.3 degrees to the resolution of
                  // the K range).
                  uint32_t handle = 0;
                  ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
                  float celsius = 0.0f;
                  EXPECT_EQ(TCMuxRead(handle, 3, 0, 0, 1, 0, &celsius), 0u);
                  DeviceClose(&handle);
                  EXPECT_NEAR(celsius, 25.3f, 0.05f);
                  const QString expected = QString::asprintf("%.2f'C", static_cast<double>(celsius));
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 3, expected)) << TextOf(d, IDC_VALUE_FIRST + 3).toStdString();
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 4, "888888.00'C"));
                  // The open thermocouple does not stop the polling.
                  module->update({{"channels", {{"0", {{"volts", 0.75}}}}}});
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST, "750.000mV"));

                  // Unchecked, a channel shows no reading and is read no more.
                  Click(d, IDC_CHANNEL_FIRST + 0);
                  EXPECT_EQ(TextOf(d, IDC_VALUE_FIRST), "_._ _ _");
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
}

TEST_F(Readings, AFailedReadStopsThePollingWithItsMessage)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  Click(d, IDC_CHANNEL_FIRST + 1);
                  ASSERT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 1, "2.500V"));
                  module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_SCAN}, {"fault", "stall"}}}}});
                  ASSERT_TRUE(boxes.waitForBoxes(1));
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "Read AI data failed."}}));
}

// Where the parts of a scroll bar are.
QPoint PartOf(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

TEST_F(Readings, TheRateBarSetsTheRateInTenthsOfAHertz)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  auto *bar = ControlAs<QScrollBar>(d, IDC_RATE_BAR);
                  ASSERT_NE(bar, nullptr);
                  EXPECT_EQ(bar->value(), 10);
                  const QPoint left = PartOf(bar, QStyle::SC_ScrollBarSubLine);
                  for (int i = 0; i < 7; ++i)
                      QTest::mouseClick(bar, Qt::LeftButton, {}, left);
                  EXPECT_EQ(TextOf(d, IDC_RATE), "0.30");
                  for (int i = 0; i < 4; ++i)
                      QTest::mouseClick(bar, Qt::LeftButton, {}, left);
                  EXPECT_EQ(TextOf(d, IDC_RATE), "0.00") << "held at the left end";
                  EXPECT_EQ(bar->value(), 0);

                  // At rate 0 nothing is read; a page to the right polls at 1 Hz again.
                  Click(d, IDC_CHANNEL_FIRST + 1);
                  QTest::mouseClick(bar, Qt::LeftButton, {}, PartOf(bar, QStyle::SC_ScrollBarAddPage));
                  EXPECT_EQ(TextOf(d, IDC_RATE), "1.00");
                  EXPECT_TRUE(WaitForText(d, IDC_VALUE_FIRST + 1, "2.500V"));
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
}

// --- choices, OK and Cancel -------------------------------------------------------------------

TEST_F(SettingDialogTest, ChoicesReachTheModuleAndCancelWritesNoRegistryValue)
{
    // Without its DeviceName the shared key shows any write of the dialog's settings.
    HKEY shared = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, api::DeviceKeyPath(u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ", dev).c_str(),
                            0, KEY_ALL_ACCESS, &shared),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(shared, u"DeviceName"), ERROR_SUCCESS);
    RegCloseKey(shared);
    const auto registryBefore = RegistryValues(dev);
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->clearWire();
                  Choose(d, IDC_RANGE_FIRST + 2, kRangeFourTwenty);
                  EXPECT_TRUE(Control(d, IDC_EXCEPTION_FIRST + 2)->isEnabled());
                  EXPECT_FALSE(Control(d, IDC_BURNOUT_FIRST + 2)->isEnabled());
                  EXPECT_FALSE(module->wire(GROUP_AI, CMD_AI_CONFIG).empty());
                  Choose(d, IDC_EXCEPTION_FIRST + 2, 1);

                  Choose(d, IDC_RANGE_FIRST + 5, kRangeJ);
                  EXPECT_FALSE(Control(d, IDC_EXCEPTION_FIRST + 5)->isEnabled());
                  EXPECT_TRUE(Control(d, IDC_BURNOUT_FIRST + 5)->isEnabled());
                  Choose(d, IDC_BURNOUT_FIRST + 5, 1);

                  Choose(d, IDC_RANGE_FIRST + 6, 3); // 0-0.500V: neither list applies
                  EXPECT_FALSE(Control(d, IDC_EXCEPTION_FIRST + 6)->isEnabled());
                  EXPECT_FALSE(Control(d, IDC_BURNOUT_FIRST + 6)->isEnabled());

                  Choose(d, IDC_BOARD_ID, 7);
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
    const nlohmann::json state = module->state();
    EXPECT_EQ(state["channels"][2]["range"], "0-20mA/4-20mA");
    EXPECT_EQ(state["blocks"]["0x210"][2], kRangeFourTwenty);
    EXPECT_EQ(state["blocks"]["0x210"][5], kRangeJ);
    EXPECT_EQ(state["blocks"]["0x210"][6], 3);
    EXPECT_EQ(state["blocks"]["0x240"], nlohmann::json({0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(state["blocks"]["0x220"], nlohmann::json({0, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(state["board_number"], 0) << "the board ID goes to the module on OK only";
    EXPECT_EQ(RegistryValues(dev), registryBefore);
}

TEST_F(SettingDialogTest, OkWritesTheBoardIdToTheModuleAndTheRegistry)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  Choose(d, IDC_BOARD_ID, 3);
                  Click(d, IDOK);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
    EXPECT_EQ(module->state()["board_number"], 3);
    const auto values = RegistryValues(dev);
    const std::string driverKey = "SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device" + Utf8(api::DeviceNumberText(dev));
    const std::string sharedKey = "SYSTEM\\CurrentControlSet\\Services\\QMSDAQ\\Device" + Utf8(api::DeviceNumberText(dev));
    EXPECT_EQ(values.at(driverKey + "\\SwitchID"), "3");
    EXPECT_EQ(values.at(sharedKey + "\\SwitchID"), "3");
    EXPECT_EQ(values.at(driverKey + "\\DeviceName"), "USB-6093 BoardID=3");
    EXPECT_EQ(values.at(sharedKey + "\\DeviceName"), "USB-6093 BoardID=3");
}

TEST_F(SettingDialogTest, ABoardIdOfAnotherDeviceIsAConflictAndNothingIsWritten)
{
    SimulatedModule other(QuietScenario(5));
    const auto registryBefore = RegistryValues(dev);
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->clearWire();
                  Choose(d, IDC_BOARD_ID, 5);
                  Click(d, IDOK);
                  ASSERT_TRUE(boxes.waitForBoxes(1));
                  EXPECT_NE(FindDialog(kSettingTitle), nullptr) << "the dialog stays open";
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "BoardID Confliction"}}));
    EXPECT_TRUE(module->wire(GROUP_DEVICE, CMD_DEVICE_SET_BOARD_ID).empty());
    EXPECT_EQ(module->state()["board_number"], 0);
    EXPECT_EQ(RegistryValues(dev), registryBefore);
}

// --- identify -------------------------------------------------------------------------------

TEST_F(SettingDialogTest, LocateSwitchesWithTheButtonAndTheLabelIsSavedInTheModule)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  Click(d, IDC_LOCATE);
                  Click(d, IDC_LOCATE);
                  const std::vector<WireRequest> locate = module->wire(GROUP_DEVICE, CMD_DEVICE_LOCATE);
                  ASSERT_EQ(locate.size(), 2u);
                  EXPECT_EQ(locate[0].data, std::vector<uint8_t>{0x00}) << "pressed";
                  EXPECT_EQ(locate[1].data, std::vector<uint8_t>{0xFF}) << "released";

                  auto *label = ControlAs<QLineEdit>(d, IDC_LABEL);
                  Click(d, IDC_LABEL_EDIT);
                  EXPECT_FALSE(label->isReadOnly());
                  TypeInto(d, IDC_LABEL, "Kiln 2 - zone A thermocouples and more text");
                  EXPECT_EQ(label->text().size(), 32) << "32 characters at most";
                  Click(d, IDC_LABEL_SAVE);
                  EXPECT_TRUE(label->isReadOnly());
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    char label[32] = {};
    uint32_t size = sizeof label;
    EXPECT_EQ(DeviceGetProperty(handle, QMS_PROP_USER_DATA, label, &size), 0u);
    DeviceClose(&handle);
    // 31 characters and the terminator.
    EXPECT_EQ(std::string(label), "Kiln 2 - zone A thermocouples a");
}

// --- removal --------------------------------------------------------------------------------

TEST_F(SettingDialogTest, UnpluggingTheModuleEndsTheDialogWithItsMessage)
{
    std::chrono::steady_clock::duration untilBox{};
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  Click(d, IDC_CHANNEL_FIRST);
                  const auto unplugged = std::chrono::steady_clock::now();
                  module->unplug();
                  ASSERT_TRUE(boxes.waitForBoxes(1));
                  untilBox = std::chrono::steady_clock::now() - unplugged;
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "USB-6093 is removed."}}));
    // One wait step of the watcher (100 ms) and the host stack's removal, with room for a busy
    // machine.
    EXPECT_LT(untilBox, std::chrono::milliseconds(2000));
    EXPECT_TRUE(module->waitRemoved()) << "the dialog closed its handle";
}

} // namespace
} // namespace qms::test
