// The three dialogs behind the device setting dialog's buttons, opened as a person opens them:
// the CJC offset adjustment (slider, up-down and typing in step, the Yes/No question, the note
// in red), the settings restore (its question and "Info" boxes in order) and the calibration
// wizard (its rows, its two steps, the codes it sends and its failures).
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTableWidget>
#include <QtTest/QTest>

#include "api/device_record.h"
#include "api/device_settings.h"
#include "api/module_commands.h"
#include "api/thermo/cjc_readers.h"
#include "api/registry_values.h"
#include "api/ui/cjc_preview.h"
#include "api/ui/dialog_ids.h"
#include "qms_text.h"
#include "qms_ui.h"
#include "qms_vendor.h"
#include "tests/api/ui/setting_dialog_fixture.h"

namespace qms::test {
namespace {

const QString kCjcTitle = QStringLiteral("CJC Offset Adjustment");
const QString kRestoreTitle = QStringLiteral("Restore Settings");
const QString kWizardTitle = QStringLiteral("Calibration Wizard");

HWND HandleOf(QWidget *w)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w->property("hwnd").toULongLong()));
}

int UpDownPosition(QWidget *dialog)
{
    return static_cast<int>(SendMessageW(HandleOf(Control(dialog, IDC_OFFSET_UPDOWN)), UDM_GETPOS32, 0, 0));
}

// Drags the slider's thumb to `position` and lets it go.
void DragSlider(QWidget *dialog, int position)
{
    auto *slider = ControlAs<QSlider>(dialog, IDC_OFFSET_SLIDER);
    ASSERT_NE(slider, nullptr);
    slider->setSliderDown(true);
    slider->setSliderPosition(position);
    slider->setSliderDown(false);
}

// Makes `celsius` the module's active CJC offset, as an earlier adjustment would have.
void SetCjcOffset(uint32_t dev, float celsius)
{
    uint32_t handle = 0;
    ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
    {
        api::DeviceCall call(handle);
        EXPECT_EQ(api::WriteCJCOffsetCode(call.get(), celsius), 0);
    }
    DeviceClose(&handle);
}

QString Hundredths(float value) { return QString::asprintf("%.2f", static_cast<double>(value)); }

// --- CJC offset adjustment ------------------------------------------------------------------

class CjcOffset : public SettingDialogTest {
protected:
    nlohmann::json scenario() override
    {
        nlohmann::json s = QuietScenario();
        s["channels"][0] = {{"thermocouple", "J"}, {"temp_c", 100.0}};
        s["channels"][2] = {{"thermocouple", "K"}, {"temp_c", 300.0}};
        return s;
    }

    // What the dialog's trial readings leave behind in the device record.
    void expectNoTrialLeft()
    {
        uint32_t handle = 0;
        ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
        const api::RecordRef record = api::FindRecordByHandle(handle);
        ASSERT_TRUE(record);
        for (uint16_t override : record->rangeOverride)
            EXPECT_EQ(override, 0);
        EXPECT_EQ(record->persistSuppression, 0);
        DeviceClose(&handle);
    }

    float rawCjc()
    {
        uint32_t handle = 0;
        EXPECT_EQ(DeviceOpen(dev, &handle), 0u);
        float mean = 0.0f;
        EXPECT_EQ(api::ui::AverageCjc(handle, &mean), 0u);
        DeviceClose(&handle);
        return mean;
    }
};

