#include "registry_config.h"

#include <mutex>
#include <string>
#include <vector>

#include "names.h"

namespace {

// Subkey names longer than this are passed over by the look-ups.
constexpr DWORD kSubkeyNameChars = 31;
constexpr DWORD kDeviceNumbers = QMS_MAX_DEVICE_NUMBER + 1;

DWORD ValueSize(const RegValueEntry &entry)
{
    switch (entry.type) {
    case REG_SZ:
        return static_cast<DWORD>((std::char_traits<char16_t>::length(static_cast<const WCHAR *>(entry.data)) + 1) * 2);
    case REG_MULTI_SZ: {
        const auto *text = static_cast<const WCHAR *>(entry.data);
        DWORD units = 0;
        while (text[units]) {
            const DWORD length = static_cast<DWORD>(std::char_traits<char16_t>::length(text + units));
            units += length + 1;
        }
        return (units + 1) * 2;
    }
    case REG_DWORD:
        return 4;
    case REG_BINARY:
        return entry.size;
    default:
        return 0;
    }
}

bool KeyExists(LPCWSTR keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The names of a key's subkeys that contain `mark`, in enumeration order. With a name limit,
// longer names are passed over; without one, the enumeration ends at the first error.
std::vector<std::u16string> SubkeysContaining(LPCWSTR keyPath, LPCWSTR mark, bool limitNames, bool *opened)
{
    std::vector<std::u16string> names;
    HKEY key = nullptr;
    *opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!*opened)
        return names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[QMS_REG_MAX_KEY_NAME + 1];
        DWORD chars = limitNames ? kSubkeyNameChars + 1 : QMS_REG_MAX_KEY_NAME + 1;
        const LONG result = RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA && limitNames)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        if (ContainsText(name, mark))
            names.emplace_back(name);
    }
    RegCloseKey(key);
    return names;
}

std::u16string ChildPath(LPCWSTR parent, const std::u16string &child)
{
    return std::u16string(parent) + u"\\" + child;
}

// Whether the key holds BoardID and SwitchID equal to the module's.
bool IdentifiesModule(const std::u16string &keyPath, const DeviceContext *context)
{
    DWORD boardId = 0;
    DWORD switchId = 0;
    RegValueEntry table[] = {
        {QMS_REGVAL_BOARD_ID, REG_DWORD, sizeof boardId, &boardId},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, sizeof switchId, &switchId},
        {nullptr, 0, 0, nullptr},
    };
    return ProcessRegTable(keyPath.c_str(), table, FALSE, FALSE) && boardId == context->BoardID &&
           switchId == context->SwitchID;
}

// The number of the module's driver subkey from an earlier attach, or unresolved. A number
// whose record belongs to a module that has gone is this module's: it is the same module
// coming back (or one set to its board number), and *predecessor names that record.
DWORD LookUpDeviceNumber(const DeviceContext *context, const std::vector<HeldNumber> &live, DWORD *predecessor)
{
    bool opened = false;
    for (const std::u16string &name : SubkeysContaining(QMS_REG_DRIVER_KEY, QMS_REG_DEVICE_SUBKEY_PREFIX, true, &opened)) {
        if (!IdentifiesModule(ChildPath(QMS_REG_DRIVER_KEY, name), context))
            continue;
        const DWORD number = name.size() > 6 ? LeadingNumber(name.c_str() + 6) : 0;
        if (number < live.size() && live[number].present)
            continue; // another module of this board number is plugged and owns it
        *predecessor = number < live.size() ? live[number].goneToken : 0;
        return number;
    }
    return QMS_DEVICE_NUMBER_UNRESOLVED;
}

// The lowest number that no DeviceNNN subkey of the shared key uses, or unresolved.
DWORD AllocateDeviceNumber(const std::vector<HeldNumber> &live)
{
    std::vector<bool> used(live.size());
    for (size_t number = 0; number < live.size(); ++number)
        used[number] = live[number].present || live[number].goneToken != 0;
    bool opened = false;
    for (const std::u16string &name : SubkeysContaining(QMS_REG_SHARED_KEY, QMS_REG_DEVICE_SUBKEY_PREFIX, false, &opened)) {
        const DWORD number = name.size() > 6 ? LeadingNumber(name.c_str() + 6) : 0;
        if (number < kDeviceNumbers)
            used[number] = true;
    }
    for (DWORD number = 0; number < kDeviceNumbers; ++number)
        if (!used[number])
            return number;
    return QMS_DEVICE_NUMBER_UNRESOLVED;
}

