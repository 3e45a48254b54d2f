#!/usr/bin/env python3
"""Draws the program icon for the desktop's icon theme: PNG files at 16 to 256 pixels and a scalable SVG.

The picture is the tray icon's (make_icon.py): the same shapes and gradient, sampled at each size instead
of at 32 pixels. Standard library only:

    python3 make_theme_icons.py OUTPUT_DIR ICON_NAME

writes OUTPUT_DIR/<size>x<size>/apps/ICON_NAME.png for every size and OUTPUT_DIR/scalable/apps/ICON_NAME.svg,
the layout of the hicolor theme under share/icons/hicolor.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icon  # noqa: E402  (the shapes of the tray icon)

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
DESIGN = make_icon.SIZE  # the shapes are drawn on a 32-unit grid


def samples_for(size):
    # Small sizes need more samples a pixel for smooth edges; large ones have enough pixels already.
    return 4 if size <= 64 else 2


def pixel(px, py, size):
    """RGBA of one pixel of a size x size image, averaged over its samples."""
    samples = samples_for(size)
    scale = DESIGN / size
    r = g = b = a = 0.0
    for sy in range(samples):
        for sx in range(samples):
            x = (px + (sx + 0.5) / samples) * scale
            y = (py + (sy + 0.5) / samples) * scale
            if not make_icon.inside_rounded_square(x, y):
                continue
            if make_icon.inside_triangle(x, y) or make_icon.inside_bar(x, y):
                cr, cg, cb = 255, 255, 255
            else:
                t = (x + y) / (2 * DESIGN)
                cr = 254 * (1 - t) + 37 * t
                cg = 44 * (1 - t) + 200 * t
                cb = 85 * (1 - t) + 238 * t
            r, g, b, a = r + cr, g + cg, b + cb, a + 1
    if a == 0:
        return b"\0\0\0\0"
    return bytes((round(r / a), round(g / a), round(b / a), round(255 * a / samples**2)))


def png(size):
    return make_icon.encode_png(size, [b"".join(pixel(px, py, size) for px in range(size)) for py in range(size)])


def svg():
    # Rounded square with margin 1 and radius 7 on the 32-unit grid; the gradient runs along the diagonal,
    # as t = (x + y) / 64 does in the bitmap; the triangle and the bar as in make_icon.py.
    return """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="face" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="32" y2="32">
      <stop offset="0" stop-color="#fe2c55"/>
      <stop offset="1" stop-color="#25c8ee"/>
    </linearGradient>
  </defs>
  <rect x="1" y="1" width="30" height="30" rx="7" ry="7" fill="url(#face)"/>
  <polygon points="11.5,7 11.5,21 23.5,14" fill="#ffffff"/>
  <rect x="8" y="23.5" width="16" height="2.5" fill="#ffffff"/>
</svg>
"""


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_theme_icons.py OUTPUT_DIR ICON_NAME")
    out_dir, name = sys.argv[1], sys.argv[2]
    for size in SIZES:
        write(os.path.join(out_dir, f"{size}x{size}", "apps", name + ".png"), png(size))
    write(os.path.join(out_dir, "scalable", "apps", name + ".svg"), svg().encode())
