// The trial readings of the CJC offset dialog: the cold-junction temperature and one
// thermocouple channel's temperature as they would be with a trial offset, before the offset
// reaches the module.
#pragma once

#include <cstdint>

namespace qms::api::ui {

constexpr int kCjcReadings = 5;

// offset = position x 0.01 degrees; corrected CJC = mean of five sensor readings - offset.
// 0, or nonzero when a reading failed.
uint32_t ComputeOffsetCJC(int position, uint32_t handle, float *offset, float *correctedCjc);

// The channel's temperature in degrees Celsius read as TcType `type` with the CJC corrected
// by `offset`. The channel's range override and the persist-suppression flag hold the
// thermocouple's row only while it reads, and are 0 again on every way out. 0, or the first
// error.
uint32_t PreviewTCTemperature(uint32_t handle, uint16_t channel, uint16_t type, float offset, float *celsius);

// The mean of five sensor readings. 0, or nonzero when one failed.
uint32_t AverageCjc(uint32_t handle, float *celsius);

} // namespace qms::api::ui
