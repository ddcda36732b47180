// The module's non-volatile memory: what survives unplugging and plugging in again. Modules
// are told apart by their serial number; within the process the memory of every serial seen
// is kept until the process ends, and a module with a state file also keeps it on disk.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "sim/calibration.h"

namespace qms::sim {

constexpr uint16_t kFactoryCjcOffsetCode = 0x8000; // 0 degrees Celsius

struct NonVolatileState {
    uint32_t boardNumber = 0;
    std::array<uint32_t, 8> rangeIndex{}; // block 0x210: row of the host's internal gain list
    std::array<uint32_t, 8> burnout{};    // block 0x220
    std::array<uint32_t, 8> exception420{}; // block 0x240
    std::map<uint16_t, uint32_t> eeprom;  // words written; the others read 0
    uint16_t cjcOffsetCode = kFactoryCjcOffsetCode;    // active offset, IN(2,33)
    uint16_t cjcReferenceCode = kFactoryCjcOffsetCode; // reference offset, IN(2,38)
    CalibrationSet calibration;
};

nlohmann::json nonVolatileToJson(const NonVolatileState &state);
// Throws std::runtime_error when the JSON does not describe a module's memory.
NonVolatileState nonVolatileFromJson(const nlohmann::json &j);

// Reads a state file; none when the file does not exist. Throws std::runtime_error for a file
// that exists but cannot be read or parsed.
std::optional<NonVolatileState> loadStateFile(const std::string &path);
// Writes it whole, through a temporary file renamed over the old one. False on failure.
bool saveStateFile(const std::string &path, const NonVolatileState &state);

// The process-wide memory of every serial seen; thread-safe.
class NonVolatileStore {
public:
    static NonVolatileStore &instance();
    std::shared_ptr<NonVolatileState> find(const std::string &serial);
    void put(const std::string &serial, std::shared_ptr<NonVolatileState> state);
    void forget(const std::string &serial);

private:
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<NonVolatileState>> states_;
};

} // namespace qms::sim
