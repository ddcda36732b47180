// Threads created through CreateThread, and thread identities.
#pragma once

#include "qms_platform.h"

namespace qms::kernel {

// The calling thread's id: the id CreateThread reported for it, or a fresh one for a thread
// the platform did not start. Ids are never 0 and are not reused while the process runs
// (short of 2^32 threads).
DWORD currentThreadId() noexcept;

} // namespace qms::kernel
