// The device parameter blocks: small per-channel tables that the module keeps (range index
// 0x210, burn-out setting 0x220, 4-20 mA exception setting 0x240) or reports (burn-out
// status 0x230). A request names the block, a first channel and a count of at most 8.
#pragma once

#include <cstdint>

#include "api/device_record.h"

namespace qms::api {

// Stores the first count values in the processor's order and returns 0; returns -1 and
// stores nothing when the request is refused, the module's status word is nonzero, the
// record is null or count is above 8.
int32_t ReadDeviceParameters(DeviceRecord *record, uint16_t blockId, uint16_t firstChannel,
                             uint16_t count, uint32_t *values);

// The same read for a caller that passes on why it failed: returns 0, the driver code of a
// refused request, or the device code of error index 501 when the module answers with a
// nonzero status word (error index 7 for a count above 8); stores the values only on 0.
uint32_t ReadParameterBlock(DeviceRecord &record, uint16_t blockId, uint16_t firstChannel,
                            uint16_t count, uint32_t *values);

// Returns 0, the driver code of a refused request, or the module's nonzero status word in
// the processor's order (3 for a null record, error index 7 for a count above 8).
uint32_t WriteDeviceParameters(DeviceRecord *record, uint16_t blockId, uint16_t firstChannel,
                               uint16_t count, const uint32_t *values);

} // namespace qms::api
