// Registry access through a table of (value name, type, size, data) rows ended by a row
// without a name: one routine reads or writes a whole table under one key of
// HKEY_LOCAL_MACHINE.
#pragma once

#include <cstdint>
#include <string>

#include "qms_platform.h"

namespace qms::api {

struct RegistryValueRow {
    LPCWSTR name; // null ends the table
    DWORD type;   // REG_SZ, REG_BINARY, REG_DWORD or REG_MULTI_SZ; updated by a read
    DWORD size;   // bytes of data; updated by a read
    void *data;
};
using RegistryValueTable = RegistryValueRow *;

enum RegistryAccessMode : DWORD { RegistryRead = 0, RegistryWrite = 1 };

// Reads (any mode but 1) or writes (mode 1) the rows under keyPath. A read fails at the
// first value that cannot be read, earlier rows keeping what they got. A write creates the
// key; when the key exists already and overwrite is 0 it writes nothing and succeeds.
// Returns 1 on success, 0 on failure.
int AccessRegistryValues(LPCWSTR keyPath, RegistryValueTable table, DWORD mode, DWORD overwrite);

// A device number in decimal with at least three digits ("%03d").
std::u16string DeviceNumberText(uint32_t deviceNumber);

// "<parent>\DeviceNNN" for a device number.
std::u16string DeviceKeyPath(LPCWSTR parent, uint32_t deviceNumber);

} // namespace qms::api
