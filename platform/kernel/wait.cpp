// WaitForSingleObject and WaitForMultipleObjects (wait-any) on events and threads.
//
// A wait holds its own reference on each object for its whole length, so another thread may
// close the handle meanwhile without harm: the wait goes on waiting on the object (it ends
// when the object is signalled through another handle, or at its time-out), as the original
// does.
#include <array>

#include "platform/kernel/guard.h"
#include "platform/kernel/waitable.h"

using qms::kernel::guarded;
using qms::kernel::lookupOrInvalid;
using qms::kernel::Waitable;

extern "C" {

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return guarded(WAIT_FAILED, [&]() -> DWORD {
        const std::shared_ptr<Waitable> object = lookupOrInvalid<Waitable>(hHandle);
        if (!object)
            return WAIT_FAILED;
        return Waitable::waitAny({&object, 1}, dwMilliseconds);
    });
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE *lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds)
{
    return guarded(WAIT_FAILED, [&]() -> DWORD {
        // Waiting for all objects at once is not offered, as on the original.
        if (!lpHandles || nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || bWaitAll) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        std::array<std::shared_ptr<Waitable>, MAXIMUM_WAIT_OBJECTS> objects;
        for (DWORD i = 0; i < nCount; ++i) {
            objects[i] = lookupOrInvalid<Waitable>(lpHandles[i]);
            if (!objects[i])
                return WAIT_FAILED;
        }
        return Waitable::waitAny({objects.data(), nCount}, dwMilliseconds);
    });
}

} // extern "C"
