// The cold-junction readers: the CJC temperature from the stream driver's CjcHistory or
// straight from the module's sensor, and the module's active CJC offset.
//
// The sensor gives 1 mV per kelvin over the 0-0.5 V CJC range (16-bit code, zero code 0);
// the offset code spans -10 to +10 degrees Celsius with 0x8000 for 0. The compensation uses
// the sensor temperature minus the offset.
#pragma once

#include <cstdint>

#include "api/device_record.h"

namespace qms::api {

// How long ReadCJCHistoryTemp waits for the first sample of a driver that has just started:
// the sampler stores one a second, the first right at start; a sampler that has stored none
// after the driver's transfer time-out and two more periods is not getting valid readings.
constexpr DWORD kCjcHistoryWaitStepMs = 1000;
constexpr int kCjcHistoryWaitSteps = 4;
// How long a sensor reading may stay invalid before the read counts as failed: the driver's
// transfer time-out.
constexpr DWORD kCjcValidWaitMs = 2000;

// Result of a history request that failed, or found no sample within the wait; the caller
// adds the device part.
constexpr uint32_t kCjcHistoryFailed = QMS_ERRIDX_CJC_HISTORY;

// Mean of the history's samples minus the history's offset, in degrees Celsius. Waits in
// one-second steps while the history holds no sample. Returns 0; 3 for a null record; the
// device code of error index 24 when the record is not a USB-6093; kCjcHistoryFailed.
uint32_t ReadCJCHistoryTemp(DeviceRecord *record, float *celsius);

// One valid 16-bit sensor code from the module: the reading is asked again while the module
// calls it invalid, at once the first time and then once a millisecond, for at most
// kCjcValidWaitMs. Returns 0, or 1 when a request fails or no valid reading came in time.
int32_t ReadCJCCode(DeviceRecord &record, uint16_t *code);

// The sensor temperature from one valid reading, without offset. 0, or 1 as ReadCJCCode.
int32_t ReadCJCTemp(DeviceRecord *record, float *celsius);

// The module's active offset in degrees Celsius and as its code. 0, or 1 when the request
// fails.
int32_t ReadCJCOffset(DeviceRecord *record, float *offsetCelsius, uint16_t *offsetCode);

// Volts of a sensor code: code x 0.5 / 65536, in single precision.
float CjcCodeVolts(uint16_t code);
// Degrees Celsius of a sensor voltage: volts x 1000 - 273.15, in single precision.
float CjcVoltsCelsius(float volts);
// Degrees Celsius of an offset code: (code - 32768) x 10 / 32768.
float CjcOffsetCelsius(uint16_t offsetCode);

} // namespace qms::api
