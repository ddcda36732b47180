// ConvertTempScale: a Celsius reading in the scale the caller asked for.
#include "exact_float_arithmetic.h"

#include "qms6093_thermo.h"

float ConvertTempScale(float celsius, unsigned short scale)
{
    const double c = celsius;
    switch (scale) {
    case TEMP_SCALE_FAHRENHEIT:
        return static_cast<float>(c * 1.8 + 32.0);
    case TEMP_SCALE_RANKINE:
        return static_cast<float>(c * 1.8 + 491.67);
    case TEMP_SCALE_KELVIN:
        return static_cast<float>(c + 273.15);
    default:  // Celsius, and any unknown code
        return celsius;
    }
}
