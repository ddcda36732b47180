// The dialogs' arithmetic on its own: reading texts, the rate bar, and the calibration code
// of a range row.
#include <gtest/gtest.h>

#include "api/ui/calibration_code.h"
#include "api/ui/channel_value.h"
#include "qms_ui.h"
#include "qms_text.h"

namespace qms::api::ui {
namespace {

std::string Text(ValueForm form, float value) { return Utf8(ChannelValueText(form, value)); }

TEST(ChannelValueText, EachFormHasItsUnitAndDigits)
{
    EXPECT_EQ(Text(ValueForm::Voltage, 0.5f), "500.000mV");
    EXPECT_EQ(Text(ValueForm::Voltage, 0.0123f), "12.300mV");
    EXPECT_EQ(Text(ValueForm::Voltage, 0.9999f), "999.900mV");
    EXPECT_EQ(Text(ValueForm::Voltage, 1.0f), "1.000V") << "1 V and up in volts";
    EXPECT_EQ(Text(ValueForm::Voltage, 2.5f), "2.500V");
    EXPECT_EQ(Text(ValueForm::Voltage, -0.25f), "-250.000mV");
    EXPECT_EQ(Text(ValueForm::Current, 12.0f), "12.000mA");
    EXPECT_EQ(Text(ValueForm::Temperature, 25.3f), "25.30'C");
    EXPECT_EQ(Text(ValueForm::Temperature, 888888.0f), "888888.00'C");
    EXPECT_EQ(Text(ValueForm::Temperature, -888888.0f), "-888888.00'C");
}

TEST(RateBar, NotificationsMoveWithinTheRangeAndPeriodsTruncate)
{
    EXPECT_EQ(NextRatePosition(SB_LINELEFT, 10, 0), 9);
    EXPECT_EQ(NextRatePosition(SB_LINERIGHT, 10, 0), 11);
    EXPECT_EQ(NextRatePosition(SB_PAGELEFT, 5, 0), 0);
    EXPECT_EQ(NextRatePosition(SB_PAGERIGHT, 105, 0), 109);
    EXPECT_EQ(NextRatePosition(SB_LINELEFT, 0, 0), 0);
    EXPECT_EQ(NextRatePosition(SB_THUMBTRACK, 10, 42), 42);
    EXPECT_EQ(NextRatePosition(SB_THUMBPOSITION, 10, 3), 3);
    EXPECT_EQ(NextRatePosition(SB_ENDSCROLL, 10, 3), -1) << "ignored";
    EXPECT_EQ(NextRatePosition(SB_LEFT, 10, 3), -1) << "ignored";

    EXPECT_EQ(PollPeriodMs(1.0f), 1000u);
    EXPECT_EQ(PollPeriodMs(3 * 0.1f), 3333u);
    EXPECT_EQ(PollPeriodMs(109 * 0.1f), 91u);
}

TEST(CalibrationCode, ModuleCodeWhereTheRangeHasOne)
{
    EXPECT_EQ(CalibrationCodeOf(u"0-0.015V"), 0x08);
    EXPECT_EQ(CalibrationCodeOf(u"0-0.050V"), 0x0A);
    EXPECT_EQ(CalibrationCodeOf(u"0-0.100V"), 0x0B);
    EXPECT_EQ(CalibrationCodeOf(u"0-0.500V"), 0x0D);
    EXPECT_EQ(CalibrationCodeOf(u"0-1.0V"), 0x0E);
    EXPECT_EQ(CalibrationCodeOf(u"0-2.5V"), 0x0F);
    EXPECT_EQ(CalibrationCodeOf(u"0-20mA"), 0x1F) << "the combined current calibration, not 0x8000";
    EXPECT_EQ(CalibrationCodeOf(u"4-20mA"), 0x1F);
    EXPECT_EQ(CalibrationCodeOf(u"no such"), 0x80) << "the row after the ranges: J's module code";
}

} // namespace
} // namespace qms::api::ui
