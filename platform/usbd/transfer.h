// Control transfers on endpoint 0: one asynchronous engine. A transfer is submitted to the
// bus device at once on a private copy of its data; it ends when the bus completes it
// (inline, or later on a thread of the backend), when the client aborts or closes it (the
// bus is then asked to cancel it), or when the device is removed. IN data reaches the
// client's buffer only when it ends.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/usbd/device.h"

namespace qms::usbd {

struct Transfer {
    enum class State { Pending, Ended, Closed };

    std::shared_ptr<Device> device;
    LPTRANSFER_NOTIFY_ROUTINE routine = nullptr;
    LPVOID parameter = nullptr;
    bool in = false;
    bool shortOk = false;
    SetupPacket setup{};
    uint8_t *clientBuffer = nullptr;
    std::vector<uint8_t> data;

    std::mutex lock; // guards everything below
    std::condition_variable routineDone;
    State state = State::Pending;
    DWORD bytes = 0;
    DWORD error = USB_NOT_COMPLETE_ERROR;
    bool routineRunning = false;
    std::thread::id routineThread;
};

// How a transfer ends.
struct TransferEnd {
    DWORD bytes;
    DWORD error;
};

USB_TRANSFER issueVendorTransfer(USB_HANDLE device, LPTRANSFER_NOTIFY_ROUTINE routine,
                                 LPVOID parameter, DWORD flags, LPCUSB_DEVICE_REQUEST request,
                                 LPVOID buffer);
BOOL getTransferStatus(USB_TRANSFER transfer, LPDWORD bytes, LPDWORD error);
BOOL isTransferComplete(USB_TRANSFER transfer);
BOOL abortTransfer(USB_TRANSFER transfer);
BOOL closeTransfer(USB_TRANSFER transfer);

// Ends a pending transfer (no effect on one that has ended or is closed): copies IN data,
// records the result and runs the completion routine once, with no lock held. True when
// this call ended it.
bool endTransfer(Transfer &transfer, TransferEnd end);

// Drops every transfer handle (platform shutdown).
void forgetTransfers();

} // namespace qms::usbd
