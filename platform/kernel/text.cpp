// MultiByteToWideChar and WideCharToMultiByte: the stack's only conversion between UTF-16
// and 8-bit text, which is UTF-8 here whatever code page the caller names. Ill-formed input
// becomes U+FFFD, one per maximal ill-formed subpart, unless the caller asks to be refused.
#include <climits>
#include <cstring>
#include <string>
#include <type_traits>

#include "qms_platform.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The next code point of UTF-8 text at `at`, advancing `at` past it; an ill-formed subpart
// gives kReplacement and sets `bad`. The first continuation byte's range rules out overlong
// forms, surrogates and code points above U+10FFFF, so that a sequence that cannot become
// well-formed stops at the byte that spoils it and that byte starts the next attempt.
char32_t decodeNext(const unsigned char *text, size_t length, size_t &at, bool &bad)
{
    const unsigned char lead = text[at++];
    if (lead < 0x80)
        return lead;
    unsigned need = 0;
    unsigned char low = 0x80, high = 0xBF;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        bad = true;
        return kReplacement;
    }
    for (unsigned k = 0; k < need; ++k) {
        if (at >= length || text[at] < low || text[at] > high) {
            bad = true;
            return kReplacement;
        }
        cp = (cp << 6) | (text[at++] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return cp;
}

// The next code point of UTF-16 text; an unpaired surrogate gives kReplacement.
char32_t decodeNext(const WCHAR *text, size_t length, size_t &at, bool &bad)
{
    const char32_t unit = text[at++];
    if (isHighSurrogate(unit) && at < length && isLowSurrogate(text[at]))
        return 0x10000 + ((unit - 0xD800) << 10) + (text[at++] - 0xDC00);
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
        bad = true;
        return kReplacement;
    }
    return unit;
}

size_t encodeUtf16(char32_t cp, WCHAR *out)
{
    if (cp < 0x10000) {
        if (out)
            out[0] = static_cast<WCHAR>(cp);
        return 1;
    }
    if (out) {
        out[0] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
        out[1] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    return 2;
}

size_t encodeUtf8(char32_t cp, CHAR *out)
{
    unsigned char bytes[4];
    size_t n;
    if (cp < 0x80) {
        bytes[0] = static_cast<unsigned char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (out)
        std::memcpy(out, bytes, n);
    return n;
}

bool knownCodePage(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_UTF8;
}

// Both directions: measures first, so that a short output or refused input writes nothing,
// then converts. `Out` is WCHAR or CHAR, `In` the other.
template <class In, class Out, class Encode>
int convert(const In *input, int inputLength, Out *output, int outputSize, bool refuseInvalid,
            BOOL *usedReplacement, Encode encode)
{
    if (!input || inputLength == 0 || inputLength < -1 || outputSize < 0 ||
        (outputSize > 0 && !output)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = inputLength == -1 ? std::char_traits<In>::length(input) + 1
                                      : static_cast<size_t>(inputLength);
    using Unit = std::conditional_t<sizeof(In) == 1, unsigned char, In>;
    const auto *units = reinterpret_cast<const Unit *>(input);

    size_t needed = 0;
    bool bad = false;
    for (size_t at = 0; at < length;)
        needed += encode(decodeNext(units, length, at, bad), static_cast<Out *>(nullptr));
    if (bad && refuseInvalid) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (needed > static_cast<size_t>(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedReplacement)
        *usedReplacement = bad ? TRUE : FALSE;
    if (outputSize == 0)
        return static_cast<int>(needed);
    if (needed > static_cast<size_t>(outputSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    size_t written = 0;
    for (size_t at = 0; at < length;)
        written += encode(decodeNext(units, length, at, bad), output + written);
    return static_cast<int>(written);
}

} // namespace

extern "C" {

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!knownCodePage(CodePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return convert(lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar,
                   (dwFlags & MB_ERR_INVALID_CHARS) != 0, nullptr, encodeUtf16);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR, BOOL *lpUsedDefaultChar)
{
    if (!knownCodePage(CodePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return convert(lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte,
                   (dwFlags & WC_ERR_INVALID_CHARS) != 0, lpUsedDefaultChar, encodeUtf8);
}

} // extern "C"
