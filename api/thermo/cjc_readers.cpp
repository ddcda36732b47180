#include "exact_float_arithmetic.h"

#include "api/thermo/cjc_readers.h"

#include "api/ai_scale.h"
#include "api/control_request.h"
#include "api/error_codes.h"
#include "api/gain_list.h"

namespace qms::api {

namespace {

constexpr int32_t kCjcModuleCode = 0x100;
constexpr float kCjcOffsetSpan = 10.0f;
constexpr uint16_t kCjcOffsetZero = 0x8000;
constexpr uint16_t kMaxCount = 65535;

// The CJC row of the internal gain list: the first with a non-negative module code that has
// bit 0x100 set.
const tagINTERNALGAINLIST &CjcRow()
{
    static const tagINTERNALGAINLIST &row = [] () -> const tagINTERNALGAINLIST & {
        for (const tagINTERNALGAINLIST &r : InternalGainList()) {
            if (r.moduleCode >= 0 && (r.moduleCode & kCjcModuleCode) != 0)
                return r;
        }
        return InternalGainList()[QMS_INTERNAL_GAIN_ROWS - 2];
    }();
    return row;
}

} // namespace

float CjcCodeVolts(uint16_t code)
{
    ScaleParameters scale{};
    ScaleOfRange(static_cast<uint16_t>(CjcRow().code), &scale);
    float volts = 0.0f;
    AIScale(code, scale.fullScale, scale.maxCount, scale.offsetCount, &volts);
    return volts;
}

float CjcVoltsCelsius(float volts)
{
    const float millivolts = volts * 1000.0f;
    return millivolts - 273.15f;
}

float CjcOffsetCelsius(uint16_t offsetCode)
{
    float offset = 0.0f;
    AIScale(offsetCode, kCjcOffsetSpan, kMaxCount, kCjcOffsetZero, &offset);
    return offset;
}

namespace {

// The driver's history, asked again until it holds a sample. False when the request fails,
// when no sample came within kCjcSampleWaitMs, or when the module went away meanwhile.
bool ReadCjcHistory(const DeviceRecord &record, CjcHistory *history)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (SendControl(record, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, history,
                        sizeof *history) != 0)
            return false;
        if (history->count != 0)
            return true;
        // Right after the driver starts the sampler may not have stored a sample yet. The
        // pause between two looks is a wait on the removal event: a module that goes away
        // will not bring one.
        if (GetTickCount() - start >= kCjcSampleWaitMs ||
            WaitForSingleObject(record.events[1], kCjcHistoryPollMs) == WAIT_OBJECT_0)
            return false;
    }
}

} // namespace

bool WaitForCjcSample(const DeviceRecord &record)
{
    CjcHistory history{};
    return ReadCjcHistory(record, &history);
}

uint32_t ReadCJCHistoryTemp(DeviceRecord *record, float *celsius)
{
    if (!record)
        return QMS_ERR_NULL_HANDLE;
    if (record->settings.BoardID != Features().deviceType)
        return DeviceError(record->deviceNumber, QMS_ERRIDX_DEVICE_TYPE);

    CjcHistory history{};
    if (!ReadCjcHistory(*record, &history))
        return kCjcHistoryFailed;

    const float offset = CjcOffsetCelsius(history.offsetWord);
    const uint16_t count = history.count < QMS_CJC_HISTORY_SLOTS ? history.count
                                                                 : uint16_t{QMS_CJC_HISTORY_SLOTS};
    float sum = 0.0f;
    for (uint16_t i = 0; i < count; ++i)
        sum += CjcCodeVolts(history.samples[i]);
    const float mean = sum / static_cast<float>(count);
    *celsius = CjcVoltsCelsius(mean) - offset;
    return QMS_SUCCESS;
}

int32_t ReadCJCCode(DeviceRecord &record, uint16_t *code)
{
    const DWORD start = GetTickCount();
    for (int attempt = 0;; ++attempt) {
        CjcReading reading{};
        if (SendControl(record, IOCTL_QMS_READ_CJC, nullptr, 0, &reading, sizeof reading) != 0)
            return 1;
        if (reading.valid != 0) {
            *code = static_cast<uint16_t>(Swap32(reading.reading));
            return 0;
        }
        if (GetTickCount() - start >= kCjcValidWaitMs)
            return 1;
        // The module calls a reading invalid once after a conversion start: ask again at once.
        // A sensor that stays invalid is asked once a millisecond, not as fast as the bus goes.
        if (attempt > 0)
            Sleep(1);
    }
}

int32_t ReadCJCTemp(DeviceRecord *record, float *celsius)
{
    if (!record)
        return 1;
    uint16_t code = 0;
    if (ReadCJCCode(*record, &code) != 0)
        return 1;
    *celsius = CjcVoltsCelsius(CjcCodeVolts(code));
    return 0;
}

int32_t ReadCJCOffset(DeviceRecord *record, float *offsetCelsius, uint16_t *offsetCode)
{
    if (!record)
        return 1;
    // The driver writes the module's answer into the input buffer.
    ModuleWord word{0};
    if (SendControl(*record, IOCTL_QMS_GET_CJC_OFFSET, &word, sizeof word, nullptr, 0) != 0)
        return 1;
    const auto code = static_cast<uint16_t>(Swap32(word.value));
    *offsetCelsius = CjcOffsetCelsius(code);
    *offsetCode = code;
    return 0;
}

int32_t ReadCJCReference(DeviceRecord *record, uint16_t *referenceCode)
{
    if (!record || !referenceCode)
        return 1;
    // As the offset, the reference comes back in the input buffer.
    ModuleWord word{0};
    if (SendControl(*record, IOCTL_QMS_CJC_CMD38, &word, sizeof word, nullptr, 0) != 0)
        return 1;
    *referenceCode = static_cast<uint16_t>(Swap32(word.value));
    return 0;
}

} // namespace qms::api
