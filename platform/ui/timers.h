// Timers of windows and of the toolkit's thread.
#pragma once

#include "qms_ui.h"

namespace qms::ui {

// Kills every timer of a window (it is being destroyed). Toolkit's thread.
void killWindowTimers(HWND hwnd);

} // namespace qms::ui
