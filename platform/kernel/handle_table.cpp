// The handle table behind every kernel HANDLE.
//
// A handle is a 32-bit token: the low 16 bits hold the slot number plus one (never 0), bits
// 16 to 30 the slot's generation (starting at 1), bit 31 stays clear. A handle is therefore
// never 0, never INVALID_HANDLE_VALUE (not even in a 32-bit build), never a small integer,
// and it travels unchanged through a DWORD. Each close bumps the slot's generation, and
// freed slots are reused oldest first and only once enough of them have piled up, so a stale
// handle keeps failing with ERROR_INVALID_HANDLE long after its object is gone instead of
// naming a newer object.
#include <cstdint>

#include "platform/kernel/guard.h"
#include "platform/kernel/object.h"
#include "platform/kernel/token_table.h"

namespace qms::kernel {
namespace {

// Slot numbers 1..65535; bit 31 stays clear.
using HandleTable = TokenTable<Object, 0, 0xFFFF>;

// Never destroyed: detached threads may still close handles while the process exits.
HandleTable &table()
{
    static HandleTable *instance = new HandleTable;
    return *instance;
}

// The token a handle carries, or 0 (which names nothing) for a value no token can have.
std::uint32_t tokenOf(HANDLE handle)
{
    const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

} // namespace

HANDLE insertObject(std::shared_ptr<Object> object)
{
    if (!object) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return guarded(HANDLE{}, [&]() -> HANDLE {
        const auto handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(table().insert(std::move(object))));
        if (!handle)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return handle;
    });
}

std::shared_ptr<Object> lookupObject(HANDLE handle)
{
    return table().find(tokenOf(handle));
}

} // namespace qms::kernel

extern "C" BOOL CloseHandle(HANDLE hObject)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        std::shared_ptr<qms::kernel::Object> object = qms::kernel::table().remove(qms::kernel::tokenOf(hObject));
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return object->onHandleClosed();
    });
}
