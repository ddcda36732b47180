// Small helpers over the registry calls for the platform's own keys.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "qms_platform.h"

namespace qms::devmgr {

// An open key under HKEY_LOCAL_MACHINE, closed when it goes out of scope.
class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;

    LONG open(std::u16string_view path);
    LONG create(std::u16string_view path);
    HKEY get() const { return key_; }

    std::optional<std::u16string> readString(const char16_t *name) const;
    LONG writeString(const char16_t *name, std::u16string_view text) const;
    LONG writeDword(const char16_t *name, DWORD value) const;
    LONG writeBinary(const char16_t *name, const void *data, DWORD size) const;
    // Reads exactly `size` bytes of any type; false when missing or of another size.
    bool readExact(const char16_t *name, void *data, DWORD size) const;
    // Subkey names in enumeration order.
    std::u16string subkey(DWORD index, LONG *result) const;
    // Calls `visit` with the name of each subkey, in enumeration order; a name too long to
    // read is passed over, any other error ends the walk.
    template <class Visit>
    void forEachSubkey(Visit visit) const
    {
        LONG result = ERROR_SUCCESS;
        for (DWORD i = 0;; ++i) {
            const std::u16string name = subkey(i, &result);
            if (result == ERROR_SUCCESS)
                visit(name);
            else if (result != ERROR_MORE_DATA)
                return;
        }
    }

private:
    void close();
    HKEY key_ = nullptr;
};

// ASCII case-insensitive comparison, as the registry and device names compare.
bool sameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace qms::devmgr
