/*
 * One row of the API library's internal gain list: every range the library knows, with the
 * code the module receives for it. RetrieveAllGainInfo hands the 17 rows out as they are,
 * 52 bytes each, so the row layout is part of the public interface.
 * Usable from C (C11) and C++.
 */
#ifndef QMS_GAINLIST_H
#define QMS_GAINLIST_H

#include <stddef.h>
#include <stdint.h>

#ifndef __cplusplus
#include <uchar.h>
#endif

#include "qms_cdefs.h"

#define QMS_INTERNAL_GAIN_ROWS 17u

typedef struct tagINTERNALGAINLIST {
    uint32_t code;        /* range code; lookups compare its low 16 bits */
    float high;           /* high end of the span, volts or milliamperes */
    float low;            /* low end */
    char16_t name[16];    /* UTF-16, NUL-terminated */
    int32_t moduleCode;   /* code the module receives; -1 when the range code itself is sent */
    uint32_t lastWord;
} tagINTERNALGAINLIST;

QMS_STATIC_ASSERT(sizeof(tagINTERNALGAINLIST) == 52, "internal gain list row is 52 bytes");
QMS_STATIC_ASSERT(offsetof(tagINTERNALGAINLIST, name) == 12, "name at 12");
QMS_STATIC_ASSERT(offsetof(tagINTERNALGAINLIST, moduleCode) == 44, "module code at 44");
QMS_STATIC_ASSERT(offsetof(tagINTERNALGAINLIST, lastWord) == 48, "last word at 48");

#endif
