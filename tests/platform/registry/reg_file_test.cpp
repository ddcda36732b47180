// Registry files: every form a template file uses, syntax errors that import nothing and
// name their line, and export that imports back to the same content.
#include <cstring>
#include <fstream>

#include "qms_regfile.h"
#include "tests/platform/registry/registry_fixture.h"

namespace qms::registry::test {
namespace {

class RegFile : public MemoryRegistry {
protected:
    int import(const std::string &text)
    {
        error_[0] = 0;
        return qms_reg_import_text(text.data(), text.size(), error_, sizeof error_);
    }

    static std::string exportText(const char *key = nullptr)
    {
        long n = qms_reg_export(key, nullptr, 0);
        if (n < 0)
            return "error " + std::to_string(-n);
        std::string text(size_t(n) + 1, '\0');
        EXPECT_EQ(qms_reg_export(key, text.data(), text.size()), n);
        text.resize(size_t(n));
        return text;
    }

    static std::vector<BYTE> query(const char16_t *path, const char16_t *name, DWORD &type)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) != ERROR_SUCCESS)
            return {0xDE, 0xAD};
        std::vector<BYTE> data(4096);
        DWORD size = DWORD(data.size());
        type = REG_NONE;
        LONG rc = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return {0xBE, 0xEF};
        data.resize(size);
        return data;
    }

    static bool keyExists(const char16_t *path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    char error_[256];
};

