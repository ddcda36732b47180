#include "sim/firmware.h"

#include <cstdio>

#include "sim/input_ranges.h"
#include "sim/protocol.h"

namespace qms::sim {
namespace {

// At power-up every channel takes the range its stored range index names.
std::array<uint16_t, kChannelCount> powerUpRanges(const NonVolatileState &memory)
{
    std::array<uint16_t, kChannelCount> codes{};
    for (size_t i = 0; i < kChannelCount; ++i)
        codes[i] = moduleCodeOfRangeIndex(memory.rangeIndex[i]).value_or(0x000F);
    return codes;
}

std::string hexCode(uint16_t code)
{
    char b[8];
    std::snprintf(b, sizeof b, "0x%02X", code);
    return b;
}

} // namespace

Firmware::Firmware(const Scenario &scenario, std::shared_ptr<NonVolatileState> mem)
    : memory(std::move(mem)),
      analog(scenario.inputs, powerUpRanges(*memory), scenario.converting),
      cjc(scenario.inputs.cjcInvalidReads),
      firmwareText(scenario.firmware)
{
}

Firmware::Answer Firmware::handle(const SetupPacket &setup, uint8_t *data)
{
    const DispatchResult r = dispatchRequest(*this, setup, data);
    if (!r.understood)
        return {false, 0, false};
    return {true, directionOf(setup) == Direction::In ? r.replyBytes : setup.wLength, r.memoryChanged};
}

nlohmann::json Firmware::stateJson() const
{
    const ModuleInputs &in = inputs();
    nlohmann::json channels = nlohmann::json::array();
    for (size_t i = 0; i < kChannelCount; ++i) {
        const std::optional<InputRange> range = findInputRange(analog.moduleCodes[i]);
        channels.push_back({{"channel", i},
                            {"source", signalSourceToJson(in.channels[i])},
                            {"range_code", hexCode(analog.moduleCodes[i])},
                            {"range", range ? range->name : "?"},
                            {"burnout_status", analog.isOpen(i) ? 1 : 0}});
    }
    nlohmann::json scan = nullptr;
    if (analog.scan)
        scan = {{"start", analog.scan->start}, {"count", analog.scan->count}, {"mode", analog.scan->mode}};
    nlohmann::json memoryJson = nonVolatileToJson(*memory);
    std::array<uint32_t, kChannelCount> burnoutStatus{};
    for (size_t i = 0; i < kChannelCount; ++i)
        burnoutStatus[i] = analog.isOpen(i) ? 1 : 0;
    return {{"board_number", memory->boardNumber},
            {"firmware", firmwareText},
            {"converting", analog.converting},
            {"scan", scan},
            {"host_open", hostOpen},
            {"open_notices", openNotices},
            {"close_notices", closeNotices},
            {"locate", locate},
            {"status_word", statusWord},
            {"terminal_c", in.terminalC},
            {"cjc_error_c", in.cjcErrorC},
            {"di", in.di},
            {"do", dio.outputs},
            {"channels", channels},
            {"cjc_offset_code", memory->cjcOffsetCode},
            {"cjc_reference_code", memory->cjcReferenceCode},
            {"blocks",
             {{"0x210", memory->rangeIndex},
              {"0x220", memory->burnout},
              {"0x230", burnoutStatus},
              {"0x240", memory->exception420}}},
            {"eeprom", memoryJson["eeprom"]},
            {"calibration", memoryJson["calibration"]},
            {"saved_calibration", memoryJson["saved_calibration"]}};
}

} // namespace qms::sim
