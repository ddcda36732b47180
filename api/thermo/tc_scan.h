// QmsTcScan until the extension header holds it.
#pragma once

#include <stdint.h>

#include "qms_export.h"

#define QMS_TC_OK 0u
#define QMS_TC_BURNOUT 1u

QMS_EXTERN_C_BEGIN
QMS_EXPORT uint32_t QmsTcScan(uint32_t handle, uint16_t start, uint16_t count,
                              const uint16_t *types, uint16_t scale, float *temperatures,
                              uint32_t *status);
QMS_EXTERN_C_END
