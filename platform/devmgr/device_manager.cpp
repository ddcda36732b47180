#include "platform/devmgr/device_manager.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/boot/boot.h"
#include "platform/devmgr/reg_value.h"

namespace qms::devmgr {

namespace {

constexpr char16_t activeRoot[] = u"Drivers\\Active";
constexpr size_t maxNameLength = 9; // "U9312345:" still fits a 10-character buffer

std::u16string decimal(unsigned value, unsigned width = 1)
{
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value);
    while (text.size() < width)
        text.insert(text.begin(), u'0');
    return text;
}

bool validPrefix(std::u16string_view prefix)
{
    if (prefix.size() != 3)
        return false;
    for (char16_t c : prefix)
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

std::string narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end()); // ASCII by validation
}

} // namespace

DeviceManager &DeviceManager::instance()
{
    // Never destroyed: a driver thread still running at process exit may call in.
    static DeviceManager *manager = new DeviceManager;
    return *manager;
}

void DeviceManager::start()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, activeRoot);
}

std::shared_ptr<StreamDevice> DeviceManager::reserve(std::u16string_view prefix)
{
    std::lock_guard guard(lock_);
    auto device = std::make_shared<StreamDevice>();
    device->prefix = prefix;
    for (unsigned index = 1;; ++index) {
        bool taken = false;
        for (const auto &[token, other] : devices_)
            taken = taken || (!other->orphaned && other->index == index &&
                              sameNameIgnoringCase(other->prefix, prefix));
        if (!taken) {
            device->index = index;
            break;
        }
    }
    for (unsigned number = 1;; ++number) {
        bool taken = false;
        for (const auto &[token, other] : devices_)
            taken = taken || (!other->orphaned && other->activeNumber == number);
        if (!taken) {
            device->activeNumber = number;
            break;
        }
    }
    device->name = device->prefix + decimal(device->index) + u":";
    device->activeKey = std::u16string(activeRoot) + u"\\" + decimal(device->activeNumber, 2);
    if (device->name.size() > maxNameLength)
        return nullptr;
    device->token = nextToken_++;
    devices_.emplace(device->token, device);
    return device;
}

void DeviceManager::release(const std::shared_ptr<StreamDevice> &device)
{
    {
        // The Active key goes while the device still holds its number: a device activated
        // at the same moment may take the number as soon as it is free, and its key is its own.
        std::lock_guard guard(lock_);
        if (!device->orphaned)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, device->activeKey.c_str());
        devices_.erase(device->token);
    }
    device->library.reset();
}

HANDLE DeviceManager::activate(LPCWSTR devKey, DWORD clientInfo)
{
    if (!devKey || !*devKey) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    RegKey key;
    if (const LONG result = key.open(devKey); result != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(result));
        return nullptr;
    }
    const auto dll = key.readString(u"Dll");
    const auto prefix = key.readString(u"Prefix");
    if (!dll || !prefix || !validPrefix(*prefix)) {
        SetLastError(dll ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const auto device = reserve(*prefix);
    if (!device) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    const auto fail = [&](DWORD error) -> HANDLE {
        release(device);
        SetLastError(error);
        return nullptr;
    };

    RegKey active;
    LONG result = active.create(device->activeKey);
    if (result == ERROR_SUCCESS)
        result = active.writeString(u"Key", devKey);
    if (result == ERROR_SUCCESS)
        result = active.writeString(u"Name", device->name);
    if (result == ERROR_SUCCESS)
        result = active.writeDword(u"ClientInfo", clientInfo);
    if (result != ERROR_SUCCESS)
        return fail(static_cast<DWORD>(result));

    device->library = DriverLibrary::load(*dll);
    if (!device->library)
        return fail(GetLastError());
    if (!device->entry.resolve(*device->library, narrow(*prefix)))
        return fail(ERROR_PROC_NOT_FOUND);

    SetLastError(ERROR_SUCCESS);
    device->context = device->entry.init(device->activeKey.c_str(), nullptr);
    if (!device->context) {
        const DWORD error = GetLastError();
        return fail(error ? error : ERROR_GEN_FAILURE);
    }
    device->gate.setState(CallGate::State::Ready);
    return reinterpret_cast<HANDLE>(device->token);
}

BOOL DeviceManager::deactivate(HANDLE handle)
{
    std::shared_ptr<StreamDevice> device;
    {
        std::lock_guard guard(lock_);
        const auto it = devices_.find(reinterpret_cast<uintptr_t>(handle));
        if (it != devices_.end())
            device = it->second;
    }
    if (!device || !device->gate.close()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    device->entry.deinit(device->context);
    device->gate.setState(CallGate::State::Gone);
    release(device);
    return TRUE;
}

std::shared_ptr<StreamDevice> DeviceManager::findByName(std::u16string_view name)
{
    std::lock_guard guard(lock_);
    for (const auto &[token, device] : devices_) {
        if (device->orphaned || !sameNameIgnoringCase(device->name, name))
            continue;
        switch (device->gate.state()) {
        case CallGate::State::Ready:
            return device;
        case CallGate::State::Closing:
            SetLastError(ERROR_DEVICE_REMOVED);
            return nullptr;
        default:
            break;
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

void DeviceManager::shutdown()
{
    std::vector<std::shared_ptr<StreamDevice>> remaining;
    {
        std::lock_guard guard(lock_);
        for (const auto &[token, device] : devices_)
            if (!device->orphaned)
                remaining.push_back(device);
    }
    for (const auto &device : remaining) {
        unsigned handles;
        {
            std::lock_guard guard(device->handlesLock);
            handles = device->openHandles;
        }
        if (handles == 0 && deactivate(reinterpret_cast<HANDLE>(device->token)))
            continue;
        // Still in use: its driver keeps running (and its library stays loaded) until its
        // own removal path deactivates it; its name and Active key are free for a new run.
        std::lock_guard guard(lock_);
        device->orphaned = true;
        std::fprintf(stderr, "qms platform: stream device %s is still open at shutdown; left in place\n",
                     narrow(device->name).c_str());
    }
}

} // namespace qms::devmgr

using qms::devmgr::DeviceManager;

extern "C" QMS_EXPORT HANDLE ActivateDevice(LPCWSTR lpszDevKey, DWORD dwClientInfo)
{
    qms::boot::ensureStarted();
    return DeviceManager::instance().activate(lpszDevKey, dwClientInfo);
}

extern "C" QMS_EXPORT BOOL DeactivateDevice(HANDLE hDevice)
{
    return DeviceManager::instance().deactivate(hDevice);
}
