#include "api/ai_scale.h"

#include "api/api_call.h"
#include "api/gain_list.h"

namespace qms::api {

namespace {
constexpr float kFullScaleCounts = 65536.0f; // 2^16: the A/D resolution
}

bool ScaleOfRange(uint16_t rangeCode, ScaleParameters *scale)
{
    const int row = FindInternalGainRow(rangeCode);
    if (row == kNoRow)
        return false;
    const float high = InternalGainList()[row].high;
    const float low = InternalGainList()[row].low;
    float zero = kFullScaleCounts * low / (low - high);
    if (high >= 20.0f && zero >= 0.0f)
        zero = 32768.0f - zero;
    scale->fullScale = high;
    scale->maxCount = 65535;
    scale->offsetCount = static_cast<uint16_t>(static_cast<int32_t>(zero));
    return true;
}

uint16_t ValueToCode(float value, float high, float low)
{
    const float code = (value - low) * kFullScaleCounts / (high - low);
    if (!(code > 0.0f)) // below the span (or not a number): the lowest code
        return 0;
    if (code >= kFullScaleCounts)
        return 65535;
    return static_cast<uint16_t>(code);
}

} // namespace qms::api

extern "C" QMS_EXPORT uint32_t AIScale(uint16_t reading, float maxValue, uint16_t maxCount,
                                       uint16_t offsetCount, float *result)
{
    if (maxCount == offsetCount)
        return QMS_ERR_SCALE;
    if (!result)
        return QMS_ERR_NULL_BUFFER;
    int32_t offset = offsetCount;
    // The current ranges: 0 and 0x8000 trade places, anything else is the 4-20 mA offset.
    if (maxValue == 20.0f)
        offset = offsetCount == 0 ? 32768 : offsetCount == 0x8000 ? 0 : -16384;
    const float counts = static_cast<float>(static_cast<int32_t>(reading) - offset);
    const float span = static_cast<float>(static_cast<int32_t>(maxCount) - offset + 1);
    *result = counts * maxValue / span;
    return QMS_SUCCESS;
}
