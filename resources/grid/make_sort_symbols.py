#!/usr/bin/env python3
"""Draws the grid's four sort symbols as 16-colour (4-bit) BMP files on an aqua background,
which is their transparent colour. Run from this folder to regenerate them."""
import struct

# The standard 16-colour palette (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GRAY, WHITE, AQUA = 0, 4, 8, 15, 14

def write_bmp(name, rows):
    h = len(rows)
    w = len(rows[0])
    stride = ((w + 1) // 2 + 3) // 4 * 4
    pixels = b""
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, v in enumerate(row):
            if x % 2 == 0:
                line[x // 2] |= v << 4
            else:
                line[x // 2] |= v
        pixels += bytes(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    with open(name, "wb") as f:
        f.write(header + info + palette + pixels)

def canvas(w, h):
    return [[AQUA] * w for _ in range(h)]

def paint(c, x0, y0, pattern, colour):
    for dy, line in enumerate(pattern):
        for dx, ch in enumerate(line):
            if ch == "X":
                c[y0 + dy][x0 + dx] = colour

TRIANGLE_UP = [
    "...XX...",
    "..XXXX..",
    "..XXXX..",
    ".XXXXXX.",
    ".XXXXXX.",
    "XXXXXXXX",
    "XXXXXXXX",
]
LETTER_A = [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X"]
LETTER_Z = ["XXXXX", "...X.", "..X..", ".X...", "X....", "XXXXX"]
ARROW_DOWN = [
    "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..", "..X..",
    "XXXXX", ".XXX.", "..X..",
]

up = canvas(8, 7)
paint(up, 0, 0, TRIANGLE_UP, GRAY)
write_bmp("SORTUP.bmp", up)
write_bmp("SORTDN.bmp", list(reversed(up)))

az = canvas(16, 16)
paint(az, 1, 1, LETTER_A, NAVY)
paint(az, 1, 9, LETTER_Z, NAVY)
paint(az, 10, 2, ARROW_DOWN, BLACK)
write_bmp("SORTAZ.bmp", az)

za = canvas(16, 16)
paint(za, 1, 1, LETTER_Z, NAVY)
paint(za, 1, 9, LETTER_A, NAVY)
paint(za, 10, 2, list(reversed(ARROW_DOWN)), BLACK)
write_bmp("SORTZA.bmp", za)