TEST_F(CjcOffset, SliderUpDownAndTypingMoveTheOffsetTogetherAndYesStoresIt)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  InDialog(kCjcTitle, [&](QDialog *c) {
                      const float raw = rawCjc();
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), "0.00");
                      EXPECT_EQ(TextOf(c, IDC_TC_CHANNEL), "Channel 0");
                      EXPECT_EQ(TextOf(c, IDC_TC_TYPE), "J");
                      EXPECT_EQ(ControlAs<QComboBox>(c, IDC_TC_TYPE)->count(), 7);
                      EXPECT_EQ(TextOf(c, IDC_OFFSET_NOTE), "");
                      EXPECT_EQ(TextOf(c, IDC_CJC_TEMP), Hundredths(raw));
                      EXPECT_NEAR(TextOf(c, IDC_TC_TEMP).toFloat(), 100.0f, 0.2f);

                      TypeInto(c, IDC_OFFSET, "12");
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), "10.00") << "held at the upper bound";
                      EXPECT_EQ(ControlAs<QSlider>(c, IDC_OFFSET_SLIDER)->value(), 1000);
                      EXPECT_EQ(UpDownPosition(c), 1000);
                      EXPECT_EQ(TextOf(c, IDC_CJC_TEMP), Hundredths(raw - 10.0f));
                      TypeInto(c, IDC_OFFSET, "-12");
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), "-10.00");
                      EXPECT_EQ(ControlAs<QSlider>(c, IDC_OFFSET_SLIDER)->value(), -1000);
                      TypeInto(c, IDC_OFFSET, "abc");
                      EXPECT_EQ(ControlAs<QSlider>(c, IDC_OFFSET_SLIDER)->value(), -1000) << "no number: nothing moves";

                      DragSlider(c, -250);
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), "-2.50");
                      EXPECT_EQ(UpDownPosition(c), -250);
                      EXPECT_EQ(TextOf(c, IDC_CJC_TEMP), Hundredths(raw - (-250 * 0.01f))) << "2.50 above the raw mean";
                      // A junction taken 2.5 degrees warmer reads the channel about as much higher.
                      EXPECT_NEAR(TextOf(c, IDC_TC_TEMP).toFloat(), 102.5f, 0.3f);

                      // The up-down takes its step: the offset is where the arrows lead.
                      QWidget *upDown = Control(c, IDC_OFFSET_UPDOWN);
                      QTest::mouseClick(upDown, Qt::LeftButton, {}, QPoint(upDown->width() / 2, 2));
                      EXPECT_EQ(UpDownPosition(c), -249);
                      EXPECT_EQ(ControlAs<QSlider>(c, IDC_OFFSET_SLIDER)->value(), -249);
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), "-2.49");

                      Choose(c, IDC_TC_TYPE, 1);
                      Choose(c, IDC_TC_CHANNEL, 2);
                      EXPECT_NEAR(TextOf(c, IDC_TC_TEMP).toFloat(), 302.5f, 0.5f);
                      boxes.answer(QMessageBox::Yes);
                      Click(c, IDC_OFFSET_OK);
                  });
                  Click(d, IDC_CJC_OFFSET);
                  expectNoTrialLeft();
                  Click(d, IDOK);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"WARNING", "CJC Offset setting changed, Save ?"}}));
    EXPECT_EQ(module->state()["cjc_offset_code"], api::CjcOffsetCode(-2.49f));
    DeviceSettings saved{};
    ASSERT_EQ(api::ReadDeviceSettings(dev, &saved), 0u);
    EXPECT_EQ(saved.TCReadBackChan, 2u);
    EXPECT_EQ(saved.TCReadBackType, 1u);
}

TEST_F(CjcOffset, NoStoresNothingAndOkWithoutAChangeSendsNothing)
{
    QString openedWith;
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  InDialog(kCjcTitle, [&](QDialog *c) {
                      openedWith = TextOf(c, IDC_TC_CHANNEL);
                      DragSlider(c, 400);
                      Choose(c, IDC_TC_CHANNEL, 3);
                      boxes.answer(QMessageBox::No);
                      Click(c, IDC_OFFSET_OK);
                  });
                  Click(d, IDC_CJC_OFFSET);
                  EXPECT_EQ(module->state()["cjc_offset_code"], 0x8000);

                  module->clearWire();
                  InDialog(kCjcTitle, [&](QDialog *c) {
                      EXPECT_EQ(TextOf(c, IDC_TC_CHANNEL), openedWith) << "the No kept the old channel";
                      Choose(c, IDC_TC_CHANNEL, 2);
                      Click(c, IDC_OFFSET_OK);
                  });
                  Click(d, IDC_CJC_OFFSET);
                  EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_SET_CJC_OFFSET).empty());
                  expectNoTrialLeft();
                  Click(d, IDOK);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"WARNING", "CJC Offset setting changed, Save ?"}}));
    DeviceSettings saved{};
    ASSERT_EQ(api::ReadDeviceSettings(dev, &saved), 0u);
    EXPECT_EQ(saved.TCReadBackChan, 2u) << "OK without a change stores the selections";
}

