#include "api/registry_values.h"

namespace qms::api {

namespace {

size_t TextUnits(LPCWSTR text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// Bytes a row occupies in the registry, or 0 for a type the table cannot write.
DWORD WriteSize(const RegistryValueRow &row)
{
    switch (row.type) {
    case REG_SZ:
        return static_cast<DWORD>((TextUnits(static_cast<LPCWSTR>(row.data)) + 1) * 2);
    case REG_BINARY:
        return row.size;
    case REG_DWORD:
        return 4;
    case REG_MULTI_SZ: {
        auto text = static_cast<LPCWSTR>(row.data);
        size_t units = 0;
        while (text[units] != 0)
            units += TextUnits(text + units) + 1;
        return static_cast<DWORD>((units + 1) * 2);
    }
    default:
        return 0;
    }
}

int ReadRows(LPCWSTR keyPath, RegistryValueTable table)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int ok = 1;
    for (RegistryValueRow *row = table; row->name; ++row) {
        if (RegQueryValueExW(key, row->name, nullptr, &row->type, static_cast<LPBYTE>(row->data),
                             &row->size) != ERROR_SUCCESS) {
            ok = 0;
            break;
        }
    }
    RegCloseKey(key);
    return ok;
}

int WriteRows(LPCWSTR keyPath, RegistryValueTable table, DWORD overwrite)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        if (overwrite == 0)
            return 1;
    }
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    int ok = 1;
    for (RegistryValueRow *row = table; row->name; ++row) {
        const DWORD size = row->data ? WriteSize(*row) : 0;
        if (size == 0 && row->type != REG_BINARY) {
            ok = 0;
            break;
        }
        if (RegSetValueExW(key, row->name, 0, row->type, static_cast<const BYTE *>(row->data),
                           size) != ERROR_SUCCESS) {
            ok = 0;
            break;
        }
    }
    RegCloseKey(key);
    return ok;
}

} // namespace

int AccessRegistryValues(LPCWSTR keyPath, RegistryValueTable table, DWORD mode, DWORD overwrite)
{
    if (!keyPath || !table)
        return 0;
    return mode == RegistryWrite ? WriteRows(keyPath, table, overwrite) : ReadRows(keyPath, table);
}

std::u16string DeviceNumberText(uint32_t deviceNumber)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + deviceNumber % 10));
        deviceNumber /= 10;
    } while (deviceNumber != 0);
    while (digits.size() < 3)
        digits.insert(digits.begin(), u'0');
    return digits;
}

std::u16string DeviceKeyPath(LPCWSTR parent, uint32_t deviceNumber)
{
    return std::u16string(parent) + u"\\Device" + DeviceNumberText(deviceNumber);
}

} // namespace qms::api
