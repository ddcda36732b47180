#include "platform/usbd/transfer.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/usbd/host.h"

namespace qms::usbd {

namespace {

// Transfer handles are tokens from a counter, never reused, so a closed handle is refused.
class TransferTable {
public:
    USB_TRANSFER insert(std::shared_ptr<Transfer> transfer)
    {
        std::lock_guard guard(lock_);
        const uintptr_t token = next_++;
        table_.emplace(token, std::move(transfer));
        return reinterpret_cast<USB_TRANSFER>(token);
    }
    std::shared_ptr<Transfer> find(USB_TRANSFER handle)
    {
        std::lock_guard guard(lock_);
        const auto it = table_.find(reinterpret_cast<uintptr_t>(handle));
        return it == table_.end() ? nullptr : it->second;
    }
    std::shared_ptr<Transfer> remove(USB_TRANSFER handle)
    {
        std::lock_guard guard(lock_);
        const auto it = table_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == table_.end())
            return nullptr;
        auto transfer = std::move(it->second);
        table_.erase(it);
        return transfer;
    }
    void clear()
    {
        std::unordered_map<uintptr_t, std::shared_ptr<Transfer>> dropped;
        std::lock_guard guard(lock_);
        dropped.swap(table_);
    }

private:
    std::mutex lock_;
    std::unordered_map<uintptr_t, std::shared_ptr<Transfer>> table_;
    uintptr_t next_ = 1;
};

TransferTable &transfers()
{
    static TransferTable *table = new TransferTable;
    return *table;
}

void forgetPending(Transfer &transfer)
{
    std::lock_guard guard(transfer.device->lock);
    transfer.device->pending.erase(&transfer);
}

// The result the bus reported, in the host's terms.
TransferEnd endOf(const Transfer &transfer, const ControlResult &result)
{
    switch (result.outcome) {
    case ControlOutcome::Completed: {
        const DWORD bytes = std::min<DWORD>(result.bytesTransferred, transfer.setup.wLength);
        const bool underrun = transfer.in && bytes < transfer.setup.wLength && !transfer.shortOk;
        return {bytes, underrun ? USB_DATA_UNDERRUN_ERROR : USB_NO_ERROR};
    }
    case ControlOutcome::Stall:
        return {0, USB_STALL_ERROR};
    case ControlOutcome::Cancelled:
        return {0, USB_CANCELED_ERROR};
    default:
        return {0, USB_DEVICE_NOT_RESPONDING_ERROR};
    }
}

// The transfer behind a handle that has not been closed; null with last error otherwise.
std::shared_ptr<Transfer> liveTransfer(USB_TRANSFER handle)
{
    auto transfer = transfers().find(handle);
    if (!transfer)
        SetLastError(ERROR_INVALID_HANDLE);
    return transfer;
}

// Lets the bus end a transfer the host no longer waits for; it does not wait for the bus.
void cancelOnBus(Transfer &transfer)
{
    std::shared_ptr<BusDevice> bus;
    {
        std::lock_guard guard(transfer.device->lock);
        bus = transfer.device->bus;
    }
    if (bus)
        bus->cancel(&transfer);
}

USB_TRANSFER fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

} // namespace

bool endTransfer(Transfer &transfer, TransferEnd end)
{
    std::unique_lock guard(transfer.lock);
    if (transfer.state != Transfer::State::Pending)
        return false;
    if (transfer.in && end.bytes)
        std::memcpy(transfer.clientBuffer, transfer.data.data(), end.bytes);
    transfer.bytes = end.bytes;
    transfer.error = end.error;
    transfer.state = Transfer::State::Ended;
    {
        std::lock_guard deviceGuard(transfer.device->lock);
        transfer.device->pending.erase(&transfer);
        if (end.error == USB_STALL_ERROR)
            transfer.device->halted = true;
    }
    if (!transfer.routine)
        return true;
    transfer.routineRunning = true;
    transfer.routineThread = std::this_thread::get_id();
    guard.unlock();
    transfer.routine(transfer.parameter);
    guard.lock();
    transfer.routineRunning = false;
    transfer.routineDone.notify_all();
    return true;
}

