// Conversion control and the calibration commands: one request each, answered by the
// module's status word.
#include "api/api_call.h"
#include "api/module_commands.h"

using namespace qms::api;

namespace {

uint32_t Command(uint32_t handle, uint32_t code, const uint16_t *argument)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return SendStatusCommand(&record, code, argument);
    });
}

uint32_t CommandWith(uint32_t handle, uint32_t code, uint16_t argument)
{
    return Command(handle, code, &argument);
}

} // namespace

namespace qms::api {

uint32_t StartZeroCalibration(uint32_t handle, uint16_t moduleCode)
{
    return CommandWith(handle, IOCTL_QMS_CAL_ZERO, moduleCode);
}

uint32_t StartFullCalibration(uint32_t handle, uint16_t moduleCode)
{
    return CommandWith(handle, IOCTL_QMS_CAL_FULL, moduleCode);
}

// Reaches the module as its full-scale calibration command with argument 0.
uint32_t ResetAICalibration(uint32_t handle)
{
    return CommandWith(handle, IOCTL_QMS_CAL_FULL_ALT, 0);
}

} // namespace qms::api

extern "C" QMS_EXPORT uint32_t StartAIConversion(uint32_t handle)
{
    return Command(handle, IOCTL_QMS_START_AI_CONV, nullptr);
}

extern "C" QMS_EXPORT uint32_t ResetAIConversion(uint32_t handle)
{
    return Command(handle, IOCTL_QMS_RESET_AI_CONV, nullptr);
}

extern "C" QMS_EXPORT uint32_t FixFullCalibration(uint32_t handle, uint16_t value)
{
    return CommandWith(handle, IOCTL_QMS_FIX_FULL_CAL, value);
}

extern "C" QMS_EXPORT uint32_t FixZeroCalibration(uint32_t handle, uint16_t value)
{
    return CommandWith(handle, IOCTL_QMS_FIX_ZERO_CAL, value);
}

extern "C" QMS_EXPORT uint32_t Complete_Calibration(uint32_t handle)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        const uint16_t zero = 0;
        uint32_t status = 0;
        if (const uint32_t refused = RequestStatus(record, IOCTL_QMS_CAL_COMPLETE, &zero, &status))
            return refused;
        // The module wants its calibration reset right after; a refusal of that outranks
        // the completion's own status.
        if (ResetAICalibration(handle) != 0)
            return QMS_ERR_REFUSED;
        return status;
    });
}
