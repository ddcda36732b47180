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

// How long a temperature read waits for the first sample of a driver that has just started:
// the sampler takes it right at start, so after one transfer time-out without it the module
// is not answering. The history is asked again every kCjcHistoryPollMs meanwhile (no USB
// traffic: the driver copies what it holds), so the read goes on as soon as the sample is
// there.
constexpr DWORD kCjcSampleWaitMs = 2000;
constexpr DWORD kCjcHistoryPollMs = 2;
// How long a sensor reading may stay invalid before the read counts as failed: the driver's
// transfer time-out.
constexpr DWORD kCjcValidWaitMs = 2000;

// Result of a history request that failed, or found no sample within the wait; the caller
// adds the device part.
constexpr uint32_t kCjcHistoryFailed = QMS_ERRIDX_CJC_HISTORY;

// Waits until the driver's history holds a sample, at most kCjcSampleWaitMs, and less once
// the module is removed. Needs no call lock: a temperature read waits here before it takes
// the device, so that other calls on the device go on meanwhile. True when a sample is there.
bool WaitForCjcSample(const DeviceRecord &record);

// Mean of the history's samples minus the history's offset, in degrees Celsius. Waits as
// WaitForCjcSample while the history holds no sample. Returns 0; 3 for a null record; the
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

// The module's reference offset code: the offset the host's cold-junction measurement stored
// last, which "CJC Offset Settings Reset" makes active again. 0, or 1 when the request fails.
int32_t ReadCJCReference(DeviceRecord *record, uint16_t *referenceCode);

// Volts of a sensor code: code x 0.5 / 65536, in single precision.
float CjcCodeVolts(uint16_t code);
// Degrees Celsius of a sensor voltage: volts x 1000 - 273.15, in single precision.
float CjcVoltsCelsius(float volts);
// Degrees Celsius of an offset code: (code - 32768) x 10 / 32768.
float CjcOffsetCelsius(uint16_t offsetCode);

} // namespace qms::api
