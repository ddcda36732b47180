#include "sim/protocol.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "sim/byte_order.h"
#include "sim/calibration.h"
#include "sim/device_status.h"
#include "sim/eeprom.h"
#include "sim/firmware.h"

namespace qms::sim {
namespace {

// What a handler sees of one request and what it answers.
struct Exchange {
    uint8_t *data;       // OUT: the payload; IN: the reply buffer of `length` bytes
    uint16_t length;
    uint32_t replyBytes; // IN: bytes answered (preset to `length`)
    uint32_t status;     // OUT: the command's status word (preset to success)
    bool stall;          // the firmware refuses the request
};

using Handler = void (*)(Firmware &, Exchange &);

constexpr Direction In = Direction::In;
constexpr Direction Out = Direction::Out;

// ---- digital I/O (group 1) ----

void writeOutputs(Firmware &fw, Exchange &x)
{
    x.status = fw.dio.writeOutputs(readBe16(x.data), readBe16(x.data + 2), readBe32(x.data + 4));
}
void requestReadback(Firmware &fw, Exchange &x) { fw.dio.readbackRequest = {readBe16(x.data), readBe16(x.data + 2)}; }
void replyReadback(Firmware &fw, Exchange &x) { DigitalIo::reply(fw.dio.readbackRequest, fw.dio.outputs, x.data); }
void requestInputs(Firmware &fw, Exchange &x) { fw.dio.inputRequest = {readBe16(x.data), readBe16(x.data + 2)}; }
void replyInputs(Firmware &fw, Exchange &x) { DigitalIo::reply(fw.dio.inputRequest, fw.inputs().di, x.data); }

// ---- analog input and conversion (group 2) ----

// Single-channel configuration: kept as sent; the scan configuration is OUT(2,6).
void aiCommand1(Firmware &fw, Exchange &x) { fw.aiCommand1.assign(x.data, x.data + x.length); }

// Single-channel read: OUT(2,2) names the channel, IN(2,3) answers its sample and a status.
void requestSingleChannel(Firmware &fw, Exchange &x)
{
    fw.singleChannel = readBe16(x.data);
    fw.singleChannelRequested = true;
    x.status = fw.singleChannel < kChannelCount ? StatusOk : StatusBadChannel;
}
void replySingleChannel(Firmware &fw, Exchange &x)
{
    uint32_t sample = 0;
    uint32_t status = StatusOk;
    if (!fw.singleChannelRequested)
        status = StatusNoRequest;
    else if (fw.singleChannel >= kChannelCount)
        status = StatusBadChannel;
    else if (!fw.analog.converting)
        status = StatusNotConverting;
    else
        sample = fw.analog.convert(fw.singleChannel, fw.memory->calibration);
    writeBe32(x.data, sample);
    writeBe32(x.data + 4, status);
}

void requestScan(Firmware &fw, Exchange &x)
{
    ScanRequest scan{readBe16(x.data), readBe16(x.data + 2), readBe16(x.data + 4), fw.inputs().notReadyPolls};
    if (scan.count == 0 || scan.count > kChannelCount || scan.start > kChannelCount) {
        fw.analog.scan.reset();
        x.stall = true;
        return;
    }
    fw.analog.scan = scan;
}

// The sample block: ready word, then one sample per scan position. Never ready while the
// conversion is stopped; without a scan request there is nothing to deliver.
void replySamples(Firmware &fw, Exchange &x)
{
    std::memset(x.data, 0, x.length);
    if (!fw.analog.converting)
        return;
    if (!fw.analog.scan) {
        x.stall = true;
        return;
    }
    ScanRequest &scan = *fw.analog.scan;
    if (scan.pollsBeforeReady > 0) {
        --scan.pollsBeforeReady;
        return;
    }
    writeBe32(x.data, 1);
    for (uint16_t i = 0; i < scan.count; ++i)
        writeBe32(x.data + 4 + 4 * i, fw.analog.convert((scan.start + i) % kChannelCount, fw.memory->calibration));
}

// Range configuration: start, count, one module code per position; 0x00FF leaves a
// position's channel as it is. A code the front end does not have is refused whole.
void configureRanges(Firmware &fw, Exchange &x)
{
    const uint16_t start = readBe16(x.data);
    const uint16_t count = readBe16(x.data + 2);
    if (start >= kChannelCount || count == 0 || count > kChannelCount) {
        x.stall = true;
        return;
    }
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t code = readBe16(x.data + 4 + 2 * i);
        if (code != 0x00FF && !findInputRange(code)) {
            x.stall = true;
            return;
        }
    }
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t code = readBe16(x.data + 4 + 2 * i);
        if (code != 0x00FF)
            fw.analog.moduleCodes[(start + i) % kChannelCount] = code;
    }
}

