// A dialog as the script describes it, before it becomes a binary template.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qms::rc {

struct NameOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string name; // empty: nothing
};

struct ItemSpec {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
};

struct DialogSpec {
    bool extended = true; // DIALOGEX; false for DIALOG
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    bool hasFont = false;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 1;
    std::u16string typeface;
    std::vector<ItemSpec> items;
};

// The standard binary template: DLGTEMPLATEEX with DLGITEMTEMPLATEEX items for DIALOGEX,
// DLGTEMPLATE with DLGITEMTEMPLATE for DIALOG.
std::vector<unsigned char> writeDialog(const DialogSpec &dialog);

// A bitmap file's contents as a resource carries them: the packed DIB without the file
// header. Throws std::runtime_error with the reason for a file that is not a bitmap.
std::vector<unsigned char> packedDib(const std::vector<unsigned char> &file);

} // namespace qms::rc
