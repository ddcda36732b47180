// qmsrc, the resource-script compiler: scripts become the binary templates the window system
// reads (checked by reading them back with the window system's own reader), and a script
// with a mistake is refused with its file and line.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/ui/dialog_template.h"
#include "tools/qmsrc/compiler.h"
#include "tools/qmsrc/dialog_spec.h"

namespace qms::rc {
namespace {

ui::DialogTemplate readBack(const Resource &resource)
{
    ui::DialogTemplate t;
    std::string why;
    EXPECT_TRUE(ui::parseDialogTemplate(resource.data.data(), resource.data.size(), t, why)) << why;
    return t;
}

Compilation compile(const std::string &text)
{
    return compileText(text, "test.rc", ".");
}

std::string errorOf(const std::string &text)
{
    try {
        compile(text);
    } catch (const CompileError &e) {
        return e.what();
    }
    return "(compiled)";
}

const char *const deviceSetting = R"(
#define IDD_SETTING 103
#define IDC_BOARDID 1005
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
IDD_SETTING DIALOGEX 0, 0, 282, 254
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_SYSMENU
EXSTYLE WS_EX_TOOLWINDOW
CAPTION "USB-6093 Device Setting"
FONT 8, "Microsoft Sans Serif", 400, 0, 0x1
BEGIN
    DEFPUSHBUTTON   "&OK", IDOK, 7, 233, 50, 14
    LTEXT           "Board ID :", IDC_STATIC, 14, 20, 40, 8
    COMBOBOX        IDC_BOARDID, 58, 18, 48, 200, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP
    EDITTEXT        1007, 60, 40, 120, 12, ES_AUTOHSCROLL | ES_READONLY | NOT WS_BORDER
    CONTROL         "", 1067, "msctls_trackbar32", TBS_AUTOTICKS | TBS_BOTH | WS_TABSTOP, 7, 20, 200, 15
    CONTROL         150, IDC_STATIC, "Static", SS_BITMAP, 5, 5, 0, 0
    PUSHBUTTON      "Hidden", 1124, 100, 233, 50, 14, NOT WS_VISIBLE | WS_DISABLED, WS_EX_STATICEDGE, 77
END
)";

TEST(ResourceCompiler, DialogexBecomesTheExtendedTemplate)
{
    const Compilation c = compile(deviceSetting);
    ASSERT_EQ(c.resources.size(), 1u);
    const Resource &r = c.resources[0];
    EXPECT_EQ(r.type, 5);
    EXPECT_EQ(r.id, 103);
    EXPECT_EQ(r.language, 1033);
    const ui::DialogTemplate t = readBack(r);
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(t.title, u"USB-6093 Device Setting");
    EXPECT_EQ(t.cx, 282);
    EXPECT_EQ(t.cy, 254);
    // CAPTION adds the caption style.
    EXPECT_EQ(t.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_SYSMENU | WS_CAPTION));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW));
    ASSERT_TRUE(t.hasFont);
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.weight, 400);
    EXPECT_EQ(t.charset, 1);
    EXPECT_EQ(t.typeface, u"Microsoft Sans Serif");
    ASSERT_EQ(t.items.size(), 7u);

    const ui::DialogItem &ok = t.items[0];
    EXPECT_TRUE(ok.windowClass.isOrdinal);
    EXPECT_EQ(ok.windowClass.ordinal, 0x80);
    EXPECT_EQ(ok.id, static_cast<DWORD>(IDOK));
    EXPECT_EQ(ok.title.name, u"&OK");
    EXPECT_EQ(ok.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON));
    EXPECT_EQ(ok.x, 7);
    EXPECT_EQ(ok.cy, 14);

    EXPECT_EQ(t.items[1].windowClass.ordinal, 0x82);
    EXPECT_EQ(t.items[1].id, 0xFFFFFFFFu) << "IDC_STATIC";
    EXPECT_EQ(t.items[1].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT));
    EXPECT_EQ(t.items[2].windowClass.ordinal, 0x85);
    EXPECT_EQ(t.items[2].id, 1005u);
    EXPECT_EQ(t.items[2].style,
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL));
    // NOT takes a default away.
    EXPECT_EQ(t.items[3].style,
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY));
    EXPECT_FALSE(t.items[4].windowClass.isOrdinal);
    EXPECT_EQ(t.items[4].windowClass.name, u"msctls_trackbar32");
    EXPECT_EQ(t.items[4].style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS | TBS_BOTH));
    // A number as the text names a picture.
    EXPECT_TRUE(t.items[5].title.isOrdinal);
    EXPECT_EQ(t.items[5].title.ordinal, 150);
    EXPECT_EQ(t.items[5].windowClass.ordinal, 0x82);
    EXPECT_EQ(t.items[6].style, static_cast<DWORD>(WS_CHILD | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON));
    EXPECT_EQ(t.items[6].exStyle, static_cast<DWORD>(WS_EX_STATICEDGE));
    EXPECT_EQ(t.items[6].helpId, 77u);
}

