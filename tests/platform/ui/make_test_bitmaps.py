#!/usr/bin/env python3
"""Writes the bitmaps of the window-system tests: small 4-bit pictures whose pixels the tests
check after the resource compiler and LoadBitmapW have carried them through.

test_picture.bmp: 8 x 6 pixels, 16 colours. Row y (top row 0) holds colour index (x + y) % 4
from the palette black, red, green, blue; the bottom-right pixel is white (index 15)."""
import pathlib
import struct

PALETTE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)] + [(128, 128, 128)] * 11 + [(255, 255, 255)]


def bmp4(width, height, index_of):
    row_bytes = ((width * 4 + 31) // 32) * 4
    rows = b""
    for y in reversed(range(height)):  # bottom-up
        row = bytearray(row_bytes)
        for x in range(width):
            value = index_of(x, y)
            row[x // 2] |= value << (4 if x % 2 == 0 else 0)
        rows += bytes(row)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + palette + rows


def main():
    here = pathlib.Path(__file__).resolve().parent
    width, height = 8, 6
    picture = bmp4(width, height, lambda x, y: 15 if (x, y) == (width - 1, height - 1) else (x + y) % 4)
    (here / "test_picture.bmp").write_bytes(picture)


if __name__ == "__main__":
    main()
