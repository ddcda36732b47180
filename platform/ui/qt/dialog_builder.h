// From a dialog template to a dialog widget with its controls, placed in pixels of the
// template's font.
#pragma once

#include <string>

#include "platform/ui/backend.h"

namespace qms::ui::qt {

bool buildDialog(const DialogTemplate &tmpl, DialogCreation &creation, std::string *why);

} // namespace qms::ui::qt
