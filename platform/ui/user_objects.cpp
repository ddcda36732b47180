// The window system's handles: tokens with bit 31 set, so that a kernel handle is never taken
// for a window or a bitmap, in a token table like the kernel's.
#include "platform/ui/user_objects.h"

#include "platform/kernel/token_table.h"

namespace qms::ui {

UserObject::~UserObject() = default;

namespace {

// Bit 31 set; at most 0xFFFE slots keeps every token below 0xFFFFFFFF.
using UserTable = kernel::TokenTable<UserObject, 0x80000000u, 0xFFFE>;

// Never destroyed: windows may still be looked up while the process exits.
UserTable &table()
{
    static UserTable *instance = new UserTable;
    return *instance;
}

// The token a handle carries, or 0 (which names nothing) for a value no token can have.
std::uint32_t tokenOf(const void *handle)
{
    auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
    // A token that went through a signed 32-bit value comes back sign-extended.
    if ((value >> 32) == 0xFFFFFFFFu)
        value &= 0xFFFFFFFFu;
    return (value >> 32) != 0 ? 0 : static_cast<std::uint32_t>(value);
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
    return table().remove(tokenOf(handle));
}

std::shared_ptr<UserObject> findUserObject(const void *handle)
{
    return table().find(tokenOf(handle));
}

} // namespace qms::ui
