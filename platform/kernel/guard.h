// The platform's exported calls run their bodies through qms::guarded (qms_guarded.h).
#pragma once

#include "qms_guarded.h"

namespace qms::kernel {

using qms::guarded;

} // namespace qms::kernel
