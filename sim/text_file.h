// Files the simulated modules read and write: scenarios given as QMS_SIM=@path and the state
// files that keep a module's memory between processes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qms::sim {

// The most a scenario or state file may hold. Both are a few kilobytes; a path that reads on
// and on (/dev/zero, a pipe) is refused after this many bytes instead of filling the memory.
inline constexpr size_t kMaxSimFileBytes = 1 << 20;

// The whole text of a file of at most kMaxSimFileBytes; nullopt when it does not exist.
// Throws std::runtime_error naming the path when it cannot be read or is too large.
std::optional<std::string> readSimFile(const std::string &path);

// Replaces the file with `text`: written to a temporary file that is created new (never one
// that is already there, nor through a symbolic link), then renamed over the file. False
// when any step fails; the file then keeps its old content.
bool replaceSimFile(const std::string &path, const std::string &text);

} // namespace qms::sim
