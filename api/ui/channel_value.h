// What the device setting dialog shows for a reading and how its rate bar maps to the poll
// timer: plain functions, so that the formats are the same wherever a value is shown.
#pragma once

#include <cstdint>
#include <string>

namespace qms::api::ui {

enum class ValueForm { Voltage, Current, Temperature };

// "500.000mV" below 1 V, "2.500V" from 1 V up, "12.000mA", "25.30'C".
std::u16string ChannelValueText(ValueForm form, float value);

// The text of a channel that holds no reading.
inline constexpr const char16_t *kNoReading = u"_._ _ _";

// The rate bar: positions 0 to 109, a page of 10; position p is p x 0.1 Hz.
constexpr int kRateMin = 0;
constexpr int kRateMax = 109;
constexpr int kRatePage = 10;
constexpr int kRateStart = 10;

// The position after a scroll notification (SB_ code) at position `position`, or -1 for a
// notification that does not move the bar. Thumb messages take `track`.
int NextRatePosition(int code, int position, int track);

// Milliseconds between two polls at `rateHz` (above 0): 1000 / rate, truncated.
uint32_t PollPeriodMs(float rateHz);

} // namespace qms::api::ui
