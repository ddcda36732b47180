// The template path and the copies of DriverConfig's texts: the path's form, names shorter
// than seven characters, and texts longer than their fields cut without a byte written past
// them (the fields are heap blocks of their exact size, so AddressSanitizer sees any overflow).
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "cfgplugin/template_path.h"

namespace usb6093cfg {
namespace {

constexpr std::size_t pathField = 256;

std::string path(const char *directory, const char *deviceName)
{
    auto field = std::make_unique<char[]>(pathField);
    BuildTemplatePath(field.get(), pathField, directory, deviceName);
    return field.get();
}

std::string copy(std::size_t size, const char *text)
{
    auto field = std::make_unique<char[]>(size);
    std::fill_n(field.get(), size, '#');
    CopyField(field.get(), size, text);
    return field.get();
}

TEST(TemplatePath, FollowsTheHostDirectoryWithSevenCharactersOfTheNameTwice)
{
    EXPECT_EQ(path("C:\\Host\\", "USB_6093"), "C:\\Host\\Public\\Corvane\\Device_Drivers\\USB_609\\USB_609.reg");
    EXPECT_EQ(path("/opt/host/", "USB_6093A-long-name"), "/opt/host/Public\\Corvane\\Device_Drivers\\USB_609\\USB_609.reg");
    EXPECT_EQ(path("", "USB6093"), "Public\\Corvane\\Device_Drivers\\USB6093\\USB6093.reg");
}

TEST(TemplatePath, ShorterNamesAreUsedWholeInBothPlaces)
{
    EXPECT_EQ(path("D\\", "U93"), "D\\Public\\Corvane\\Device_Drivers\\U93\\U93.reg");
    EXPECT_EQ(path("D\\", "USB609"), "D\\Public\\Corvane\\Device_Drivers\\USB609\\USB609.reg");
    EXPECT_EQ(path("D\\", ""), "D\\Public\\Corvane\\Device_Drivers\\\\.reg");
}

TEST(TemplatePath, MissingTextsCountAsEmpty)
{
    EXPECT_EQ(path(nullptr, "USB_6093"), "Public\\Corvane\\Device_Drivers\\USB_609\\USB_609.reg");
    EXPECT_EQ(path("D\\", nullptr), "D\\Public\\Corvane\\Device_Drivers\\\\.reg");
    EXPECT_EQ(copy(50, nullptr), "");
    BuildTemplatePath(nullptr, pathField, "D\\", "USB_6093"); // no field: nothing to write
    CopyField(nullptr, 50, "text");
}

TEST(TemplatePath, IsCutAt255CharactersWhateverTheInputs)
{
    const std::string tail = "Public\\Corvane\\Device_Drivers\\USB_609\\USB_609.reg";
    // Just fitting, one over, and 10 kB of directory.
    const std::string fits(255 - tail.size(), 'd');
    EXPECT_EQ(path(fits.c_str(), "USB_6093"), fits + tail);
    const std::string over = fits + "d";
    EXPECT_EQ(path(over.c_str(), "USB_6093"), (over + tail).substr(0, 255));
    const std::string huge(10 * 1024, 'd');
    EXPECT_EQ(path(huge.c_str(), huge.c_str()), huge.substr(0, 255));
    // A long name ends the path in the middle of it.
    const std::string nearly(240, 'd');
    EXPECT_EQ(path(nearly.c_str(), huge.c_str()), (nearly + "Public\\Corvane\\Device_Drivers\\").substr(0, 255));
}

TEST(TemplatePath, DirectoryIsReadNoFurtherThanThePathHolds)
{
    // A directory of exactly 255 characters with no terminator after it: reading on would
    // leave the block.
    auto directory = std::make_unique<char[]>(255);
    std::fill_n(directory.get(), 255, 'd');
    EXPECT_EQ(path(directory.get(), "USB_6093"), std::string(255, 'd'));
}

TEST(ArgumentCopies, AreCutToTheirFields)
{
    const std::string huge(10 * 1024, 'a');
    EXPECT_EQ(copy(50, huge.c_str()), std::string(49, 'a'));
    EXPECT_EQ(copy(20, huge.c_str()), std::string(19, 'a'));
    EXPECT_EQ(copy(10, huge.c_str()), std::string(9, 'a'));
    EXPECT_EQ(copy(20, "USB_6093"), "USB_6093");
    EXPECT_EQ(copy(10, "123456789"), "123456789") << "a text that just fits is kept whole";
    EXPECT_EQ(copy(10, ""), "");
}

} // namespace
} // namespace usb6093cfg
