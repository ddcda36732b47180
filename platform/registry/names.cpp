#include "platform/registry/names.h"

#include "qms_text.h"

namespace qms::registry {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool wellFormed(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i])) {
            if (i + 1 >= text.size() || !isLowSurrogate(text[i + 1]))
                return false;
            ++i;
        } else if (isLowSurrogate(text[i])) {
            return false;
        }
    }
    return true;
}

// Length of a terminated wide string, scanning at most limit + 1 units so that a name far
// too long (or missing its terminator within reach) is refused without walking on.
size_t boundedLength(const WCHAR *text, size_t limit)
{
    size_t n = 0;
    while (n <= limit && text[n] != 0)
        ++n;
    return n;
}

} // namespace

char16_t foldChar(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return char16_t(c + 0x20);
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower case in neighbouring code points; the dotted and
        // dotless i and the long s have no partner of that kind and stay as they are.
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        if (c == 0x178)
            return 0xFF;
        bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool upper = oddUpper ? (c & 1) != 0 : (c & 1) == 0;
        return upper ? char16_t(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return char16_t(c + 0x20);
    if (c >= 0x410 && c <= 0x42F)
        return char16_t(c + 0x20);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 0x50);
    return c;
}

std::u16string foldName(std::u16string_view name)
{
    std::u16string folded(name);
    for (auto &c : folded)
        c = foldChar(c);
    return folded;
}

bool toUtf8(std::u16string_view text, std::string &out)
{
    return qms::Utf8Strict(text, out);
}

bool toUtf16(std::string_view text, std::u16string &out)
{
    return qms::Utf16Strict(text, out);
}

LONG splitKeyPath(std::u16string_view path, KeyPath &out)
{
    out.clear();
    if (path.size() > kMaxPathChars)
        return ERROR_FILENAME_EXCED_RANGE;
    if (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    if (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    if (path.empty())
        return ERROR_SUCCESS;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(u'\\', start);
        std::u16string_view part = path.substr(start, end == path.npos ? path.npos : end - start);
        if (part.empty() || !wellFormed(part))
            return ERROR_INVALID_PARAMETER;
        if (part.size() > QMS_REG_MAX_KEY_NAME || out.size() >= kMaxPathDepth)
            return ERROR_FILENAME_EXCED_RANGE;
        out.emplace_back(part);
        if (end == path.npos)
            return ERROR_SUCCESS;
        start = end + 1;
    }
}

LONG splitKeyPath(const WCHAR *path, KeyPath &out)
{
    out.clear();
    size_t n = path ? boundedLength(path, kMaxPathChars) : 0;
    if (n > kMaxPathChars)
        return ERROR_FILENAME_EXCED_RANGE;
    return splitKeyPath(std::u16string_view(path, n), out);
}

LONG readValueName(const WCHAR *name, std::u16string &out)
{
    size_t n = name ? boundedLength(name, QMS_REG_MAX_VALUE_NAME) : 0;
    if (n > QMS_REG_MAX_VALUE_NAME)
        return ERROR_FILENAME_EXCED_RANGE;
    out.assign(name ? name : u"", n);
    return wellFormed(out) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

} // namespace qms::registry
