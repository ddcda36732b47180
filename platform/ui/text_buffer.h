// Text handed back to callers the way the original does it: as much as fits in the buffer,
// always terminated, and the number of characters copied.
#pragma once

#include <algorithm>
#include <string_view>

#include "qms_ui.h"

namespace qms::ui {

inline int copyText(std::u16string_view text, LPWSTR buffer, long capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    const auto count = static_cast<std::size_t>(
        std::min<long>(capacity - 1, static_cast<long>(std::min<std::size_t>(text.size(), 0x7FFFFFFE))));
    std::copy_n(text.data(), count, buffer);
    buffer[count] = 0;
    return static_cast<int>(count);
}

inline std::u16string_view textOf(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

} // namespace qms::ui
