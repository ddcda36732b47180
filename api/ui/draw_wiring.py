#!/usr/bin/env python3
"""Draws the calibration wizard's two wiring pictures: 273 x 56 pixels, 4 bits per pixel.

zero_wiring.bmp: input AI0 shorted (0 V) for the zero step.
full_wiring.bmp: a voltage/current source at the range's full scale on AI0 for the full step.

Run it after changing a picture; the resource script takes the files as they are checked in:
    python3 api/ui/draw_wiring.py api/ui
With --check it writes nothing and fails when the checked-in files differ from the drawing.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 273, 56

# 16-colour palette (B, G, R): the colours the pictures use come first.
PALETTE = [
    (0xF0, 0xF0, 0xF0),  # 0 background (button face)
    (0x00, 0x00, 0x00),  # 1 black
    (0x60, 0x60, 0x60),  # 2 dark grey (module body)
    (0xC8, 0xC8, 0xC8),  # 3 light grey (terminal block)
    (0x20, 0x20, 0xD0),  # 4 red wire (+)
    (0x30, 0x30, 0x30),  # 5 black wire (-)
    (0xD0, 0x80, 0x20),  # 6 blue (source)
    (0xFF, 0xFF, 0xFF),  # 7 white
] + [(0, 0, 0)] * 8

# A 5 x 7 font of the characters the labels use.
FONT = {
    " ": ["00000"] * 7,
    "+": ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    "/": ["00001", "00010", "00010", "00100", "01000", "01000", "10000"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
}


class Picture:
    def __init__(self):
        self.pixels = [[0] * WIDTH for _ in range(HEIGHT)]

    def dot(self, x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.pixels[y][x] = colour

    def box(self, x0, y0, x1, y1, fill, edge=1):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                self.dot(x, y, edge if border else fill)

    def hline(self, x0, x1, y, colour, thick=2):
        for t in range(thick):
            for x in range(min(x0, x1), max(x0, x1) + 1):
                self.dot(x, y + t, colour)

    def vline(self, x, y0, y1, colour, thick=2):
        for t in range(thick):
            for y in range(min(y0, y1), max(y0, y1) + 1):
                self.dot(x + t, y, colour)

    def text(self, x, y, words, colour=1):
        for ch in words:
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        self.dot(x + col, y + row, colour)
            x += 6

    def bmp(self):
        row_bytes = ((WIDTH * 4 + 31) // 32) * 4
        data = bytearray()
        for y in range(HEIGHT - 1, -1, -1):  # bottom-up
            row = self.pixels[y]
            line = bytearray(row_bytes)
            for x in range(0, WIDTH, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < WIDTH else 0
                line[x // 2] = (hi << 4) | lo
            data += line
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(data), 2835, 2835, 16, 0)
        return header + info + palette + bytes(data)


def module(p):
    """The module on the left with its terminal block: AI0+ on top, AI0- below."""
    p.box(2, 4, 70, 51, 2)
    p.text(12, 8, "USB-6093", 7)
    p.box(44, 20, 70, 47, 3)
    p.text(10, 24, "AI0+", 7)
    p.text(10, 38, "AI0-", 7)
    for y in (25, 39):  # the two screws
        p.box(60, y - 3, 67, y + 3, 7)
        p.dot(63, y, 1)
        p.dot(64, y, 1)


def zero_wiring():
    p = Picture()
    module(p)
    # AI0+ and AI0- joined by a short link: the input sees 0 V.
    p.hline(68, 150, 25, 4)
    p.hline(68, 150, 39, 5)
    p.vline(150, 25, 40, 1, thick=3)
    p.text(160, 29, "SHORT  0 V")
    return p


def full_wiring():
    p = Picture()
    module(p)
    # A source at the full scale of the range: + to AI0+, - to AI0-.
    p.hline(68, 170, 25, 4)
    p.hline(68, 170, 39, 5)
    p.box(170, 12, 268, 51, 6)
    p.text(176, 16, "FULL SCALE", 7)
    p.text(176, 29, "V/MA SOURCE", 7)
    p.text(160, 18, "+", 4)
    p.text(160, 42, "-", 1)
    return p


def main():
    args = [a for a in sys.argv[1:] if a != "--check"]
    check = "--check" in sys.argv[1:]
    out = args[0] if args else os.path.dirname(os.path.abspath(__file__))
    stale = []
    for name, picture in (("zero_wiring.bmp", zero_wiring()), ("full_wiring.bmp", full_wiring())):
        path = os.path.join(out, name)
        if check:
            with open(path, "rb") as f:
                if f.read() != picture.bmp():
                    stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(picture.bmp())
    if stale:
        sys.exit("not what draw_wiring.py draws: " + ", ".join(stale))


if __name__ == "__main__":
    main()
