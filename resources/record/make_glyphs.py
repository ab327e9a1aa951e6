#!/usr/bin/env python3
"""Draws the record window's seven button glyphs as 16 x 16 RGBA PNG files, each in a normal and a
disabled form (grey with a white relief, as classic speed buttons show a disabled glyph). Edges are
smoothed by 4 x 4 supersampling. Run from this folder to regenerate them."""
import math
import struct
import zlib

SIZE = 16
SAMPLES = 4


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

    return inside


def stroke(points, width):
    """A polyline of the given width with round joints and ends."""
    half = width / 2.0

    def near_segment(p, q, x, y):
        dx, dy = q[0] - p[0], q[1] - p[1]
        t = ((x - p[0]) * dx + (y - p[1]) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(x - (p[0] + t * dx), y - (p[1] + t * dy)) <= half

    return lambda x, y: any(near_segment(points[i], points[i + 1], x, y)
                            for i in range(len(points) - 1))


NAVY = (0, 0, 128)
GREEN = (0, 128, 0)
RED = (200, 0, 0)
TEAL = (0, 112, 112)

GLYPHS = {
    "btnPierwszy": (NAVY, [rect(2, 3, 4, 13), triangle((13, 2.5), (13, 13.5), (5.5, 8))]),
    "btnPoprzedni": (NAVY, [triangle((11, 2.5), (11, 13.5), (4, 8))]),
    "btnNastepny": (NAVY, [triangle((5, 2.5), (5, 13.5), (12, 8))]),
    "btnOstatni": (NAVY, [triangle((2.5, 2.5), (2.5, 13.5), (10.5, 8)), rect(12, 3, 14, 13)]),
    "btnDodaj": (TEAL, [rect(6.5, 2.5, 9.5, 13.5), rect(2.5, 6.5, 13.5, 9.5)]),
    "btnZniszcz": (RED, [stroke([(3.5, 3.5), (12.5, 12.5)], 3),
                         stroke([(12.5, 3.5), (3.5, 12.5)], 3)]),
    "btnZmiana": (GREEN, [stroke([(2.5, 8.5), (6.5, 12.5), (13.5, 3.5)], 3)]),
}


def coverage(shapes, dx=0.0, dy=0.0):
    cov = [[0.0] * SIZE for _ in range(SIZE)]
    for py in range(SIZE):
        for px in range(SIZE):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES - dx
                    y = py + (sy + 0.5) / SAMPLES - dy
                    if any(s(x, y) for s in shapes):
                        hits += 1
            cov[py][px] = hits / (SAMPLES * SAMPLES)
    return cov


def over(dst, colour, alpha):
    """Lays colour with the given alpha over a premultiplied-free RGBA pixel."""
    r, g, b, a = dst
    out_a = alpha + a * (1 - alpha)
    if out_a == 0:
        return (0, 0, 0, 0)
    mix = lambda c, d: (c * alpha + d * a * (1 - alpha)) / out_a
    return (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), out_a)


def write_png(name, pixels):
    raw = b""
    for row in pixels:
        raw += b"\x00" + b"".join(
            bytes((round(r), round(g), round(b), round(a * 255))) for (r, g, b, a) in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(name, "wb") as f:
        f.write(png)


def main():
    for name, (colour, shapes) in GLYPHS.items():
        cov = coverage(shapes)
        normal = [[over((0, 0, 0, 0), colour, cov[y][x]) for x in range(SIZE)] for y in range(SIZE)]
        write_png(name + ".png", normal)

        relief = coverage(shapes, 1.0, 1.0)
        disabled = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
        for y in range(SIZE):
            for x in range(SIZE):
                p = over((0, 0, 0, 0), (255, 255, 255), relief[y][x])
                disabled[y][x] = over(p, (128, 128, 128), cov[y][x])
        write_png(name + "_disabled.png", disabled)


if __name__ == "__main__":
    main()
