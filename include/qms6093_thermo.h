/*
 * Thermocouple conversion of the USB-6093 device API library: EMF in millivolts to degrees
 * Celsius and back (NIST ITS-90 reference and inverse functions, coefficients held as
 * binary32 floats), and Celsius to the temperature scale a caller asks for.
 *
 * The results are bit-exact on every platform: single-precision Horner evaluation with every
 * product and sum rounded, segment breakpoints compared in double precision, type K's
 * exponential term and the scale conversion in double precision.
 *
 * Linkage: TcTemp, TcErrorVolts and ConvertTempScale are exported under their C++ (decorated)
 * names, which carry the parameter types (float, unsigned short). They are therefore declared
 * with C++ linkage, outside any extern "C" block, and are callable from C++ only. The type and
 * scale codes below are usable from C as well.
 */
#ifndef QMS6093_THERMO_H
#define QMS6093_THERMO_H

#include <stdint.h>

#include "qms_export.h"

/* Thermocouple type code: 0 J, 1 K, 2 S, 3 T, 4 B, 5 R, 6 E, 7 N; 8 and above are invalid. */
typedef uint16_t TcType;
enum {
    TC_TYPE_J = 0,
    TC_TYPE_K = 1,
    TC_TYPE_S = 2,
    TC_TYPE_T = 3,
    TC_TYPE_B = 4,
    TC_TYPE_R = 5,
    TC_TYPE_E = 6,
    TC_TYPE_N = 7,
    TC_TYPE_COUNT = 8
};

/* Temperature scale code: 0 Celsius, 1 Fahrenheit, 2 Rankine, 3 Kelvin; any other value
 * means Celsius. */
typedef uint16_t TempScale;
enum {
    TEMP_SCALE_CELSIUS = 0,
    TEMP_SCALE_FAHRENHEIT = 1,
    TEMP_SCALE_RANKINE = 2,
    TEMP_SCALE_KELVIN = 3
};

#ifdef __cplusplus

/* Temperature in degrees Celsius of a thermocouple of the given type whose EMF against a
 * 0 degree Celsius reference junction is `millivolts`. An EMF beyond the type's range is
 * extrapolated with the outermost polynomial. Returns 0.0 for a type above 7. Reentrant. */
QMS_EXPORT float TcTemp(float millivolts, unsigned short type);

/* EMF in millivolts of a thermocouple of the given type between `celsius` and a 0 degree
 * Celsius reference junction (type K above 0 degrees Celsius with its exponential term).
 * A temperature beyond the type's range is extrapolated. Returns 0.0 for a type above 7.
 * Reentrant. */
QMS_EXPORT float TcErrorVolts(float celsius, unsigned short type);

/* `celsius` in the scale named by a TempScale code, computed in double precision and rounded
 * to float: Fahrenheit C * 1.8 + 32, Rankine C * 1.8 + 491.67, Kelvin C + 273.15; any other
 * code returns the Celsius value unchanged. Reentrant. */
QMS_EXPORT float ConvertTempScale(float celsius, unsigned short scale);

#endif /* __cplusplus */

#endif
