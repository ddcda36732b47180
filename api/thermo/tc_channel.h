// A channel read as a thermocouple: the input range of a type, the temporary range override
// around the read, the module's burn-out status and the value an open thermocouple reports.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "api/api_call.h"
#include "api/device_record.h"
#include "api/thermo/cjc_readers.h"

namespace qms::api {

// Burn-out setting of a channel (block 0x220).
enum BurnOutSetting : uint32_t {
    kBurnOutDisabled = 0,
    kBurnOutHigh = 1,         // "888888"
    kBurnOutLow = 2,          // "-888888"
    kBurnOutMaximum = 3,      // "Maximum value": the range's high limit
    kBurnOutMinimum = 4,      // "Minimum value": the range's low limit
};
constexpr float kBurnOutHighValue = 888888.0f;
constexpr float kBurnOutLowValue = -888888.0f;

// Row of a thermocouple type in the internal gain list: 8 + type (after the eight ranges of
// DeviceFeatures).
uint16_t ThermocoupleRow(uint16_t type);

// The range code of a type's thermocouple row: 0, or -1 when the type has none (N, above 7).
// Every temperature function asks this before it sends anything.
int32_t FindTcGainCode(uint16_t type, uint16_t *rangeCode);

// The module's burn-out status of a channel (block 0x230), nonzero when the thermocouple is
// open; nothing when the module could not be asked.
std::optional<uint32_t> ReadTcBurnOut(DeviceRecord *record, uint16_t channel);

// Degrees Celsius of a thermocouple EMF against 0 degrees Celsius, for a value that may lie
// beyond the type's reference function (a range limit taken as the reading): an EMF below
// or above the type's EMF span gives the span's end temperature instead of the inverse
// polynomial's extrapolation. Inside the span it is TcTemp.
float BoundedTcTemp(float millivolts, uint16_t type);

// The temperature of a channel read as `volts` on a thermocouple range, compensated by the
// EMF of the cold junction (TcErrorVolts of the CJC temperature), in the TempScale `scale`.
// Every reader of a thermocouple channel converts with this, so that they agree to the bit.
float CompensatedTemperature(float volts, float cjcEmf, uint16_t type, uint16_t scale);

// The value an open thermocouple reports under its channel's burn-out setting (nonzero), in
// the TempScale `scale` or as one of the two marker values. rangeCode is the thermocouple's
// range, whose limits settings 3 and 4 take.
float BurnOutValue(uint32_t setting, uint16_t rangeCode, float cjcEmf, uint16_t type,
                   uint16_t scale);

// The channel configured for a thermocouple type while a temperature function runs: sets the
// channel's range override to the type's row (and, when asked, the persist-suppression flag)
// and clears both whenever the function returns.
class ThermocoupleRangeOverride {
public:
    ThermocoupleRangeOverride(DeviceRecord &record, uint16_t channel, uint16_t type,
                              bool suppressPersist);
    ~ThermocoupleRangeOverride();
    ThermocoupleRangeOverride(const ThermocoupleRangeOverride &) = delete;
    ThermocoupleRangeOverride &operator=(const ThermocoupleRangeOverride &) = delete;

private:
    DeviceRecord &record_;
    uint16_t channel_;
    bool suppressPersist_;
};

// A temperature call on a device: check(record) refuses bad arguments before anything is
// sent; then, right after a (re-)plug, the driver's first CJC sample is waited for before the
// call takes the device, so that the device's other calls go on meanwhile; then
// read(record) runs with the device held. A call whose arguments are refused waits for
// nothing.
template <class Check, class Read>
uint32_t AfterFirstCjcSample(uint32_t handle, Check &&check, Read &&read) noexcept
{
    const uint32_t ready = Shielded(uint32_t{QMS_ERR_NULL_HANDLE}, [&]() -> uint32_t {
        const RecordRef record = FindRecordByHandle(handle);
        if (!record)
            return QMS_ERR_NULL_HANDLE;
        if (const uint32_t refused = check(*record))
            return refused;
        return WaitForCjcSample(*record) ? QMS_SUCCESS
                                         : DeviceError(record->deviceNumber, kCjcHistoryFailed);
    });
    if (ready != QMS_SUCCESS)
        return ready;
    return OnDevice(handle, std::forward<Read>(read));
}

} // namespace qms::api
