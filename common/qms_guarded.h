// Exported calls that speak the platform's language keep C++ exceptions inside (the stack's
// one shield): a failed allocation, or a thread or lock the system would not give, becomes
// ERROR_NOT_ENOUGH_MEMORY, anything else ERROR_GEN_FAILURE, and the call returns its failure
// value, as a C caller expects. The platform's calls and the stream driver's entry points use
// it.
#pragma once

#include <utility>

#include "qms_platform.h"
#include "qms_shield.h"

namespace qms {

template <class R, class Body>
R guarded(R failure, Body &&body) noexcept
{
    return Shield(failure, std::forward<Body>(body), [](Fault fault, const char *) {
        SetLastError(fault == Fault::Failure ? ERROR_GEN_FAILURE : ERROR_NOT_ENOUGH_MEMORY);
    });
}

template <class Body>
void guarded(Body &&body) noexcept
{
    guarded(0, [&body] {
        std::forward<Body>(body)();
        return 0;
    });
}

} // namespace qms
