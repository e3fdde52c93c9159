#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the program icon: a strip of film (the animation) with a check mark (corrected).

Each size is drawn for itself, as the shell shows it: 16, 24 and 32 pixels pixel by pixel in the
16 colours of the standard VGA palette; 48 in shapes laid on its own pixel grid; 64, 128 and 256
from the large design's shapes, smoothed at their edges, which also make the scalable mrfyc.svg.
Writes, with nothing but Python: mrfyc.ico for both Windows programs (16, 24, 32, 48 as 32-bit
bitmaps with alpha, 256 as PNG, as Windows Vista and later read it), the desktop theme's sizes
hicolor/NxN.png, mrfyc.png (the 32-pixel picture, the Qt window's icon) and mrfyc.svg. Every byte
follows from this file: run it again after a change and commit what it writes.
    make_icon.py [FOLDER]   (this script's folder unless given)
"""
import math
import os
import struct
import sys
import zlib

PALETTE = {
    'k': '#000000', 'w': '#FFFFFF', 'n': '#000080', 'c': '#00FFFF', 'm': '#FF00FF',
    'p': '#800080', 'y': '#FFFF00', 'l': '#00FF00', 'G': '#008000',
}


def pixel_design(size):
    """16, 24 or 32 pixels: film, two frames (magenta and cyan sky, a sun moving), check mark."""
    px = [[' '] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    def check(short_from, short_len, long_len):
        # A 2 x 2 brush down to the bottom of the short arm, then up; dark green below it.
        x, y = short_from
        points = [(x + i, y + i) for i in range(short_len)]
        x, y = points[-1]
        points += [(x + i, y - i) for i in range(1, long_len + 1)]
        for x, y in points:
            rect(x, y, x + 1, y + 1, 'l')
            px[y + 2][x] = 'G'

    def frames(x0, x1, top, bottom, sun):
        for (y0, y1), (edge, sky), (sx, sy) in zip((top, bottom), (('p', 'm'), ('n', 'c')), sun):
            rect(x0, y0, x1, y1, edge)
            rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, sky)
            rect(sx, sy, sx + sun[2], sy + sun[2], 'y')
            rect(x0 + 1, y1 - 1, x1 - 1, y1 - 1, 'G')

    if size == 16:
        rect(1, 0, 14, 15, 'k')
        for y in range(1, 15, 2):
            px[y][2] = px[y][13] = 'w'
        frames(4, 11, (1, 6), (9, 14), ((6, 2), (8, 10), 1))
        check((3, 9), 4, 7)
    elif size == 24:
        rect(2, 1, 21, 22, 'k')
        for y in range(2, 22, 3):
            rect(4, y, 5, y, 'w')
            rect(18, y, 19, y, 'w')
        frames(7, 16, (2, 10), (13, 21), ((9, 4), (12, 15), 1))
        check((5, 14), 5, 10)
    else:
        rect(3, 1, 28, 30, 'k')
        for y in range(3, 29, 4):
            rect(5, y, 6, y + 1, 'w')
            rect(25, y, 26, y + 1, 'w')
        frames(9, 22, (3, 14), (17, 28), ((12, 6), (17, 20), 2))
        check((8, 20), 6, 14)
    return [[None if c == ' ' else rgba(PALETTE[c]) for c in row] for row in px]


def rgba(colour, alpha=255):
    return (int(colour[1:3], 16), int(colour[3:5], 16), int(colour[5:7], 16), alpha)


# Shapes, in the units of the size they are drawn for: ('rect', x0, y0, x1, y1, radius, colour),
# ('circle', cx, cy, r, colour, clip rect or None), ('line', points, width, colour).
def large_design():
    """256 units: rounded film, eight holes a side, two framed skies with a sun, green hills."""
    shapes = [('rect', 34, 6, 222, 250, 18, '#1C1C1C')]
    for i in range(8):
        y = 16 + i * 30
        shapes += [('rect', 46, y, 64, y + 18, 4, '#F4F4F4'),
                   ('rect', 192, y, 210, y + 18, 4, '#F4F4F4')]
    for y0, edge, sky, sun in ((18, '#800080', '#FF00FF', (150, 54)),
                               (134, '#000080', '#00FFFF', (106, 156))):
        inner = (82, y0 + 6, 174, y0 + 98)
        shapes += [('rect', 76, y0, 180, y0 + 104, 6, edge),
                   ('rect', *inner, 2, sky),
                   ('circle', *sun, 12, '#FFFF00', None),
                   ('circle', 100, y0 + 128, 50, '#008000', inner),
                   ('circle', 166, y0 + 120, 36, '#00A000', inner)]
    check = [(58, 168), (100, 210), (214, 92)]
    return shapes + [('line', check, 40, '#005000'), ('line', check, 26, '#00FF00')]


def design_48():
    """48 pixels: the large design on a grid of its own, edges on whole pixels."""
    shapes = [('rect', 6, 1, 42, 47, 3, '#1C1C1C')]
    for i in range(8):
        y = 3 + i * 5.75
        shapes += [('rect', 9, round(y), 12, round(y) + 3, 1, '#F4F4F4'),
                   ('rect', 36, round(y), 39, round(y) + 3, 1, '#F4F4F4')]
    for y0, edge, sky, sun in ((3, '#800080', '#FF00FF', (27.5, 9.5)),
                               (25, '#000080', '#00FFFF', (19.5, 29.5))):
        inner = (16, y0 + 1, 32, y0 + 19)
        shapes += [('rect', 15, y0, 33, y0 + 20, 0, edge),
                   ('rect', *inner, 0, sky),
                   ('circle', *sun, 2.5, '#FFFF00', None),
                   ('circle', 19, y0 + 28, 11.5, '#008000', inner),
                   ('circle', 31, y0 + 26, 8, '#00A000', inner)]
    check = [(11.5, 32), (19, 39.5), (40, 17.5)]
    return shapes + [('line', check, 7.5, '#005000'), ('line', check, 4.5, '#00FF00')]


def distance(shape, x, y):
    """Signed distance from the point to the shape's edge, negative inside."""
    kind = shape[0]
    if kind == 'rect':
        _, x0, y0, x1, y1, r, _ = shape
        dx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - r)
        dy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - r)
        return math.hypot(max(dx, 0), max(dy, 0)) + min(max(dx, dy), 0) - r
    if kind == 'circle':
        _, cx, cy, r, _, clip = shape
        d = math.hypot(x - cx, y - cy) - r
        return max(d, distance(('rect', *clip, 0, None), x, y)) if clip else d
    _, points, width, _ = shape
    best = math.inf
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
        t = min(max(t, 0), 1)
        best = min(best, math.hypot(x - ax - t * (bx - ax), y - ay - t * (by - ay)))
    return best - width / 2


