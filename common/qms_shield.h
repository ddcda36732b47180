// The edge between C++ and a C caller: every exported function of the stack runs its body
// through Shield, so that no C++ exception crosses into a caller that cannot catch it. The
// call returns its failure value instead, after `onFault` has recorded why where the function
// has a way to say it (the platform's last error, the simulator's message).
//
// C++ only, and not installed: it is how the libraries are built, not part of what they offer.
#pragma once

#include <exception>
#include <new>
#include <system_error>
#include <utility>

namespace qms {

// What went wrong inside a shielded call.
enum class Fault {
    OutOfMemory,    // an allocation failed
    OutOfResources, // a thread, lock or other system resource could not be had
    Failure,        // anything else
};

namespace detail {
template <class OnFault>
void Report(OnFault &onFault, Fault fault, const char *what) noexcept
{
    try {
        onFault(fault, what);
    } catch (...) {
    }
}
} // namespace detail

// Runs body() and returns its result; when it throws, calls onFault(fault, what) while the
// exception is still alive (so `what` is valid for that call only) and returns `failure`.
// An onFault that throws in turn is ignored: the failure value still comes back.
template <class Result, class Body, class OnFault>
Result Shield(Result failure, Body &&body, OnFault &&onFault) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc &) {
        detail::Report(onFault, Fault::OutOfMemory, "out of memory");
    } catch (const std::system_error &e) {
        detail::Report(onFault, Fault::OutOfResources, e.what());
    } catch (const std::exception &e) {
        detail::Report(onFault, Fault::Failure, e.what());
    } catch (...) {
        detail::Report(onFault, Fault::Failure, "unexpected failure");
    }
    return failure;
}

// The same for a function that has nothing to record.
template <class Result, class Body>
Result Shield(Result failure, Body &&body) noexcept
{
    return Shield(failure, std::forward<Body>(body), [](Fault, const char *) {});
}

} // namespace qms
