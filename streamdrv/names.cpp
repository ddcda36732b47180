#include "names.h"

#include <cstdio>
#include <string_view>

#include "qms_identity.h"
#include "qms_text.h"

namespace {

std::u16string ThreeDigits(DWORD number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(number));
    return qms::Utf16(digits);
}

} // namespace

std::u16string DeviceSubkeyPath(LPCWSTR parent, DWORD number)
{
    return std::u16string(parent) + u"\\" + QMS_REG_DEVICE_SUBKEY_PREFIX + ThreeDigits(number);
}

std::u16string RemovalEventName(DWORD number)
{
    return u"QMS_EVT_DEVREMOVED_" + ThreeDigits(number);
}

std::u16string DeviceNameText(DWORD switchId)
{
    char text[64];
    std::snprintf(text, sizeof text, "USB-6093 BoardID=%d", static_cast<int>(switchId));
    std::u16string wide = qms::Utf16(text);
    if (wide.size() > QMS_REG_DEVICE_NAME_MAX)
        wide.resize(QMS_REG_DEVICE_NAME_MAX);
    return wide;
}

bool ContainsText(const WCHAR *text, const WCHAR *part)
{
    return std::u16string_view(text).find(part) != std::u16string_view::npos;
}

DWORD LeadingNumber(const WCHAR *text)
{
    DWORD number = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text)
        number = number * 10 + static_cast<DWORD>(*text - u'0');
    return number;
}
