// One control request to the stream driver on a record's stream handle.
#pragma once

#include <cstdint>

#include "api/device_record.h"

namespace qms::api {

// Sends the request; returns 0 when the driver carried it out, else the driver code of the
// thread's last error for the record's device number.
uint32_t SendControl(const DeviceRecord &record, uint32_t code, const void *in, uint32_t inLength,
                     void *out, uint32_t outLength);

// The same for the requests the driver answers as carried out even when its transfer to the
// module failed (IOCTL_QMS_DO_WRITE, IOCTL_QMS_LOCATE, IOCTL_QMS_CJC_CMD37): the transfer
// failure the driver records as the thread's last error is reported as a refusal would be.
uint32_t SendRecordedControl(const DeviceRecord &record, uint32_t code, const void *in,
                             uint32_t inLength, void *out, uint32_t outLength);

} // namespace qms::api