USB_TRANSFER issueVendorTransfer(USB_HANDLE handle, LPTRANSFER_NOTIFY_ROUTINE routine,
                                 LPVOID parameter, DWORD flags, LPCUSB_DEVICE_REQUEST request,
                                 LPVOID buffer)
{
    auto device = Host::instance().device(handle);
    if (!device)
        return fail(ERROR_INVALID_HANDLE);
    if (!request || (request->wLength && !buffer))
        return fail(ERROR_INVALID_PARAMETER);
    const bool in = (flags & USB_IN_TRANSFER) != 0;
    if (in != ((request->bmRequestType & USB_REQUEST_DEVICE_TO_HOST) != 0))
        return fail(ERROR_INVALID_PARAMETER);

    auto transfer = std::make_shared<Transfer>();
    transfer->device = device;
    transfer->routine = routine;
    transfer->parameter = parameter;
    transfer->in = in;
    transfer->shortOk = (flags & USB_SHORT_TRANSFER_OK) != 0;
    transfer->setup = {request->bmRequestType, request->bRequest, request->wValue,
                       request->wIndex, request->wLength};
    transfer->clientBuffer = static_cast<uint8_t *>(buffer);
    transfer->data.assign(request->wLength, 0);
    if (!in && request->wLength)
        std::memcpy(transfer->data.data(), buffer, request->wLength);

    std::shared_ptr<BusDevice> bus;
    bool halted;
    {
        std::lock_guard guard(device->lock);
        if (device->gone)
            return fail(ERROR_DEVICE_NOT_CONNECTED);
        bus = device->bus;
        halted = device->halted;
        if (!halted)
            device->pending.emplace(transfer.get(), transfer);
    }
    const USB_TRANSFER token = transfers().insert(transfer);
    // A halted endpoint 0 refuses everything until the client resets it.
    if (halted) {
        endTransfer(*transfer, {0, USB_STALL_ERROR});
        return token;
    }

    // The completion keeps the transfer, and with it the data buffer, alive until the bus
    // has let go of it, even when the client has closed the handle long before.
    auto done = [transfer](const ControlResult &result) {
        endTransfer(*transfer, endOf(*transfer, result));
        if (result.outcome == ControlOutcome::Removed)
            Host::instance().deviceGone(transfer->device);
    };
    std::lock_guard guard(device->controlLock);
    bus->submit(transfer->setup, transfer->data.data(), transfer.get(), std::move(done));
    return token;
}

BOOL getTransferStatus(USB_TRANSFER handle, LPDWORD bytes, LPDWORD error)
{
    const auto transfer = liveTransfer(handle);
    if (!transfer)
        return FALSE;
    std::lock_guard guard(transfer->lock);
    if (bytes)
        *bytes = transfer->bytes;
    if (error)
        *error = transfer->error;
    return TRUE;
}

BOOL isTransferComplete(USB_TRANSFER handle)
{
    const auto transfer = liveTransfer(handle);
    if (!transfer)
        return FALSE;
    std::lock_guard guard(transfer->lock);
    return transfer->state != Transfer::State::Pending;
}

BOOL abortTransfer(USB_TRANSFER handle)
{
    const auto transfer = liveTransfer(handle);
    if (!transfer)
        return FALSE;
    const bool wasPending = endTransfer(*transfer, {0, USB_CANCELED_ERROR});
    if (wasPending)
        cancelOnBus(*transfer);
    return TRUE;
}

BOOL closeTransfer(USB_TRANSFER handle)
{
    const auto transfer = transfers().remove(handle);
    if (!transfer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::unique_lock guard(transfer->lock);
    const bool wasPending = transfer->state == Transfer::State::Pending;
    if (wasPending) {
        transfer->error = USB_CANCELED_ERROR;
        forgetPending(*transfer);
    }
    transfer->state = Transfer::State::Closed;
    // After CloseTransfer the routine never runs: wait for one that is running now, unless
    // it is the routine itself that closes its transfer.
    if (transfer->routineRunning && transfer->routineThread != std::this_thread::get_id())
        transfer->routineDone.wait(guard, [&] { return !transfer->routineRunning; });
    guard.unlock();
    if (wasPending)
        cancelOnBus(*transfer);
    return TRUE;
}

void forgetTransfers()
{
    transfers().clear();
}

} // namespace qms::usbd
