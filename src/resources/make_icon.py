#!/usr/bin/env python3
"""Draws the program icon: one 32 x 32 image, 32 bits per pixel, in .ico form (4286 bytes) for the Windows
program file, and the same pixels as a PNG for the windows and the tray (Qt reads PNG without a plugin).

A rounded square in a red-to-cyan gradient with a white play triangle and a download bar, drawn with
4 x 4 supersampling. Standard library only, so the icon can be re-made anywhere:

    python3 make_icon.py quorvane.ico quorvane.png
"""
import struct
import sys
import zlib

SIZE = 32
SAMPLES = 4


def inside_rounded_square(x, y, margin=1.0, radius=7.0):
    lo, hi = margin, SIZE - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(x, y):
    # Play triangle pointing right, centred a little above the middle.
    ax, ay, bx, by, cx, cy = 11.5, 7.0, 11.5, 21.0, 23.5, 14.0

    def side(px, py, qx, qy, rx, ry):
        return (px - rx) * (qy - ry) - (qx - rx) * (py - ry)

    d1 = side(x, y, ax, ay, bx, by)
    d2 = side(x, y, bx, by, cx, cy)
    d3 = side(x, y, cx, cy, ax, ay)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def inside_bar(x, y):
    return 8.0 <= x <= 24.0 and 23.5 <= y <= 26.0


def pixel(px, py):
    """Premultiplied-free RGBA of one pixel, averaged over its samples."""
    r = g = b = a = 0.0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if not inside_rounded_square(x, y):
                continue
            if inside_triangle(x, y) or inside_bar(x, y):
                cr, cg, cb = 255, 255, 255
            else:
                t = (x + y) / (2 * SIZE)
                cr = 254 * (1 - t) + 37 * t
                cg = 44 * (1 - t) + 200 * t
                cb = 85 * (1 - t) + 238 * t
            r, g, b, a = r + cr, g + cg, b + cb, a + 1
    if a == 0:
        return 0, 0, 0, 0
    return round(r / a), round(g / a), round(b / a), round(255 * a / SAMPLES ** 2)


def build_ico():
    xor = bytearray()
    for row in range(SIZE - 1, -1, -1):  # bottom-up rows
        for col in range(SIZE):
            r, g, b, a = pixel(col, row)
            xor += bytes((b, g, r, a))
    and_mask = bytes(SIZE * SIZE // 8)  # all opaque; the alpha channel does the work
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    return directory + image


def encode_png(size, rgba_rows):
    """A size x size 8-bit RGBA PNG of rows of RGBA bytes, top row first."""
    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)  # filter type none on every row

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def build_png():
    return encode_png(SIZE, [b"".join(bytes(pixel(col, row)) for col in range(SIZE)) for row in range(SIZE)])


if __name__ == "__main__":
    data = build_ico()
    assert len(data) == 4286, len(data)
    with open(sys.argv[1] if len(sys.argv) > 1 else "quorvane.ico", "wb") as out:
        out.write(data)
    if len(sys.argv) > 2:
        with open(sys.argv[2], "wb") as out:
            out.write(build_png())
