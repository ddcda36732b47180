// Tokens: bit 31 set, bits 16 to 30 the slot's generation (starting at 1), the low 16 bits
// the slot number plus one. Each removal bumps the slot's generation and freed slots wait in
// line before they are used again, so a stale handle keeps failing long after its object is
// gone instead of naming a newer one.
#include "platform/ui/user_objects.h"

#include <deque>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace qms::ui {

UserObject::~UserObject() = default;

namespace {

constexpr std::uint32_t kindBit = 0x80000000u;
constexpr std::uint32_t slotMask = 0xFFFFu;
constexpr std::uint32_t generationMask = 0x7FFFu;
constexpr std::size_t maxSlots = 0xFFFE; // keeps every token below 0xFFFFFFFF
constexpr std::size_t reuseDelay = 1024;

struct Slot {
    std::shared_ptr<UserObject> object;
    std::uint32_t generation = 1;
};

class UserTable {
public:
    std::uint32_t insert(std::shared_ptr<UserObject> object)
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
            return 0;
        }
        Slot &slot = slots_[index];
        slot.object = std::move(object);
        return kindBit | (slot.generation << 16) | static_cast<std::uint32_t>(index + 1);
    }

    std::shared_ptr<UserObject> find(const void *handle) const
    {
        std::shared_lock lock(mutex_);
        const std::size_t index = indexOf(handle);
        return index == noSlot ? nullptr : slots_[index].object;
    }

    std::shared_ptr<UserObject> remove(const void *handle)
    {
        std::unique_lock lock(mutex_);
        const std::size_t index = indexOf(handle);
        if (index == noSlot)
            return nullptr;
        Slot &slot = slots_[index];
        std::shared_ptr<UserObject> object = std::move(slot.object);
        slot.object.reset();
        slot.generation = (slot.generation + 1) & generationMask;
        if (slot.generation == 0)
            slot.generation = 1;
        try {
            freeSlots_.push_back(index);
        } catch (...) {
            // The slot stays retired.
        }
        return object;
    }

private:
    static constexpr std::size_t noSlot = maxSlots;

    std::size_t indexOf(const void *handle) const
    {
        auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
        // A token that went through a signed 32-bit value comes back sign-extended.
        if ((value >> 32) == 0xFFFFFFFFu)
            value &= 0xFFFFFFFFu;
        if ((value >> 32) != 0 || (value & kindBit) == 0)
            return noSlot;
        const auto token = static_cast<std::uint32_t>(value);
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

// Never destroyed: windows may still be looked up while the process exits.
UserTable &table()
{
    static UserTable *instance = new UserTable;
    return *instance;
}

} // namespace

std::uint32_t insertUserObject(std::shared_ptr<UserObject> object)
{
    const std::uint32_t token = table().insert(std::move(object));
    if (token == 0)
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return token;
}

std::shared_ptr<UserObject> removeUserObject(const void *handle)
{
    return table().remove(handle);
}

std::shared_ptr<UserObject> findUserObject(const void *handle)
{
    return table().find(handle);
}

} // namespace qms::ui
