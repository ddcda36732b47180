// Digital input/output: three port-range primitives that talk to the stream driver and the
// byte, bit, word and double-word forms built on them. The output state is always asked of
// the module; the DO shadow is kept but never consulted.
#include <algorithm>
#include <cstring>

#include "api/digital_io.h"

#include "api/api_call.h"
#include "api/control_request.h"

using namespace qms::api;

namespace {

constexpr uint32_t kPorts = 1; // one input port and one output port, each port 0
constexpr uint16_t kValidLines = 0xFF;
constexpr uint16_t kHighestBit = 7;

bool PortsExist(uint32_t firstPort, uint32_t count)
{
    return firstPort < kPorts && count <= kPorts - firstPort;
}

// A port read through a work buffer: the driver leaves its value behind even when it fails,
// and the caller's buffer must not see that.
uint32_t ReadPorts(DeviceRecord &record, uint32_t code, uint32_t firstPort, uint32_t count,
                   uint8_t *buffer)
{
    if (!PortsExist(firstPort, count))
        return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    // No ports asked, nothing to ask the module: the driver would refuse an output of 0 bytes.
    if (count == 0)
        return QMS_SUCCESS;
    if (!buffer)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
    const DioReadRequest request{firstPort, count};
    uint8_t work[4] = {};
    if (const uint32_t refused = SendControl(record, code, &request, sizeof request, work, count))
        return refused;
    // The driver stores the port as a 16-bit value whose first byte is the port byte.
    std::memcpy(buffer, work, 2);
    return QMS_SUCCESS;
}

uint32_t WriteDoPorts(DeviceRecord &record, uint32_t firstPort, uint32_t count,
                      const uint8_t *buffer)
{
    if (!PortsExist(firstPort, count))
        return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    // No ports to write: the module would be sent a write of nothing.
    if (count == 0)
        return QMS_SUCCESS;
    if (!buffer)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
    // The driver takes the port bytes as one 32-bit value: what follows them is 0.
    DoWriteRequest request{firstPort, count, 0};
    std::memcpy(&request.value, buffer, count);
    // The driver answers a write the module did not take as done: the failure it records is
    // looked at all the same.
    if (const uint32_t failed = SendRecordedControl(record, IOCTL_QMS_DO_WRITE, &request,
                                                    count + 8, nullptr, 0))
        return failed;
    record.doShadow = buffer[0];
    return QMS_SUCCESS;
}

// Read-modify-write of the output port: lines whose mask bit is 1 take the state bit.
uint32_t ChangeOutputs(DeviceRecord &record, uint16_t port, uint32_t mask, uint32_t state)
{
    if (port >= kPorts)
        return DeviceError(record.deviceNumber, QMS_ERRIDX_OUT_OF_RANGE);
    uint8_t present[4] = {};
    if (const uint32_t failed = GetCurrentDoPortsState(record, port, 1, present))
        return failed;
    const uint8_t next = static_cast<uint8_t>((present[0] & ~mask) | (mask & state));
    return WriteDoPorts(record, port, 1, &next);
}

// The port byte of one input or output port.
uint32_t ReadPortByte(DeviceRecord &record, uint32_t code, uint16_t port, uint8_t *value)
{
    uint8_t work[4] = {};
    const uint32_t failed = code == IOCTL_QMS_DO_READBACK
                                ? GetCurrentDoPortsState(record, port, 1, work)
                                : ReadPorts(record, code, port, 1, work);
    if (failed)
        return failed;
    *value = work[0];
    return QMS_SUCCESS;
}

template <class Value>
uint32_t ReadPortValue(uint32_t handle, uint32_t code, uint16_t port, Value *validMask,
                       Value *value)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (!value || !validMask)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        uint8_t byte = 0;
        if (const uint32_t failed = ReadPortByte(record, code, port, &byte))
            return failed;
        *validMask = kValidLines;
        *value = byte;
        return QMS_SUCCESS;
    });
}

uint32_t ReadPortBit(uint32_t handle, uint32_t code, uint16_t port, uint16_t bit, uint16_t *state)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (bit > kHighestBit || !state)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        uint8_t byte = 0;
        if (const uint32_t failed = ReadPortByte(record, code, port, &byte))
            return failed;
        *state = (byte >> bit) & 1u;
        return QMS_SUCCESS;
    });
}

uint32_t WritePortMasked(uint32_t handle, uint16_t port, uint32_t mask, uint32_t state)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return ChangeOutputs(record, port, mask & kValidLines, state & kValidLines);
    });
}

} // namespace