// TCReadBackChan and TCReadBackType from the first template subkey that matches the module.
void ApplyTemplate(DeviceContext *context)
{
    bool opened = false;
    for (const std::u16string &name : SubkeysContaining(QMS_REG_CLIENT_DRIVER_KEY, QMS_REG_TEMPLATE_MARK, true, &opened)) {
        const std::u16string path = ChildPath(QMS_REG_CLIENT_DRIVER_KEY, name);
        if (!IdentifiesModule(path, context))
            continue;
        RegValueEntry table[] = {
            {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, sizeof(DWORD), &context->TCReadBackChan},
            {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, sizeof(DWORD), &context->TCReadBackType},
            {nullptr, 0, 0, nullptr},
        };
        ProcessRegTable(path.c_str(), table, FALSE, FALSE);
        return;
    }
}

BOOL WriteSharedDeviceName(const std::u16string &sharedKey, WCHAR *deviceName)
{
    RegValueEntry table[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName},
        {nullptr, 0, 0, nullptr},
    };
    return ProcessRegTable(sharedKey.c_str(), table, TRUE, TRUE);
}

void FirstPublication(DeviceContext *context, const std::u16string &sharedKey, const std::u16string &driverKey)
{
    std::u16string deviceName = DeviceNameText(context->SwitchID);
    WCHAR driverName[] = QMS_REG_API_DLL;
    WCHAR kernelKey[] = QMS_REG_KERNEL_KEY_NAME;
    DWORD allowConflicts = 1;
    RegValueEntry shared[] = {
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &context->BoardID},
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName.data()},
        {QMS_REGVAL_DRIVER_NAME, REG_SZ, 0, driverName},
        {QMS_REGVAL_KERNEL_KEY, REG_SZ, 0, kernelKey},
        {nullptr, 0, 0, nullptr},
    };
    if (!ProcessRegTable(sharedKey.c_str(), shared, TRUE, TRUE))
        return;
    RegValueEntry driver[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName.data()},
        {QMS_REGVAL_DRIVER_NAME, REG_SZ, 0, driverName},
        {QMS_REGVAL_KERNEL_KEY, REG_SZ, 0, kernelKey},
        {QMS_REGVAL_CALL_NAME, REG_SZ, 0, context->callName},
        {QMS_REGVAL_CHAN_CONFIG, REG_DWORD, 4, &context->ChanConfig},
        {QMS_REGVAL_BOARD_ID, REG_DWORD, 4, &context->BoardID},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &context->SwitchID},
        {QMS_REGVAL_ALLOW_CONFLICTS, REG_DWORD, 4, &allowConflicts},
        {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, 4, &context->TCReadBackChan},
        {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, 4, &context->TCReadBackType},
        {nullptr, 0, 0, nullptr},
    };
    ProcessRegTable(driverKey.c_str(), driver, TRUE, TRUE);
}

void ReadBackAndRefresh(DeviceContext *context, const std::u16string &sharedKey, const std::u16string &driverKey)
{
    RegValueEntry readBack[] = {
        {QMS_REGVAL_TC_READBACK_CHAN, REG_DWORD, sizeof(DWORD), &context->TCReadBackChan},
        {QMS_REGVAL_TC_READBACK_TYPE, REG_DWORD, sizeof(DWORD), &context->TCReadBackType},
        {nullptr, 0, 0, nullptr},
    };
    ProcessRegTable(driverKey.c_str(), readBack, FALSE, FALSE);

    std::u16string deviceName = DeviceNameText(context->SwitchID);
    if (!WriteSharedDeviceName(sharedKey, deviceName.data()))
        return;
    RegValueEntry refresh[] = {
        {QMS_REGVAL_DEVICE_NAME, REG_SZ, 0, deviceName.data()},
        {QMS_REGVAL_SWITCH_ID, REG_DWORD, 4, &context->SwitchID},
        {QMS_REGVAL_CALL_NAME, REG_SZ, 0, context->callName},
        {nullptr, 0, 0, nullptr},
    };
    ProcessRegTable(driverKey.c_str(), refresh, TRUE, TRUE);
}

