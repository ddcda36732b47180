// Interlocked operations: sequentially consistent atomics on a LONG. Overflow wraps around.
// A null target changes nothing and gives 0 with last error ERROR_INVALID_PARAMETER.
#include "qms_platform.h"

namespace {

bool validTarget(LONG volatile *target)
{
    if (target)
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

} // namespace

extern "C" {

LONG InterlockedIncrement(LONG volatile *lpAddend)
{
    return validTarget(lpAddend) ? __atomic_add_fetch(lpAddend, 1, __ATOMIC_SEQ_CST) : 0;
}

LONG InterlockedDecrement(LONG volatile *lpAddend)
{
    return validTarget(lpAddend) ? __atomic_sub_fetch(lpAddend, 1, __ATOMIC_SEQ_CST) : 0;
}

LONG InterlockedExchange(LONG volatile *Target, LONG Value)
{
    return validTarget(Target) ? __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST) : 0;
}

LONG InterlockedCompareExchange(LONG volatile *Destination, LONG Exchange, LONG Comperand)
{
    if (!validTarget(Destination))
        return 0;
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand; // the value found, whether or not it was replaced
}

} // extern "C"
