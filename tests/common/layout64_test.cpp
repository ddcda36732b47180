// The 64-bit layouts of the records that carry pointers: each pointer is 8 bytes on an 8-byte
// boundary. The 32-bit figures are in tests/layout/layout32.cpp, compiled into this binary too.
#include <cstddef>

#include "qms6093.h"

#define AT64(type, field, offset)                                                             \
    static_assert(sizeof(void *) != 8 || offsetof(type, field) == (offset), #type "." #field)
#define SIZE64(type, size) static_assert(sizeof(void *) != 8 || sizeof(type) == (size), #type)

SIZE64(DeviceGetFeaturesParams, 16);
AT64(DeviceGetFeaturesParams, size, 8);
SIZE64(AIGetConfigParams, 16);
AT64(AIGetConfigParams, size, 8);
SIZE64(AIBinaryInParams, 16);
AT64(AIBinaryInParams, reading, 8);
SIZE64(AIScaleParams, 24);
AT64(AIScaleParams, result, 16);
SIZE64(AIVoltageInParams, 16);
AT64(AIVoltageInParams, value, 8);
SIZE64(MAIConfigParams, 16);
AT64(MAIConfigParams, rangeCodes, 8);
SIZE64(MAIBinaryInParams, 16);
AT64(MAIBinaryInParams, readings, 8);
SIZE64(MAIVoltageInParams, 32);
AT64(MAIVoltageInParams, rangeCodes, 8);
AT64(MAIVoltageInParams, mode, 16);
AT64(MAIVoltageInParams, values, 24);
SIZE64(TCMuxReadParams, 24);
AT64(TCMuxReadParams, result, 16);
SIZE64(DioPortReadParams, 16);
AT64(DioPortReadParams, value, 8);
SIZE64(DioBitReadParams, 16);
AT64(DioBitReadParams, state, 8);
SIZE64(CheckEventParams, 16);
AT64(CheckEventParams, timeout, 8);
SIZE64(DeviceSetPropertyParams, 16);
AT64(DeviceSetPropertyParams, size, 4);
AT64(DeviceSetPropertyParams, buffer, 8);
SIZE64(DeviceGetPropertyParams, 24);
AT64(DeviceGetPropertyParams, size, 8);
AT64(DeviceGetPropertyParams, buffer, 16);
SIZE64(DioWordReadParams, 24);
AT64(DioWordReadParams, value, 8);
AT64(DioWordReadParams, validMask, 16);
SIZE64(DioDwordReadParams, 24);
AT64(DioDwordReadParams, value, 8);
AT64(DioDwordReadParams, validMask, 16);
SIZE64(DioPortsParams, 16);
AT64(DioPortsParams, buffer, 8);
