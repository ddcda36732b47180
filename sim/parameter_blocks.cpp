#include "sim/parameter_blocks.h"

#include "sim/device_status.h"

namespace qms::sim {
namespace {

uint32_t checkRequest(const BlockRequest &r)
{
    if (r.block != kBlockRangeIndex && r.block != kBlockBurnout && r.block != kBlockBurnoutStatus &&
        r.block != kBlockException420)
        return StatusBadBlock;
    if (r.start >= kChannelCount)
        return StatusBadChannel;
    if (r.count == 0 || r.count > kChannelCount)
        return StatusBadCount;
    return StatusOk;
}

template <class State> auto storedBlock(State &nv, uint16_t block) -> decltype(&nv.rangeIndex)
{
    switch (block) {
    case kBlockRangeIndex: return &nv.rangeIndex;
    case kBlockBurnout: return &nv.burnout;
    case kBlockException420: return &nv.exception420;
    default: return nullptr;
    }
}

} // namespace

BlockReply readBlock(const NonVolatileState &nv, const AnalogInputs &inputs, const BlockRequest &request)
{
    BlockReply reply;
    reply.status = checkRequest(request);
    if (reply.status != StatusOk)
        return reply;
    for (uint16_t i = 0; i < request.count; ++i) {
        const size_t channel = (request.start + i) % kChannelCount;
        if (request.block == kBlockBurnoutStatus)
            reply.values[i] = inputs.isOpen(channel) ? 1 : 0;
        else
            reply.values[i] = (*storedBlock(nv, request.block))[channel];
    }
    return reply;
}

uint32_t writeBlock(NonVolatileState &nv, const BlockRequest &request, const std::array<uint32_t, 8> &values)
{
    if (const uint32_t status = checkRequest(request); status != StatusOk)
        return status;
    if (request.block == kBlockBurnoutStatus)
        return StatusReadOnly;
    if (request.block == kBlockRangeIndex)
        for (uint16_t i = 0; i < request.count; ++i)
            if (!moduleCodeOfRangeIndex(values[i]))
                return StatusBadValue;
    std::array<uint32_t, 8> &block = *storedBlock(nv, request.block);
    for (uint16_t i = 0; i < request.count; ++i)
        block[(request.start + i) % kChannelCount] = values[i];
    return StatusOk;
}

} // namespace qms::sim
