// The library's module handle, kept by DllMain: the dialogs load their templates and
// bitmaps from it.
#pragma once

#include "qms_platform.h"

namespace qms::api {

HANDLE LibraryModuleHandle();

} // namespace qms::api