def render(shapes, units, size):
    """The shapes drawn at size pixels, each pixel covered by how far its centre is inside."""
    scale = size / units
    out = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for shape in shapes:
        colour = rgba(shape[6] if shape[0] == 'rect' else shape[4] if shape[0] == 'circle'
                      else shape[3])
        for py in range(size):
            for px in range(size):
                cover = min(max(0.5 - distance(shape, (px + 0.5) / scale,
                                               (py + 0.5) / scale) * scale, 0.0), 1.0)
                if cover > 0:
                    r, g, b, a = out[py][px]
                    keep = 1 - cover
                    out[py][px] = (colour[0] * cover + r * keep, colour[1] * cover + g * keep,
                                   colour[2] * cover + b * keep, cover + a * keep)
    # Premultiplied while drawn; straight alpha in the files.
    return [[None if a == 0 else (round(r / a), round(g / a), round(b / a), round(a * 255))
             for r, g, b, a in row] for row in out]


def png(pixels):
    size = len(pixels)
    raw = b''.join(b'\0' + bytes(v for p in row for v in (p or (0, 0, 0, 0))) for row in pixels)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data)))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def bitmap(pixels):
    """An icon image as Windows stores it: a DIB of twice the height, rows from the bottom, BGRA,
    then the AND mask (one bit a pixel, rows of whole 32-bit words)."""
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes(v for p in row for v in ((p[2], p[1], p[0], p[3]) if p else (0,) * 4))
                      for row in reversed(pixels))
    stride = (size + 31) // 32 * 4
    mask = b''
    for row in reversed(pixels):
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (stride * 8 - 1 - x)
        mask += bits.to_bytes(stride, 'big')
    return header + colour + mask


def ico(images):
    entries, data = b'', b''
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        blob = png(pixels) if size == 256 else bitmap(pixels)
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob),
                               offset + len(data))
        data += blob
    return struct.pack('<HHH', 0, 1, len(images)) + entries + data


def svg(shapes):
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 256 256">']
    clips = {}
    for shape in shapes:
        if shape[0] == 'rect':
            _, x0, y0, x1, y1, r, colour = shape
            parts.append(f'<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" '
                         f'rx="{r}" fill="{colour}"/>')
        elif shape[0] == 'circle':
            _, cx, cy, r, colour, clip = shape
            if clip and clip not in clips:
                clips[clip] = f'c{len(clips)}'
                x0, y0, x1, y1 = clip
                parts.append(f'<clipPath id="{clips[clip]}"><rect x="{x0}" y="{y0}" '
                             f'width="{x1 - x0}" height="{y1 - y0}"/></clipPath>')
            use = f' clip-path="url(#{clips[clip]})"' if clip else ''
            parts.append(f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{colour}"{use}/>')
        else:
            _, points, width, colour = shape
            line = ' '.join(f'{x},{y}' for x, y in points)
            parts.append(f'<polyline points="{line}" fill="none" stroke="{colour}" '
                         f'stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round"/>')
    return '\n'.join(parts + ['</svg>']) + '\n'


def main():
    here = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    drawn = {size: pixel_design(size) for size in (16, 24, 32)}
    drawn[48] = render(design_48(), 48, 48)
    for size in (64, 128, 256):
        drawn[size] = render(large_design(), 256, size)
    os.makedirs(os.path.join(here, 'hicolor'), exist_ok=True)
    files = {'mrfyc.ico': ico([drawn[s] for s in (16, 24, 32, 48, 256)]),
             'mrfyc.png': png(drawn[32]), 'mrfyc.svg': svg(large_design()).encode('ascii')}
    for size in (16, 32, 48, 64, 128, 256):
        files[os.path.join('hicolor', f'{size}x{size}.png')] = png(drawn[size])
    for name, data in files.items():
        with open(os.path.join(here, name), 'wb') as out:
            out.write(data)


if __name__ == '__main__':
    main()
