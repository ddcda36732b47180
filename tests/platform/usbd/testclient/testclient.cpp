// A small client and stream driver for the platform's tests: it registers for the test
// device (vendor 0x1234, product 0x5678, interface class 0xFF subclass 0), runs vendor
// requests the way a real client does, and exports stream entry points with prefix TST.
#include "tests/platform/usbd/testclient/testclient.h"

#include <pthread.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "qms_streamdrv.h"

namespace {

constexpr char16_t driverId[] = u"QmsTestClient";
constexpr char16_t clientKey[] = u"Drivers\\USB\\ClientDrivers\\QmsTestClient";
constexpr int maxSlots = 8;

const USB_DRIVER_SETTINGS settings = {sizeof(USB_DRIVER_SETTINGS), 0x1234, 0x5678, USB_NO_INFO,
                                      USB_NO_INFO, USB_NO_INFO, USB_NO_INFO, 0xFF, 0, USB_NO_INFO};

struct Slot {
    USB_HANDLE device = nullptr;
    LPCUSB_FUNCS funcs = nullptr;
    DWORD noticeCode = 0;
    uint64_t noticeThread = 0;
    bool blockRemoval = false;
};

struct State {
    std::mutex lock;
    std::condition_variable changed;
    Slot slots[maxSlots];
    int attached = 0;
    std::string offers;
    std::string declineId;
    std::string log;
    int completions = 0;
    bool removalReleased = false;
    int ioctlsBlocked = 0;
    bool ioctlReleased = false;
    std::string offersCopy, logCopy;
} state;

uint64_t threadTag()
{
    return static_cast<uint64_t>(pthread_self());
}

std::string narrow(const char16_t *text)
{
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

void note(const std::string &entry)
{
    std::lock_guard guard(state.lock);
    state.log += entry + ";";
}

BOOL deviceNotify(LPVOID parameter, DWORD code, LPDWORD *, LPDWORD *, LPDWORD *, LPDWORD *)
{
    const auto slot = static_cast<int>(reinterpret_cast<intptr_t>(parameter));
    std::unique_lock guard(state.lock);
    state.slots[slot].noticeCode = code;
    state.slots[slot].noticeThread = threadTag();
    state.changed.notify_all();
    state.changed.wait(guard, [&] { return !state.slots[slot].blockRemoval || state.removalReleased; });
    return TRUE;
}

DWORD transferComplete(LPVOID event)
{
    {
        std::lock_guard guard(state.lock);
        ++state.completions;
    }
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

} // namespace

extern "C" {

QMS_EXPORT BOOL USBInstallDriver(LPCWSTR file)
{
    if (!RegisterClientDriverID(driverId) || !RegisterClientSettings(file, driverId, nullptr, &settings))
        return FALSE;
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, clientKey, 0, nullptr, 0, 0, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        static const char16_t dll[] = u"QmsTestClient.dll", prefix[] = u"TST";
        RegSetValueExW(key, u"Dll", 0, REG_SZ, reinterpret_cast<const BYTE *>(dll), sizeof dll);
        RegSetValueExW(key, u"Prefix", 0, REG_SZ, reinterpret_cast<const BYTE *>(prefix), sizeof prefix);
        RegCloseKey(key);
    }
    return TRUE;
}

QMS_EXPORT BOOL USBUnInstallDriver(void)
{
    return UnRegisterClientSettings(driverId, nullptr, &settings) & UnRegisterClientDriverID(driverId);
}

QMS_EXPORT BOOL USBDeviceAttach(USB_HANDLE device, LPCUSB_FUNCS funcs, LPCUSB_INTERFACE interface,
                                LPCWSTR uniqueDriverId, LPBOOL acceptControl,
                                LPCUSB_DRIVER_SETTINGS, DWORD)
{
    if (!device || !funcs || !interface || !acceptControl)
        return FALSE;
    *acceptControl = FALSE;
    int slot;
    {
        std::lock_guard guard(state.lock);
        const std::string id = narrow(uniqueDriverId);
        state.offers += id + ";";
        if (id == state.declineId || state.attached == maxSlots)
            return FALSE;
        slot = state.attached;
    }
    if (interface->Descriptor.bInterfaceClass != 0xFF || interface->Descriptor.bInterfaceSubClass != 0)
        return FALSE;
    if (!funcs->lpRegisterNotificationRoutine(device, deviceNotify,
                                              reinterpret_cast<LPVOID>(static_cast<intptr_t>(slot))))
        return FALSE;
    std::lock_guard guard(state.lock);
    state.slots[slot].device = device;
    state.slots[slot].funcs = funcs;
    ++state.attached;
    *acceptControl = TRUE;
    return TRUE;
}

QMS_EXPORT void qmstc_reset(void)
{
    std::lock_guard guard(state.lock);
    for (Slot &slot : state.slots)
        slot = Slot{};
    state.attached = 0;
    state.offers.clear();
    state.declineId.clear();
    state.log.clear();
    state.completions = 0;
    state.removalReleased = false;
    state.ioctlsBlocked = 0;
    state.ioctlReleased = false;
}

QMS_EXPORT const char *qmstc_offers(void)
{
    std::lock_guard guard(state.lock);
    state.offersCopy = state.offers;
    return state.offersCopy.c_str();
}

QMS_EXPORT int qmstc_attached_count(void)
{
    std::lock_guard guard(state.lock);
    return state.attached;
}

QMS_EXPORT USB_HANDLE qmstc_device(int slot)
{
    std::lock_guard guard(state.lock);
    return state.slots[slot].device;
}

QMS_EXPORT const USB_FUNCS *qmstc_funcs(int slot)
{
    std::lock_guard guard(state.lock);
    return state.slots[slot].funcs;
}

QMS_EXPORT void qmstc_decline_id(const char *id)
{
    std::lock_guard guard(state.lock);
    state.declineId = id;
}

QMS_EXPORT DWORD qmstc_vendor(int slot, BOOL in, BYTE request, WORD value, void *buffer, WORD length,
                              DWORD timeoutMs, DWORD *bytes, DWORD *usbError)
{
    const USB_HANDLE device = qmstc_device(slot);
    LPCUSB_FUNCS funcs = qmstc_funcs(slot);
    if (!device || !funcs || !bytes || !usbError)
        return ERROR_INVALID_PARAMETER;
    *bytes = 0;
    *usbError = 0;
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const USB_DEVICE_REQUEST setup = {static_cast<BYTE>(in ? 0xC0 : 0x40), request, value, 0, length};
    const DWORD flags = (in ? USB_IN_TRANSFER : USB_OUT_TRANSFER) | USB_SHORT_TRANSFER_OK;
    DWORD result = 0;
    const USB_TRANSFER transfer =
        funcs->lpIssueVendorTransfer(device, transferComplete, event, flags, &setup, buffer, 0);
    if (!transfer) {
        result = ERROR_GEN_FAILURE;
    } else {
        const DWORD wait = WaitForSingleObject(event, timeoutMs);
        if (wait == WAIT_TIMEOUT)
            result = ERROR_TIMEOUT;
        else if (wait != WAIT_OBJECT_0)
            result = ERROR_GEN_FAILURE;
        if (!funcs->lpGetTransferStatus(transfer, bytes, usbError))
            *usbError = 0x101;
        funcs->lpCloseTransfer(transfer);
    }
    CloseHandle(event);
    if (result == 0 && *usbError != USB_NO_ERROR)
        result = ERROR_GEN_FAILURE;
    if (*usbError == USB_STALL_ERROR) {
        BOOL halted = FALSE;
        if (funcs->lpIsDefaultPipeHalted(device, &halted) && halted)
            funcs->lpResetDefaultPipe(device);
    }
    return result;
}

QMS_EXPORT int qmstc_completions(void)
{
    std::lock_guard guard(state.lock);
    return state.completions;
}

QMS_EXPORT DWORD qmstc_notice_code(int slot)
{
    std::lock_guard guard(state.lock);
    return state.slots[slot].noticeCode;
}

QMS_EXPORT uint64_t qmstc_notice_thread(int slot)
{
    std::lock_guard guard(state.lock);
    return state.slots[slot].noticeThread;
}

QMS_EXPORT BOOL qmstc_wait_notice(int slot, DWORD timeoutMs)
{
    std::unique_lock guard(state.lock);
    return state.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                  [&] { return state.slots[slot].noticeCode != 0; });
}

QMS_EXPORT void qmstc_block_removal(int slot)
{
    std::lock_guard guard(state.lock);
    state.slots[slot].blockRemoval = true;
}

QMS_EXPORT void qmstc_release_removal(void)
{
    std::lock_guard guard(state.lock);
    state.removalReleased = true;
    state.changed.notify_all();
}

QMS_EXPORT const char *qmstc_log(void)
{
    std::lock_guard guard(state.lock);
    state.logCopy = state.log;
    return state.logCopy.c_str();
}

QMS_EXPORT BOOL qmstc_wait_blocked_ioctl(DWORD timeoutMs)
{
    std::unique_lock guard(state.lock);
    return state.changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                  [&] { return state.ioctlsBlocked > 0; });
}

