// AIBinaryIn, MAIBinaryIn, AIVoltageIn, MAIVoltageIn: readings of a run of channels, with
// the 4-20 mA correction, and their values in volts or milliamperes.
#include "api/ai_scale.h"
#include "api/api_call.h"
#include "api/control_request.h"
#include "api/gain_list.h"

using namespace qms::api;

namespace {

constexpr float kLoopHigh = 20.0f;
constexpr float kLoopLow = 4.0f;
constexpr float kOpenLoopBelow = 3.0f; // milliamperes

// A reading of a 4-20 mA loop re-scaled so that 4 mA is code 0 and 20 mA code 65535. An open
// loop (below 3 mA) reads as the channel's exception setting says: 0 the high end, 1 the
// low end, anything else the last value the same loop gave.
uint16_t CorrectLoopReading(DeviceRecord &record, uint16_t channel, uint16_t reading)
{
    float mA = 0.0f;
    AIScale(reading, kLoopHigh, 65535, 32768, &mA);
    if (mA < kOpenLoopBelow) {
        switch (record.exception420[channel]) {
        case 0: mA = kLoopHigh; break;
        case 1: mA = kLoopLow; break;
        default: mA = record.last420Value[channel]; break;
        }
    }
    if (mA < kLoopLow)
        mA = kLoopLow;
    if (mA > kLoopHigh)
        mA = kLoopHigh;
    record.last420Value[channel] = mA;
    return ValueToCode(mA, kLoopHigh, kLoopLow);
}

uint32_t CheckRun(const DeviceRecord &record, uint16_t count, uint16_t start)
{
    // Start 8 is passed to the module as it is; it counts as channel 0 here.
    if (count == 0 || count > Features().channelCount || start > Features().channelCount)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    return QMS_SUCCESS;
}

uint32_t ReadChannels(DeviceRecord &record, uint16_t count, uint16_t start, uint16_t mode,
                      uint16_t *readings)
{
    if (!readings)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
    if (const uint32_t bad = CheckRun(record, count, start))
        return bad;
    const ScanRequest request{Swap16(start), Swap16(count), Swap16(mode), 0};
    SampleBlock block{};
    if (const uint32_t refused = SendControl(record, IOCTL_QMS_MAI_READ, &request,
                                             sizeof request, &block, sizeof block))
        return refused;
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t channel = static_cast<uint16_t>((start + i) % QMS_AI_CHANNELS);
        uint16_t reading = static_cast<uint16_t>(Swap32(block.samples[i]));
        if (record.rangeCode[channel] == QMS_RANGE_4_20MA)
            reading = CorrectLoopReading(record, channel, reading);
        readings[i] = reading;
    }
    return QMS_SUCCESS;
}

} // namespace

extern "C" QMS_EXPORT uint32_t MAIBinaryIn(uint32_t handle, uint16_t count, uint16_t start,
                                           uint16_t mode, uint16_t *readings)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return ReadChannels(record, count, start, mode, readings);
    });
}

extern "C" QMS_EXPORT uint32_t AIBinaryIn(uint32_t handle, uint16_t channel, uint16_t mode,
                                          uint16_t *reading)
{
    return MAIBinaryIn(handle, 1, channel, mode, reading);
}

extern "C" QMS_EXPORT uint32_t MAIVoltageIn(uint32_t handle, uint16_t count, uint16_t start,
                                            const uint16_t *rangeCodes, uint16_t mode,
                                            float *values)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!values || !rangeCodes)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        if (const uint32_t bad = CheckRun(record, count, start))
            return bad;
        // A range without scale parameters cannot give a value: the call is refused before
        // the module is asked, and nothing is written.
        ScaleParameters scales[QMS_AI_CHANNELS];
        for (uint16_t i = 0; i < count; ++i) {
            if (!ScaleOfRange(rangeCodes[i], &scales[i]))
                return DeviceError(record.deviceNumber, QMS_ERRIDX_RANGE_CODE);
        }
        uint16_t readings[QMS_AI_CHANNELS];
        if (const uint32_t failed = ReadChannels(record, count, start, mode, readings))
            return failed;
        for (uint16_t i = 0; i < count; ++i)
            AIScale(readings[i], scales[i].fullScale, scales[i].maxCount, scales[i].offsetCount,
                    &values[i]);
        return QMS_SUCCESS;
    });
}

extern "C" QMS_EXPORT uint32_t AIVoltageIn(uint32_t handle, uint16_t channel, uint16_t rangeCode,
                                           uint16_t mode, float *value)
{
    return MAIVoltageIn(handle, 1, channel, &rangeCode, mode, value);
}