TEST_F(CjcOffset, AnOffsetOtherThanTheReferenceIsNotedInRed)
{
    DeviceSettings settings{};
    ASSERT_EQ(api::ReadDeviceSettings(dev, &settings), 0u);
    settings.TCReadBackChan = 8;
    ASSERT_EQ(api::SaveDeviceSettings(dev, &settings), 0u);
    SetCjcOffset(dev, 1.5f);
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  InDialog(kCjcTitle, [&](QDialog *c) {
                      EXPECT_EQ(TextOf(c, IDC_TC_CHANNEL), "Channel 0") << "a stored channel 8 is no channel";
                      EXPECT_EQ(TextOf(c, IDC_OFFSET), Hundredths(api::CjcOffsetCelsius(api::CjcOffsetCode(1.5f))));
                      EXPECT_EQ(ControlAs<QSlider>(c, IDC_OFFSET_SLIDER)->value(), 149) << "truncated toward zero";
                      EXPECT_EQ(TextOf(c, IDC_OFFSET_NOTE), "Info.: CJC Offset was updated by user");
                      const QImage note = Control(c, IDC_OFFSET_NOTE)->grab().toImage();
                      bool red = false;
                      for (int y = 0; y < note.height() && !red; ++y) {
                          for (int x = 0; x < note.width() && !red; ++x) {
                              const QColor pixel = note.pixelColor(x, y);
                              red = pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60;
                          }
                      }
                      EXPECT_TRUE(red) << "the note is written in red";
                      Click(c, IDC_OFFSET_CANCEL);
                  });
                  Click(d, IDC_CJC_OFFSET);
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(boxes.take().empty());
}

TEST_F(CjcOffset, AModuleThatCannotReadItsSensorIsReportedAndTheDialogStaysUsable)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->update({{"faults", {{{"group", GROUP_AI}, {"command", CMD_AI_RESET_CONV}, {"fault", "stall"}}}}});
                  InDialog(kCjcTitle, [&](QDialog *c) {
                      EXPECT_TRUE(boxes.waitForBoxes(1));
                      Click(c, IDC_OFFSET_CANCEL);
                  });
                  Click(d, IDC_CJC_OFFSET);
                  module->update({{"clear_faults", true}});
                  expectNoTrialLeft();
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"Error", "Device Initialize Error. Please re-configure the Device"}}));
}

// --- settings restore -----------------------------------------------------------------------

TEST_F(SettingDialogTest, RestoreAsksOnceAndReportsEachResetInOrder)
{
    SetCjcOffset(dev, 3.0f);
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  InDialog(kRestoreTitle, [&](QDialog *r) {
                      module->clearWire();
                      Click(r, IDC_RESTORE_OK);
                      EXPECT_TRUE(boxes.take().empty()) << "nothing checked: nothing asked";
                      EXPECT_TRUE(module->wire().empty());

                      Click(r, IDC_RESET_CJC_OFFSET);
                      boxes.answer(QMessageBox::No);
                      Click(r, IDC_RESTORE_OK);
                      EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"WARNING", "CJC Offset Settings Reset"}}));
                      EXPECT_TRUE(module->wire().empty()) << "No sends nothing";

                      Click(r, IDC_RESET_CALIBRATION);
                      boxes.answer(QMessageBox::Yes);
                      Click(r, IDC_RESTORE_OK);
                      EXPECT_EQ(boxes.take(),
                                (std::vector<ShownBox>{
                                    {"WARNING", "AI Calibration Settings Reset & CJC Offset Settings Reset"},
                                    {"Info", "AI Calibration Settings Reset Complete"},
                                    {"Info", "CJC Offset Settings Reset Complete"}}));
                      EXPECT_NE(FindDialog(kRestoreTitle), nullptr) << "the restore stays open after OK";
                      QTest::keyClick(r, Qt::Key_Escape);
                  });
                  Click(d, IDC_RESTORE);
                  Click(d, IDCANCEL);
              }),
              0);
    const nlohmann::json state = module->state();
    EXPECT_EQ(state["cjc_offset_code"], state["cjc_reference_code"]);
    EXPECT_TRUE(state["converting"].get<bool>());
    const std::vector<WireRequest> reset = module->wire(GROUP_CAL, CMD_CAL_FULL);
    ASSERT_EQ(reset.size(), 1u);
    EXPECT_EQ(reset[0].data, (std::vector<uint8_t>{0x00, 0x00})) << "the full-scale command with 0 resets";
}

