// Delivery of a message to a window on the toolkit's thread: a dialog's procedure with the
// dialog manager's default processing behind it, or a control's class.
#pragma once

#include <memory>

#include "platform/ui/window.h"

namespace qms::ui {

// On the toolkit's thread only.
LRESULT deliver(const std::shared_ptr<Window> &window, UINT msg, WPARAM wParam, LPARAM lParam);

// The control of a dialog with that ID, or null.
std::shared_ptr<Window> dialogControl(const Window &dialog, int id);

} // namespace qms::ui
