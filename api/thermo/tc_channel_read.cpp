// TCMuxRead and DirectReadTemp: one analog input channel read as a thermocouple temperature
// with cold-junction compensation. The module measures the EMF against its terminal block;
// the EMF the thermocouple would give between 0 degrees Celsius and the terminals (from the
// CJC temperature) is added before the sum is turned into a temperature.
#include "exact_float_arithmetic.h"

#include "api/api_call.h"
#include "api/gain_list.h"
#include "api/thermo/cjc_readers.h"
#include "api/thermo/tc_channel.h"
#include "qms6093_thermo.h"

using namespace qms::api;

namespace {

constexpr int kDirectCjcReadings = 5;

// The arguments of a thermocouple read, checked before anything is sent: the range code of
// the type's thermocouple row, or the code that refuses the call.
uint32_t CheckThermocoupleRead(const DeviceRecord &record, uint16_t channel, uint16_t type,
                               const float *result, uint16_t *rangeCode)
{
    const uint32_t dev = record.deviceNumber;
    if (record.settings.BoardID != Features().deviceType)
        return DeviceError(dev, QMS_ERRIDX_DEVICE_TYPE);
    if (channel >= Features().channelCount)
        return DeviceError(dev, QMS_ERRIDX_OUT_OF_RANGE);
    if (!result || FindTcGainCode(type, rangeCode) != 0)
        return DeviceError(dev, QMS_ERRIDX_ARGUMENT);
    return QMS_SUCCESS;
}

uint32_t ReadThermocouple(DeviceRecord &record, uint16_t channel, uint16_t type, uint16_t scale,
                          float *result)
{
    const uint32_t dev = record.deviceNumber;
    uint16_t rangeCode = 0;
    if (const uint32_t refused = CheckThermocoupleRead(record, channel, type, result, &rangeCode))
        return refused;

    float cjc = 0.0f;
    if (const uint32_t failed = ReadCJCHistoryTemp(&record, &cjc))
        return failed == kCjcHistoryFailed ? DeviceError(dev, failed) : failed;
    const float cjcEmf = TcErrorVolts(cjc, type);

    const ThermocoupleRangeOverride range(record, channel, type, false);
    if (const uint32_t failed = AIConfig(record.handle, channel, rangeCode))
        return failed;
    const uint32_t setting = record.burnOutSetting[channel];
    if (setting != kBurnOutDisabled) {
        // Without the module's answer an open thermocouple would pass for a reading.
        const std::optional<uint32_t> open = ReadTcBurnOut(&record, channel);
        if (!open)
            return DeviceError(dev, QMS_ERRIDX_BLOCK_ACCESS);
        if (*open != 0) {
            *result = BurnOutValue(setting, rangeCode, cjcEmf, type, scale);
            return DeviceError(dev, QMS_ERRIDX_BURNOUT);
        }
    }
    float volts = 0.0f;
    if (const uint32_t failed = AIVoltageIn(record.handle, channel, rangeCode, 0, &volts))
        return failed;
    *result = CompensatedTemperature(volts, cjcEmf, type, scale);
    return QMS_SUCCESS;
}

uint32_t ReadThermocoupleDirect(DeviceRecord &record, uint16_t channel, uint16_t type,
                                float *celsius)
{
    if (!celsius)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
    // A type without a thermocouple row is refused before the module is asked anything.
    uint16_t rangeCode = 0;
    if (FindTcGainCode(type, &rangeCode) != 0)
        return static_cast<uint32_t>(-1);
    float sum = 0.0f;
    for (int i = 0; i < kDirectCjcReadings; ++i) {
        float reading = 0.0f;
        if (ReadCJCTemp(&record, &reading) != 0)
            return 1;
        sum += reading;
    }
    float offset = 0.0f;
    uint16_t offsetCode = 0;
    if (ReadCJCOffset(&record, &offset, &offsetCode) != 0)
        return 1;
    const float cjc = sum * 0.2f - offset;
    const float cjcEmf = TcErrorVolts(cjc, type);

    const ThermocoupleRangeOverride range(record, channel, type, true);
    if (const uint32_t failed = AIConfig(record.handle, channel, rangeCode))
        return failed;
    float volts = 0.0f;
    if (const uint32_t failed = AIVoltageIn(record.handle, channel, rangeCode, 0, &volts))
        return failed;
    *celsius = TcTemp(volts * 1000.0f + cjcEmf, type);
    return QMS_SUCCESS;
}

} // namespace

extern "C" QMS_EXPORT uint32_t TCMuxRead(uint32_t handle, uint16_t channel, uint16_t /*unused1*/,
                                         uint16_t /*unused2*/, uint16_t type, uint16_t scale,
                                         float *result)
{
    return AfterFirstCjcSample(
        handle,
        [&](const DeviceRecord &record) {
            uint16_t rangeCode = 0;
            return CheckThermocoupleRead(record, channel, type, result, &rangeCode);
        },
        [&](DeviceRecord &record) { return ReadThermocouple(record, channel, type, scale, result); });
}

extern "C" QMS_EXPORT int32_t DirectReadTemp(uint32_t handle, uint16_t channel, uint16_t type,
                                             float *celsius)
{
    return static_cast<int32_t>(OnDevice(handle, [&](DeviceRecord &record) {
        return ReadThermocoupleDirect(record, channel, type, celsius);
    }));
}
