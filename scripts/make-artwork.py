#!/usr/bin/env python3
"""Draws the panel's two artwork bitmaps and writes them as 4-bit BMP files.

    python3 scripts/make-artwork.py [output folder, default resources/bitmaps]

104: the maker's mark and the letters "AQ", 103 x 24, black and white on light grey.
105: the driver-standard badge with "plug&play", 77 x 41, in black, white, dark and light grey.
The output is the same on every run, so the committed files can be checked against it.
"""
import struct
import sys
from pathlib import Path

# The 16-colour palette of the platform's 4-bit bitmaps, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, LIGHT, DARK, WHITE = 0, 7, 8, 15

# 5-pixel-wide glyphs on 9 rows: 7 above the baseline, 2 for descenders.
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", ".....", "....."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#", ".....", "....."],
    "p": [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", ".....", "....."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", ".....", "....."],
    "g": [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    "&": [".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#", ".....", "....."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####", ".....", "....."],
    "y": [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
}


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, left, top, right, bottom, colour):
        """Fills x = left..right-1, y = top..bottom-1."""
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)

    def bevel(self, left, top, right, bottom, light, dark):
        """A 1-pixel 3-D edge inside the rectangle: light above and left, dark below and right."""
        self.fill(left, top, right, top + 1, light)
        self.fill(left, top, left + 1, bottom, light)
        self.fill(left, bottom - 1, right, bottom, dark)
        self.fill(right - 1, top, right, bottom, dark)

    def text(self, x, y, string, colour, scale=1):
        for ch in string:
            for row, line in enumerate(GLYPHS[ch]):
                for col, cell in enumerate(line):
                    if cell == "#":
                        self.fill(x + col * scale, y + row * scale,
                                  x + (col + 1) * scale, y + (row + 1) * scale, colour)
            x += 6 * scale

    def bmp(self):
        """The image as a bottom-up 4-bit BMP with the full 16-entry palette."""
        row_bytes = (self.width * 4 + 31) // 32 * 4
        rows = []
        for line in reversed(self.pixels):
            packed = bytearray(row_bytes)
            for x, index in enumerate(line):
                packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
            rows.append(bytes(packed))
        data = b"".join(rows)
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
        info_header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 4, 0,
                                  len(data), 3780, 3780, 16, 16)
        return file_header + info_header + palette + data


def makers_mark():
    c = Canvas(103, 24, LIGHT)
    # Mark: a black square holding a white diamond with a black core, 20 x 20.
    left, top = 22, 1
    c.fill(left, top, left + 20, top + 20, BLACK)
    for dy in range(-7, 8):
        half = 7 - abs(dy)
        c.fill(left + 10 - half - 1, top + 10 + dy - 1, left + 10 + half, top + 10 + dy, WHITE)
    c.fill(left + 7, top + 7, left + 12, top + 12, BLACK)
    # Letters, three times the glyph size, black with a white edge up and to the left.
    x, y = 50, 1
    c.text(x - 1, y - 1, "AQ", WHITE, scale=3)
    c.text(x, y, "AQ", BLACK, scale=3)
    # An underline that ties the mark and the letters together.
    c.fill(left, 22, x + 33, 23, BLACK)
    return c


def driver_badge():
    c = Canvas(77, 41, LIGHT)
    c.fill(0, 0, 77, 1, BLACK)
    c.fill(0, 40, 77, 41, BLACK)
    c.fill(0, 0, 1, 41, BLACK)
    c.fill(76, 0, 77, 41, BLACK)
    c.bevel(1, 1, 76, 40, WHITE, DARK)
    # A plug, prongs to the right, pointing at a play arrow.
    c.fill(3, 15, 13, 17, BLACK)
    c.fill(12, 8, 30, 24, BLACK)
    c.fill(13, 9, 29, 23, DARK)
    c.bevel(13, 9, 29, 23, WHITE, DARK)
    c.fill(30, 11, 37, 14, BLACK)
    c.fill(30, 18, 37, 21, BLACK)
    for i in range(16):
        half = (16 - i) // 2
        c.fill(43 + i, 16 - half, 44 + i, 16 + half, BLACK)
        inner = half - 2
        if i > 0 and inner > 0:
            c.fill(43 + i, 16 - inner, 44 + i, 16 + inner, WHITE if i == 1 else DARK)
    # Lettering, black with a white edge below and to the right, centred.
    word = "plug&play"
    x = (77 - (6 * len(word) - 1)) // 2
    c.text(x + 1, 29, word, WHITE)
    c.text(x, 28, word, BLACK)
    return c


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources" / "bitmaps"
    out.mkdir(parents=True, exist_ok=True)
    for name, canvas in (("104.bmp", makers_mark()), ("105.bmp", driver_badge())):
        (out / name).write_bytes(canvas.bmp())


if __name__ == "__main__":
    main()
