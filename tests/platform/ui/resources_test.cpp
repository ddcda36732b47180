// Modules and their resources: each module finds its own resources and no other's; bitmaps
// come out of their resources pixel for pixel.
#include <QImage>
#include <QLabel>
#include <cstring>

#include "tests/platform/ui/ui_fixture.h"

extern "C" HMODULE qms_test_library_module(void);

namespace qms::ui::test {
namespace {

TEST(Resources, TheProgramFindsItsDialogTemplates)
{
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(LockResource(loaded), loaded);
    ASSERT_GT(SizeofResource(nullptr, found), 26u);
    // The extended template: version 1, signature 0xFFFF.
    const auto *bytes = static_cast<const unsigned char *>(loaded);
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), 1);
    EXPECT_EQ(bytes[2] | (bytes[3] << 8), 0xFFFF);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(loaded) % 4, 0u) << "templates are DWORD-aligned";
    // The same by the program's module handle and by "#101".
    EXPECT_EQ(FindResourceW(GetModuleHandleW(nullptr), u"#101", RT_DIALOG), found);
}

TEST(Resources, EachModuleFindsOnlyItsOwn)
{
    const HMODULE library = qms_test_library_module();
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library, GetModuleHandleW(nullptr));
    EXPECT_EQ(GetModuleHandleW(u"ui_test_resources.dll"), library);
    EXPECT_EQ(GetModuleHandleW(u"libui_test_resources.so"), library);

    EXPECT_NE(FindResourceW(library, MAKEINTRESOURCEW(201), RT_DIALOG), nullptr);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(201), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(library, MAKEINTRESOURCEW(IDD_CONTROLS), RT_DIALOG), nullptr);
    // A resource handle of one module is no resource of another.
    const HRSRC own = FindResourceW(library, MAKEINTRESOURCEW(201), RT_DIALOG);
    EXPECT_EQ(LoadResource(nullptr, own), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    EXPECT_EQ(SizeofResource(nullptr, own), 0u);

    Recorder recorder;
    const HWND dialog = CreateDialogParamW(library, MAKEINTRESOURCEW(201), nullptr, Recorder::proc,
                                           reinterpret_cast<LPARAM>(&recorder));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(widgetOf(dialog)->windowTitle(), "Library Dialog");
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWLP_HINSTANCE), reinterpret_cast<LONG_PTR>(library));
    DestroyWindow(dialog);
    processEvents();
}

TEST(Resources, LookupsThatFindNothingSayWhy)
{
    SetLastError(0);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(9999), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"not_loaded_anywhere.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(0x1234), MAKEINTRESOURCEW(IDD_CONTROLS), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(IDD_CONTROLS)), nullptr);
}

// Hand-made DIBs registered as resources of the program, read back through a picture static.
std::vector<unsigned char> dib(int width, int height, int bits, const std::vector<unsigned char> &palette,
                               const std::vector<unsigned char> &rows)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    std::vector<unsigned char> out(sizeof header);
    std::memcpy(out.data(), &header, sizeof header);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// 1 bit: 2 x 2, bottom-up; palette black, white; bottom row 10, top row 01.
const std::vector<unsigned char> monochrome =
    dib(2, 2, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0x80, 0, 0, 0, 0x40, 0, 0, 0});
// 24 bits: 2 x 1, top-down (negative height); blue, green, red order in the file.
const std::vector<unsigned char> trueColour = dib(2, -1, 24, {}, {255, 0, 0, 0, 0, 255, 0, 0});
// Too short for its rows.
const std::vector<unsigned char> cutShort = dib(4, 4, 24, {}, {1, 2, 3});

const QMS_RESOURCE handMade[] = {
    {.type = 2, .id = 900, .name = nullptr, .language = 1033, .data = monochrome.data(), .size = static_cast<DWORD>(monochrome.size())},
    {.type = 2, .id = 901, .name = nullptr, .language = 1033, .data = trueColour.data(), .size = static_cast<DWORD>(trueColour.size())},
    {.type = 2, .id = 902, .name = nullptr, .language = 1033, .data = cutShort.data(), .size = static_cast<DWORD>(cutShort.size())},
};

QImage shown(HWND dialog, HBITMAP bitmap)
{
    SendDlgItemMessageW(dialog, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    return controlWidget<QLabel>(dialog, IDC_PICTURE)->pixmap().toImage();
}

TEST(Resources, BitmapsOfEveryDepthDecodePixelForPixel)
{
    qms_ui_register_resources(handMade, std::size(handMade));
    Recorder recorder;
    TestDialog dialog(IDD_CONTROLS, recorder);
    const HBITMAP mono = LoadBitmapW(nullptr, MAKEINTRESOURCEW(900));
    ASSERT_NE(mono, nullptr);
    QImage image = shown(dialog.hwnd(), mono);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));

    const HBITMAP colour = LoadBitmapW(nullptr, MAKEINTRESOURCEW(901));
    ASSERT_NE(colour, nullptr);
    image = shown(dialog.hwnd(), colour);
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));
    // STM_SETIMAGE hands back the picture it replaced.
    EXPECT_EQ(SendDlgItemMessageW(dialog.hwnd(), IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0),
              reinterpret_cast<LRESULT>(colour));

    SetLastError(0);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(902)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_TRUE(DeleteObject(mono));
    EXPECT_TRUE(DeleteObject(colour));
    EXPECT_FALSE(DeleteObject(mono)) << "a bitmap is deleted once";
    qms_ui_unregister_resources(handMade);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(900)), nullptr);
}

} // namespace
} // namespace qms::ui::test
