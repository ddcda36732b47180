// Dialog templates in memory, in both standard binary forms, read into one description that
// the window system and its toolkit backend build the dialog from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qms_ui.h"

namespace qms::ui {

// A menu, class or title field: nothing, an ordinal, or a name.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::u16string name;

    bool empty() const { return !isOrdinal && name.empty(); }
};

struct DialogItem {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    // With DS_SETFONT: the font the dialog units are measured in.
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
};

// Reads a template of at most `size` bytes. Returns false with the reason (e.g. "item 3:
// title runs past the end of the template") for data that is not a well-formed template.
bool parseDialogTemplate(const void *data, std::size_t size, DialogTemplate &out,
                         std::string &why);

} // namespace qms::ui