TEST(ResourceCompiler, DialogBecomesTheClassicTemplate)
{
    const Compilation c = compile(R"(
5 DIALOG 10, 20, 100, 40
CAPTION "Classic"
BEGIN
    PUSHBUTTON "Press", IDOK, 25, 20, 50, 14
    LTEXT "x", -1, 1, 1, 5, 5
END)");
    const ui::DialogTemplate t = readBack(c.resources.at(0));
    EXPECT_FALSE(t.extended);
    EXPECT_FALSE(t.hasFont);
    // No STYLE: a bordered popup with a system menu, and the caption.
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION));
    EXPECT_EQ(t.x, 10);
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].id, 1u);
    EXPECT_EQ(t.items[1].id, 0xFFFFu) << "a classic item ID is a WORD";
    EXPECT_EQ(errorOf("5 DIALOG 0,0,1,1\nBEGIN\nLTEXT \"x\", 70000, 1, 1, 5, 5\nEND"),
              "test.rc:3: control ID 70000 does not fit a DIALOG template");
}

TEST(ResourceCompiler, HeadersDefinesAndConditionsAreFollowed)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qmsrc_test_includes";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "resource.h") << "#define IDD_ONE 11\n#define IDC_NAME 1001 // comment\n"
                                            "#define TWICE (IDC_NAME + 1)\n#ifdef APSTUDIO_INVOKED\n#error no\n#endif\n";
    std::ofstream(folder / "dialog.rc") << "#include \"resource.h\"\n#include <windows.h>\n"
                                           "#if defined(IDD_ONE) && IDD_ONE == 11\n"
                                           "IDD_ONE DIALOGEX 0, 0, 10, 10\n#else\nbroken\n#endif\n"
                                           "/* a block\n comment */ BEGIN\n"
                                           "  EDITTEXT TWICE, 1, 1, 5, 5\nEND\n";
    const Compilation c = compileFile((folder / "dialog.rc").string());
    ASSERT_EQ(c.resources.size(), 1u);
    EXPECT_EQ(c.resources[0].id, 11);
    EXPECT_EQ(readBack(c.resources[0]).items.at(0).id, 1002u);
    ASSERT_EQ(c.dependencies.size(), 1u);
    EXPECT_NE(c.dependencies[0].find("resource.h"), std::string::npos);
    std::filesystem::remove_all(folder);
}

