// DriverProc: one entry point that selects an operation by function code and unpacks its
// arguments from the caller's parameter block. Codes 0 to 25 and 108 to 136 are dispatched
// through two tables, 78 (CheckEvent) directly.
#include "api/api_call.h"

// The temperature reader comes from the thermocouple part of the library; a build without
// it answers its function code as unsupported.
extern "C" uint32_t TCMuxRead(uint32_t handle, uint16_t channel, uint16_t unused1,
                              uint16_t unused2, uint16_t type, uint16_t scale, float *result)
    __attribute__((weak));

namespace {

using Handler = uint32_t (*)(uintptr_t target, const void *block);

template <class Block>
const Block &As(const void *block)
{
    return *static_cast<const Block *>(block);
}

uint32_t Handle(uintptr_t target) { return static_cast<uint32_t>(target); }

constexpr Handler kLowCodes[] = {
    /* 0 */ [](uintptr_t t, const void *b) {
        return DeviceOpen(static_cast<uint32_t>(t), static_cast<uint32_t *>(const_cast<void *>(b)));
    },
    /* 1 */ [](uintptr_t t, const void *) { return DeviceClose(reinterpret_cast<uint32_t *>(t)); },
    /* 2 */ [](uintptr_t t, const void *b) {
        auto &p = As<DeviceGetFeaturesParams>(b);
        return DeviceGetFeatures(Handle(t), p.buffer, p.size);
    },
    /* 3 */ [](uintptr_t t, const void *b) {
        auto &p = As<AIConfigParams>(b);
        return AIConfig(Handle(t), p.channel, p.rangeCode);
    },
    /* 4 */ [](uintptr_t t, const void *b) {
        auto &p = As<AIGetConfigParams>(b);
        return AIGetConfig(Handle(t), p.result, p.size);
    },
    /* 5 */ [](uintptr_t t, const void *b) {
        auto &p = As<AIBinaryInParams>(b);
        return AIBinaryIn(Handle(t), p.channel, p.mode, p.reading);
    },
    /* 6 */ [](uintptr_t, const void *b) {
        auto &p = As<AIScaleParams>(b);
        return AIScale(p.reading, p.maxValue, p.maxCount, p.offsetCount, p.result);
    },
    /* 7 */ [](uintptr_t t, const void *b) {
        auto &p = As<AIVoltageInParams>(b);
        return AIVoltageIn(Handle(t), p.channel, p.rangeCode, p.mode, p.value);
    },
    /* 8 */ nullptr,
    /* 9 */ [](uintptr_t t, const void *b) {
        auto &p = As<MAIConfigParams>(b);
        return MAIConfig(Handle(t), p.count, p.start, p.rangeCodes);
    },
    /* 10 */ [](uintptr_t t, const void *b) {
        auto &p = As<MAIBinaryInParams>(b);
        return MAIBinaryIn(Handle(t), p.count, p.start, p.mode, p.readings);
    },
    /* 11 */ [](uintptr_t t, const void *b) {
        auto &p = As<MAIVoltageInParams>(b);
        return MAIVoltageIn(Handle(t), p.count, p.start, p.rangeCodes, p.mode, p.values);
    },
    /* 12 */ nullptr,
    /* 13 */ [](uintptr_t t, const void *b) -> uint32_t {
        if (!TCMuxRead)
            return QMS_ERR_FUNCTION_CODE;
        auto &p = As<TCMuxReadParams>(b);
        return TCMuxRead(Handle(t), p.channel, p.unused2, p.unused4, p.tcType, p.scale, p.result);
    },
    /* 14 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    /* 20 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortReadParams>(b);
        return DioReadPortByte(Handle(t), p.port, p.value);
    },
    /* 21 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortWriteParams>(b);
        return DioWritePortByte(Handle(t), p.port, p.mask, p.state);
    },
    /* 22 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioBitReadParams>(b);
        return DioReadBit(Handle(t), p.port, p.bit, p.state);
    },
    /* 23 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioBitWriteParams>(b);
        return DioWriteBit(Handle(t), p.port, p.bit, p.state);
    },
    /* 24 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortReadParams>(b);
        return DioGetCurrentDOByte(Handle(t), p.port, p.value);
    },
    /* 25 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioBitReadParams>(b);
        return DioGetCurrentDOBit(Handle(t), p.port, p.bit, p.state);
    },
};
static_assert(std::size(kLowCodes) == FC_DIO_GET_CURRENT_DO_BIT + 1);

constexpr uint32_t kHighFirst = FC_DEVICE_SET_PROPERTY;
constexpr Handler kHighCodes[] = {
    /* 108 */ [](uintptr_t t, const void *b) {
        auto &p = As<DeviceSetPropertyParams>(b);
        return DeviceSetProperty(Handle(t), p.code, p.buffer, p.size);
    },
    /* 109 */ [](uintptr_t t, const void *b) {
        auto &p = As<DeviceGetPropertyParams>(b);
        return DeviceGetProperty(Handle(t), p.code, p.buffer, p.size);
    },
    /* 110 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    /* 116 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    /* 122 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioWordReadParams>(b);
        return DioReadPortWord(Handle(t), p.port, p.validMask, p.value);
    },
    /* 123 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortWriteParams>(b);
        return DioWritePortWord(Handle(t), p.port, p.mask, p.state);
    },
    /* 124 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioDwordReadParams>(b);
        return DioReadPortDword(Handle(t), p.port, p.validMask, p.value);
    },
    /* 125 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioDwordWriteParams>(b);
        return DioWritePortDword(Handle(t), p.port, p.mask, p.state);
    },
    /* 126 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioWordReadParams>(b);
        return DioGetCurrentDOWord(Handle(t), p.port, p.validMask, p.value);
    },
    /* 127 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioDwordReadParams>(b);
        return DioGetCurrentDODword(Handle(t), p.port, p.validMask, p.value);
    },
    /* 128 */ nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    /* 134 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortsParams>(b);
        return DioReadDiPorts(Handle(t), p.firstPort, p.count, p.buffer);
    },
    /* 135 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortsParams>(b);
        return DioWriteDoPorts(Handle(t), p.firstPort, p.count, p.buffer);
    },
    /* 136 */ [](uintptr_t t, const void *b) {
        auto &p = As<DioPortsParams>(b);
        return DioGetCurrentDoPortsState(Handle(t), p.firstPort, p.count, p.buffer);
    },
};
static_assert(std::size(kHighCodes) == FC_DIO_GET_CURRENT_DO_PORTS_STATE - kHighFirst + 1);

Handler Select(uint32_t code)
{
    if (code < std::size(kLowCodes))
        return kLowCodes[code];
    if (code >= kHighFirst && code - kHighFirst < std::size(kHighCodes))
        return kHighCodes[code - kHighFirst];
    return nullptr;
}

} // namespace

extern "C" QMS_EXPORT uint32_t DriverProc(uintptr_t /*driverId*/, uintptr_t /*driver*/,
                                          uint32_t functionCode, uintptr_t target,
                                          void *parameters)
{
    const uint32_t code = functionCode & 0xFFFFu;
    if (code == FC_CHECK_EVENT) {
        if (!parameters)
            return QMS_ERR_NULL_BUFFER;
        auto &p = As<CheckEventParams>(parameters);
        return CheckEvent(Handle(target), p.eventCode, p.timeout);
    }
    const Handler handler = Select(code);
    if (!handler)
        return QMS_ERR_FUNCTION_CODE;
    // Every operation but DeviceClose takes its arguments from the block.
    if (!parameters && code != FC_DEVICE_CLOSE)
        return QMS_ERR_NULL_BUFFER;
    return qms::api::Shielded(uint32_t{QMS_ERR_FUNCTION_CODE},
                              [&] { return handler(target, parameters); });
}
