// Device-independent bitmaps as resources carry them: a BITMAPINFOHEADER, the colour table
// and the rows, without the file header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qms::ui {

struct DecodedBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int rowBytes = 0;                  // of the stored rows
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, top row first, alpha always 0xFF
};

// Uncompressed 1, 4, 8, 24 and 32 bits per pixel, bottom-up or top-down, at most 16384
// pixels a side. False with the reason for anything else or data that is too short.
bool decodeDib(const void *data, std::size_t size, DecodedBitmap &out, std::string &why);

} // namespace qms::ui
