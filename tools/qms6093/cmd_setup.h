// qms6093 setup: the library's device setting dialog on a device, for people (on a desktop,
// or over VNC) and for scripts (offscreen, with a picture of the filled dialog).
#pragma once

#include <functional>
#include <optional>

namespace CLI {
class App;
}

namespace qms::cli {

struct Output;

// Adds the "setup" subcommand to `app`. The function returned runs it when it was chosen on
// the command line (its exit status: the dialog's end code), and returns nothing otherwise.
std::function<std::optional<int>(const Output &)> AddSetupCommand(CLI::App &app);

} // namespace qms::cli
