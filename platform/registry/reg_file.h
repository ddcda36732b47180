/*
 * Registry files in the REGEDIT4 text format, the way device templates are installed:
 *
 *   REGEDIT4
 *   ; comment
 *   [HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USB6093_Class\Template0]
 *   "BoardID"=dword:000000c6
 *   "Name"="text with \\ and \" escaped"
 *   @="the default value"
 *   "Blob"=hex:01,02,\
 *     03
 *   "List"=hex(7):41,00,42,00,00
 *   "Gone"=-
 *   [-HKEY_LOCAL_MACHINE\Key\To\Delete]
 *
 * The file is UTF-8 (a byte-order mark is skipped). Under the REGEDIT4 header hex(1), hex(2)
 * and hex(7) hold 8-bit text, here UTF-8, which becomes UTF-16; under the header "Windows
 * Registry Editor Version 5.00" they hold the UTF-16LE bytes themselves. Other hex(n) data
 * is taken byte for byte.
 */
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/store.h"

namespace qms::registry {

// Parses the whole text into edits. On a syntax error returns false and a message that
// starts with the line number ("line 7: ..."); the edits are then incomplete and must not
// be applied.
bool parseRegFile(std::string_view text, std::vector<Edit> &edits, std::string &error);

// REGEDIT4 text of a subtree (from readTree) that parses back to the same keys and values.
std::string renderRegFile(const std::vector<KeyRecord> &keys);

} // namespace qms::registry
