// The edge between C++ and a C caller: every exported function of the stack runs its body
// through Shield, so that no C++ exception crosses into a caller that cannot catch it. The
// call returns a failure value instead, after `onFault` has recorded why where the function
// has a way to say it (the platform's last error, the simulator's message), or has picked
// the failure value that fits the fault.
//
// C++ only, and not installed: it is how the libraries are built, not part of what they offer.
#pragma once

#include <exception>
#include <new>
#include <system_error>
#include <type_traits>
#include <utility>

namespace qms {

// What went wrong inside a shielded call.
enum class Fault {
    OutOfMemory,    // an allocation failed
    OutOfResources, // a thread, lock or other system resource could not be had
    Failure,        // anything else
};

namespace shield_detail {

// onFault's answer, or `failure` when it answers nothing (void) or throws in turn.
template <class Result, class OnFault>
Result Answer(Result failure, OnFault &onFault, Fault fault, const char *what) noexcept
{
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<OnFault &, Fault, const char *>>) {
            onFault(fault, what);
            return failure;
        } else {
            return static_cast<Result>(onFault(fault, what));
        }
    } catch (...) {
        return failure;
    }
}

} // namespace shield_detail

// Runs body() and returns its result. When it throws, calls onFault(fault, what) while the
// exception is still alive (`what` is valid for that call only) and returns what onFault
// returns, or `failure` when onFault returns nothing.
template <class Result, class Body, class OnFault>
Result Shield(Result failure, Body &&body, OnFault &&onFault) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc &) {
        return shield_detail::Answer(failure, onFault, Fault::OutOfMemory, "out of memory");
    } catch (const std::system_error &e) {
        return shield_detail::Answer(failure, onFault, Fault::OutOfResources, e.what());
    } catch (const std::exception &e) {
        return shield_detail::Answer(failure, onFault, Fault::Failure, e.what());
    } catch (...) {
        return shield_detail::Answer(failure, onFault, Fault::Failure, "unexpected failure");
    }
}

// The same for a function that has nothing to record: `failure` for every fault.
template <class Result, class Body>
Result Shield(Result failure, Body &&body) noexcept
{
    return Shield(failure, std::forward<Body>(body), [](Fault, const char *) {});
}

} // namespace qms
