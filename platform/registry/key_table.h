// Open registry keys: an HKEY is a token from this table, never a pointer, so a closed or
// stale handle is recognised and refused. HKEY_LOCAL_MACHINE needs no opening.
#pragma once

#include "platform/registry/store.h"

namespace qms::registry {

// A new handle for the key; null when the table is full.
HKEY insertKey(KeyId key);
// The key behind a handle; false for an unknown, closed or stale handle and for the
// predefined roots other than HKEY_LOCAL_MACHINE, which this platform does not have.
bool lookupKey(HKEY handle, KeyId &key);
// Closes a handle; false when it was not open.
bool removeKey(HKEY handle);
// Invalidates every open handle (the store they refer to was closed).
void forgetOpenKeys();

} // namespace qms::registry
