// The registry functions as the driver and the API library use them: types and sizes,
// enumeration, case-insensitive names, deleted keys, and refusal of bad input.
#include <cstring>
#include <string>

#include "tests/platform/registry/registry_fixture.h"

namespace qms::registry::test {
namespace {

using RegistryValues = MemoryRegistry;

TEST_F(RegistryValues, TypeAndSizeComeBackExactly)
{
    HKEY key = create(u"Test\\Types");
    const BYTE binary[] = {0, 1, 2, 0xFF, 0x80};
    auto multi = std::u16string(u"one\0two\0\0", 9);
    std::vector<BYTE> multiBytes;
    for (char16_t c : multi) {
        multiBytes.push_back(BYTE(c));
        multiBytes.push_back(BYTE(c >> 8));
    }
    ASSERT_EQ(setDword(key, u"Dword", 0xC6), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Text", u"Qms6093S.dll"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Expand", u"%PATH%", REG_EXPAND_SZ), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Binary", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Multi", 0, REG_MULTI_SZ, multiBytes.data(), DWORD(multiBytes.size())),
              ERROR_SUCCESS);

    struct Expect {
        const char16_t *name;
        DWORD type;
        std::vector<BYTE> bytes;
    } expected[] = {
        {u"Dword", REG_DWORD, dwordBytes(0xC6)},
        {u"Text", REG_SZ, stringBytes(u"Qms6093S.dll")},
        {u"Expand", REG_EXPAND_SZ, stringBytes(u"%PATH%")},
        {u"Binary", REG_BINARY, std::vector<BYTE>(binary, binary + sizeof binary)},
        {u"Empty", REG_BINARY, {}},
        {u"Multi", REG_MULTI_SZ, multiBytes},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(std::string(e.name, e.name + std::char_traits<char16_t>::length(e.name)));
        DWORD type = 0, size = 0;
        // A null buffer asks for the size.
        ASSERT_EQ(RegQueryValueExW(key, e.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, e.type);
        EXPECT_EQ(size, e.bytes.size());
        std::vector<BYTE> buffer(size + 8, 0xAA);
        size = DWORD(buffer.size());
        type = 0;
        ASSERT_EQ(RegQueryValueExW(key, e.name, nullptr, &type, buffer.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, e.type);
        ASSERT_EQ(size, e.bytes.size());
        EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), e.bytes);
        EXPECT_EQ(buffer[size], 0xAA) << "nothing written past the value";
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryValues, NineCharacterStringFitsTwentyBytesAndTenDoNot)
{
    HKEY key = create(u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device000");
    ASSERT_EQ(setString(key, u"CallName", u"U93123456"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Long", u"U931234567"), ERROR_SUCCESS);

    WCHAR name[10];
    DWORD size = 20, type = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"CallName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(std::u16string(name), u"U93123456");

    size = 20;
    EXPECT_EQ(RegQueryValueExW(key, u"Long", nullptr, &type, reinterpret_cast<BYTE *>(name), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 22u) << "a short buffer reports the size needed";
    RegCloseKey(key);
}

TEST_F(RegistryValues, StringsAreStoredTerminated)
{
    HKEY key = create(u"Test");
    const char16_t text[] = u"abc";
    ASSERT_EQ(RegSetValueExW(key, u"NoTerminator", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), 6),
              ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"NoTerminator", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegSetValueExW(key, u"Odd", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), 5),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryValues, DwordMustBeFourBytes)
{
    HKEY key = create(u"Test");
    const BYTE bytes[8] = {};
    EXPECT_EQ(RegSetValueExW(key, u"Short", 0, REG_DWORD, bytes, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, u"Long", 0, REG_DWORD, bytes, 8), ERROR_INVALID_PARAMETER);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Short", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryValues, OverwriteChangesTypeAndKeepsPlace)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(setDword(key, u"First", 1), ERROR_SUCCESS);
    ASSERT_EQ(setDword(key, u"Second", 2), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"FIRST", u"now text"), ERROR_SUCCESS);

    WCHAR name[32];
    DWORD cch = 32, type = 0;
    ASSERT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"First") << "the name keeps the case it was created with";
    EXPECT_EQ(type, REG_SZ);
    cch = 32;
    ASSERT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Second");
    cch = 32;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryValues, DefaultValueAndDeletion)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(setString(key, nullptr, u"default"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(RegDeleteValueW(key, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key, u"Missing"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

using RegistryKeys = MemoryRegistry;

TEST_F(RegistryKeys, CreateMakesParentsAndReportsDisposition)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\B\\C", 0, nullptr, 0, 0, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\B\\C", 0, nullptr, 0, 0, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A\\B", 0, 0, &key), ERROR_SUCCESS);
    HKEY child = nullptr;
    EXPECT_EQ(RegOpenKeyExW(key, u"C", 0, 0, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    EXPECT_EQ(RegOpenKeyExW(key, u"D", 0, 0, &child), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(child, nullptr);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, RootAndEmptySubkeyOpenTheKeyItself)
{
    HKEY key = create(u"Root\\Child");
    ASSERT_EQ(setDword(key, u"V", 7), ERROR_SUCCESS);
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(key, nullptr, 0, 0, &again), ERROR_SUCCESS);
    EXPECT_NE(again, key) << "a new handle to the same key";
    EXPECT_EQ(getDword(again, u"V"), 7u);
    RegCloseKey(again);
    ASSERT_EQ(RegOpenKeyExW(key, u"", 0, 0, &again), ERROR_SUCCESS);
    RegCloseKey(again);
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, 0, &root), ERROR_SUCCESS);
    HKEY viaRoot = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, u"Root\\Child", 0, 0, &viaRoot), ERROR_SUCCESS);
    RegCloseKey(viaRoot);
    RegCloseKey(root);
    RegCloseKey(key);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, EnumerationVisitsEverySubkeyOnceInCreationOrder)
{
    HKEY parent = create(u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ");
    const std::u16string names[] = {u"Device003", u"Device000", u"Zeta", u"Device001", u"alpha"};
    for (const auto &n : names)
        RegCloseKey(create((u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ\\" + n).c_str()));
    HKEY grandchild = create(u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ\\Zeta\\Inner");
    RegCloseKey(grandchild);

    auto list = [&] {
        std::vector<std::u16string> seen;
        for (DWORD i = 0;; ++i) {
            WCHAR name[32];
            DWORD cch = 32;
            LONG rc = RegEnumKeyExW(parent, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            EXPECT_EQ(rc, ERROR_SUCCESS);
            EXPECT_EQ(cch, std::char_traits<char16_t>::length(name)) << "count without the terminator";
            seen.push_back(name);
            if (i > 10)
                break;
        }
        return seen;
    };
    EXPECT_EQ(list(), std::vector<std::u16string>(std::begin(names), std::end(names)));
    EXPECT_EQ(list(), list()) << "the order is stable";

    ASSERT_EQ(RegDeleteKeyW(parent, u"Zeta"), ERROR_SUCCESS);
    EXPECT_EQ(list(), (std::vector<std::u16string>{u"Device003", u"Device000", u"Device001", u"alpha"}));

    WCHAR exact[10];
    DWORD cch = 9;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, exact, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA)
        << "nine characters need room for the terminator too";
    EXPECT_EQ(cch, 9u) << "a short buffer tells the length needed";
    cch = 10;
    EXPECT_EQ(RegEnumKeyExW(parent, 0, exact, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(exact), u"Device003");
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, EnumValueReportsNameTypeAndData)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(setDword(key, u"BoardID", 198), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"CallName", u"U931:"), ERROR_SUCCESS);
    WCHAR name[16];
    DWORD cch = 16, type = 0, size = 2;
    BYTE data[16];
    EXPECT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u);
    cch = 16;
    size = sizeof data;
    ASSERT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"CallName");
    EXPECT_EQ(cch, 8u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::vector<BYTE>(data, data + size), stringBytes(u"U931:"));
    cch = 3;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, NamesCompareCaseInsensitively)
{
    HKEY key = create(u"Drivers\\USB\\ClientDrivers\\USB6093_Class");
    ASSERT_EQ(setDword(key, u"BoardID", 198), ERROR_SUCCESS);
    RegCloseKey(key);

    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"DRIVERS\\usb\\clientdrivers\\usb6093_CLASS", 0, nullptr, 0,
                              0, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(getDword(key, u"boardid"), 198u);
    RegCloseKey(key);

    // Latin-1, Latin Extended-A, Greek and Cyrillic letters fold as well.
    key = create(u"Gr\u00D6\u00DFe\\\u0141\u00F3d\u017A\\\u03A3\u0418");
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"gr\u00F6\u00DFE\\\u0142\u00D3D\u0179\\\u03C3\u0438", 0, 0, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);

    // The enumeration gives the names as created.
    WCHAR name[32];
    DWORD cch = 32;
    ASSERT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Drivers");
}

TEST_F(RegistryKeys, DeleteRemovesTheWholeSubtree)
{
    HKEY deep = create(u"Tree\\A\\B\\C");
    ASSERT_EQ(setDword(deep, u"V", 1), ERROR_SUCCESS);
    HKEY sibling = create(u"Tree\\Keep");
    ASSERT_EQ(setDword(sibling, u"V", 2), ERROR_SUCCESS);

    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Tree\\A"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Tree\\A", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Tree\\A\\B\\C", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(getDword(sibling, u"V"), 2u);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Tree\\A"), ERROR_FILE_NOT_FOUND);

    // A handle to a deleted key reports so, and a new key of the same name is another key.
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(deep, u"V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(setDword(deep, u"V", 3), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExW(deep, u"", 0, 0, &key), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExW(deep, u"X", 0, 0, &key), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExW(deep, u"X", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_KEY_DELETED);
    WCHAR name[8];
    DWORD cch = 8;
    EXPECT_EQ(RegEnumKeyExW(deep, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueW(deep, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    RegCloseKey(create(u"Tree\\A\\B\\C"));
    EXPECT_EQ(RegQueryValueExW(deep, u"V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep), ERROR_SUCCESS);

    // Deleting through a handle's empty subkey removes that key; the root stays.
    ASSERT_EQ(RegDeleteKeyW(sibling, u""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(sibling, u"V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(sibling);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
}

using RegistryBadInput = MemoryRegistry;

TEST_F(RegistryBadInput, NullPointersAreRefused)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(setDword(key, u"V", 1), ERROR_SUCCESS);
    DWORD v = 0, size = 4;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    HKEY out = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, nullptr, 0, 0, nullptr, &out, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, reinterpret_cast<BYTE *>(&v), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key, u"V", &size, nullptr, reinterpret_cast<BYTE *>(&v), &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
        << "asking only whether the value exists";
    EXPECT_EQ(RegSetValueExW(key, u"V", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExW(key, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    WCHAR name[4];
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueW(key, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(key, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(getDword(key, u"V"), 1u);
    RegCloseKey(key);
}

TEST_F(RegistryBadInput, UnknownStaleAndForeignHandlesAreRefused)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "closed twice";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    HKEY bogus[] = {nullptr, reinterpret_cast<HKEY>(uintptr_t(0x7654321)), HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,
                    reinterpret_cast<HKEY>(&size)};
    for (HKEY h : bogus) {
        HKEY out = nullptr;
        EXPECT_EQ(RegOpenKeyExW(h, u"Test", 0, 0, &out), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCreateKeyExW(h, u"Test", 0, nullptr, 0, 0, nullptr, &out, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueExW(h, u"V", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(setDword(h, u"V", 1), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueW(h, u"V"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(h, u"Test"), ERROR_INVALID_HANDLE);
        WCHAR name[8];
        DWORD cch = 8;
        EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumValueW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(uintptr_t(0x7654321))), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryBadInput, OversizedAndMalformedNamesAreRefused)
{
    std::u16string longest(QMS_REG_MAX_KEY_NAME, u'k');
    std::u16string tooLong(QMS_REG_MAX_KEY_NAME + 1, u'k');
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, longest.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, tooLong.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (u"A\\" + tooLong).c_str(), 0, 0, &key), ERROR_FILENAME_EXCED_RANGE);
    std::u16string hugePath(200000, u'a');
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, hugePath.c_str(), 0, 0, &key), ERROR_FILENAME_EXCED_RANGE);
    std::u16string deep;
    for (int i = 0; i < 600; ++i)
        deep += u"d\\";
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, deep.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\\\B", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    const char16_t loneSurrogate[] = {u'A', char16_t(0xD800), 0};
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, loneSurrogate, 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);

    key = create(u"Values");
    std::u16string longestValue(QMS_REG_MAX_VALUE_NAME, u'v');
    std::u16string tooLongValue(QMS_REG_MAX_VALUE_NAME + 1, u'v');
    EXPECT_EQ(setDword(key, longestValue.c_str(), 1), ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, longestValue.c_str()), 1u);
    EXPECT_EQ(setDword(key, tooLongValue.c_str(), 1), ERROR_FILENAME_EXCED_RANGE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, tooLongValue.c_str(), nullptr, nullptr, nullptr, &size),
              ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(RegDeleteValueW(key, tooLongValue.c_str()), ERROR_FILENAME_EXCED_RANGE);
    std::vector<BYTE> huge((2u << 20), 0);
    EXPECT_EQ(RegSetValueExW(key, u"Huge", 0, REG_BINARY, huge.data(), DWORD(huge.size())),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(RegistryBadInput, ClosingTheStoreInvalidatesHandlesAndEmptiesMemory)
{
    HKEY key = create(u"Test");
    ASSERT_EQ(setDword(key, u"V", 1), ERROR_SUCCESS);
    closeStore();
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, 0, &key), ERROR_FILE_NOT_FOUND);
}

} // namespace
} // namespace qms::registry::test
