#include "tools/qms6093/module_port.h"

#include <cstring>

#include "qms6093.h"
#include "qms_ioctl.h"
#include "tools/qms6093/error_text.h"

namespace qms::cli {

namespace {

constexpr double kCjcSpanVolts = 0.5; // the CJC channel: 0 to 0.5 V over 16 bits, 1 mV/K
constexpr double kCodes = 65536.0;

} // namespace

double CjcOffsetCelsius(uint16_t code)
{
    return (static_cast<double>(code) - 32768.0) * 10.0 / 32768.0;
}

uint16_t CjcOffsetCode(double celsius)
{
    const float code = static_cast<float>((celsius + 10.0) * kCodes / 20.0);
    if (code <= 0.0f)
        return 0;
    if (code >= 65535.0f)
        return 65535;
    return static_cast<uint16_t>(code);
}

ModulePort::ModulePort(uint32_t deviceNumber, const std::string &callName)
    : deviceNumber_(deviceNumber)
{
    const std::u16string name(callName.begin(), callName.end());
    stream_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
}

ModulePort::~ModulePort()
{
    if (stream_ != INVALID_HANDLE_VALUE)
        CloseHandle(stream_);
}

uint32_t ModulePort::send(uint32_t controlCode, void *in, uint32_t inSize, void *out, uint32_t outSize)
{
    if (stream_ == INVALID_HANDLE_VALUE)
        return QmsDeviceCode(deviceNumber_, QMS_ERRIDX_STREAM_OPEN);
    DWORD returned = 0;
    if (!DeviceIoControl(stream_, controlCode, in, inSize, out, outSize, &returned, nullptr))
        return DriverCode(deviceNumber_, GetLastError());
    return 0;
}

uint32_t ModulePort::sendForStatus(uint32_t controlCode, void *in, uint32_t inSize)
{
    ModuleWord status{0};
    if (const uint32_t code = send(controlCode, in, inSize, &status, sizeof status))
        return code;
    return Swap32(status.value);
}

uint32_t ModulePort::readFirmwareVersion(std::string &version)
{
    char text[QMS_FW_VERSION_BYTES + 1] = {};
    if (const uint32_t code = send(IOCTL_QMS_GET_FW_VERSION, nullptr, 0, text, QMS_FW_VERSION_BYTES))
        return code;
    version = text;
    return 0;
}

uint32_t ModulePort::readBoardId(uint32_t &boardId)
{
    ModuleWord word{0};
    if (const uint32_t code = send(IOCTL_QMS_GET_BOARD_ID, nullptr, 0, &word, sizeof word))
        return code;
    boardId = Swap32(word.value);
    return 0;
}

uint32_t ModulePort::writeBoardId(uint32_t boardId)
{
    ModuleWord word{Swap32(boardId)};
    return send(IOCTL_QMS_SET_BOARD_ID, &word, sizeof word, nullptr, 0);
}

uint32_t ModulePort::readBlock(uint16_t block, std::array<uint32_t, 8> &values)
{
    ChanConfigReadRequest request{};
    request.blockId = Swap16(block);
    request.firstChannel = Swap16(0);
    request.channelCount = Swap16(8);
    ChanConfigReadReply reply{};
    if (const uint32_t code = send(IOCTL_QMS_READ_CHAN_CONFIG, &request, sizeof request, &reply, sizeof reply))
        return code;
    if (const uint32_t status = Swap32(reply.status))
        return status;
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = Swap32(reply.values[i]);
    return 0;
}

uint32_t ModulePort::readCjc(ColdJunction &reading, unsigned waitMs)
{
    CjcHistory history{};
    for (unsigned waited = 0;; waited += 100) {
        std::memset(&history, 0, sizeof history);
        if (const uint32_t code = send(IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history))
            return code;
        if (history.count > 0)
            break;
        if (waited >= waitMs)
            return QmsDeviceCode(deviceNumber_, QMS_ERRIDX_CJC_HISTORY);
        Sleep(100);
    }
    const unsigned count = history.count < QMS_CJC_HISTORY_SLOTS ? history.count : QMS_CJC_HISTORY_SLOTS;
    double volts = 0;
    for (unsigned i = 0; i < count; ++i)
        volts += history.samples[i] * kCjcSpanVolts / kCodes;
    reading.sensorCelsius = volts / count * 1000.0 - 273.15;
    reading.offsetCode = history.offsetWord;
    reading.offsetCelsius = CjcOffsetCelsius(history.offsetWord);
    return 0;
}

uint32_t ModulePort::readCjcOffset(uint16_t &code)
{
    // The driver answers in the input buffer.
    ModuleWord word{0};
    if (const uint32_t result = send(IOCTL_QMS_GET_CJC_OFFSET, &word, sizeof word, nullptr, 0))
        return result;
    code = static_cast<uint16_t>(Swap32(word.value) & 0xFFFFu);
    return 0;
}

uint32_t ModulePort::writeCjcOffset(uint16_t code)
{
    ModuleWord word{Swap32(code)};
    return send(IOCTL_QMS_SET_CJC_OFFSET, &word, sizeof word, nullptr, 0);
}

uint32_t ModulePort::resetCjcOffset()
{
    // The four zero bytes go to the module as the command's payload; the status comes back in them.
    ModuleWord word{0};
    if (const uint32_t code = send(IOCTL_QMS_CJC_CMD36, nullptr, 0, &word, sizeof word))
        return code;
    return Swap32(word.value);
}

} // namespace qms::cli
