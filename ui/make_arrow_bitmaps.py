#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the arrow bitmaps SpinUp and SpinDown: 9 x 6 pixels, 4 bits per pixel, the standard
16-colour palette, an olive background (transparent when drawn) with a black triangle.

Run from anywhere: python3 ui/make_arrow_bitmaps.py. The output is committed; rerun only to change
the pictures."""

import pathlib
import struct

# The standard 16-colour palette (red, green, blue), in index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK = 0
OLIVE = 3
WIDTH = 9
HEIGHT = 6


def up_arrow():
    """Rows top to bottom: row r (1..4) is black from column 5 - r to column 3 + r."""
    rows = []
    for r in range(HEIGHT):
        row = [OLIVE] * WIDTH
        if 1 <= r <= 4:
            for c in range(5 - r, 4 + r):
                row[c] = BLACK
        rows.append(row)
    return rows


def bmp_bytes(rows):
    stride = ((WIDTH * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        packed = bytearray()
        for c in range(0, WIDTH, 2):
            high = row[c]
            low = row[c + 1] if c + 1 < WIDTH else 0
            packed.append(high << 4 | low)
        packed.extend(b"\0" * (stride - len(packed)))
        pixels.extend(packed)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def main():
    here = pathlib.Path(__file__).resolve().parent
    up = up_arrow()
    (here / "spin_up.bmp").write_bytes(bmp_bytes(up))
    (here / "spin_down.bmp").write_bytes(bmp_bytes(list(reversed(up))))


if __name__ == "__main__":
    main()
