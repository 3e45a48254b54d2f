#!/usr/bin/env python3
"""Draws the two stock shadow images (black, 100 x 100, 8-bit RGBA).

shadow5.png serves a 5-pixel shadow, shadow10.png a 10-pixel one. The shadow lies in a band of that
width along the edges and fades outwards; everything inside the band is fully transparent, because the
shadow window lies over the window that casts it. Run once from this folder; the PNGs are committed.
Standard library only.
"""
import math
import struct
import zlib

SIDE = 100


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", SIDE, SIDE, 8, 6, 0, 0, 0)  # 8-bit RGBA, not interlaced
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def shadow_alpha(x, y, band, peak):
    # Distance of the pixel centre from the covered area [band, SIDE - band); round at the corners.
    cx, cy = x + 0.5, y + 0.5
    dx = max(band - cx, 0.0, cx - (SIDE - band))
    dy = max(band - cy, 0.0, cy - (SIDE - band))
    if dx == 0.0 and dy == 0.0:
        return 0
    distance = math.hypot(dx, dy)
    if distance >= band:
        return 0
    # Quadratic fall-off: dense next to the window, fading to nothing at the outer edge.
    fade = 1.0 - distance / band
    return max(0, min(255, round(peak * fade * fade)))


def draw(path, band, peak):
    rows = []
    for y in range(SIDE):
        row = []
        for x in range(SIDE):
            row += [0, 0, 0, shadow_alpha(x, y, band, peak)]
        rows.append(row)
    write_png(path, rows)


if __name__ == "__main__":
    draw("shadow5.png", 5, 110)
    draw("shadow10.png", 10, 140)
