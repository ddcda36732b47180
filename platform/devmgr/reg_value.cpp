#include "platform/devmgr/reg_value.h"

#include <vector>

namespace qms::devmgr {

RegKey::~RegKey()
{
    close();
}

void RegKey::close()
{
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

LONG RegKey::open(std::u16string_view path)
{
    close();
    const std::u16string p(path);
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_ALL_ACCESS, &key_);
}

LONG RegKey::create(std::u16string_view path)
{
    close();
    const std::u16string p(path);
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &key_, nullptr);
}

std::optional<std::u16string> RegKey::readString(const char16_t *name) const
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::vector<WCHAR> text(size / sizeof(WCHAR) + 1, 0);
    size = static_cast<DWORD>(text.size() * sizeof(WCHAR));
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::u16string(text.data());
}

LONG RegKey::writeString(const char16_t *name, std::u16string_view text) const
{
    const std::u16string t(text);
    return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * sizeof(WCHAR)));
}

LONG RegKey::writeDword(const char16_t *name, DWORD value) const
{
    return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                          sizeof value);
}

LONG RegKey::writeBinary(const char16_t *name, const void *data, DWORD size) const
{
    return RegSetValueExW(key_, name, 0, REG_BINARY, static_cast<const BYTE *>(data), size);
}

bool RegKey::readExact(const char16_t *name, void *data, DWORD size) const
{
    DWORD type = 0, got = size;
    return RegQueryValueExW(key_, name, nullptr, &type, static_cast<LPBYTE>(data), &got) ==
               ERROR_SUCCESS &&
           got == size;
}

std::u16string RegKey::subkey(DWORD index, LONG *result) const
{
    WCHAR name[QMS_REG_MAX_KEY_NAME + 1];
    DWORD length = QMS_REG_MAX_KEY_NAME + 1;
    *result = RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    return *result == ERROR_SUCCESS ? std::u16string(name, length) : std::u16string();
}

bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

} // namespace qms::devmgr
