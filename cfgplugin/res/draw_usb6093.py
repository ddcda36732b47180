#!/usr/bin/env python3
"""Draws the picture of the module shown on the plug-in's "Device" page: bitmap 150,
usb6093.bmp, 204 x 131 pixels, 24 bits per pixel, bottom-up rows.

The module is drawn from the front: a dark enclosure with a label, the green pluggable
terminal blocks of the eight thermocouple inputs along the top and of the digital lines along
the bottom, the USB connector on the left and the power LED. Run it again after a change and
check the new file in; the build only reads the file."""
import pathlib
import struct

WIDTH, HEIGHT = 204, 131

# 5 x 7 glyphs, one string of five bits per row.
GLYPHS = {
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "D": ["11100", "10010", "10001", "10001", "10001", "10010", "11100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills x0 <= x < x1, y0 <= y < y1."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1):
            self.put(x, y0, colour)
            self.put(x, y1 - 1, colour)
        for y in range(y0, y1):
            self.put(x0, y, colour)
            self.put(x1 - 1, y, colour)

    def rounded(self, x0, y0, x1, y1, radius, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                dx = max(x0 + radius - x, 0, x - (x1 - 1 - radius))
                dy = max(y0 + radius - y, 0, y - (y1 - 1 - radius))
                if dx * dx + dy * dy <= radius * radius:
                    self.put(x, y, colour)

    def disc(self, cx, cy, radius, colour):
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def text(self, x, y, words, colour, scale=1):
        for ch in words:
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, colour)
            x += 6 * scale

    def bmp(self):
        row_bytes = (self.width * 3 + 3) // 4 * 4
        rows = b""
        for y in reversed(range(self.height)):  # bottom-up
            row = bytearray(row_bytes)
            for x, (r, g, b) in enumerate(self.pixels[y]):
                row[3 * x:3 * x + 3] = bytes((b, g, r))
            rows += bytes(row)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        offset = 14 + len(info)
        header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
        return header + info + rows


def terminal_block(canvas, x0, y0, count, pitch):
    """A green pluggable block with `count` screw terminals, openings facing the viewer."""
    green, dark_green, opening, screw = (46, 139, 87), (24, 92, 56), (20, 30, 24), (190, 190, 180)
    x1 = x0 + count * pitch + 2
    canvas.rect(x0, y0, x1, y0 + 15, green)
    canvas.rect(x0, y0 + 12, x1, y0 + 15, dark_green)
    for i in range(count):
        cx = x0 + 1 + i * pitch + pitch // 2
        canvas.disc(cx, y0 + 4, 2, screw)
        canvas.put(cx - 1, y0 + 4, opening)
        canvas.put(cx, y0 + 4, opening)
        canvas.put(cx + 1, y0 + 4, opening)
        canvas.rect(cx - 2, y0 + 8, cx + 3, y0 + 12, opening)
    return x1


def draw():
    canvas = Canvas(WIDTH, HEIGHT, (236, 236, 232))
    # Shadow, enclosure, its lighter top edge.
    canvas.rounded(13, 25, 197, 115, 6, (190, 190, 186))
    canvas.rounded(10, 22, 194, 112, 6, (52, 56, 62))
    canvas.rounded(12, 23, 192, 28, 3, (92, 98, 106))
    # Terminal blocks: analog inputs on top (2 x 10 poles), digital lines below (2 x 10 poles).
    for x in (18, 106):
        terminal_block(canvas, x, 8, 10, 8)
        terminal_block(canvas, x, 110, 10, 8)
    # USB connector on the left side.
    canvas.rect(2, 58, 12, 76, (170, 172, 176))
    canvas.rect(4, 62, 10, 72, (60, 60, 64))
    # The label.
    canvas.rect(30, 38, 176, 98, (226, 232, 240))
    canvas.frame(30, 38, 176, 98, (120, 130, 150))
    canvas.rect(30, 38, 176, 46, (30, 70, 140))
    canvas.text(40, 52, "USB-6093", (30, 70, 140), scale=2)
    canvas.text(40, 72, "8CH TC INPUT", (40, 40, 48))
    canvas.text(40, 84, "DI DO", (40, 40, 48))
    # Power LED with its legend.
    canvas.disc(160, 88, 3, (40, 200, 60))
    canvas.put(159, 87, (200, 255, 200))
    canvas.text(140, 72, "PWR", (40, 40, 48))
    return canvas


def main():
    here = pathlib.Path(__file__).resolve().parent
    (here / "usb6093.bmp").write_bytes(draw().bmp())


if __name__ == "__main__":
    main()
