#include "platform/ui/dib.h"


#include "qms_ui.h"

namespace qms::ui {
namespace {

constexpr std::int64_t maxSide = 16384;

std::uint32_t readLe32(const unsigned char *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t readLe16(const unsigned char *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t opaque(unsigned red, unsigned green, unsigned blue)
{
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

} // namespace

bool decodeDib(const void *data, std::size_t size, DecodedBitmap &out, std::string &why)
{
    const auto *p = static_cast<const unsigned char *>(data);
    if (!p || size < sizeof(BITMAPINFOHEADER)) {
        why = "shorter than a bitmap header";
        return false;
    }
    const std::uint32_t headerSize = readLe32(p);
    const auto width = static_cast<std::int32_t>(readLe32(p + 4));
    const auto rawHeight = static_cast<std::int32_t>(readLe32(p + 8));
    const std::uint16_t planes = readLe16(p + 12);
    const std::uint16_t bits = readLe16(p + 14);
    const std::uint32_t compression = readLe32(p + 16);
    const std::uint32_t colorsUsed = readLe32(p + 32);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size) {
        why = "not a BITMAPINFOHEADER";
        return false;
    }
    if (planes != 1 || compression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        why = "only uncompressed 1, 4, 8, 24 and 32 bits per pixel";
        return false;
    }
    const std::int64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
    if (width <= 0 || height == 0 || width > maxSide || height > maxSide) {
        why = "bad size " + std::to_string(width) + " x " + std::to_string(rawHeight);
        return false;
    }
    std::size_t paletteSize = 0;
    if (bits <= 8) {
        paletteSize = colorsUsed ? colorsUsed : (1u << bits);
        if (paletteSize > (1u << bits)) {
            why = "colour table larger than the pixel depth allows";
            return false;
        }
    }
    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t paletteOffset = headerSize;
    const std::size_t bitsOffset = paletteOffset + paletteSize * 4;
    if (bitsOffset > size || rowBytes * static_cast<std::size_t>(height) > size - bitsOffset) {
        why = "the rows run past the end of the bitmap";
        return false;
    }
    std::vector<std::uint32_t> palette(paletteSize);
    for (std::size_t i = 0; i < paletteSize; ++i) {
        const unsigned char *q = p + paletteOffset + i * 4; // blue, green, red, reserved
        palette[i] = opaque(q[2], q[1], q[0]);
    }
    DecodedBitmap bitmap;
    bitmap.width = width;
    bitmap.height = static_cast<int>(height);
    bitmap.bitsPerPixel = bits;
    bitmap.rowBytes = static_cast<int>(rowBytes);
    bitmap.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const bool bottomUp = rawHeight > 0;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t stored = bottomUp ? height - 1 - y : y;
        const unsigned char *row = p + bitsOffset + static_cast<std::size_t>(stored) * rowBytes;
        std::uint32_t *target = bitmap.pixels.data() + static_cast<std::size_t>(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t colour = 0xFF000000u;
            if (bits == 24 || bits == 32) {
                const unsigned char *px = row + static_cast<std::size_t>(x) * (bits / 8);
                colour = opaque(px[2], px[1], px[0]);
            } else {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
                // An index beyond a short colour table reads as black.
                colour = index < palette.size() ? palette[index] : 0xFF000000u;
            }
            target[x] = colour;
        }
    }
    out = std::move(bitmap);
    return true;
}

} // namespace qms::ui