TEST_F(SettingDialogTest, AFailedCalibrationResetStopsTheRestoreButNotTheConversion)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  InDialog(kRestoreTitle, [&](QDialog *r) {
                      module->update({{"faults", {{{"group", GROUP_CAL}, {"command", CMD_CAL_FULL}, {"fault", "stall"}}}}});
                      Click(r, IDC_RESET_CALIBRATION);
                      Click(r, IDC_RESET_CJC_OFFSET);
                      boxes.answer(QMessageBox::Yes);
                      Click(r, IDC_RESTORE_OK);
                      QTest::keyClick(r, Qt::Key_Escape);
                  });
                  Click(d, IDC_RESTORE);
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(), (std::vector<ShownBox>{{"WARNING", "AI Calibration Settings Reset & CJC Offset Settings Reset"},
                                                   {"Error", "Unexpected Error. Please re-config the device"}}));
    EXPECT_TRUE(module->wire(GROUP_AI, CMD_AI_SET_CJC_OFFSET).empty());
    EXPECT_TRUE(module->state()["converting"].get<bool>()) << "the module is not left without readings";
}

// --- calibration wizard -----------------------------------------------------------------------

QString Cell(QWidget *wizard, int row, int column)
{
    auto *table = ControlAs<QTableWidget>(wizard, IDC_CAL_LIST);
    QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? item->text() : QString();
}

void ClickRow(QWidget *wizard, int row)
{
    auto *table = ControlAs<QTableWidget>(wizard, IDC_CAL_LIST);
    ASSERT_NE(table, nullptr);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 0)).center());
}

std::vector<uint8_t> Code(uint16_t code) { return {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}; }

