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

// The value an open thermocouple reports under its channel's burn-out setting, in degrees
// Celsius or as one of the two marker values.
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
    *result = ConvertTempScale(TcTemp(volts * 1000.0f + cjcEmf, type), scale);
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
    // Right after a (re-)plug the driver's first CJC sample may still be on its way. It is
    // waited for before the call takes the device, so that the device's other calls go on
    // meanwhile; a read whose arguments are refused waits for nothing.
    const uint32_t ready = Shielded(uint32_t{QMS_ERR_NULL_HANDLE}, [&]() -> uint32_t {
        const RecordRef record = FindRecordByHandle(handle);
        if (!record)
            return QMS_ERR_NULL_HANDLE;
        uint16_t rangeCode = 0;
        if (const uint32_t refused = CheckThermocoupleRead(*record, channel, type, result, &rangeCode))
            return refused;
        return WaitForCjcSample(*record) ? QMS_SUCCESS
                                         : DeviceError(record->deviceNumber, kCjcHistoryFailed);
    });
    if (ready != QMS_SUCCESS)
        return ready;
    return OnDevice(handle, [&](DeviceRecord &record) {
        return ReadThermocouple(record, channel, type, scale, result);
    });
}

extern "C" QMS_EXPORT int32_t DirectReadTemp(uint32_t handle, uint16_t channel, uint16_t type,
                                             float *celsius)
{
    return static_cast<int32_t>(OnDevice(handle, [&](DeviceRecord &record) {
        return ReadThermocoupleDirect(record, channel, type, celsius);
    }));
}
