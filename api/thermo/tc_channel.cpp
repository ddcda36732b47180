#include "exact_float_arithmetic.h"

#include "api/thermo/tc_channel.h"

#include "api/gain_list.h"
#include "api/parameter_blocks.h"
#include "qms6093_thermo.h"

namespace qms::api {

namespace {

constexpr int32_t kThermocoupleModuleBit = 0x80;

// The span of each type's NIST ITS-90 reference function: its end temperatures and the
// EMF there (B: the function's minimum, near 21 degrees Celsius, and its upper end).
struct EmfSpan {
    float lowCelsius;
    float highCelsius;
    float lowMillivolts;
    float highMillivolts;
};
constexpr EmfSpan kEmfSpans[TC_TYPE_COUNT] = {
    {-210.0f, 1200.0f, -8.095f, 69.553f},  // J
    {-270.0f, 1372.0f, -6.458f, 54.886f},  // K
    {-50.0f, 1768.1f, -0.236f, 18.693f},   // S
    {-270.0f, 400.0f, -6.258f, 20.872f},   // T
    {0.0f, 1820.0f, -0.00257f, 13.820f},   // B
    {-50.0f, 1768.1f, -0.226f, 21.103f},   // R
    {-270.0f, 1000.0f, -9.835f, 76.373f},  // E
    {-270.0f, 1300.0f, -4.345f, 47.513f},  // N
};

} // namespace

uint16_t ThermocoupleRow(uint16_t type)
{
    return static_cast<uint16_t>(Features().gainCount + type);
}

int32_t FindTcGainCode(uint16_t type, uint16_t *rangeCode)
{
    // Only a TcType names a thermocouple row: 256 with bit 0x80 cleared would match the CJC
    // row's module code 0x100.
    if (type >= TC_TYPE_COUNT)
        return -1;
    for (const tagINTERNALGAINLIST &row : InternalGainList()) {
        if (row.moduleCode >= kThermocoupleModuleBit &&
            (row.moduleCode & ~kThermocoupleModuleBit) == type) {
            *rangeCode = static_cast<uint16_t>(row.code);
            return 0;
        }
    }
    return -1;
}

std::optional<uint32_t> ReadTcBurnOut(DeviceRecord *record, uint16_t channel)
{
    uint32_t status = 0;
    if (ReadDeviceParameters(record, QMS_BLOCK_BURNOUT_STATUS, channel, 1, &status) != 0)
        return std::nullopt;
    return status;
}

float BoundedTcTemp(float millivolts, uint16_t type)
{
    if (type < TC_TYPE_COUNT) {
        const EmfSpan &span = kEmfSpans[type];
        if (millivolts < span.lowMillivolts)
            return span.lowCelsius;
        if (millivolts > span.highMillivolts)
            return span.highCelsius;
    }
    return TcTemp(millivolts, type);
}

float CompensatedTemperature(float volts, float cjcEmf, uint16_t type, uint16_t scale)
{
    return ConvertTempScale(TcTemp(volts * 1000.0f + cjcEmf, type), scale);
}

float BurnOutValue(uint32_t setting, uint16_t rangeCode, float cjcEmf, uint16_t type,
                   uint16_t scale)
{
    if (setting == kBurnOutHigh)
        return kBurnOutHighValue;
    if (setting == kBurnOutLow)
        return kBurnOutLowValue;
    float volts = 0.0f;
    if (setting == kBurnOutMaximum || setting == kBurnOutMinimum) {
        const tagINTERNALGAINLIST &row = InternalGainList()[FindInternalGainRow(rangeCode)];
        volts = setting == kBurnOutMaximum ? row.high : row.low;
    }
    // The limits of the bipolar ranges lie far beyond the thermocouples' EMF: the reported
    // temperature stops at the end of the type's reference function.
    return ConvertTempScale(BoundedTcTemp(volts * 1000.0f + cjcEmf, type), scale);
}

ThermocoupleRangeOverride::ThermocoupleRangeOverride(DeviceRecord &record, uint16_t channel,
                                                     uint16_t type, bool suppressPersist)
    : record_(record), channel_(channel), suppressPersist_(suppressPersist)
{
    // A channel beyond the last is left to AIConfig to refuse; it has no override slot.
    if (channel_ < QMS_AI_CHANNELS)
        record_.rangeOverride[channel_] = ThermocoupleRow(type);
    if (suppressPersist_)
        record_.persistSuppression = 1;
}

ThermocoupleRangeOverride::~ThermocoupleRangeOverride()
{
    if (channel_ < QMS_AI_CHANNELS)
        record_.rangeOverride[channel_] = 0;
    if (suppressPersist_)
        record_.persistSuppression = 0;
}

} // namespace qms::api
