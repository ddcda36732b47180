// Sentences for the library's result codes: plain codes, device codes (device number x 4096
// + 4096 + error index), driver codes (the same formula with the driver's mapped last error),
// the module's status words and the stream driver's own error values. The command-line tool
// prints these same sentences, so a code reads the same wherever it is shown.
//
// Nothing here allocates or throws: every sentence is a fixed text or one number formatted
// into the caller's buffer.
#include <cstdarg>
#include <cstdio>

#include "qms6093.h"
#include "qms6093ext.h"
#include "qms_ioctl.h"

namespace {

struct Sentence {
    uint32_t value;
    const char *text;
};

// Plain codes, independent of the device.
constexpr Sentence kPlainCodes[] = {
    {.value = QMS_ERR_REFUSED, .text = "the module refused the command"},
    {.value = QMS_ERR_SETTINGS,
     .text = "the device number has no registry settings: no such device is installed"},
    {.value = QMS_ERR_NULL_HANDLE, .text = "the device handle is not open"},
    {.value = QMS_ERR_REGISTRY, .text = "the registry could not be read"},
    {.value = QMS_ERR_SCALE, .text = "the scaling counts are equal"},
    {.value = QMS_ERR_NULL_BUFFER, .text = "a buffer argument is missing"},
    {.value = QMS_ERR_FUNCTION_CODE, .text = "the function code is not supported"},
};

// Error indexes of device codes.
constexpr Sentence kErrorIndexes[] = {
    {.value = QMS_ERRIDX_NO_RECORD,
     .text = "no device record could be created (out of memory or events)"},
    {.value = QMS_ERRIDX_BOARD_ID,
     .text = "the registry says the device is not a USB-6093 (BoardID is not 198)"},
    {.value = QMS_ERRIDX_OUT_OF_RANGE, .text = "the channel, channel count or port is out of range"},
    {.value = QMS_ERRIDX_RANGE_CODE, .text = "the range is not one of the module's input ranges"},
    {.value = QMS_ERRIDX_ARGUMENT,
     .text = "an argument was rejected (missing buffer, bit above 7 or buffer too small)"},
    {.value = QMS_ERRIDX_PARAMETERS, .text = "the module's stored channel settings could not be read"},
    {.value = QMS_ERRIDX_DEVICE_TYPE, .text = "the device is not a USB-6093 (device type is not 198)"},
    {.value = QMS_ERRIDX_STREAM_OPEN,
     .text = "the module is not attached: its stream device could not be opened"},
    {.value = QMS_ERRIDX_PROPERTY_SIZE, .text = "the property data is shorter than 32 bytes"},
    {.value = QMS_ERRIDX_EVENTS, .text = "the device's events could not be created"},
    {.value = QMS_ERRIDX_PROPERTY_CODE, .text = "the property is not supported"},
    {.value = QMS_ERRIDX_BURNOUT, .text = "the thermocouple is open (burn-out)"},
    {.value = QMS_ERRIDX_CJC_HISTORY,
     .text = "the driver refused to hand out the cold-junction readings"},
    {.value = QMS_ERRIDX_BLOCK_ACCESS,
     .text = "a request to the module failed (no answer, stall or error reply)"},
};

// Mapped last errors of driver codes that are not error indexes as well.
constexpr Sentence kDriverErrors[] = {
    {.value = QMS_DRVERR_BAD_CONTEXT, .text = "the driver rejected the open context"},
    {.value = QMS_LASTERR_UNKNOWN_CODE, .text = "the driver does not support this request"},
    {.value = 100, .text = "the driver failed without saying why"},
    {.value = 101, .text = "the stream device does not exist"},
    {.value = 102, .text = "the stream device handle is not valid"},
    {.value = 103, .text = "the driver is busy"},
    {.value = 105, .text = "the request was aborted"},
    {.value = QMS_DRVERR_DIO_ECHO, .text = "the module's digital I/O reply was malformed"},
    {.value = 31, .text = "the device failed the request"},
    {.value = 55, .text = "the device does not exist any more"},
    {.value = 87, .text = "the driver rejected a parameter"},
    {.value = 1167, .text = "the module is not connected"},
    {.value = 1460, .text = "the request timed out"},
    {.value = 1617, .text = "the module was removed"},
};

// The stream driver's own error values, as EnableEvent passes a refusal through.
constexpr Sentence kDriverOwnErrors[] = {
    {.value = QMS_DRVERR_BAD_CONTEXT, .text = "the driver rejected the open context"},
    {.value = QMS_DRVERR_BAD_BUFFER, .text = "the driver found a buffer missing or too short"},
    {.value = QMS_DRVERR_TRANSFER,
     .text = "a request to the module failed (no answer, stall or error reply)"},
    {.value = QMS_DRVERR_DIO_ECHO, .text = "the module's digital I/O reply was malformed"},
};

// Status words the module answers commands with.
constexpr Sentence kStatusWords[] = {
    {.value = 0x0101, .text = "the module refused the range or calibration code"},
    {.value = 0x0102, .text = "the module does not have that parameter block"},
    {.value = 0x0103, .text = "the module refused the channel"},
    {.value = 0x0104, .text = "the module refused the channel count"},
    {.value = 0x0105, .text = "the module refused the value"},
    {.value = 0x0106, .text = "the module's burn-out status block is read-only"},
    {.value = 0x0107, .text = "the calibration signal is wrong"},
    {.value = 0x0108, .text = "the EEPROM address is beyond the module's memory"},
    {.value = 0x0109, .text = "the module has no such digital port"},
    {.value = 0x010A, .text = "the module was asked for a reply before its request"},
    {.value = 0x010B, .text = "the module's conversion is stopped"},
};

// The steps of the cold-junction measurement that can fail.
struct SignedSentence {
    int32_t value;
    const char *text;
};
constexpr SignedSentence kMeasureCjcCodes[] = {
    {.value = 0, .text = "success"},
    {.value = -1, .text = "the thermocouple type has no reference temperature"},
    {.value = 1, .text = "the conversion could not be stopped before the measurement"},
    {.value = 2, .text = "the conversion could not be started"},
    {.value = 3, .text = "the cold-junction sensor could not be read"},
    {.value = 4, .text = "the thermocouple type has no input range"},
    {.value = 5, .text = "the channel could not be set to the thermocouple range"},
    {.value = 6, .text = "the measured offset could not be sent to the module"},
    {.value = 7, .text = "the conversion could not be stopped after the measurement"},
    {.value = 8, .text = "a reading of the channel failed, or the module refused the new offset"},
    {.value = 9, .text = "the measured error lies beyond what the offset holds (-10 to +10 °C): "
                         "the channel is not fed by a calibrator of the type at its reference temperature"},
};

// Device numbers run from 0 to 254, so device and driver codes stay below this.
constexpr uint32_t kDeviceCodeEnd = 256u * 4096u;
// DirectReadTemp and MeasureCJCError return -1 for a type they cannot use.
constexpr uint32_t kMinusOne = 0xFFFFFFFFu;

template <typename Row, size_t N, typename Value>
const char *Find(const Row (&table)[N], Value value)
{
    for (const Row &row : table)
        if (row.value == value)
            return row.text;
    return nullptr;
}

// snprintf's contract over the caller's buffer: a null buffer holds nothing.
size_t Print(char *buf, size_t size, const char *format, ...)
{
    if (!buf)
        size = 0;
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buf, size, format, args);
    va_end(args);
    if (length < 0) {
        if (size > 0)
            buf[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(length);
}

// The sentence of a code; where it is no fixed text, `format` takes `number`.
struct Meaning {
    const char *text = nullptr;
    const char *format = nullptr;
    uint32_t number = 0;
    bool onDevice = false;
    uint32_t deviceNumber = 0;
};

Meaning Explain(uint32_t code)
{
    Meaning m;
    if (code == 0) {
        m.text = "success";
    } else if (code < 4096) {
        m.text = Find(kPlainCodes, code);
        if (!m.text)
            m.text = Find(kStatusWords, code);
        if (!m.text) {
            m.format = "the module answered with status word 0x%04X";
            m.number = code;
        }
    } else if (code < kDeviceCodeEnd) {
        m.onDevice = true;
        m.deviceNumber = code / 4096u - 1u;
        const uint32_t rest = code % 4096u;
        m.text = Find(kErrorIndexes, rest);
        if (!m.text)
            m.text = Find(kDriverErrors, rest);
        if (!m.text) {
            m.format = "the driver refused the request (error %u)";
            m.number = rest;
        }
    } else if (code == kMinusOne) {
        m.text = "the thermocouple type is not one this function can use";
    } else if ((code & QMS_DRIVER_ERROR_BIT) && (code & ~QMS_DRIVER_ERROR_BIT) < 4096u) {
        m.text = Find(kDriverOwnErrors, code & ~QMS_DRIVER_ERROR_BIT);
        if (!m.text) {
            m.format = "the driver failed with its error %u";
            m.number = code & ~QMS_DRIVER_ERROR_BIT;
        }
    } else {
        m.format = "the code 0x%08X is not one the library returns";
        m.number = code;
    }
    return m;
}

size_t Write(const Meaning &m, bool withDevice, char *buf, size_t size)
{
    char sentence[96];
    const char *text = m.text;
    if (!text) {
        std::snprintf(sentence, sizeof sentence, m.format, m.number);
        text = sentence;
    }
    if (withDevice && m.onDevice)
        return Print(buf, size, "device %u: %s", m.deviceNumber, text);
    return Print(buf, size, "%s", text);
}

} // namespace

size_t QmsErrorText(uint32_t code, char *buf, size_t size)
{
    return Write(Explain(code), true, buf, size);
}

size_t QmsErrorSentence(uint32_t code, char *buf, size_t size)
{
    return Write(Explain(code), false, buf, size);
}

size_t QmsMeasureCJCErrorText(int32_t code, char *buf, size_t size)
{
    if (const char *text = Find(kMeasureCjcCodes, code))
        return Print(buf, size, "%s", text);
    return Print(buf, size, "the cold-junction measurement failed with code %d", code);
}
