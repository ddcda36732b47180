// Text handed out through a C buffer: UTF-8, cut at a character boundary so that what fits
// stays well-formed, and always terminated.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace qms::ext {

// Copies what fits of `text` into buf (size > 0) and terminates it.
inline void CopyText(std::string_view text, char *buf, size_t size)
{
    size_t n = text.size() < size ? text.size() : size - 1;
    // Never end on the lead or a continuation byte of a character that was cut.
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
}

} // namespace qms::ext
