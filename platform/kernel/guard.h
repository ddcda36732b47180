// Exported platform calls keep C++ exceptions inside: a failed allocation becomes
// ERROR_NOT_ENOUGH_MEMORY, anything else ERROR_GEN_FAILURE, and the call returns its
// failure value, as a C caller expects.
#pragma once

#include <new>
#include <system_error>
#include <utility>

#include "qms_platform.h"

namespace qms::kernel {

template <class R, class Body>
R guarded(R failure, Body &&body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::system_error &) {
        // Out of threads, locks or other system resources.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        SetLastError(ERROR_GEN_FAILURE);
    }
    return failure;
}

template <class Body>
void guarded(Body &&body) noexcept
{
    guarded(0, [&body] {
        std::forward<Body>(body)();
        return 0;
    });
}

} // namespace qms::kernel
