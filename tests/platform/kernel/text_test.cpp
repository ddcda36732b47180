// The one conversion between UTF-16 and 8-bit text: UTF-8 for every code page, one U+FFFD per
// ill-formed subpart (or a refusal when asked), the original's buffer and length rules.
#include <string>

#include <gtest/gtest.h>

#include "qms_platform.h"
#include "qms_text.h"

namespace {

std::u16string Wide(const std::string &bytes, DWORD flags = 0)
{
    const int needed = MultiByteToWideChar(CP_ACP, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(needed), u'\0');
    if (needed > 0) {
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), needed),
                  needed);
    }
    return out;
}

std::string Narrow(const std::u16string &units, BOOL *usedDefault = nullptr)
{
    const int needed = WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), nullptr, 0,
                                           nullptr, usedDefault);
    std::string out(static_cast<size_t>(needed), '\0');
    if (needed > 0) {
        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), out.data(), needed,
                                      nullptr, nullptr),
                  needed);
    }
    return out;
}

TEST(Text, WellFormedTextGoesBothWaysUnchanged)
{
    const std::string utf8 = "Ofen 2 \xC2\xB0" "C \xE2\x82\xAC \xF0\x9F\x94\xA5"; // degree, euro, an emoji
    const std::u16string utf16 = u"Ofen 2 \u00B0C \u20AC \U0001F525";
    EXPECT_EQ(Wide(utf8), utf16);
    EXPECT_EQ(Narrow(utf16), utf8);
    EXPECT_EQ(qms::Utf16(utf8), utf16);
    EXPECT_EQ(qms::Utf8(utf16), utf8);
}

TEST(Text, EachIllFormedSubpartOfUtf8BecomesOneReplacementCharacter)
{
    struct Case {
        std::string bytes;
        std::u16string units;
    };
    const Case cases[] = {
        {"a\x80" "b", u"a\uFFFDb"},                 // a lone continuation byte
        {"\xC3", u"\uFFFD"},                        // cut short at the end
        {"\xE2\x82" "x", u"\uFFFDx"},               // cut short before an ASCII byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},              // an overlong slash: C0 starts nothing
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},    // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xF0\x9F\x94" "A", u"\uFFFDA"},           // a four-byte form cut short
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"Lab\xE9", u"Lab\uFFFD"},                  // Latin-1 is not taken for UTF-8
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Wide(c.bytes), c.units);
    }
}

TEST(Text, UnpairedSurrogatesBecomeReplacementCharactersInUtf8)
{
    BOOL replaced = FALSE;
    EXPECT_EQ(Narrow(std::u16string(u"a") + char16_t(0xD800) + u"b", &replaced), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(replaced, TRUE);
    EXPECT_EQ(Narrow(std::u16string(1, char16_t(0xDC00)) + char16_t(0xD800)), "\xEF\xBF\xBD\xEF\xBF\xBD");
    Narrow(u"fine", &replaced);
    EXPECT_EQ(replaced, FALSE);
}

TEST(Text, TheStrictFormsRefuseIllFormedInputAndWriteNothing)
{
    char16_t out[8] = {u'x', u'x'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\x80", 2, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(out[0], u'x');
    const char16_t lone[] = {u'a', 0xDC01};
    char bytes[8] = {'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 2, bytes, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(bytes[0], 'x');

    std::u16string wide = u"kept?";
    EXPECT_FALSE(qms::Utf16Strict("\xC3", wide));
    EXPECT_TRUE(wide.empty());
    std::string narrow;
    EXPECT_FALSE(qms::Utf8Strict(std::u16string(1, char16_t(0xD800)), narrow));
    EXPECT_TRUE(qms::Utf16Strict("\xC3\xA9", wide));
    EXPECT_EQ(wide, u"\u00E9");
}

TEST(Text, LengthsAndBuffersFollowTheOriginalsRules)
{
    // -1: NUL-terminated, the terminator converted and counted.
    char16_t out[8] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab", -1, out, 8), 3);
    EXPECT_EQ(std::u16string(out), u"ab");
    // Embedded NULs of a counted text are characters like any other.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, out, 8), 3);
    EXPECT_EQ(out[2], u'b');

    // Too small an output writes nothing.
    char16_t two[2] = {u'x', u'x'};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, two, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(two[0], u'x');
    char one[1] = {'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", 1, one, 1, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(one[0], 'x');

    // Empty input, a null input, negative sizes and unknown code pages are refused.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 0, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, out, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", -2, out, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 1, out, 8), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, one, -1, nullptr, nullptr), 0);
    // Every code page the stack names is UTF-8.
    EXPECT_EQ(MultiByteToWideChar(CP_OEMCP, 0, "\xC3\xA9", 2, out, 8), 1);
    EXPECT_EQ(out[0], u'\u00E9');
}

TEST(Text, FixedFieldsEndAtTheirTerminatorOrTheirSize)
{
    const char16_t field[4] = {u'a', u'b', u'c', u'd'}; // no terminator within the field
    EXPECT_EQ(qms::Utf8(field, 4), "abcd");
    EXPECT_EQ(qms::Utf8(u"ab\0cd", 5), "ab");
    EXPECT_EQ(qms::Utf8(std::u16string_view()), "");
    EXPECT_EQ(qms::Utf16(""), u"");
}

} // namespace
