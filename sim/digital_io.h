// One port of eight digital inputs (from the scenario) and one port of eight latched digital
// outputs (0 at power-up). Reads come in two steps: a request naming the port and the count,
// then the 12-byte reply: device error (little-endian u32), the request's count echoed
// big-endian, two zero bytes, the port value as a big-endian u16, two zero bytes.
#pragma once

#include <cstdint>

namespace qms::sim {

struct PortRequest {
    uint16_t port = 0;
    uint16_t count = 1;
};

class DigitalIo {
public:
    uint8_t outputs = 0;
    PortRequest inputRequest;
    PortRequest readbackRequest;

    // OUT(1,1): port, count, value (low byte used). Returns a device status word.
    uint32_t writeOutputs(uint16_t port, uint16_t count, uint32_t value);
    // Fills the 12-byte reply for a read of `request` whose port holds `value`.
    static void reply(const PortRequest &request, uint8_t value, uint8_t *out);
};

} // namespace qms::sim
