// Applications' calls on stream devices: CreateFileW opens by name, DeviceIoControl and
// CloseHandle reach the driver through the open handle.
#include <memory>

#include "platform/boot/boot.h"
#include "platform/devmgr/device_manager.h"
#include "platform/kernel/object.h"

namespace qms::devmgr {

namespace {

// A handle from CreateFileW. Its own gate makes CloseHandle wait for calls on this handle
// that are still inside the driver before Close runs, so Close is the last call with the
// open context.
class OpenHandle final : public kernel::Object {
public:
    OpenHandle(std::shared_ptr<StreamDevice> device, DWORD_PTR context)
        : device_(std::move(device)), context_(context)
    {
        gate_.setState(CallGate::State::Ready);
        std::lock_guard guard(device_->handlesLock);
        ++device_->openHandles;
    }

    BOOL onHandleClosed() override
    {
        gate_.close();
        gate_.setState(CallGate::State::Gone);
        {
            std::lock_guard guard(device_->handlesLock);
            --device_->openHandles;
        }
        // A device deactivated meanwhile has no context to close any more.
        if (!device_->gate.enter())
            return TRUE;
        const BOOL closed = device_->entry.close(context_);
        device_->gate.leave();
        return closed;
    }

    BOOL ioControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                   LPDWORD bytesReturned)
    {
        if (!gate_.enter()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!device_->gate.enter()) {
            gate_.leave();
            SetLastError(ERROR_DEVICE_REMOVED);
            return FALSE;
        }
        DWORD local = 0;
        const BOOL done = device_->entry.ioControl(context_, code, static_cast<LPBYTE>(in), inSize,
                                                   static_cast<LPBYTE>(out), outSize,
                                                   bytesReturned ? bytesReturned : &local);
        device_->gate.leave();
        gate_.leave();
        return done;
    }

private:
    std::shared_ptr<StreamDevice> device_;
    DWORD_PTR context_;
    CallGate gate_;
};

} // namespace

} // namespace qms::devmgr

using namespace qms::devmgr;

extern "C" QMS_EXPORT HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                         LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    qms::boot::ensureStarted();
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const auto device = DeviceManager::instance().findByName(lpFileName);
    if (!device)
        return INVALID_HANDLE_VALUE;
    if (!device->gate.enter()) {
        SetLastError(ERROR_DEVICE_REMOVED);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    const DWORD_PTR context = device->entry.open(device->context, dwDesiredAccess, dwShareMode);
    const DWORD error = GetLastError();
    device->gate.leave();
    if (!context) {
        SetLastError(error ? error : ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    const auto open = std::make_shared<OpenHandle>(device, context);
    const HANDLE handle = qms::kernel::insertObject(open);
    if (!handle) {
        open->onHandleClosed();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

extern "C" QMS_EXPORT BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                                           DWORD nInBufferSize, LPVOID lpOutBuffer,
                                           DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                                           LPOVERLAPPED)
{
    const auto open = qms::kernel::lookup<OpenHandle>(hDevice);
    if (!open) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return open->ioControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                           nOutBufferSize, lpBytesReturned);
}
