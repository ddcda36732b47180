// The application object the windows live in: the program's own, or one made on first use.
#pragma once

#include <string>

namespace qms::ui::qt {

bool startApplication(std::string *why);

} // namespace qms::ui::qt
