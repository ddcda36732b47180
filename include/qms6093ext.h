/*
 * Extension interface of the USB-6093 device API library (libqms6093): what tools, bindings
 * and dialogs need beyond the exported functions of qms6093.h.
 *
 * - the sentence for a result code,
 * - C-callable forms of the thermocouple conversions (TcTemp, TcErrorVolts and
 *   ConvertTempScale keep their C++ names in qms6093_thermo.h),
 *
 * Every function has C linkage, checks its handle and its arguments before it does anything
 * else, and lets no C++ exception cross. Usable from C (C11) and C++.
 */
#ifndef QMS6093EXT_H
#define QMS6093EXT_H

#include <stddef.h>
#include <stdint.h>

#include "qms_export.h"

QMS_EXTERN_C_BEGIN

/* ---- Result codes in words ---- */

/* A sentence for a code the library returns, in English, without a final full stop:
 * "success" for 0; the plain codes and the module's status words by their meaning; device
 * and driver codes with the device number decoded ("device 2: the thermocouple is open
 * (burn-out)"); the stream driver's own error values (bit 29 set), as EnableEvent passes
 * them through; and the -1 of DirectReadTemp and MeasureCJCError. Any other code gets a
 * sentence that names it. Copies what fits into buf (NUL-terminated whenever size > 0; buf
 * may be null when size is 0) and returns the length of the whole sentence without its NUL,
 * as snprintf does. */
QMS_EXPORT size_t QmsErrorText(uint32_t code, char *buf, size_t size);

/* As QmsErrorText without the device part, for callers that name the device themselves. */
QMS_EXPORT size_t QmsErrorSentence(uint32_t code, char *buf, size_t size);

/* The small codes of MeasureCJCError (-1 and 1 to 8), which keep outside the scheme of the
 * other functions: what step of the measurement failed. 0 is "success"; other values get a
 * sentence that names them. Buffer as QmsErrorText. */
QMS_EXPORT size_t QmsMeasureCJCErrorText(int32_t code, char *buf, size_t size);

/* ---- Thermocouple conversions, C forms ----
 * The same functions as TcTemp, TcErrorVolts and ConvertTempScale (bit-identical results):
 * type codes 0 J, 1 K, 2 S, 3 T, 4 B, 5 R, 6 E, 7 N (0.0 for a type above 7); scale codes 0
 * Celsius, 1 Fahrenheit, 2 Rankine, 3 Kelvin (any other: Celsius). Reentrant. */
QMS_EXPORT float QmsTcTemp(float millivolts, uint16_t type);
QMS_EXPORT float QmsTcErrorVolts(float celsius, uint16_t type);
QMS_EXPORT float QmsConvertTempScale(float celsius, uint16_t scale);

QMS_EXTERN_C_END

#endif