TEST_F(SettingDialogTest, TheWizardCalibratesZeroThenFullScaleWithTheRowsCode)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->clearWire();
                  InDialog(kWizardTitle, [&](QDialog *w) {
                      auto *table = ControlAs<QTableWidget>(w, IDC_CAL_LIST);
                      ASSERT_NE(table, nullptr);
                      ASSERT_EQ(table->rowCount(), 7);
                      EXPECT_EQ(Cell(w, 0, 0), "0-0.015V");
                      EXPECT_EQ(Cell(w, 6, 0), "0-20mA");
                      EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Zero range Calibration");
                      EXPECT_TRUE(table->item(0, 0)->isSelected());
                      EXPECT_EQ(TextOf(w, IDC_CAL_STEP), "1");
                      EXPECT_EQ(TextOf(w, IDC_CAL_INSTRUCTION), "Please connect the 0V voltage to the AI0 as below.");
                      EXPECT_TRUE(Control(w, IDC_CAL_FINISH)->isEnabled());
                      EXPECT_FALSE(ControlAs<QLabel>(w, IDC_CAL_PICTURE)->pixmap().isNull());
                      EXPECT_EQ(ControlAs<QLabel>(w, IDC_CAL_PICTURE)->pixmap().size(), QSize(273, 56));

                      ClickRow(w, 6);
                      Click(w, IDC_CAL_CALIBRATE); // 0 mA on AI0
                      EXPECT_EQ(TextOf(w, IDC_CAL_STEP), "2");
                      EXPECT_EQ(TextOf(w, IDC_CAL_INSTRUCTION),
                                "Please connect the Full range voltage/current to the AI0 as below.");
                      EXPECT_EQ(Cell(w, 6, 1), "OK");
                      EXPECT_FALSE(Control(w, IDC_CAL_FINISH)->isEnabled());

                      Click(w, IDC_CAL_CALIBRATE); // still 0 mA: the full step fails
                      EXPECT_EQ(TextOf(w, IDC_CAL_STEP), "2");
                      EXPECT_FALSE(Control(w, IDC_CAL_FINISH)->isEnabled());

                      module->update({{"channels", {{"0", {{"milliamps", 20.0}}}}}});
                      Click(w, IDC_CAL_CALIBRATE);
                      EXPECT_EQ(TextOf(w, IDC_CAL_STEP), "1");
                      EXPECT_EQ(Cell(w, 6, 2), "OK");
                      EXPECT_TRUE(Control(w, IDC_CAL_FINISH)->isEnabled());

                      // A new zero step on the row clears only its full-range column.
                      module->update({{"channels", {{"0", {{"milliamps", 0.0}}}}}});
                      Click(w, IDC_CAL_CALIBRATE);
                      EXPECT_EQ(Cell(w, 6, 1), "OK");
                      EXPECT_EQ(Cell(w, 6, 2), "");
                      // Closed from its caption in the full step.
                      QTest::keyClick(w, Qt::Key_Escape);
                  });
                  Click(d, IDC_CALIBRATION);
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(),
              (std::vector<ShownBox>{
                  {"Information",
                   "Zero calibration complete. Please start the Full range calibration by following the Instruction"},
                  {"Error", "Full calibration failed. Please check in validity of the input signal"},
                  {"Finish", "Calibration finished"},
                  {"Information",
                   "Zero calibration complete. Please start the Full range calibration by following the Instruction"}}));
    const std::vector<WireRequest> zero = module->wire(GROUP_CAL, CMD_CAL_ZERO);
    const std::vector<WireRequest> full = module->wire(GROUP_CAL, CMD_CAL_FULL);
    ASSERT_EQ(zero.size(), 2u);
    ASSERT_EQ(full.size(), 2u);
    for (const WireRequest &r : zero)
        EXPECT_EQ(r.data, Code(0x1F)) << "the current calibration's code, not 0x8000";
    for (const WireRequest &r : full)
        EXPECT_EQ(r.data, Code(0x1F));
    // Conversion reset before the wizard and started after it.
    const std::vector<WireRequest> all = module->wire();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().command, CMD_AI_RESET_CONV);
    EXPECT_EQ(module->wire(GROUP_AI, CMD_AI_START_CONV).size(), 1u);
    EXPECT_TRUE(module->state()["converting"].get<bool>());
}

TEST_F(SettingDialogTest, AFailedZeroStepKeepsTheStepAndFinishEndsTheWizard)
{
    EXPECT_EQ(runDialog([&](QDialog *d) {
                  module->update({{"channels", {{"0", {{"volts", 1.0}}}}}});
                  InDialog(kWizardTitle, [&](QDialog *w) {
                      Click(w, IDC_CAL_CALIBRATE); // 1 V on the 15 mV range
                      EXPECT_EQ(TextOf(w, IDC_CAL_STEP), "1");
                      EXPECT_TRUE(Control(w, IDC_CAL_FINISH)->isEnabled());
                      EXPECT_EQ(Cell(w, 0, 1), "");
                      Click(w, IDC_CAL_FINISH);
                  });
                  Click(d, IDC_CALIBRATION);
                  Click(d, IDCANCEL);
              }),
              0);
    EXPECT_EQ(boxes.take(),
              (std::vector<ShownBox>{{"Error", "Zero calibration failed. Please check in validity of the input signal"}}));
    const std::vector<WireRequest> zero = module->wire(GROUP_CAL, CMD_CAL_ZERO);
    ASSERT_EQ(zero.size(), 1u);
    EXPECT_EQ(zero[0].data, Code(0x08));
}

} // namespace
} // namespace qms::test
