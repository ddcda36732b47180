// Control and inspection functions of the test client driver (libqmstestclient), which
// tests reach through dlsym so that the library stays loaded only while the platform or a
// test holds it.
#pragma once

#include <cstdint>

#include "qms_usbd.h"

extern "C" {

// Forgets every attached device and the call log; clears the decline and block settings.
void qmstc_reset(void);
// Offers received by USBDeviceAttach, as "<driver id>;" each, in order.
const char *qmstc_offers(void);
// Devices taken over so far (slots 0, 1, ...).
int qmstc_attached_count(void);
USB_HANDLE qmstc_device(int slot);
const USB_FUNCS *qmstc_funcs(int slot);
// USBDeviceAttach declines offers made under this driver ID.
void qmstc_decline_id(const char *driverId);

// One synchronous vendor request the way a client driver runs it: reset the event, issue,
// wait at most `timeoutMs`, read the status, close the transfer; on a stall, reset endpoint
// 0 when it reports halted. Returns 0, 87, 31 (no handle or a USB error) or 1460 (time-out).
DWORD qmstc_vendor(int slot, BOOL in, BYTE request, WORD value, void *buffer, WORD length,
                   DWORD timeoutMs, DWORD *bytes, DWORD *usbError);
// Completion routines run so far for requests of qmstc_vendor.
int qmstc_completions(void);

// Removal notices: the code received (0 before any) and the thread it arrived on.
DWORD qmstc_notice_code(int slot);
uint64_t qmstc_notice_thread(int slot);
BOOL qmstc_wait_notice(int slot, DWORD timeoutMs);
// The removal notice of that slot blocks until qmstc_release_removal.
void qmstc_block_removal(int slot);
void qmstc_release_removal(void);

// Stream entry points (prefix TST): log of calls, "Init(<Name>,<ClientInfo>);Open;..."
const char *qmstc_log(void);
// TST_IOControl code 2 blocks until released; this waits until one is inside.
BOOL qmstc_wait_blocked_ioctl(DWORD timeoutMs);
void qmstc_release_ioctl(void);
}


#define QMSTC_IOCTL_ECHO 1u
#define QMSTC_IOCTL_BLOCK 2u
#define QMSTC_CLIENTINFO_FAIL 0xBADu
