/*
 * Byte order between the host and the module. The module sends and expects big-endian
 * values; the host is little-endian. Swap16 and Swap32 reverse the bytes of a value (each is
 * its own inverse); the load/store helpers read and write big-endian values in byte buffers
 * whatever the host's order and alignment, and little-endian ones where a format fixes that
 * order (registry data: REG_DWORD and UTF-16 text).
 *
 * Usable from C (static inline) and C++ (constexpr).
 */
#ifndef QMS_BYTEORDER_H
#define QMS_BYTEORDER_H

#include <stdint.h>

#include "qms_cdefs.h"

/* Exchanges the two bytes of a 16-bit value: 0x0100 becomes 0x0001. */
QMS_INLINE uint16_t Swap16(uint16_t value)
{
    return (uint16_t)((uint16_t)(value << 8) | (uint16_t)(value >> 8));
}

/* Reverses the four bytes of a 32-bit value: b0 b1 b2 b3 become b3 b2 b1 b0. */
QMS_INLINE uint32_t Swap32(uint32_t value)
{
    return (value << 24) | ((value & 0x0000FF00u) << 8) | ((value & 0x00FF0000u) >> 8) |
           (value >> 24);
}

QMS_INLINE uint16_t QmsLoadBe16(const uint8_t *bytes)
{
    return (uint16_t)(((unsigned)bytes[0] << 8) | (unsigned)bytes[1]);
}

QMS_INLINE uint32_t QmsLoadBe32(const uint8_t *bytes)
{
    return ((uint32_t)bytes[0] << 24) | ((uint32_t)bytes[1] << 16) | ((uint32_t)bytes[2] << 8) |
           (uint32_t)bytes[3];
}

QMS_INLINE void QmsStoreBe16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = (uint8_t)(value >> 8);
    bytes[1] = (uint8_t)value;
}

QMS_INLINE void QmsStoreBe32(uint8_t *bytes, uint32_t value)
{
    bytes[0] = (uint8_t)(value >> 24);
    bytes[1] = (uint8_t)(value >> 16);
    bytes[2] = (uint8_t)(value >> 8);
    bytes[3] = (uint8_t)value;
}

QMS_INLINE uint16_t QmsLoadLe16(const uint8_t *bytes)
{
    return (uint16_t)((unsigned)bytes[0] | ((unsigned)bytes[1] << 8));
}

QMS_INLINE uint32_t QmsLoadLe32(const uint8_t *bytes)
{
    return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) |
           ((uint32_t)bytes[3] << 24);
}

QMS_INLINE void QmsStoreLe16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = (uint8_t)value;
    bytes[1] = (uint8_t)(value >> 8);
}

#endif
