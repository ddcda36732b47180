// The names a script may use without defining them: the window system's style bits, standard
// IDs, languages, and the class names of the controls.
#pragma once

#include <string>

namespace qms::rc {

bool constantValue(const std::string &name, long long &value);
// WC_BUTTON, TRACKBAR_CLASS, ... -> "Button", "msctls_trackbar32", ...
bool classNameValue(const std::string &name, std::string &value);

} // namespace qms::rc
