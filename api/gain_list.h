// The ranges the library knows: the internal gain list (17 rows, handed out whole by
// RetrieveAllGainInfo) and the module description DeviceFeatures, whose gain list holds the
// eight ranges an application may choose.
#pragma once

#include <cstdint>

#include "qms6093.h"

namespace qms::api {

constexpr int kNoRow = -1;
constexpr uint32_t kAdResolutionBits = 16;

const tagINTERNALGAINLIST (&InternalGainList())[QMS_INTERNAL_GAIN_ROWS];
const DeviceFeatures &Features();

// Row index 0 to 16 of a range code in the internal gain list (first match), or kNoRow.
int FindInternalGainRow(uint16_t rangeCode);
// Index among the valid entries of the DeviceFeatures gain list, or kNoRow.
int FindGainListIndex(uint16_t rangeCode);

} // namespace qms::api