TEST_F(RegFile, ImportsEveryValueForm)
{
    const char *text = "\xEF\xBB\xBFREGEDIT4\r\n"
                       "\r\n"
                       "; a device template\r\n"
                       "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\USB6093_Class\\Template0]\r\n"
                       "\"BoardID\"=dword:000000c6\r\n"
                       "\"SwitchID\" = dword:5\r\n"
                       "\"Path\"=\"C:\\\\dir \\\"q\\\" \xC3\xBC\"\r\n"
                       "@=\"default\"\r\n"
                       "\"Blob\"=hex:01,02,\\\r\n"
                       "  03,ff\r\n"
                       "\"Empty\"=hex:\r\n"
                       "\"List\"=hex(7):41,00,42,43,00,00\r\n"
                       "\"Expand\"=hex(2):25,50,25,00\r\n"
                       "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n";
    ASSERT_EQ(import(text), ERROR_SUCCESS) << error_;
    const char16_t *key = u"Drivers\\USB\\ClientDrivers\\USB6093_Class\\Template0";
    DWORD type;
    EXPECT_EQ(query(key, u"BoardID", type), dwordBytes(198));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(query(key, u"SwitchID", type), dwordBytes(5));
    EXPECT_EQ(query(key, u"Path", type), stringBytes(u"C:\\dir \"q\" \u00FC"));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(query(key, nullptr, type), stringBytes(u"default"));
    EXPECT_EQ(query(key, u"Blob", type), (std::vector<BYTE>{1, 2, 3, 0xFF}));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(query(key, u"Empty", type), std::vector<BYTE>{});
    EXPECT_EQ(query(key, u"List", type), stringBytes(std::u16string(u"A\0BC\0", 5)));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(query(key, u"Expand", type), stringBytes(u"%P%"));
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(query(key, u"Quad", type), (std::vector<BYTE>{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(type, 11u);
}

TEST_F(RegFile, DeletesKeysAndValues)
{
    ASSERT_EQ(import("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=dword:1\n[HKLM\\A\\Keep]\n\"y\"=dword:2\n"
                     "\"z\"=dword:3\n"),
              ERROR_SUCCESS)
        << error_;
    ASSERT_EQ(import("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A\\B]\n[-HKEY_LOCAL_MACHINE\\Never\\There]\n"
                     "[hkey_local_machine\\a\\keep]\n\"Y\"=-\n\"missing\"=-\n"),
              ERROR_SUCCESS)
        << error_;
    EXPECT_FALSE(keyExists(u"A\\B"));
    EXPECT_TRUE(keyExists(u"A\\Keep"));
    DWORD type;
    EXPECT_EQ(query(u"A\\Keep", u"y", type), (std::vector<BYTE>{0xBE, 0xEF}));
    EXPECT_EQ(query(u"A\\Keep", u"z", type), dwordBytes(3));
}

TEST_F(RegFile, SyntaxErrorImportsNothingAndNamesTheLine)
{
    struct Case {
        const char *text;
        int line;
        const char *says;
    } cases[] = {
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=dword:1\n\"b\"dword:2\n", 4, "expected '='"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=dword:123456789\n", 3, "dword"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=dword:1\n\n\"b\"=\"open\n", 5, "quote"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=\"bad \\n escape\"\n", 3, "escape"},
        {"REGEDIT4\n\"a\"=dword:1\n[HKEY_LOCAL_MACHINE\\T]\n", 2, "key line"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=hex:01,02,\\\n  0g\n", 4, "byte"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=hex:01,\\\n", 3, "end of the file"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T\n", 2, "]"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\T]\n", 2, "HKEY_LOCAL_MACHINE"},
        {"[HKEY_LOCAL_MACHINE\\T]\n", 1, "REGEDIT4"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", 2, "cannot be deleted"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T\\\\U]\n", 2, "empty component"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=\"\xC3\x28\"\n", 3, "UTF-8"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=dword:1 trailing\n", 3, "dword"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=\"x\" y\n", 3, "after the closing quote"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\nstray text\n", 3, "expected"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\"a\"=hex(zz):00\n", 3, "hex(n)"},
        {"", 1, "REGEDIT4"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(import(c.text), ERROR_INVALID_DATA);
        std::string message = error_;
        EXPECT_EQ(message.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_FALSE(keyExists(u"T")) << "nothing of a bad file is imported";
    }
    // A NUL inside a name would leave the key or value where no registry call can reach it.
    using namespace std::string_literals;
    for (const auto &[text, what] :
         {std::pair{"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\n[HKEY_LOCAL_MACHINE\\T\\a\0b]\n"s, "key name"},
          std::pair{"REGEDIT4\n[HKEY_LOCAL_MACHINE\\T]\n\n\"a\0b\"=dword:1\n"s, "value name"}}) {
        EXPECT_EQ(import(text), ERROR_INVALID_DATA);
        const std::string message = error_;
        EXPECT_EQ(message.rfind("line 4: ", 0), 0u) << message;
        EXPECT_NE(message.find(std::string(what) + " holds a NUL"), std::string::npos) << message;
        EXPECT_FALSE(keyExists(u"T"));
    }
    std::string tooLong = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\n";
    EXPECT_EQ(import(tooLong), ERROR_INVALID_DATA);
    EXPECT_NE(std::string(error_).find("too long"), std::string::npos) << error_;
    EXPECT_EQ(qms_reg_import_text(nullptr, 0, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RegFile, ImportFileReportsAMissingFile)
{
    char error[256];
    EXPECT_EQ(qms_reg_import_file("/nonexistent/templates.reg", error, sizeof error), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(std::string(error).find("/nonexistent/templates.reg"), std::string::npos);
    EXPECT_EQ(qms_reg_import_file(nullptr, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RegFile, ExportImportsBackToTheSameContent)
{
    HKEY key = create(u"Round\\Trip \"quoted\" \\ name");
    ASSERT_EQ(setDword(key, u"BoardID", 0xC6), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Name \"with\" \\ chars", u"text \\ \"q\" \u00E9\u4E2D"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"", u"default"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Lines", u"two\r\nlines"), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Embedded", std::u16string(u"a\0b", 3)), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"Expand", u"%SystemRoot%", REG_EXPAND_SZ), ERROR_SUCCESS);
    std::vector<BYTE> longBlob(200);
    for (size_t i = 0; i < longBlob.size(); ++i)
        longBlob[i] = BYTE(i * 7);
    ASSERT_EQ(RegSetValueExW(key, u"Long", 0, REG_BINARY, longBlob.data(), DWORD(longBlob.size())), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"None", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
    const BYTE odd[] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExW(key, u"Odd type", 0, 0x1234, odd, 3), ERROR_SUCCESS);
    auto list = stringBytes(std::u16string(u"one\0two\0", 8));
    ASSERT_EQ(RegSetValueExW(key, u"List", 0, REG_MULTI_SZ, list.data(), DWORD(list.size())), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(create(u"Round\\Empty\\Child"));

    std::string first = exportText();
    EXPECT_EQ(first.rfind("REGEDIT4\n", 0), 0u);
    for (const auto &line : {"\"BoardID\"=dword:000000c6", "@=\"default\"", "\"Lines\"=hex(1):",
                             "\"Name \\\"with\\\" \\\\ chars\"="})
        EXPECT_NE(first.find(line), std::string::npos) << line << "\n" << first;

    closeStore(); // a fresh, empty registry
    EXPECT_EQ(exportText(), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n");
    ASSERT_EQ(import(first), ERROR_SUCCESS) << error_;
    EXPECT_EQ(exportText(), first);
    DWORD type;
    EXPECT_EQ(query(u"Round\\Trip \"quoted\" \\ name", u"Long", type), longBlob);
    EXPECT_EQ(query(u"Round\\Trip \"quoted\" \\ name", u"Embedded", type), stringBytes(std::u16string(u"a\0b", 3)));
    EXPECT_TRUE(keyExists(u"Round\\Empty\\Child"));
}

TEST_F(RegFile, TextThatIsNotWellFormedTravelsInTheUnicodeForm)
{
    HKEY key = create(u"Odd");
    const char16_t lone[] = {u'a', char16_t(0xDC00), 0};
    ASSERT_EQ(RegSetValueExW(key, u"Lone", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(lone), 6),
              ERROR_SUCCESS);
    RegCloseKey(key);
    std::string text = exportText("HKEY_LOCAL_MACHINE\\Odd");
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
    closeStore();
    ASSERT_EQ(import(text), ERROR_SUCCESS) << error_;
    DWORD type;
    auto bytes = query(u"Odd", u"Lone", type);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(bytes, (std::vector<BYTE>{'a', 0, 0x00, 0xDC, 0, 0}));
}

TEST_F(RegFile, ExportOfOneKeyAndShortBuffers)
{
    ASSERT_EQ(import("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=dword:1\n[HKEY_LOCAL_MACHINE\\Other]\n"),
              ERROR_SUCCESS);
    std::string expected = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=dword:00000001\n";
    EXPECT_EQ(exportText("HKEY_LOCAL_MACHINE\\a\\b"), expected);
    EXPECT_EQ(exportText("A\\B"), expected);
    EXPECT_EQ(exportText("HKLM\\A\\B"), expected);
    EXPECT_EQ(qms_reg_export("A\\Missing", nullptr, 0), -ERROR_FILE_NOT_FOUND);
    char small[9];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(qms_reg_export("A\\B", small, sizeof small), long(expected.size()));
    EXPECT_STREQ(small, "REGEDIT4");
}

} // namespace
} // namespace qms::registry::test
