#include "sim/digital_io.h"

#include <cstring>

#include "sim/byte_order.h"
#include "sim/device_status.h"

namespace qms::sim {

uint32_t DigitalIo::writeOutputs(uint16_t port, uint16_t count, uint32_t value)
{
    if (count == 0)
        return StatusOk;
    if (port != 0 || count > 1)
        return StatusBadPort;
    outputs = static_cast<uint8_t>(value);
    return StatusOk;
}

void DigitalIo::reply(const PortRequest &request, uint8_t value, uint8_t *out)
{
    std::memset(out, 0, 12);
    const bool bad = request.port != 0 || request.count > 1;
    writeLe32(out, bad ? StatusBadPort : StatusOk);
    writeBe16(out + 4, request.count);
    writeBe16(out + 8, bad || request.count == 0 ? 0 : value);
}

} // namespace qms::sim
