// The host's side of the plug-ins' windows: it does not know them, only that top-level windows
// are open. It runs the message loop while any is, and closes them for a screenshot.
#pragma once

#include <string>

namespace qms::cfghost {

bool AnyWindowOpen();
// Handles what is pending without waiting.
void HandlePending();
// Runs the message loop until every top-level window is closed.
void RunUntilAllClosed();
// Saves a picture of the first open window as a PNG file; false when there is none or the
// file cannot be written.
bool SaveScreenshot(const std::string &pngPath);
// Closes every top-level window as its close command does, destroying those that stay.
void CloseAll();

} // namespace qms::cfghost
