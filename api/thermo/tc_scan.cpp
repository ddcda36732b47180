// QmsTcScan: a run of thermocouple channels read in one scan. Each channel gives the float
// TCMuxRead would give for the same reading and CJC history; the module is asked as little
// as that allows: the ranges only when they change, the burn-out status of the whole run in
// one request and only when a channel of it has a burn-out setting, one scan for all
// readings, and the CJC from the driver's history.
#include "exact_float_arithmetic.h"

#include <optional>

#include "api/api_call.h"
#include "api/gain_list.h"
#include "api/parameter_blocks.h"
#include "api/thermo/cjc_readers.h"
#include "api/thermo/tc_channel.h"
#include "qms6093_thermo.h"
#include "qms6093ext.h"

using namespace qms::api;

namespace {

// Whether a channel must be configured before it is read as a thermocouple of `type`: the
// module is not known to hold the type's range and to keep it as the channel's range index,
// or that index (which TCMuxRead leaves at the type's row) names another row, as for K and
// E, which share their range.
bool NeedsRange(const DeviceRecord &record, uint16_t channel, uint16_t type, uint16_t rangeCode)
{
    return record.heldRange[channel] != rangeCode ||
           record.rangeIndex[channel] != ThermocoupleRow(type);
}

// Sets the thermocouple ranges the run lacks, in one configuration request over the
// channels from the first to the last that lack theirs; the ones between keep their range.
uint32_t HoldThermocoupleRanges(DeviceRecord &record, uint16_t start, uint16_t count,
                                const uint16_t *types, const uint16_t *rangeCodes)
{
    int first = -1;
    int last = -1;
    for (int i = 0; i < count; ++i) {
        if (NeedsRange(record, static_cast<uint16_t>(start + i), types[i], rangeCodes[i])) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    if (first < 0)
        return QMS_SUCCESS;

    uint16_t codes[QMS_AI_CHANNELS];
    std::optional<ThermocoupleRangeOverride> overrides[QMS_AI_CHANNELS];
    for (int i = first; i <= last; ++i) {
        const auto channel = static_cast<uint16_t>(start + i);
        codes[i - first] = QMS_RANGE_UNCHANGED;
        if (NeedsRange(record, channel, types[i], rangeCodes[i])) {
            codes[i - first] = rangeCodes[i];
            overrides[i].emplace(record, channel, types[i], false);
        }
    }
    return MAIConfig(record.handle, static_cast<uint16_t>(last - first + 1),
                     static_cast<uint16_t>(start + first), codes);
}

// The arguments of a scan, checked before anything is sent; the range code of each
// position's type.
uint32_t CheckScan(const DeviceRecord &record, uint16_t start, uint16_t count,
                   const uint16_t *types, uint16_t scale, const float *temperatures,
                   const uint32_t *status, uint16_t *rangeCodes)
{
    const uint32_t dev = record.deviceNumber;
    if (record.settings.BoardID != Features().deviceType)
        return DeviceError(dev, QMS_ERRIDX_DEVICE_TYPE);
    const uint16_t channels = Features().channelCount;
    if (count == 0 || count > channels || start >= channels || count > channels - start)
        return DeviceError(dev, QMS_ERRIDX_OUT_OF_RANGE);
    if (!types || !temperatures || !status || scale > TEMP_SCALE_KELVIN)
        return DeviceError(dev, QMS_ERRIDX_ARGUMENT);
    // Only thermocouples with an input range: no type N, no volts or milliamperes.
    for (uint16_t i = 0; i < count; ++i) {
        if (FindTcGainCode(types[i], &rangeCodes[i]) != 0)
            return DeviceError(dev, QMS_ERRIDX_ARGUMENT);
    }
    return QMS_SUCCESS;
}

uint32_t ScanThermocouples(DeviceRecord &record, uint16_t start, uint16_t count,
                           const uint16_t *types, uint16_t scale, float *temperatures,
                           uint32_t *status)
{
    const uint32_t dev = record.deviceNumber;
    uint16_t rangeCodes[QMS_AI_CHANNELS];
    if (const uint32_t refused =
            CheckScan(record, start, count, types, scale, temperatures, status, rangeCodes))
        return refused;

    float cjc = 0.0f;
    if (const uint32_t failed = ReadCJCHistoryTemp(&record, &cjc))
        return failed == kCjcHistoryFailed ? DeviceError(dev, failed) : failed;
    if (const uint32_t failed = HoldThermocoupleRanges(record, start, count, types, rangeCodes))
        return failed;

    uint32_t open[QMS_AI_CHANNELS] = {};
    bool reportsBurnOut = false;
    for (uint16_t i = 0; i < count; ++i)
        reportsBurnOut = reportsBurnOut || record.burnOutSetting[start + i] != kBurnOutDisabled;
    // Without the module's answer an open thermocouple would pass for a reading.
    if (reportsBurnOut) {
        if (const uint32_t failed =
                ReadParameterBlock(record, QMS_BLOCK_BURNOUT_STATUS, start, count, open))
            return failed;
    }
    float volts[QMS_AI_CHANNELS];
    if (const uint32_t failed = MAIVoltageIn(record.handle, count, start, rangeCodes, 0, volts))
        return failed;

    // The caller's arrays are written only when the whole scan went through.
    for (uint16_t i = 0; i < count; ++i) {
        const float cjcEmf = TcErrorVolts(cjc, types[i]);
        const uint32_t setting = record.burnOutSetting[start + i];
        if (setting != kBurnOutDisabled && open[i] != 0) {
            temperatures[i] = BurnOutValue(setting, rangeCodes[i], cjcEmf, types[i], scale);
            status[i] = QMS_TC_BURNOUT;
        } else {
            temperatures[i] = CompensatedTemperature(volts[i], cjcEmf, types[i], scale);
            status[i] = QMS_TC_OK;
        }
    }
    return QMS_SUCCESS;
}

} // namespace

extern "C" QMS_EXPORT uint32_t QmsTcScan(uint32_t handle, uint16_t start, uint16_t count,
                                         const uint16_t *types, uint16_t scale,
                                         float *temperatures, uint32_t *status)
{
    return AfterFirstCjcSample(
        handle,
        [&](const DeviceRecord &record) {
            uint16_t rangeCodes[QMS_AI_CHANNELS];
            return CheckScan(record, start, count, types, scale, temperatures, status, rangeCodes);
        },
        [&](DeviceRecord &record) {
            return ScanThermocouples(record, start, count, types, scale, temperatures, status);
        });
}