void readCjcOffset(Firmware &fw, Exchange &x) { writeBe32(x.data, fw.memory->cjcOffsetCode); }
void writeCjcOffset(Firmware &fw, Exchange &x) { fw.memory->cjcOffsetCode = static_cast<uint16_t>(readBe32(x.data)); }
void readCjcSensor(Firmware &fw, Exchange &x)
{
    const CjcReading r = fw.cjc.read(fw.inputs());
    writeBe32(x.data, r.code);
    writeBe32(x.data + 4, r.valid ? 1 : 0);
}
// The reference offset is what the host's cold-junction measurement found; "reset" makes the
// active offset equal to it again.
void resetCjcOffset(Firmware &fw, Exchange &) { fw.memory->cjcOffsetCode = fw.memory->cjcReferenceCode; }
void writeCjcReference(Firmware &fw, Exchange &x) { fw.memory->cjcReferenceCode = static_cast<uint16_t>(readBe32(x.data)); }
void readCjcReference(Firmware &fw, Exchange &x) { writeBe32(x.data, fw.memory->cjcReferenceCode); }

void startConversion(Firmware &fw, Exchange &)
{
    fw.analog.converting = true;
    fw.cjc.conversionStarted(fw.inputs().cjcInvalidReads);
}
void stopConversion(Firmware &fw, Exchange &)
{
    fw.analog.converting = false;
    fw.analog.scan.reset();
}

void requestBlock(Firmware &fw, Exchange &x)
{
    fw.blockRequest = BlockRequest{readBe16(x.data), readBe16(x.data + 2), readBe16(x.data + 4)};
    x.status = readBlock(*fw.memory, fw.analog, *fw.blockRequest).status;
}
void replyBlock(Firmware &fw, Exchange &x)
{
    std::memset(x.data, 0, x.length);
    if (!fw.blockRequest) {
        writeBe32(x.data, StatusNoRequest);
        return;
    }
    const BlockReply reply = readBlock(*fw.memory, fw.analog, *fw.blockRequest);
    writeBe32(x.data, reply.status);
    for (size_t i = 0; i < reply.values.size(); ++i)
        writeBe32(x.data + 4 + 4 * i, reply.values[i]);
}
void writeBlockCommand(Firmware &fw, Exchange &x)
{
    std::array<uint32_t, 8> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = readBe32(x.data + 4 * i);
    x.status = writeBlock(*fw.memory, BlockRequest{readBe16(x.data + 32), readBe16(x.data + 34), readBe16(x.data + 36)},
                          values);
}

// ---- calibration (group 5): the signal is taken from input 0 ----

// Every range of input 0 can be calibrated; the CJC range is internal to the module.
std::optional<InputRange> calibratableRange(uint16_t code)
{
    std::optional<InputRange> range = findInputRange(code);
    if (range && range->moduleCode == 0x001D)
        return std::nullopt;
    return range;
}

uint32_t calibrate(Firmware &fw, uint16_t code, uint32_t (*step)(CalibrationSet &, const InputRange &, double))
{
    const std::optional<InputRange> range = calibratableRange(code);
    if (!range)
        return StatusBadArgument;
    const std::optional<double> volts = fw.analog.measureVolts(0);
    if (!volts)
        return StatusBadSignal;
    return step(fw.memory->calibration, *range, *volts);
}
void calibrateFullScale(Firmware &fw, Exchange &x)
{
    const uint16_t code = readBe16(x.data);
    if (code == 0)
        resetCalibration(fw.memory->calibration); // argument 0: back to the saved calibration
    else
        x.status = calibrate(fw, code, calibrateFull);
}
void calibrateZeroPoint(Firmware &fw, Exchange &x) { x.status = calibrate(fw, readBe16(x.data), calibrateZero); }
void fixFullCalibration(Firmware &fw, Exchange &x)
{
    const std::optional<InputRange> range = calibratableRange(readBe16(x.data));
    if (!range)
        x.status = StatusBadArgument;
    else
        fixCalibration(fw.memory->calibration, range->moduleCode);
}
void completeCalibrationCommand(Firmware &fw, Exchange &) { completeCalibration(fw.memory->calibration); }

// ---- EEPROM (group 16) ----

void setEepromAddress(Firmware &fw, Exchange &x)
{
    fw.eepromAddress = readBe16(x.data);
    x.status = fw.eepromAddress < kEepromWords ? StatusOk : StatusBadAddress;
}
void readEepromWord(Firmware &fw, Exchange &x)
{
    const EepromRead r = readEeprom(*fw.memory, fw.eepromAddress);
    writeBe32(x.data, r.value);
    writeBe32(x.data + 4, r.status);
}
void writeEepromWord(Firmware &fw, Exchange &x)
{
    x.status = writeEeprom(*fw.memory, readBe16(x.data + 4), readBe32(x.data));
}

// ---- device management (group 127) ----