namespace qms::api {

uint32_t GetCurrentDoPortsState(DeviceRecord &record, uint32_t firstPort, uint32_t count,
                                uint8_t *state)
{
    const uint32_t result = ReadPorts(record, IOCTL_QMS_DO_READBACK, firstPort, count, state);
    if (result == QMS_SUCCESS && count != 0)
        record.doShadow = state[0];
    return result;
}

} // namespace qms::api

// ---- Primitives ----------------------------------------------------------------------------

extern "C" QMS_EXPORT uint32_t DioReadDiPorts(uint32_t handle, uint32_t firstPort, uint32_t count,
                                              uint8_t *buffer)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return ReadPorts(record, IOCTL_QMS_DI_READ, firstPort, count, buffer);
    });
}

extern "C" QMS_EXPORT uint32_t DioWriteDoPorts(uint32_t handle, uint32_t firstPort,
                                               uint32_t count, const uint8_t *buffer)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return WriteDoPorts(record, firstPort, count, buffer);
    });
}

extern "C" QMS_EXPORT uint32_t DioGetCurrentDoPortsState(uint32_t handle, uint32_t firstPort,
                                                         uint32_t count, uint8_t *buffer)
{
    return OnDevice(handle, [&](DeviceRecord &record) {
        return GetCurrentDoPortsState(record, firstPort, count, buffer);
    });
}

// ---- Bytes and bits ------------------------------------------------------------------------

extern "C" QMS_EXPORT uint32_t DioReadPortByte(uint32_t handle, uint16_t port, uint16_t *value)
{
    uint16_t lines = 0;
    return ReadPortValue(handle, IOCTL_QMS_DI_READ, port, &lines, value);
}

extern "C" QMS_EXPORT uint32_t DioWritePortByte(uint32_t handle, uint16_t port, uint16_t mask,
                                                uint16_t state)
{
    return WritePortMasked(handle, port, mask, state);
}

extern "C" QMS_EXPORT uint32_t DioReadBit(uint32_t handle, uint16_t port, uint16_t bit,
                                          uint16_t *state)
{
    return ReadPortBit(handle, IOCTL_QMS_DI_READ, port, bit, state);
}

extern "C" QMS_EXPORT uint32_t DioWriteBit(uint32_t handle, uint16_t port, uint16_t bit,
                                           uint16_t state)
{
    return OnDevice(handle, [&](DeviceRecord &record) -> uint32_t {
        if (bit > kHighestBit)
            return DeviceError(record.deviceNumber, QMS_ERRIDX_ARGUMENT);
        const uint32_t line = 1u << bit;
        return ChangeOutputs(record, port, line, state != 0 ? line : 0);
    });
}

extern "C" QMS_EXPORT uint32_t DioGetCurrentDOByte(uint32_t handle, uint16_t port, uint16_t *value)
{
    uint16_t lines = 0;
    return ReadPortValue(handle, IOCTL_QMS_DO_READBACK, port, &lines, value);
}

extern "C" QMS_EXPORT uint32_t DioGetCurrentDOBit(uint32_t handle, uint16_t port, uint16_t bit,
                                                  uint16_t *state)
{
    return ReadPortBit(handle, IOCTL_QMS_DO_READBACK, port, bit, state);
}

// ---- Words and double words ----------------------------------------------------------------

extern "C" QMS_EXPORT uint32_t DioReadPortWord(uint32_t handle, uint16_t port, uint16_t *validMask,
                                               uint16_t *value)
{
    return ReadPortValue(handle, IOCTL_QMS_DI_READ, port, validMask, value);
}

extern "C" QMS_EXPORT uint32_t DioReadPortDword(uint32_t handle, uint16_t port,
                                                uint32_t *validMask, uint32_t *value)
{
    return ReadPortValue(handle, IOCTL_QMS_DI_READ, port, validMask, value);
}

extern "C" QMS_EXPORT uint32_t DioWritePortWord(uint32_t handle, uint16_t port, uint16_t mask,
                                                uint16_t state)
{
    return WritePortMasked(handle, port, mask, state);
}

extern "C" QMS_EXPORT uint32_t DioWritePortDword(uint32_t handle, uint16_t port, uint32_t mask,
                                                 uint32_t state)
{
    return WritePortMasked(handle, port, mask, state);
}

extern "C" QMS_EXPORT uint32_t DioGetCurrentDOWord(uint32_t handle, uint16_t port,
                                                   uint16_t *validMask, uint16_t *value)
{
    return ReadPortValue(handle, IOCTL_QMS_DO_READBACK, port, validMask, value);
}

extern "C" QMS_EXPORT uint32_t DioGetCurrentDODword(uint32_t handle, uint16_t port,
                                                    uint32_t *validMask, uint32_t *value)
{
    return ReadPortValue(handle, IOCTL_QMS_DO_READBACK, port, validMask, value);
}
