// The device parameter blocks, per-channel tables named by a block id: 0x210 range index
// (row of the host's internal gain list; the range the channel takes at power-up), 0x220
// burn-out setting, 0x240 4-20 mA exception setting, all three kept in non-volatile memory,
// and 0x230 burn-out status, measured: 1 for a channel whose input is open, else 0.
// A request names a first channel (0 to 7) and a count (1 to 8); channels wrap from 7 to 0.
#pragma once

#include <array>
#include <cstdint>

#include "sim/analog_inputs.h"
#include "sim/nonvolatile_store.h"

namespace qms::sim {

constexpr uint16_t kBlockRangeIndex = 0x210;
constexpr uint16_t kBlockBurnout = 0x220;
constexpr uint16_t kBlockBurnoutStatus = 0x230;
constexpr uint16_t kBlockException420 = 0x240;

struct BlockRequest {
    uint16_t block = 0;
    uint16_t start = 0;
    uint16_t count = 0;
};

struct BlockReply {
    uint32_t status = 0;
    std::array<uint32_t, 8> values{}; // values[i] belongs to position i
};

BlockReply readBlock(const NonVolatileState &nv, const AnalogInputs &inputs, const BlockRequest &request);
uint32_t writeBlock(NonVolatileState &nv, const BlockRequest &request, const std::array<uint32_t, 8> &values);

} // namespace qms::sim
