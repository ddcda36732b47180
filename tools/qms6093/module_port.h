// Requests to a module that the API library keeps to itself (firmware version, board ID,
// stored channel blocks, cold-junction readings and offset), sent on a stream handle of
// the tool's own. Every call returns 0 or a code of the library's scheme.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "qms_platform.h"

namespace qms::cli {

// The driver's cold-junction readings: the mean of its last samples, with the module's
// offset as the driver read it at start.
struct ColdJunction {
    double sensorCelsius = 0;   // what the sensor reads
    double offsetCelsius = 0;   // the module's CJC offset
    uint16_t offsetCode = 0;
    double celsius() const { return sensorCelsius - offsetCelsius; } // what compensation uses
};

class ModulePort {
public:
    // Opens the stream device `callName` of device `deviceNumber`; a failure to open is
    // reported by the first request.
    ModulePort(uint32_t deviceNumber, const std::string &callName);
    ~ModulePort();
    ModulePort(const ModulePort &) = delete;
    ModulePort &operator=(const ModulePort &) = delete;

    uint32_t readFirmwareVersion(std::string &version);
    uint32_t readBoardId(uint32_t &boardId);
    uint32_t writeBoardId(uint32_t boardId);
    // One parameter block (0x210 range index, 0x220 burn-out, 0x230 burn-out status, 0x240
    // 4-20 mA exception) for all eight channels.
    uint32_t readBlock(uint16_t block, std::array<uint32_t, 8> &values);
    // Waits up to `waitMs` for the driver's first sample after start.
    uint32_t readCjc(ColdJunction &reading, unsigned waitMs = 3000);
    // The module's active offset, read from the module.
    uint32_t readCjcOffset(uint16_t &code);
    uint32_t writeCjcOffset(uint16_t code);
    // Makes the active offset the module's reference offset.
    uint32_t resetCjcOffset();

private:
    uint32_t send(uint32_t controlCode, void *in, uint32_t inSize, void *out, uint32_t outSize);
    // A request answered by a big-endian status word in `out`.
    uint32_t sendForStatus(uint32_t controlCode, void *in, uint32_t inSize);

    uint32_t deviceNumber_;
    HANDLE stream_ = INVALID_HANDLE_VALUE;
};

// The CJC offset in degrees Celsius of a code, and the code of an offset (truncated and
// held within 0 to 65535, as the module stores it).
double CjcOffsetCelsius(uint16_t code);
uint16_t CjcOffsetCode(double celsius);

} // namespace qms::cli
