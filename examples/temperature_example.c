/* Thermocouple temperatures from plain C: lists the installed devices, opens the first one
 * whose module is attached (the simulated demo module when no hardware is), reads every
 * channel stored as a thermocouple in degrees Celsius and Fahrenheit, says which ones are
 * open, and shows every failure as the library's own sentence. */
#include <stdio.h>

#include <qms6093.h>
#include <qms6093ext.h>

/* The gain-list rows of the thermocouple types J K S T B R E, as parameter block 0x210
 * stores them per channel. */
enum { FIRST_TC_ROW = 8, TC_ROWS = 7 };

static void report(const char *what, uint32_t code)
{
    char sentence[160];
    QmsErrorText(code, sentence, sizeof sentence);
    fprintf(stderr, "%s: %s (code %u)\n", what, sentence, code);
}

int main(void)
{
    QmsDeviceInfo devices[8];
    uint32_t count = 0;
    uint32_t code = QmsListDevices(devices, 8, &count);
    if (code != QMS_SUCCESS) {
        report("listing the devices", code);
        return 1;
    }
    const QmsDeviceInfo *device = NULL;
    for (uint32_t i = 0; i < count && i < 8 && !device; ++i)
        if (devices[i].present)
            device = &devices[i];
    if (!device) {
        fprintf(stderr, "no USB-6093 module is attached\n");
        return 1;
    }

    uint32_t handle = 0;
    code = DeviceOpen(device->deviceNumber, &handle);
    if (handle == 0) {
        report("opening the device", code);
        return 1;
    }
    char firmware[64];
    if (QmsReadFirmwareVersion(handle, firmware, sizeof firmware) == QMS_SUCCESS)
        printf("device %u (%s): %s\n", device->deviceNumber, device->callName, firmware);

    uint32_t rows[8];
    code = QmsReadDeviceParameters(handle, QMS_BLOCK_RANGE_INDEX, 0, 8, rows);
    int failed = code != QMS_SUCCESS;
    if (failed)
        report("reading the stored ranges", code);
    for (uint16_t channel = 0; channel < 8 && !failed; ++channel) {
        if (rows[channel] < FIRST_TC_ROW || rows[channel] >= FIRST_TC_ROW + TC_ROWS)
            continue;
        const uint16_t type = (uint16_t)(rows[channel] - FIRST_TC_ROW);
        float celsius = 0.0f;
        code = TCMuxRead(handle, channel, 0, 0, type, TEMP_SCALE_CELSIUS, &celsius);
        if (code == QmsDeviceCode(device->deviceNumber, QMS_ERRIDX_BURNOUT)) {
            printf("channel %u: thermocouple open\n", channel);
        } else if (code != QMS_SUCCESS) {
            report("reading a temperature", code);
            failed = 1;
        } else {
            printf("channel %u: %.2f C = %.2f F\n", channel, celsius,
                   QmsConvertTempScale(celsius, TEMP_SCALE_FAHRENHEIT));
        }
    }
    DeviceClose(&handle);
    return failed;
}
