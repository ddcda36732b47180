// C forms of the thermocouple conversions: the very functions C++ callers reach by their
// decorated names, so that both give the same bits.
#include "qms6093_thermo.h"
#include "qms6093ext.h"

float QmsTcTemp(float millivolts, uint16_t type)
{
    return TcTemp(millivolts, type);
}

float QmsTcErrorVolts(float celsius, uint16_t type)
{
    return TcErrorVolts(celsius, type);
}

float QmsConvertTempScale(float celsius, uint16_t scale)
{
    return ConvertTempScale(celsius, scale);
}
