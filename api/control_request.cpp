#include "api/control_request.h"

#include "api/error_codes.h"

namespace qms::api {

uint32_t SendControl(const DeviceRecord &record, uint32_t code, const void *in, uint32_t inLength,
                     void *out, uint32_t outLength)
{
    DWORD returned = 0;
    // The driver's buffers are the caller's own (buffered method); it reads the input only.
    if (DeviceIoControl(record.streamHandle, code, const_cast<void *>(in), inLength, out,
                        outLength, &returned, nullptr))
        return 0;
    return DriverError(record.deviceNumber);
}

uint32_t SendRecordedControl(const DeviceRecord &record, uint32_t code, const void *in,
                             uint32_t inLength, void *out, uint32_t outLength)
{
    SetLastError(ERROR_SUCCESS);
    if (const uint32_t refused = SendControl(record, code, in, inLength, out, outLength))
        return refused;
    if (GetLastError() == QMS_LASTERR_TRANSFER)
        return DriverError(record.deviceNumber);
    return 0;
}

} // namespace qms::api
