#include "platform/ui/control_class.h"

#include <iterator>
#include <string_view>

namespace qms::ui {
namespace {

struct ClassRow {
    ControlClass control;
    WORD ordinal; // 0: named classes only
    const char16_t *name;
};

constexpr ClassRow classes[] = {
    {.control = ControlClass::Button, .ordinal = 0x80, .name = WC_BUTTONW},
    {.control = ControlClass::Edit, .ordinal = 0x81, .name = WC_EDITW},
    {.control = ControlClass::Static, .ordinal = 0x82, .name = WC_STATICW},
    {.control = ControlClass::ScrollBar, .ordinal = 0x84, .name = WC_SCROLLBARW},
    {.control = ControlClass::ComboBox, .ordinal = 0x85, .name = WC_COMBOBOXW},
    {.control = ControlClass::Trackbar, .ordinal = 0, .name = TRACKBAR_CLASSW},
    {.control = ControlClass::UpDown, .ordinal = 0, .name = UPDOWN_CLASSW},
    {.control = ControlClass::ListView, .ordinal = 0, .name = WC_LISTVIEWW},
    {.control = ControlClass::TabControl, .ordinal = 0, .name = WC_TABCONTROLW},
    {.control = ControlClass::TreeView, .ordinal = 0, .name = WC_TREEVIEWW},
};

char16_t folded(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<ControlClass> controlClassOf(const NameOrOrdinal &windowClass)
{
    for (const ClassRow &row : classes) {
        if (windowClass.isOrdinal ? row.ordinal != 0 && row.ordinal == windowClass.ordinal
                                  : sameName(windowClass.name, row.name))
            return row.control;
    }
    return std::nullopt;
}

const char16_t *controlClassName(ControlClass c)
{
    for (const ClassRow &row : classes) {
        if (row.control == c)
            return row.name;
    }
    return u"";
}

} // namespace qms::ui

// Every control class is built in; nothing to register.
extern "C" void InitCommonControls(void) {}

extern "C" BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *picce)
{
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