QMS_EXPORT void qmstc_release_ioctl(void)
{
    std::lock_guard guard(state.lock);
    state.ioctlReleased = true;
    state.changed.notify_all();
}

// ---- Stream entry points ----------------------------------------------------------------

struct TestDevice {
    std::string name;
};

QMS_EXPORT DWORD_PTR TST_Init(LPCWSTR activeKey, LPCVOID)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, activeKey, 0, 0, &key) != ERROR_SUCCESS)
        return 0;
    DWORD clientInfo = 0, size = sizeof clientInfo, type = 0;
    WCHAR name[10] = {};
    DWORD nameSize = sizeof name;
    const bool read = RegQueryValueExW(key, u"ClientInfo", nullptr, &type, reinterpret_cast<LPBYTE>(&clientInfo), &size) == ERROR_SUCCESS &&
                      RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<LPBYTE>(name), &nameSize) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read)
        return 0;
    note("Init(" + narrow(name) + "," + std::to_string(clientInfo) + ")");
    if (clientInfo == QMSTC_CLIENTINFO_FAIL) {
        SetLastError(ERROR_DEV_NOT_EXIST);
        return 0;
    }
    return reinterpret_cast<DWORD_PTR>(new TestDevice{narrow(name)});
}

QMS_EXPORT BOOL TST_Deinit(DWORD_PTR context)
{
    auto *device = reinterpret_cast<TestDevice *>(context);
    note("Deinit(" + device->name + ")");
    delete device;
    return TRUE;
}

