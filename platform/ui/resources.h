// Modules and their resources: each library (and the program) registers the tables qmsrc
// generated for it, keyed by the address the library is loaded at.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qms_ui.h"

namespace qms::ui {

// The program's own module handle.
HMODULE programModule();
// The module a handle names (NULL: the program); false with ERROR_INVALID_HANDLE.
bool moduleBase(HMODULE module, std::uintptr_t &base);
// The size of the registered resource whose data starts at `data`; false when `data` is not
// the start of any module's resource.
bool resourceExtent(const void *data, std::size_t &size);

} // namespace qms::ui
