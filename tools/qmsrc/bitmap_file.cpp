// BMP files: the 14-byte file header, then the info header, the colour table and the rows,
// which may start later than the colour table ends (bfOffBits). A resource carries header,
// table and rows packed together.
#include <stdexcept>

#include "tools/qmsrc/dialog_spec.h"

namespace qms::rc {
namespace {

std::uint32_t le32(const std::vector<unsigned char> &b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<unsigned char> &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

} // namespace

std::vector<unsigned char> packedDib(const std::vector<unsigned char> &file)
{
    constexpr std::size_t fileHeader = 14;
    if (file.size() < fileHeader + 40 || file[0] != 'B' || file[1] != 'M')
        throw std::runtime_error("not a BMP file");
    const std::uint32_t offBits = le32(file, 10);
    const std::uint32_t infoSize = le32(file, fileHeader);
    if (infoSize < 40 || fileHeader + infoSize > file.size())
        throw std::runtime_error("not a BITMAPINFOHEADER bitmap");
    const auto width = static_cast<std::int32_t>(le32(file, fileHeader + 4));
    const auto height = static_cast<std::int32_t>(le32(file, fileHeader + 8));
    const std::uint16_t bits = le16(file, fileHeader + 14);
    const std::uint32_t compression = le32(file, fileHeader + 16);
    const std::uint32_t colorsUsed = le32(file, fileHeader + 32);
    if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        throw std::runtime_error("only uncompressed 1, 4, 8, 24 and 32-bit bitmaps");
    if (width <= 0 || height == 0)
        throw std::runtime_error("bad bitmap size");
    const std::size_t palette = bits <= 8 ? (colorsUsed ? colorsUsed : (1u << bits)) * 4u : 0;
    const std::size_t rows = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4 *
                             static_cast<std::size_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    const std::size_t tableEnd = fileHeader + infoSize + palette;
    if (tableEnd > file.size() || offBits < tableEnd || offBits > file.size() ||
        rows > file.size() - offBits)
        throw std::runtime_error("the bitmap file is cut short");
    std::vector<unsigned char> dib(file.begin() + fileHeader, file.begin() + static_cast<std::ptrdiff_t>(tableEnd));
    dib.insert(dib.end(), file.begin() + offBits, file.begin() + static_cast<std::ptrdiff_t>(offBits + rows));
    return dib;
}

} // namespace qms::rc
