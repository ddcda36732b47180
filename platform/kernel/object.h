// The platform's handle table: every HANDLE names a kernel object through a token, never a
// raw pointer, so a stale or doubly closed handle is recognised and refused.
#pragma once

#include <memory>

#include "qms_platform.h"

namespace qms::kernel {

// Anything a HANDLE can name: events, threads, open stream devices.
class QMS_EXPORT Object {
public:
    virtual ~Object();
    // Called once for each handle of the object that CloseHandle closes (a stream device
    // calls its driver's Close entry point here). Returns FALSE to make CloseHandle fail.
    virtual BOOL onHandleClosed();
};

// Enters an object into the table; the new handle is never 0 nor INVALID_HANDLE_VALUE.
// Returns 0 when the table is full.
QMS_EXPORT HANDLE insertObject(std::shared_ptr<Object> object);

// The object behind a live handle, or null. The caller's reference keeps the object alive
// even if another thread closes the handle meanwhile.
QMS_EXPORT std::shared_ptr<Object> lookupObject(HANDLE handle);

template <class T>
std::shared_ptr<T> lookup(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(lookupObject(handle));
}

// As lookup, but a handle that names no T also sets last error ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> lookupOrInvalid(HANDLE handle)
{
    std::shared_ptr<T> object = lookup<T>(handle);
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

} // namespace qms::kernel
