#include "api/ui/cjc_preview.h"

#include "api/device_record.h"
#include "api/thermo/cjc_readers.h"
#include "api/thermo/tc_channel.h"
#include "qms6093.h"
#include "qms6093_thermo.h"

namespace qms::api::ui {

uint32_t AverageCjc(uint32_t handle, float *celsius)
{
    DeviceCall call(handle);
    if (!call)
        return QMS_ERR_NULL_HANDLE;
    float sum = 0.0f;
    for (int i = 0; i < kCjcReadings; ++i) {
        float reading = 0.0f;
        if (const int32_t rc = ReadCJCTemp(call.get(), &reading))
            return static_cast<uint32_t>(rc);
        sum += reading;
    }
    *celsius = sum * 0.2f;
    return 0;
}

uint32_t ComputeOffsetCJC(int position, uint32_t handle, float *offset, float *correctedCjc)
{
    const float trial = static_cast<float>(position) * 0.01f;
    float mean = 0.0f;
    if (const uint32_t rc = AverageCjc(handle, &mean))
        return rc;
    *offset = trial;
    *correctedCjc = mean - trial;
    return 0;
}

uint32_t PreviewTCTemperature(uint32_t handle, uint16_t channel, uint16_t type, float offset, float *celsius)
{
    float mean = 0.0f;
    if (const uint32_t rc = AverageCjc(handle, &mean))
        return rc;
    // The device stays held from here to the reading, so that no other call comes between
    // the trial range and its reading.
    DeviceCall call(handle);
    if (!call)
        return QMS_ERR_NULL_HANDLE;
    const float cjc = mean - offset;
    const float cjcMillivolts = TcErrorVolts(cjc, type);
    uint16_t code = 0;
    if (FindTcGainCode(type, &code) != 0)
        return static_cast<uint32_t>(-1);
    float volts = 0.0f;
    {
        const ThermocoupleRangeOverride trial(*call, channel, type, true);
        if (const uint32_t rc = AIConfig(handle, channel, code))
            return rc;
        if (const uint32_t rc = AIVoltageIn(handle, channel, code, 0, &volts))
            return rc;
    }
    *celsius = TcTemp(volts * 1000.0f + cjcMillivolts, type);
    return 0;
}

} // namespace qms::api::ui
