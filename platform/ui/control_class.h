// The control classes the window system knows, by template ordinal or class name.
#pragma once

#include <optional>

#include "platform/ui/dialog_template.h"

namespace qms::ui {

enum class ControlClass {
    Button,
    Edit,
    Static,
    ScrollBar,
    ComboBox,
    Trackbar,
    UpDown,
    ListView,
    TabControl,
    TreeView,
};

// Ordinals 0x80 (Button) to 0x85 (ComboBox) or a class name compared without regard to case;
// nothing for a class that is not there (ListBox among them).
std::optional<ControlClass> controlClassOf(const NameOrOrdinal &windowClass);

// The registered name ("Button", "SysListView32", ...).
const char16_t *controlClassName(ControlClass c);

} // namespace qms::ui