QMS_EXPORT DWORD_PTR TST_Open(DWORD_PTR context, DWORD, DWORD)
{
    auto *device = reinterpret_cast<TestDevice *>(context);
    note("Open(" + device->name + ")");
    return context;
}

QMS_EXPORT BOOL TST_Close(DWORD_PTR context)
{
    note("Close(" + reinterpret_cast<TestDevice *>(context)->name + ")");
    return TRUE;
}

QMS_EXPORT BOOL TST_IOControl(DWORD_PTR context, DWORD code, LPBYTE in, DWORD inSize, LPBYTE out,
                              DWORD outSize, LPDWORD actualOut)
{
    const std::string name = reinterpret_cast<TestDevice *>(context)->name;
    if (code == QMSTC_IOCTL_ECHO) {
        const DWORD n = inSize < outSize ? inSize : outSize;
        for (DWORD i = 0; i < n; ++i)
            out[i] = in[i];
        *actualOut = n;
        note("IOControl(" + name + ")");
        return TRUE;
    }
    if (code == QMSTC_IOCTL_BLOCK) {
        note("IOControlEnter(" + name + ")");
        {
            std::unique_lock guard(state.lock);
            ++state.ioctlsBlocked;
            state.changed.notify_all();
            state.changed.wait_for(guard, std::chrono::seconds(20), [] { return state.ioctlReleased; });
        }
        note("IOControlLeave(" + name + ")");
        *actualOut = 0;
        return TRUE;
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

QMS_EXPORT DWORD TST_Read(DWORD_PTR, LPVOID, DWORD) { return 0; }
QMS_EXPORT DWORD TST_Write(DWORD_PTR, LPCVOID, DWORD) { return 0; }
QMS_EXPORT DWORD TST_Seek(DWORD_PTR, LONG, DWORD) { return 0xFFFFFFFFu; }
QMS_EXPORT void TST_PowerUp(DWORD_PTR) {}
QMS_EXPORT void TST_PowerDown(DWORD_PTR) {}

} // extern "C"
