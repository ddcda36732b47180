// The registry functions of the core library, on top of the store and the table of open keys.
#include <cstring>
#include <utility>

#include "platform/registry/key_table.h"
#include "platform/registry/store.h"
#include "qms_byteorder.h"
#include "qms_shield.h"

using namespace qms::registry;

namespace {

LONG handOut(KeyId key, PHKEY result)
{
    HKEY handle = insertKey(key);
    if (!handle)
        return ERROR_OUTOFMEMORY;
    *result = handle;
    return ERROR_SUCCESS;
}

// Strings are stored terminated: a caller that leaves the terminator out of the size still
// reads back a terminated string, and a list always ends with an empty string.
LONG normalise(DWORD type, const BYTE *data, DWORD size, Value &value)
{
    value.type = type;
    value.data.assign(reinterpret_cast<const char *>(data), size);
    auto units = [&] { return value.data.size() / 2; };
    auto unitAt = [&](size_t i) { return QmsLoadLe16(reinterpret_cast<const uint8_t *>(value.data.data()) + 2 * i); };
    switch (type) {
    case REG_DWORD:
    case 5: // REG_DWORD_BIG_ENDIAN
        return size == 4 ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    case 11: // REG_QWORD
        return size == 8 ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (size % 2)
            return ERROR_INVALID_PARAMETER;
        if (units() == 0 || unitAt(units() - 1) != 0)
            value.data.append(2, '\0');
        return ERROR_SUCCESS;
    case REG_MULTI_SZ:
        if (size % 2)
            return ERROR_INVALID_PARAMETER;
        if (units() == 0)
            return ERROR_SUCCESS;
        if (unitAt(units() - 1) != 0)
            value.data.append(2, '\0');
        if (units() >= 2 && unitAt(units() - 2) != 0)
            value.data.append(2, '\0');
        return ERROR_SUCCESS;
    default:
        return ERROR_SUCCESS;
    }
}

// Copies data for the query and enumeration calls: type out, size in/out, a null buffer asks
// for the size, a short buffer gives ERROR_MORE_DATA with the size needed.
LONG deliver(const Value &value, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (type)
        *type = value.type;
    DWORD needed = DWORD(value.data.size());
    if (!size)
        return ERROR_SUCCESS;
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(data, value.data.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

// Copies a name into a buffer of *count characters; on return *count is the name's length
// without the terminator (also when ERROR_MORE_DATA tells that the buffer is short).
LONG deliverName(const std::u16string &name, LPWSTR buffer, LPDWORD count)
{
    if (name.size() + 1 > *count) {
        *count = DWORD(name.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *count = DWORD(name.size());
    return ERROR_SUCCESS;
}

// The key a call starts from and the path below it.
LONG keyAndPath(HKEY handle, LPCWSTR subKey, KeyId &base, KeyPath &path)
{
    if (!lookupKey(handle, base))
        return ERROR_INVALID_HANDLE;
    return splitKeyPath(subKey, path);
}

// Registry calls keep C++ exceptions inside (the stack's one shield): a failed allocation
// is ERROR_OUTOFMEMORY, anything else ERROR_GEN_FAILURE.
template <class Body>
LONG shielded(Body &&body) noexcept
{
    return qms::Shield(LONG(ERROR_GEN_FAILURE), std::forward<Body>(body), [](qms::Fault fault, const char *) {
        return fault == qms::Fault::OutOfMemory ? LONG(ERROR_OUTOFMEMORY) : LONG(ERROR_GEN_FAILURE);
    });
}

} // namespace

extern "C" {

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    return shielded([&]() -> LONG {
        if (!phkResult)
            return ERROR_INVALID_PARAMETER;
        *phkResult = nullptr;
        KeyId base, key;
        KeyPath path;
        if (LONG rc = keyAndPath(hKey, lpSubKey, base, path))
            return rc;
        if (LONG rc = openKey(base, path, key))
            return rc;
        return handOut(key, phkResult);
    });
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition)
{
    return shielded([&]() -> LONG {
        if (!phkResult || !lpSubKey)
            return ERROR_INVALID_PARAMETER;
        *phkResult = nullptr;
        KeyId base, key;
        KeyPath path;
        if (LONG rc = keyAndPath(hKey, lpSubKey, base, path))
            return rc;
        bool created = false;
        if (LONG rc = createKey(base, path, key, created))
            return rc;
        if (LONG rc = handOut(key, phkResult))
            return rc;
        if (lpdwDisposition)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData)
{
    return shielded([&]() -> LONG {
        if (lpReserved || (lpData && !lpcbData))
            return ERROR_INVALID_PARAMETER;
        KeyId key;
        if (!lookupKey(hKey, key))
            return ERROR_INVALID_HANDLE;
        std::u16string name;
        if (LONG rc = readValueName(lpValueName, name))
            return rc;
        Value value;
        if (LONG rc = queryValue(key, name, value))
            return rc;
        return deliver(value, lpType, lpData, lpcbData);
    });
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE *lpData,
                    DWORD cbData)
{
    return shielded([&]() -> LONG {
        if ((!lpData && cbData) || cbData > kMaxValueData)
            return ERROR_INVALID_PARAMETER;
        KeyId key;
        if (!lookupKey(hKey, key))
            return ERROR_INVALID_HANDLE;
        std::u16string name;
        if (LONG rc = readValueName(lpValueName, name))
            return rc;
        Value value;
        if (LONG rc = normalise(dwType, lpData, cbData, value))
            return rc;
        return setValue(key, name, value);
    });
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD,
                   LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    return shielded([&]() -> LONG {
        if (!lpName || !lpcchName)
            return ERROR_INVALID_PARAMETER;
        KeyId key;
        if (!lookupKey(hKey, key))
            return ERROR_INVALID_HANDLE;
        std::u16string name;
        if (LONG rc = enumKey(key, dwIndex, name))
            return rc;
        if (LONG rc = deliverName(name, lpName, lpcchName))
            return rc;
        // Keys carry no class and no write time here.
        if (lpcchClass) {
            if (lpClass && *lpcchClass)
                lpClass[0] = 0;
            *lpcchClass = 0;
        }
        if (lpftLastWriteTime)
            *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return shielded([&]() -> LONG {
        if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
            return ERROR_INVALID_PARAMETER;
        KeyId key;
        if (!lookupKey(hKey, key))
            return ERROR_INVALID_HANDLE;
        NamedValue entry;
        if (LONG rc = enumValue(key, dwIndex, entry))
            return rc;
        if (LONG rc = deliverName(entry.name, lpValueName, lpcchValueName))
            return rc;
        return deliver(entry.value, lpType, lpData, lpcbData);
    });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    return shielded([&]() -> LONG {
        if (!lpSubKey)
            return ERROR_INVALID_PARAMETER;
        KeyId base;
        KeyPath path;
        if (LONG rc = keyAndPath(hKey, lpSubKey, base, path))
            return rc;
        return deleteKey(base, path);
    });
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    return shielded([&]() -> LONG {
        KeyId key;
        if (!lookupKey(hKey, key))
            return ERROR_INVALID_HANDLE;
        std::u16string name;
        if (LONG rc = readValueName(lpValueName, name))
            return rc;
        return deleteValue(key, name);
    });
}

LONG RegCloseKey(HKEY hKey)
{
    return shielded([&]() -> LONG {
        if (hKey == HKEY_LOCAL_MACHINE)
            return ERROR_SUCCESS;
        return removeKey(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

} // extern "C"
