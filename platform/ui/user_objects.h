// The window system's handle table: windows, GDI objects and modules are named by 32-bit
// tokens, never by pointers, so a stale handle, or one of another kind, is refused.
#pragma once

#include <cstdint>
#include <memory>

#include "qms_ui.h"

namespace qms::ui {

// Anything an HWND, HBITMAP, HBRUSH, HDC or HMODULE can name.
class QMS_EXPORT UserObject {
public:
    virtual ~UserObject();
};

// Enters an object; the token has bit 31 set (kernel handles never do) and is never
// 0xFFFFFFFF. Returns 0 with ERROR_NO_SYSTEM_RESOURCES when the table is full.
std::uint32_t insertUserObject(std::shared_ptr<UserObject> object);
// Removes the object a handle names and returns it (null for a handle that names nothing).
std::shared_ptr<UserObject> removeUserObject(const void *handle);
// The object a handle names, or null. Accepts the token zero- or sign-extended.
QMS_EXPORT std::shared_ptr<UserObject> findUserObject(const void *handle);

template <class T>
std::shared_ptr<T> findUser(const void *handle)
{
    return std::dynamic_pointer_cast<T>(findUserObject(handle));
}

template <class H>
H handleFromToken(std::uint32_t token)
{
    return reinterpret_cast<H>(static_cast<std::uintptr_t>(token));
}

} // namespace qms::ui
