#include "platform/usbd/client_registry.h"

#include <algorithm>
#include <cstdio>

#include "platform/boot/boot.h"
#include "platform/devmgr/library.h"
#include "platform/devmgr/reg_value.h"

namespace qms::usbd {

using devmgr::RegKey;

namespace {

constexpr char16_t clientDriversRoot[] = u"Drivers\\USB\\ClientDrivers\\";
constexpr char16_t loadClientsRoot[] = u"Drivers\\USB\\LoadClients";
constexpr size_t maxDriverIdLength = 64;

bool validDriverId(LPCWSTR id)
{
    if (!id || !*id)
        return false;
    const std::u16string_view text(id);
    return text.size() <= maxDriverIdLength && text.find(u'\\') == std::u16string_view::npos;
}

bool validSettings(LPCUSB_DRIVER_SETTINGS settings)
{
    return settings && settings->dwCount == sizeof(USB_DRIVER_SETTINGS);
}

std::u16string idKey(std::u16string_view id)
{
    return std::u16string(loadClientsRoot) + u"\\" + std::u16string(id);
}

// The key name of one settings record: its nine match fields in hexadecimal.
std::u16string settingsKeyName(const USB_DRIVER_SETTINGS &s)
{
    const DWORD fields[] = {s.dwVendorId,       s.dwProductId,      s.dwReleaseNumber,
                            s.dwDeviceClass,    s.dwDeviceSubClass, s.dwDeviceProtocol,
                            s.dwInterfaceClass, s.dwInterfaceSubClass, s.dwInterfaceProtocol};
    std::u16string name;
    for (DWORD field : fields) {
        char text[10];
        std::snprintf(text, sizeof text, "%08X", field);
        if (!name.empty())
            name += u'_';
        name.append(text, text + 8);
    }
    return name;
}

bool fieldMatches(DWORD wanted, unsigned actual)
{
    return wanted == USB_NO_INFO || wanted == actual;
}

// Vendor and product weigh most, then release, interface fields, device fields.
int specificity(const USB_DRIVER_SETTINGS &s)
{
    const auto given = [](DWORD field) { return field == USB_NO_INFO ? 0 : 1; };
    return given(s.dwVendorId) * 256 + given(s.dwProductId) * 128 + given(s.dwReleaseNumber) * 64 +
           given(s.dwInterfaceClass) * 32 + given(s.dwInterfaceSubClass) * 16 +
           given(s.dwInterfaceProtocol) * 8 + given(s.dwDeviceClass) * 4 +
           given(s.dwDeviceSubClass) * 2 + given(s.dwDeviceProtocol);
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

bool settingsMatch(const USB_DRIVER_SETTINGS &s, const DeviceIdentity &d)
{
    return fieldMatches(s.dwVendorId, d.vendorId) && fieldMatches(s.dwProductId, d.productId) &&
           fieldMatches(s.dwReleaseNumber, d.bcdDevice) &&
           fieldMatches(s.dwDeviceClass, d.deviceClass) &&
           fieldMatches(s.dwDeviceSubClass, d.deviceSubClass) &&
           fieldMatches(s.dwDeviceProtocol, d.deviceProtocol) &&
           fieldMatches(s.dwInterfaceClass, d.interfaceClass) &&
           fieldMatches(s.dwInterfaceSubClass, d.interfaceSubClass) &&
           fieldMatches(s.dwInterfaceProtocol, d.interfaceProtocol);
}

std::vector<ClientCandidate> matchingClients(const DeviceIdentity &device)
{
    std::vector<ClientCandidate> found;
    RegKey root;
    if (root.open(loadClientsRoot) != ERROR_SUCCESS)
        return found;
    root.forEachSubkey([&](const std::u16string &id) {
        RegKey idKeyHandle;
        if (idKeyHandle.open(idKey(id)) != ERROR_SUCCESS)
            return;
        idKeyHandle.forEachSubkey([&](const std::u16string &record) {
            RegKey recordKey;
            ClientCandidate candidate{id, {}, {}};
            if (recordKey.open(idKey(id) + u"\\" + record) != ERROR_SUCCESS ||
                !recordKey.readExact(u"Settings", &candidate.settings, sizeof candidate.settings))
                return;
            const auto dll = recordKey.readString(u"Dll");
            if (!dll || !validSettings(&candidate.settings) ||
                !settingsMatch(candidate.settings, device))
                return;
            candidate.dll = *dll;
            found.push_back(std::move(candidate));
        });
    });
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        return specificity(a.settings) > specificity(b.settings);
    });
    return found;
}

bool hasClientSettings(std::u16string_view driverId)
{
    RegKey key;
    LONG result = ERROR_SUCCESS;
    return key.open(idKey(driverId)) == ERROR_SUCCESS && (key.subkey(0, &result), result == ERROR_SUCCESS);
}

} // namespace qms::usbd