std::mutex &AllocationLock()
{
    static auto *lock = new std::mutex;
    return *lock;
}

} // namespace

BOOL ProcessRegTable(LPCWSTR keyPath, RegValueEntry *table, BOOL write, BOOL overwrite)
{
    if (!keyPath || !table)
        return FALSE;
    HKEY key = nullptr;
    if (!write) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return FALSE;
        BOOL ok = TRUE;
        for (RegValueEntry *entry = table; ok && entry->name; ++entry) {
            const DWORD expected = entry->type;
            ok = RegQueryValueExW(key, entry->name, nullptr, &entry->type, static_cast<LPBYTE>(entry->data),
                                  &entry->size) == ERROR_SUCCESS;
            // A value of another type is not the value asked for.
            if (ok && expected != REG_NONE && entry->type != expected)
                ok = FALSE;
        }
        RegCloseKey(key);
        return ok;
    }
    if (!overwrite && KeyExists(keyPath))
        return TRUE;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    BOOL ok = TRUE;
    for (RegValueEntry *entry = table; ok && entry->name; ++entry) {
        const DWORD size = ValueSize(*entry);
        ok = size != 0 && entry->data &&
             RegSetValueExW(key, entry->name, 0, entry->type, static_cast<const BYTE *>(entry->data), size) ==
                 ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

BOOL WriteClientDriverValues()
{
    WCHAR dll[] = QMS_REG_DRIVER_DLL;
    WCHAR prefix[] = QMS_REG_STREAM_PREFIX;
    RegValueEntry table[] = {
        {QMS_REGVAL_DLL, REG_SZ, 0, dll},
        {QMS_REGVAL_PREFIX, REG_SZ, 0, prefix},
        {nullptr, 0, 0, nullptr},
    };
    return ProcessRegTable(QMS_REG_CLIENT_DRIVER_KEY, table, TRUE, TRUE);
}

BOOL PublishDeviceRegistry(DeviceContext *context)
{
    DWORD number;
    DWORD predecessor = 0;
    bool known;
    {
        // Held from the look-up to the first publication, so that two modules attached at the
        // same moment see each other's keys and never take the same number.
        std::lock_guard guard(AllocationLock());
        // Two modules set to the same board number must not share one device.
        const std::vector<HeldNumber> live = LiveDeviceNumbers(context, kDeviceNumbers);
        number = LookUpDeviceNumber(context, live, &predecessor);
        known = number != QMS_DEVICE_NUMBER_UNRESOLVED;
        if (!known) {
            number = AllocateDeviceNumber(live);
            if (number == QMS_DEVICE_NUMBER_UNRESOLVED)
                return FALSE; // all 255 numbers are taken; Device000 of another module stays as it is
        }
        context->deviceNumber = number;
        if (!known) {
            context->ChanConfig = 1;
            ApplyTemplate(context);
            FirstPublication(context, DeviceSubkeyPath(QMS_REG_SHARED_KEY, number),
                             DeviceSubkeyPath(QMS_REG_DRIVER_KEY, number));
        }
    }
    // Plugged again while its old record is still being removed: the old record signals the
    // removal event of this number and frees its stream device first, so that an application
    // opening the number now finds this module and no leftover removal. An application still
    // holding the old handle keeps that removal from finishing; the wait is bounded for it.
    if (predecessor)
        WaitForPredecessor(predecessor, context->transferTimeout);
    ReadBackAndRefresh(context, DeviceSubkeyPath(QMS_REG_SHARED_KEY, number),
                       DeviceSubkeyPath(QMS_REG_DRIVER_KEY, number));
    return TRUE;
}
