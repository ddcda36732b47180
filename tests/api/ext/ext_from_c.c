/* The extension header compiled as C: the test calls these through C linkage to prove that
 * a C program reaches every function by its plain name. */
#include "qms6093.h"
#include "qms6093ext.h"

size_t qms_c_error_text(uint32_t code, char *buf, size_t size)
{
    return QmsErrorText(code, buf, size);
}

float qms_c_tc_temp(float millivolts, uint16_t type) { return QmsTcTemp(millivolts, type); }
float qms_c_tc_error_volts(float celsius, uint16_t type) { return QmsTcErrorVolts(celsius, type); }
float qms_c_convert_temp_scale(float celsius, uint16_t scale)
{
    return QmsConvertTempScale(celsius, scale);
}