using namespace qms::usbd;

extern "C" QMS_EXPORT BOOL RegisterClientDriverID(LPCWSTR szUniqueDriverId)
{
    qms::boot::ensureStarted();
    if (!validDriverId(szUniqueDriverId))
        return fail(ERROR_INVALID_PARAMETER);
    RegKey client, id;
    LONG result = client.create(std::u16string(clientDriversRoot) + szUniqueDriverId);
    if (result == ERROR_SUCCESS)
        result = id.create(idKey(szUniqueDriverId));
    return result == ERROR_SUCCESS ? TRUE : fail(static_cast<DWORD>(result));
}

extern "C" QMS_EXPORT BOOL UnRegisterClientDriverID(LPCWSTR szUniqueDriverId)
{
    qms::boot::ensureStarted();
    if (!validDriverId(szUniqueDriverId))
        return fail(ERROR_INVALID_PARAMETER);
    const LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, idKey(szUniqueDriverId).c_str());
    return result == ERROR_SUCCESS ? TRUE : fail(static_cast<DWORD>(result));
}

extern "C" QMS_EXPORT BOOL RegisterClientSettings(LPCWSTR lpszDriverLibFile, LPCWSTR lpszUniqueDriverId,
                                                  LPCWSTR, LPCUSB_DRIVER_SETTINGS lpDriverSettings)
{
    qms::boot::ensureStarted();
    if (!lpszDriverLibFile || qms::devmgr::libraryFileName(lpszDriverLibFile).empty() ||
        !validDriverId(lpszUniqueDriverId) || !validSettings(lpDriverSettings))
        return fail(ERROR_INVALID_PARAMETER);
    RegKey record;
    LONG result = record.create(idKey(lpszUniqueDriverId) + u"\\" + settingsKeyName(*lpDriverSettings));
    if (result == ERROR_SUCCESS)
        result = record.writeString(u"Dll", lpszDriverLibFile);
    if (result == ERROR_SUCCESS)
        result = record.writeBinary(u"Settings", lpDriverSettings, sizeof(USB_DRIVER_SETTINGS));
    return result == ERROR_SUCCESS ? TRUE : fail(static_cast<DWORD>(result));
}

extern "C" QMS_EXPORT BOOL UnRegisterClientSettings(LPCWSTR lpszUniqueDriverId, LPCWSTR,
                                                    LPCUSB_DRIVER_SETTINGS lpDriverSettings)
{
    qms::boot::ensureStarted();
    if (!validDriverId(lpszUniqueDriverId) || !validSettings(lpDriverSettings))
        return fail(ERROR_INVALID_PARAMETER);
    const LONG result = RegDeleteKeyW(
        HKEY_LOCAL_MACHINE,
        (idKey(lpszUniqueDriverId) + u"\\" + settingsKeyName(*lpDriverSettings)).c_str());
    return result == ERROR_SUCCESS ? TRUE : fail(static_cast<DWORD>(result));
}
