// The driver's record of one plugged-in module, and the table of live records through which
// every entry point reaches it.
#pragma once

#include <vector>

#include "qms_ioctl.h"
#include "qms_platform.h"
#include "qms_usbd.h"

struct DeviceContext {
    DWORD signature;             // QMS_DEVICE_SIGNATURE while the record is live
    CRITICAL_SECTION transferLock; // one vendor request of this module at a time
    LPCWSTR activeKeyPath;       // the Active key given to U93_Init (not owned; Init only)
    HANDLE activeHandle;         // from ActivateDevice, for DeactivateDevice
    USB_HANDLE usbDevice;
    LPCUSB_FUNCS usbFuncs;
    HANDLE transferEvent;        // manual-reset completion event of every vendor request
    HANDLE allClosedEvent;       // auto-reset, set when the last handle closes
    WCHAR callName[QMS_CALL_NAME_CHARS]; // "U93<n>:"
    DWORD BoardID;               // device type code, always 198
    DWORD deviceNumber;          // Device<NNN>; QMS_DEVICE_NUMBER_UNRESOLVED until known
    DWORD SwitchID;              // the module's board number
    LONG openCount;              // interlocked
    DWORD LastErrorCode;         // written and read through atomic accesses
    DWORD transferTimeout;       // milliseconds, every vendor request
    DWORD TCReadBackChan;
    DWORD TCReadBackType;
    CjcHistory cjcHistory;       // 16-bit fields written and read atomically, without the lock
    DWORD sampleCounter;         // sampler thread only
    DWORD ChanConfig;
    HANDLE removalEvent;         // "QMS_EVT_DEVREMOVED_<NNN>"
    HANDLE samplerThread;
    LONG samplerRun;             // 1 while the sampler shall keep running
    // The record's own additions.
    HANDLE samplerStop;          // manual-reset; set to end the sampler's one-second wait
    LONG removed;                // 1 once the module has gone: requests fail at once
    LONG removalSignalled;       // 1 once DeviceNotify has set the removal event
    LONG lockWaiters;            // application calls waiting for transferLock
    HANDLE lockWanted;           // manual-reset; set by an application call that waits for it
    DWORD token;                 // the 32-bit value that stands for this record in ClientInfo
};

// Thread last error and LastErrorCode of a driver failure (the plain code; bit 29 is added
// for the thread's value).
void RecordDriverError(DeviceContext *context, DWORD code);
// Thread last error 0x20000000 combined with a device error, as the digital-I/O handlers
// report it.
void RecordDeviceError(DeviceContext *context, DWORD deviceError, DWORD threadError);

LONG ReadInterlocked(const LONG volatile *value);
BOOL ModuleRemoved(const DeviceContext *context);
// Whether the module is still on the bus: it can have gone before its removal notice has
// reached DeviceNotify.
BOOL ModulePresent(const DeviceContext *context);

// Records are handed around as pointers (open contexts, the notification parameter) and as
// 32-bit tokens (ClientInfo). Neither is dereferenced before it has been found here.

// Allocates a zero-filled record with its signature, lock and events, and enters it in the
// table. Null when memory or an event cannot be had.
DeviceContext *CreateDeviceContext(USB_HANDLE usbDevice, LPCUSB_FUNCS usbFuncs);
// The live record a token stands for, or null.
DeviceContext *FindLiveRecord(DWORD token);
// Whether the pointer is a live record (the pointer is not dereferenced to find out).
BOOL IsLiveRecord(const void *context);
// A device number as the live records hold it: by a module still on the bus, or by the record
// of a module that has gone and is being removed (`token` names that record).
struct HeldNumber {
    bool present = false;
    DWORD goneToken = 0; // a record of a module that has gone, or 0
};
// Device numbers held by the live records other than `self`, for 0 .. count-1. Read under the
// device-number allocation lock, which every writer of deviceNumber holds.
std::vector<HeldNumber> LiveDeviceNumbers(const DeviceContext *self, DWORD count);
// Marks that DeviceNotify has set the record's removal event.
void NoteRemovalSignalled(DeviceContext *context);
// Waits up to `bound` ms until the record of that token has been released, or has signalled
// its removal and waits for applications to close their handles.
void WaitForPredecessor(DWORD token, DWORD bound);
// Releases a record: takes it out of the table, waits for every entry point still using it,
// stops its sampler, closes its handles in reverse order of creation and frees it.
void ReleaseDeviceContext(DeviceContext *context);

// Keeps a live record from being released while an entry point works on it.
class RecordHold {
public:
    explicit RecordHold(DWORD_PTR context);
    ~RecordHold();
    RecordHold(const RecordHold &) = delete;
    RecordHold &operator=(const RecordHold &) = delete;

    DeviceContext *get() const { return context_; }
    explicit operator bool() const { return context_ != nullptr; }

private:
    DeviceContext *context_;
};

// The device's transfer lock for one scope, as an application call (or the device's own
// start, open and close) takes it. When the lock is held, the call says so first: the CJC
// sampler gives up a read that does not answer at once rather than make the call wait out
// the sampler's time-out before its own.
class TransferLockGuard {
public:
    explicit TransferLockGuard(DeviceContext *context) : lock_(&context->transferLock)
    {
        if (TryEnterCriticalSection(lock_))
            return;
        InterlockedIncrement(&context->lockWaiters);
        SetEvent(context->lockWanted);
        EnterCriticalSection(lock_);
        InterlockedDecrement(&context->lockWaiters);
    }
    ~TransferLockGuard() { LeaveCriticalSection(lock_); }
    TransferLockGuard(const TransferLockGuard &) = delete;
    TransferLockGuard &operator=(const TransferLockGuard &) = delete;

private:
    LPCRITICAL_SECTION lock_;
};
