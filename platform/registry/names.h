// Key and value names: validation, case folding for comparison, and UTF-8 <-> UTF-16.
//
// Names compare case-insensitively as on the original. Folding maps upper case to lower case
// for ASCII, Latin-1, Latin Extended-A, basic Greek and basic Cyrillic; every other code unit
// compares exactly. The store keeps each name as given and its folded form beside it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "qms_platform.h"

namespace qms::registry {

// A key path below some key: one name per component, never empty components.
using KeyPath = std::vector<std::u16string>;

// Longest key path accepted in one call, in characters (the original's limit as well).
constexpr size_t kMaxPathChars = 32767;
// Deepest key path below HKEY_LOCAL_MACHINE.
constexpr size_t kMaxPathDepth = 512;
// Largest value data accepted, in bytes.
constexpr size_t kMaxValueData = 1u << 20;

char16_t foldChar(char16_t c);
std::u16string foldName(std::u16string_view name);

// Conversions; false on malformed input (invalid UTF-8, unpaired surrogates).
bool toUtf8(std::u16string_view text, std::string &out);
bool toUtf16(std::string_view text, std::u16string &out);

// Splits a backslash-separated key path. A null or empty path gives no component; one
// leading and one trailing backslash are tolerated. Returns ERROR_SUCCESS,
// ERROR_INVALID_PARAMETER (empty component between two backslashes, unpaired surrogate) or
// ERROR_FILENAME_EXCED_RANGE (a component above QMS_REG_MAX_KEY_NAME characters, a path
// above kMaxPathChars or kMaxPathDepth).
LONG splitKeyPath(const WCHAR *path, KeyPath &out);
LONG splitKeyPath(std::u16string_view path, KeyPath &out);

// Copies a value name; null means the default value (""). Returns ERROR_SUCCESS,
// ERROR_INVALID_PARAMETER or ERROR_FILENAME_EXCED_RANGE (above QMS_REG_MAX_VALUE_NAME).
LONG readValueName(const WCHAR *name, std::u16string &out);

} // namespace qms::registry
