// The thread's own messages (hwnd NULL): WM_QUIT, thread timers, PostMessageW(NULL, ...).
#pragma once

#include "qms_ui.h"

namespace qms::ui {

void postThreadMessage(const MSG &msg);

} // namespace qms::ui
