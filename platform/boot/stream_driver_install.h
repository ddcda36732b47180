// First start of a platform: the stream driver registers itself with the host stack.
#pragma once

namespace qms::boot {

// Installs the stream driver unless its client registration exists already. A missing
// library is reported on stderr once; the platform goes on without the driver.
void installStreamDriver();

} // namespace qms::boot
