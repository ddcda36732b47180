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
#include <deque>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/kernel/guard.h"
#include "platform/kernel/object.h"

namespace qms::kernel {
namespace {

constexpr std::uint32_t slotMask = 0xFFFFu;
constexpr std::size_t maxSlots = slotMask; // slot numbers 1..65535
constexpr std::uint32_t generationMask = 0x7FFFu;
// A freed slot waits until this many others have been freed before it is used again.
constexpr std::size_t reuseDelay = 1024;

struct Slot {
    std::shared_ptr<Object> object;
    std::uint32_t generation = 1;
};

class HandleTable {
public:
    HANDLE insert(std::shared_ptr<Object> object)
    {
        std::unique_lock lock(mutex_);
        std::size_t index;
        if (freeSlots_.size() > reuseDelay || (slots_.size() == maxSlots && !freeSlots_.empty())) {
            index = freeSlots_.front();
            freeSlots_.pop_front();
        } else if (slots_.size() < maxSlots) {
            slots_.emplace_back();
            index = slots_.size() - 1;
        } else {
            return nullptr;
        }
        Slot &slot = slots_[index];
        slot.object = std::move(object);
        const std::uint32_t token = (slot.generation << 16) | static_cast<std::uint32_t>(index + 1);
        return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(token));
    }

    std::shared_ptr<Object> find(HANDLE handle) const
    {
        std::shared_lock lock(mutex_);
        const std::size_t index = indexOf(handle);
        return index == noSlot ? nullptr : slots_[index].object;
    }

    std::shared_ptr<Object> remove(HANDLE handle)
    {
        std::unique_lock lock(mutex_);
        const std::size_t index = indexOf(handle);
        if (index == noSlot)
            return nullptr;
        Slot &slot = slots_[index];
        std::shared_ptr<Object> object = std::move(slot.object);
        slot.object.reset();
        slot.generation = (slot.generation + 1) & generationMask;
        if (slot.generation == 0)
            slot.generation = 1;
        // Cannot throw for long: the queue never holds more entries than the table has slots,
        // but a failed push must not lose the close that already happened.
        try {
            freeSlots_.push_back(index);
        } catch (...) {
            // The slot stays retired; the table shrinks by one slot.
        }
        return object;
    }

private:
    static constexpr std::size_t noSlot = maxSlots;

    // The index of the live slot a handle names, or noSlot. Caller holds the lock.
    std::size_t indexOf(HANDLE handle) const
    {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        if (value == 0 || value > 0x7FFFFFFFu)
            return noSlot;
        const auto token = static_cast<std::uint32_t>(value);
        const std::size_t number = token & slotMask;
        if (number == 0 || number > slots_.size())
            return noSlot;
        const Slot &slot = slots_[number - 1];
        if (!slot.object || slot.generation != (token >> 16))
            return noSlot;
        return number - 1;
    }

    mutable std::shared_mutex mutex_;
    std::vector<Slot> slots_;
    std::deque<std::size_t> freeSlots_;
};

// Never destroyed: detached threads may still close handles while the process exits.
HandleTable &table()
{
    static HandleTable *instance = new HandleTable;
    return *instance;
}

} // namespace

HANDLE insertObject(std::shared_ptr<Object> object)
{
    if (!object) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return guarded(HANDLE{}, [&]() -> HANDLE {
        HANDLE handle = table().insert(std::move(object));
        if (!handle)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return handle;
    });
}

std::shared_ptr<Object> lookupObject(HANDLE handle)
{
    return table().find(handle);
}

} // namespace qms::kernel

extern "C" BOOL CloseHandle(HANDLE hObject)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        std::shared_ptr<qms::kernel::Object> object = qms::kernel::table().remove(hObject);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return object->onHandleClosed();
    });
}
