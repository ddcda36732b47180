/* The contract's headers compiled as C: the static inline helpers must give what the C++
 * constexpr versions give. The test binary calls these through C linkage. */
#include "qms6093.h"
#include "qms_ioctl.h"

uint16_t qms_c_swap16(uint16_t value) { return Swap16(value); }
uint32_t qms_c_swap32(uint32_t value) { return Swap32(value); }
uint32_t qms_c_load_be32(const uint8_t *bytes) { return QmsLoadBe32(bytes); }
uint16_t qms_c_load_be16(const uint8_t *bytes) { return QmsLoadBe16(bytes); }
void qms_c_store_be32(uint8_t *bytes, uint32_t value) { QmsStoreBe32(bytes, value); }
void qms_c_store_be16(uint8_t *bytes, uint16_t value) { QmsStoreBe16(bytes, value); }
uint32_t qms_c_ctl_function(uint32_t code) { return QmsCtlFunction(code); }
uint32_t qms_c_device_code(uint32_t deviceNumber, uint32_t index)
{
    return QmsDeviceCode(deviceNumber, index);
}

/* Sizes as a C compiler lays the records out, for comparison with C++. */
size_t qms_c_layout_size(int which)
{
    switch (which) {
    case 0: return sizeof(DeviceFeatures);
    case 1: return sizeof(CjcHistory);
    case 2: return sizeof(MAIVoltageInParams);
    case 3: return offsetof(DeviceGetPropertyParams, buffer);
    case 4: return sizeof(tagINTERNALGAINLIST);
    case 5: return sizeof(DioReply);
    default: return 0;
    }
}

/* A registry path as a C program spells it, to compare code units with C++. */
const char16_t *qms_c_driver_key(void) { return QMS_REG_DRIVER_KEY; }
