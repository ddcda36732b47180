// The driver's registry work: the value-table routine, the install values and the device
// keys of each module (device number, templates, publication, read-back and refresh).
#pragma once

#include "device_context.h"

// One value of a registry table; a null name ends the table. For reads, type and size are in
// and out; for writes the size is computed from the type (REG_BINARY: the size given).
struct RegValueEntry {
    LPCWSTR name;
    DWORD type;
    DWORD size;
    void *data;
};

// Reads (write FALSE) or writes the table's values under HKEY_LOCAL_MACHINE\keyPath. A write
// to a key that exists already does nothing unless overwrite is TRUE.
BOOL ProcessRegTable(LPCWSTR keyPath, RegValueEntry *table, BOOL write, BOOL overwrite);

// Dll and Prefix under the client-driver key.
BOOL WriteClientDriverValues();

// Resolves the module's device number (a module seen before by its device type and board
// number keeps its number; a new one gets the lowest free number) and publishes its values.
// Serialised between modules. FALSE when every number is taken: the module is refused.
BOOL PublishDeviceRegistry(DeviceContext *context);
