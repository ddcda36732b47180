// UTF-16 <-> UTF-8 for C++ programs of the stack (the libraries, the tools) and applications,
// over the platform's MultiByteToWideChar and WideCharToMultiByte, which hold the one
// conversion and its policy: 8-bit text is UTF-8, and ill-formed input becomes U+FFFD
// (Utf16, Utf8) or is refused (the Strict forms). C++ only; link libqmsplatform.
#pragma once

#ifndef __cplusplus
#error "qms_text.h is for C++; C programs call MultiByteToWideChar and WideCharToMultiByte"
#endif

#include <climits>
#include <string>
#include <string_view>

#include "qms_platform.h"

namespace qms {

namespace text_detail {

// Converts a non-empty input whose length fits an int; false when the platform refuses it.
template <class Out, class In, class Call>
bool Convert(std::basic_string_view<In> in, std::basic_string<Out> &out, Call call)
{
    out.clear();
    if (in.empty())
        return true;
    if (in.size() > static_cast<size_t>(INT_MAX))
        return false;
    const int inLength = static_cast<int>(in.size());
    const int needed = call(in.data(), inLength, nullptr, 0);
    if (needed <= 0)
        return false;
    out.resize(static_cast<size_t>(needed));
    if (call(in.data(), inLength, out.data(), needed) == needed)
        return true;
    out.clear();
    return false;
}

inline bool ToUtf16(std::string_view in, std::u16string &out, DWORD flags)
{
    return Convert(in, out, [flags](const char *from, int length, char16_t *to, int size) {
        return MultiByteToWideChar(CP_UTF8, flags, from, length, to, size);
    });
}

inline bool ToUtf8(std::u16string_view in, std::string &out, DWORD flags)
{
    return Convert(in, out, [flags](const char16_t *from, int length, char *to, int size) {
        return WideCharToMultiByte(CP_UTF8, flags, from, length, to, size, nullptr, nullptr);
    });
}

} // namespace text_detail

// UTF-8 to UTF-16, every ill-formed subpart as U+FFFD.
inline std::u16string Utf16(std::string_view text)
{
    std::u16string out;
    text_detail::ToUtf16(text, out, 0);
    return out;
}

// UTF-16 to UTF-8, every unpaired surrogate as U+FFFD.
inline std::string Utf8(std::u16string_view text)
{
    std::string out;
    text_detail::ToUtf8(text, out, 0);
    return out;
}

// A NUL-terminated UTF-16 text of at most `limit` units (a fixed field), as UTF-8.
inline std::string Utf8(const char16_t *text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != 0)
        ++length;
    return Utf8(std::u16string_view(text, length));
}

// The strict forms: false for ill-formed input (out is then empty).
inline bool Utf16Strict(std::string_view text, std::u16string &out)
{
    return text_detail::ToUtf16(text, out, MB_ERR_INVALID_CHARS);
}

inline bool Utf8Strict(std::u16string_view text, std::string &out)
{
    return text_detail::ToUtf8(text, out, WC_ERR_INVALID_CHARS);
}

} // namespace qms
