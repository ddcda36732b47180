/* A plain C application on the device API library: opens device 0 (the simulated demo module
 * when no hardware is attached), reads volts, milliamperes and the digital inputs, drives the
 * digital outputs and reads them back, and closes the device. */
#include <stdio.h>

#include <qms6093.h>

static int check(const char *what, uint32_t code)
{
    if (code != QMS_SUCCESS)
        fprintf(stderr, "%s failed with code %u\n", what, code);
    return code == QMS_SUCCESS;
}

int main(void)
{
    uint32_t handle = 0;
    uint32_t code = DeviceOpen(0, &handle);
    if (code != QMS_SUCCESS && !(handle != 0 && code == QmsDeviceCode(0, QMS_ERRIDX_PARAMETERS))) {
        fprintf(stderr, "device 0 does not open (code %u)\n", code);
        return 1;
    }

    /* Channel 4 measures a voltage on 0-2.5 V, channel 5 a 4-20 mA loop. */
    uint16_t ranges[2] = {QMS_RANGE_0_2500MV, QMS_RANGE_4_20MA};
    float values[2] = {0.0f, 0.0f};
    int ok = check("MAIConfig", MAIConfig(handle, 2, 4, ranges)) &&
             check("MAIVoltageIn", MAIVoltageIn(handle, 2, 4, ranges, 0, values));
    if (ok)
        printf("channel 4: %.4f V, channel 5: %.3f mA\n", values[0], values[1]);

    uint16_t inputs = 0, outputs = 0;
    ok = ok && check("DioReadPortByte", DioReadPortByte(handle, 0, &inputs));
    ok = ok && check("DioWritePortByte", DioWritePortByte(handle, 0, 0xFF, 0x5A));
    ok = ok && check("DioWriteBit", DioWriteBit(handle, 0, 0, 1));
    ok = ok && check("DioGetCurrentDOByte", DioGetCurrentDOByte(handle, 0, &outputs));
    if (ok)
        printf("digital inputs 0x%02X, outputs 0x%02X\n", inputs, outputs);

    DeviceClose(&handle);
    return ok && outputs == 0x5B && handle == 0 ? 0 : 1;
}
