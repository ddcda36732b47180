// The firmware of one simulated module: its state and the models behind the command set.
// It carries out requests (protocol.cpp holds the command table) without any notion of
// faults, timing or locking; SimModule wraps it for the bus.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/analog_inputs.h"
#include "sim/cjc_sensor.h"
#include "sim/digital_io.h"
#include "sim/nonvolatile_store.h"
#include "sim/parameter_blocks.h"
#include "sim/request.h"
#include "sim/scenario.h"

namespace qms::sim {

class Firmware {
public:
    Firmware(const Scenario &scenario, std::shared_ptr<NonVolatileState> memory);

    struct Answer {
        bool understood;      // false: the firmware stalls the request
        uint32_t replyBytes;  // IN: bytes of the reply
        bool memoryChanged;   // the request may have changed the non-volatile memory
    };
    // Carries out one request; for IN requests writes the reply into data (wLength bytes).
    Answer handle(const SetupPacket &setup, uint8_t *data);

    void setInputs(const ModuleInputs &inputs, bool reseed) { analog.setInputs(inputs, reseed); }
    const ModuleInputs &inputs() const { return analog.inputs(); }
    nlohmann::json stateJson() const;

    // ---- state the command handlers work on ----
    std::shared_ptr<NonVolatileState> memory;
    AnalogInputs analog;
    CjcSensor cjc;
    DigitalIo dio;
    std::string firmwareText;
    uint32_t statusWord = 0;                 // result of the last OUT command
    std::optional<uint32_t> injectedStatus;  // answered by the next status read instead
    std::optional<BlockRequest> blockRequest; // from OUT(2,64)
    uint16_t eepromAddress = 0;              // from OUT(16,16)
    uint16_t singleChannel = 0;              // from OUT(2,2)
    bool singleChannelRequested = false;
    std::vector<uint8_t> aiCommand1;         // last OUT(2,1) payload, kept as sent
    bool hostOpen = false;
    bool locate = false;
    uint32_t openNotices = 0;
    uint32_t closeNotices = 0;
};

} // namespace qms::sim
