// A table of objects named by 32-bit tokens, never by pointers: kernel handles and the window
// system's handles are both such tokens.
//
// A token holds the slot number plus one in its low 16 bits (never 0), the slot's generation
// (starting at 1) in bits 16 to 30, and the table's kind in bit 31. Each removal bumps the
// slot's generation, and freed slots are reused oldest first and only once enough of them
// have piled up, so a stale token keeps failing long after its object is gone instead of
// naming a newer object; a token of the other kind never names anything here.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace qms::kernel {

template <class T, std::uint32_t KindBit, std::size_t MaxSlots>
class TokenTable {
    static_assert(KindBit == 0 || KindBit == 0x80000000u);
    static_assert(MaxSlots >= 1 && MaxSlots <= 0xFFFF);

public:
    // The new object's token, or 0 when every slot is taken.
    std::uint32_t insert(std::shared_ptr<T> object)
    {
        std::unique_lock lock(mutex_);
        std::size_t index;
        if (freeSlots_.size() > reuseDelay || (slots_.size() == MaxSlots && !freeSlots_.empty())) {
            index = freeSlots_.front();
            freeSlots_.pop_front();
        } else if (slots_.size() < MaxSlots) {
            slots_.emplace_back();
            index = slots_.size() - 1;
        } else {
            return 0;
        }
        Slot &slot = slots_[index];
        slot.object = std::move(object);
        return KindBit | (slot.generation << 16) | static_cast<std::uint32_t>(index + 1);
    }

    std::shared_ptr<T> find(std::uint32_t token) const
    {
        std::shared_lock lock(mutex_);
        const std::size_t index = indexOf(token);
        return index == noSlot ? nullptr : slots_[index].object;
    }

    // Removes the object a token names and returns it (null for a token that names nothing).
    std::shared_ptr<T> remove(std::uint32_t token)
    {
        std::unique_lock lock(mutex_);
        const std::size_t index = indexOf(token);
        if (index == noSlot)
            return nullptr;
        Slot &slot = slots_[index];
        std::shared_ptr<T> object = std::move(slot.object);
        slot.object.reset();
        slot.generation = (slot.generation + 1) & generationMask;
        if (slot.generation == 0)
            slot.generation = 1;
        // The queue never holds more entries than the table has slots, but a failed push
        // must not lose the removal that already happened.
        try {
            freeSlots_.push_back(index);
        } catch (...) {
            // The slot stays retired; the table shrinks by one slot.
        }
        return object;
    }

private:
    static constexpr std::uint32_t kindMask = 0x80000000u;
    static constexpr std::uint32_t slotMask = 0xFFFFu;
    static constexpr std::uint32_t generationMask = 0x7FFFu;
    // A freed slot waits until this many others have been freed before it is used again.
    static constexpr std::size_t reuseDelay = 1024;
    static constexpr std::size_t noSlot = MaxSlots;

    struct Slot {
        std::shared_ptr<T> object;
        std::uint32_t generation = 1;
    };

    // The index of the live slot a token names, or noSlot. Caller holds the lock.
    std::size_t indexOf(std::uint32_t token) const
    {
        if ((token & kindMask) != KindBit)
            return noSlot;
        const std::size_t number = token & slotMask;
        if (number == 0 || number > slots_.size())
            return noSlot;
        const Slot &slot = slots_[number - 1];
        if (!slot.object || slot.generation != ((token >> 16) & generationMask))
            return noSlot;
        return number - 1;
    }

    mutable std::shared_mutex mutex_;
    std::vector<Slot> slots_;
    std::deque<std::size_t> freeSlots_;
};

} // namespace qms::kernel