TEST(ResourceCompiler, MistakesAreReportedWithFileAndLine)
{
    EXPECT_EQ(errorOf("1 DIALOGEX 0, 0, 10, 10\nSTYLE WS_POPUP | WS_NOSUCH\nBEGIN\nEND"),
              "test.rc:2: unknown name WS_NOSUCH");
    EXPECT_EQ(errorOf("1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 1, 1, 5, 5\n"),
              "test.rc:4: dialog without END");
    EXPECT_EQ(errorOf("1 DIALOGEX 0, 0, 10\nBEGIN\nEND"), "test.rc:2: expected ',' after the width");
    EXPECT_EQ(errorOf("1 MENU\nBEGIN\nEND"), "test.rc:1: MENU resources are not supported");
    EXPECT_EQ(errorOf("1 DIALOGEX 0,0,1,1\nBEGIN\n  SLIDER 1, 1, 1, 1, 1\nEND"),
              "test.rc:3: SLIDER is not a control statement this compiler knows");
    EXPECT_EQ(errorOf("1 DIALOGEX 0,0,1,1\nCAPTION \"open\nBEGIN\nEND"), "test.rc:2: string without its closing quote");
    EXPECT_EQ(errorOf("1 DIALOGEX 0,0,99999,1\nBEGIN\nEND"), "test.rc:1: coordinate 99999 out of range");
    EXPECT_EQ(errorOf("#if 1\n1 DIALOGEX 0,0,1,1\nBEGIN\nEND\n"), "test.rc:4: #if without #endif");
    EXPECT_EQ(errorOf("#define A B\n#define B A\n1 DIALOGEX 0,0,A,1\nBEGIN\nEND"),
              "test.rc:3: #define of B refers to itself");
    const std::string missing = errorOf("2 BITMAP \"no_such_file.bmp\"");
    EXPECT_EQ(missing.rfind("test.rc:1: cannot read bitmap file", 0), 0u) << missing;
}

std::vector<unsigned char> bmpFile(std::uint32_t gap)
{
    // 2 x 1, 24 bits: one row of 8 bytes (two pixels and padding), with `gap` bytes between
    // the header and the rows.
    std::vector<unsigned char> f(14 + 40 + gap + 8, 0);
    f[0] = 'B';
    f[1] = 'M';
    const std::uint32_t off = 14 + 40 + gap;
    f[10] = static_cast<unsigned char>(off);
    f[14] = 40;
    f[18] = 2;    // width
    f[22] = 1;    // height
    f[26] = 1;    // planes
    f[28] = 24;   // bits
    for (int i = 0; i < 6; ++i)
        f[off + i] = static_cast<unsigned char>(0x10 + i);
    return f;
}

TEST(ResourceCompiler, BitmapFilesArePackedIntoDibs)
{
    const std::vector<unsigned char> dib = packedDib(bmpFile(6));
    ASSERT_EQ(dib.size(), 40u + 8u) << "header and rows, without the file header or the gap";
    EXPECT_EQ(dib[0], 40);
    EXPECT_EQ(dib[40], 0x10);
    EXPECT_EQ(dib[45], 0x15);
    std::vector<unsigned char> cut = bmpFile(0);
    cut.resize(cut.size() - 3);
    EXPECT_THROW(packedDib(cut), std::runtime_error);
    std::vector<unsigned char> notBmp = bmpFile(0);
    notBmp[0] = 'X';
    EXPECT_THROW(packedDib(notBmp), std::runtime_error);
}

TEST(ResourceCompiler, GeneratedSourceRegistersEveryResource)
{
    const Compilation c = compile("1 DIALOGEX 0,0,1,1\nBEGIN\nEND\nNAMED DIALOGEX 0,0,1,1\nBEGIN\nEND");
    const std::string source = generateSource(c, "x.rc");
    EXPECT_NE(source.find("{.type = 5, .id = 1, .name = nullptr"), std::string::npos);
    EXPECT_NE(source.find("{.type = 5, .id = 0, .name = name1"), std::string::npos);
    EXPECT_NE(source.find("const WCHAR name1[] = {78, 65, 77, 69, 68, 0};"), std::string::npos);
    EXPECT_NE(source.find("qms_ui_register_resources(resources"), std::string::npos);
    EXPECT_NE(source.find("alignas(4) const unsigned char resource0[]"), std::string::npos);
    EXPECT_EQ(generateSource(compile("// nothing\n"), "empty.rc").find("Registration"), std::string::npos);
}

} // namespace
} // namespace qms::rc
