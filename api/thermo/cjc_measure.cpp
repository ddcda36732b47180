// MeasureCJCError: the CJC sensor's error, measured on a channel fed with the EMF of a
// thermocouple at the type's reference temperature by a source with its own cold-junction
// compensation, and handed to the module as its CJC offset.
//
// Fed so, the module reads V = E(mid) - E(terminals); with the sensor's E(cjc) added the
// reading exceeds E(mid) by E(cjc) - E(terminals), which gives the terminals' temperature,
// and the error is how far the sensor reads above it.
#include "exact_float_arithmetic.h"

#include <cmath>
#include <optional>

#include "api/api_call.h"
#include "api/control_request.h"
#include "api/module_commands.h"
#include "api/thermo/cjc_readers.h"
#include "api/thermo/tc_channel.h"
#include "qms6093_thermo.h"

using namespace qms::api;

namespace {

// Results of the measurement: its own small codes.
enum : int32_t {
    kMeasured = 0,
    kTypeRefused = -1,
    kResetFailed = 1,
    kStartFailed = 2,
    kCjcReadFailed = 3,
    kNoRange = 4,
    kConfigFailed = 5,
    kOffsetNotSent = 6,
    kFinalResetFailed = 7,
    kReadingFailed = 8,
    kBeyondOffset = 9,
};

// What the module's offset code can hold, in degrees Celsius either way.
constexpr float kOffsetSpan = 10.0f;

constexpr int kCjcReadings = 10;
constexpr int kChannelReadings = 5;

// The span whose middle is the reference temperature of each type (J K S T B R E).
struct ReferenceSpan {
    float low;
    float high;
};
constexpr ReferenceSpan kReferenceSpans[] = {
    {0.0f, 760.0f}, {0.0f, 1370.0f}, {500.0f, 1750.0f}, {-100.0f, 400.0f},
    {500.0f, 1800.0f}, {500.0f, 1750.0f}, {0.0f, 1000.0f},
};

// Type B gives no EMF worth the name near room temperature (its inverse function starts at
// 250 degrees Celsius), so the terminals' temperature cannot be told from its reading: a
// result would be tens of degrees off and would spoil every later reading as the offset.
bool Measurable(uint16_t type)
{
    return type <= TC_TYPE_E && type != TC_TYPE_B;
}

float ReferenceCelsius(uint16_t type)
{
    const ReferenceSpan &span = kReferenceSpans[type];
    return (span.high - span.low) * 0.5f + span.low;
}

int32_t Measure(DeviceRecord &record, uint16_t type, uint16_t channel, float *error)
{
    const uint32_t handle = record.handle;
    if (!error)
        return kCjcReadFailed;
    if (ResetAIConversion(handle) != 0)
        return kResetFailed;
    if (StartAIConversion(handle) != 0)
        return kStartFailed;
    if (!Measurable(type))
        return kTypeRefused;
    const float mid = ReferenceCelsius(type);

    // The raw sensor: no offset subtracted.
    float cjcVolts = 0.0f;
    for (int i = 0; i < kCjcReadings; ++i) {
        uint16_t code = 0;
        if (ReadCJCCode(record, &code) != 0)
            return kCjcReadFailed;
        cjcVolts += CjcCodeVolts(code);
    }
    const float cjc = CjcVoltsCelsius(cjcVolts * 0.1f);
    const float cjcEmf = TcErrorVolts(cjc, type);
    uint16_t rangeCode = 0;
    if (FindTcGainCode(type, &rangeCode) != 0)
        return kNoRange;

    std::optional<ThermocoupleRangeOverride> range;
    range.emplace(record, channel, type, true);
    if (AIConfig(handle, channel, rangeCode) != 0)
        return kConfigFailed;
    float volts = 0.0f;
    for (int i = 0; i < kChannelReadings; ++i) {
        float reading = 0.0f;
        if (AIVoltageIn(handle, channel, rangeCode, 0, &reading) != 0)
            return kReadingFailed;
        volts += reading;
    }
    const float measured = volts * 0.2f * 1000.0f + cjcEmf;
    const float refEmf = TcErrorVolts(mid, type);
    const float junction = TcTemp(cjcEmf - (measured - refEmf), type);
    const float cjcError = cjc - junction;
    *error = cjcError;

    // A sensor is not tens of degrees off: an error beyond what the offset holds comes from a
    // channel without the calibrator at the reference temperature (an open input, a plain
    // voltage, another type). Stored, it would shift every later reading, so nothing goes to
    // the module; the caller sees what was measured.
    if (!(std::fabs(cjcError) <= kOffsetSpan)) {
        range.reset();
        ResetAIConversion(handle);
        return kBeyondOffset;
    }

    const ModuleWord offset{Swap32(CjcOffsetCode(cjcError))};
    // The driver answers with its history whatever the module made of the offset: the
    // transfer failure it records tells that the offset did not arrive.
    CjcHistory history{};
    if (SendRecordedControl(record, IOCTL_QMS_CJC_CMD37, &offset, sizeof offset, &history,
                            sizeof history) != 0)
        return kOffsetNotSent;
    if (ResetCJCOffset(&record) != 0)
        return kReadingFailed;
    range.reset();
    if (ResetAIConversion(handle) != 0)
        return kFinalResetFailed;
    return kMeasured;
}

} // namespace

extern "C" QMS_EXPORT int32_t MeasureCJCError(uint32_t handle, uint16_t type, uint16_t channel,
                                              float *error)
{
    return static_cast<int32_t>(OnDevice(handle, [&](DeviceRecord &record) {
        return static_cast<uint32_t>(Measure(record, type, channel, error));
    }));
}