void readBoardNumber(Firmware &fw, Exchange &x) { writeBe32(x.data, fw.memory->boardNumber); }
void writeBoardNumber(Firmware &fw, Exchange &x) { fw.memory->boardNumber = readBe32(x.data); }
void readStatusWord(Firmware &fw, Exchange &x)
{
    writeBe32(x.data, fw.injectedStatus.value_or(fw.statusWord));
    fw.injectedStatus.reset();
}
void readFirmwareVersion(Firmware &fw, Exchange &x)
{
    const size_t n = std::min<size_t>(fw.firmwareText.size() + 1, x.length); // text and its NUL
    if (n > 0)
        std::memcpy(x.data, fw.firmwareText.c_str(), n);
    x.replyBytes = static_cast<uint32_t>(n);
}
void hostOpened(Firmware &fw, Exchange &)
{
    fw.hostOpen = true;
    ++fw.openNotices;
}
void hostClosed(Firmware &fw, Exchange &)
{
    fw.hostOpen = false;
    ++fw.closeNotices;
}
void setLocate(Firmware &fw, Exchange &x) { fw.locate = x.data[0] != 0; }

struct Command {
    CommandInfo info;
    Handler handler;
};

// The command set. Lengths are the payload (OUT) or reply (IN) sizes in bytes.
const Command kCommands[] = {
    {{1, 1, Out, 8, false, "write digital outputs"}, writeOutputs},
    {{1, 2, Out, 4, false, "request output read-back"}, requestReadback},
    {{1, 3, In, 12, false, "output read-back reply"}, replyReadback},
    {{1, 4, Out, 4, false, "request digital inputs"}, requestInputs},
    {{1, 5, In, 12, false, "digital input reply"}, replyInputs},
    {{2, 1, Out, 6, false, "single-channel configuration"}, aiCommand1},
    {{2, 2, Out, 4, false, "request single-channel sample"}, requestSingleChannel},
    {{2, 3, In, 8, false, "single-channel sample"}, replySingleChannel},
    {{2, 4, Out, 8, false, "scan request"}, requestScan},
    {{2, 5, In, 36, false, "sample block"}, replySamples},
    {{2, 6, Out, 24, false, "configure ranges"}, configureRanges},
    {{2, 33, In, 4, false, "read CJC offset"}, readCjcOffset},
    {{2, 34, Out, 4, true, "write CJC offset"}, writeCjcOffset},
    {{2, 35, In, 8, false, "read CJC sensor"}, readCjcSensor},
    {{2, 36, Out, 4, true, "reset CJC offset to reference"}, resetCjcOffset},
    {{2, 37, Out, 4, true, "write CJC reference offset"}, writeCjcReference},
    {{2, 38, In, 4, false, "read CJC reference offset"}, readCjcReference},
    {{2, 48, Out, 4, false, "start conversion"}, startConversion},
    {{2, 49, Out, 4, false, "reset conversion"}, stopConversion},
    {{2, 64, Out, 6, false, "request parameter block"}, requestBlock},
    {{2, 65, In, 36, false, "parameter block"}, replyBlock},
    {{2, 66, Out, 40, true, "write parameter block"}, writeBlockCommand},
    {{5, 34, Out, 2, true, "full-scale calibration / reset calibration"}, calibrateFullScale},
    {{5, 35, Out, 2, true, "zero calibration"}, calibrateZeroPoint},
    {{5, 36, Out, 2, true, "fix full calibration"}, fixFullCalibration},
    {{5, 38, Out, 2, true, "complete calibration"}, completeCalibrationCommand},
    {{16, 16, Out, 2, false, "set EEPROM address"}, setEepromAddress},
    {{16, 17, In, 8, false, "read EEPROM word"}, readEepromWord},
    {{16, 18, Out, 8, true, "write EEPROM word"}, writeEepromWord},
    {{127, 1, In, 4, false, "read board number"}, readBoardNumber},
    {{127, 2, Out, 4, true, "write board number"}, writeBoardNumber},
    {{127, 3, In, 4, false, "read status word"}, readStatusWord},
    {{127, 5, In, -1, false, "read firmware version"}, readFirmwareVersion},
    {{127, 7, Out, 4, false, "host opened"}, hostOpened},
    {{127, 8, Out, 4, false, "host closed"}, hostClosed},
    {{127, 9, Out, 1, false, "locate"}, setLocate},
};

const Command *findCommand(const SetupPacket &setup)
{
    if ((setup.bmRequestType != kVendorOut && setup.bmRequestType != kVendorIn) || setup.wIndex != 0)
        return nullptr;
    const Direction dir = directionOf(setup);
    for (const Command &c : kCommands)
        if (c.info.group == setup.bRequest && c.info.command == setup.wValue && c.info.direction == dir)
            return (c.info.length < 0 || c.info.length == setup.wLength) ? &c : nullptr;
    return nullptr;
}

} // namespace

DispatchResult dispatchRequest(Firmware &firmware, const SetupPacket &setup, uint8_t *data)
{
    const Command *command = findCommand(setup);
    if (command == nullptr)
        return {false, 0, false};
    Exchange x{data, setup.wLength, setup.wLength, StatusOk, false};
    command->handler(firmware, x);
    if (x.stall)
        return {false, 0, false};
    if (command->info.direction == Direction::Out) {
        firmware.statusWord = x.status;
        return {true, 0, command->info.touchesMemory};
    }
    return {true, x.replyBytes, false};
}

std::vector<CommandInfo> commandSet()
{
    std::vector<CommandInfo> list;
    for (const Command &c : kCommands)
        list.push_back(c.info);
    return list;
}

} // namespace qms::sim
