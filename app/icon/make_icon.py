#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the program icon: a strip of film (the animation) with a check mark (corrected).

32 x 32 pixels in the 16 colours of the standard VGA palette, transparent outside the strip.
Writes mrfyc.xpm and the scalable mrfyc.svg (one square per pixel); with ImageMagick's convert at
hand also mrfyc.png and the desktop theme's sizes hicolor/NxN.png, scaled up or down pixel by
pixel so that the picture stays sharp; with icotool (icoutils) too, the Windows icon mrfyc.ico
from the same pictures: the sizes Explorer, the task bar and Alt+Tab ask for, 32-bit with alpha,
the largest as PNG as Windows Vista and later read it.
"""
import os
import shutil
import subprocess
import tempfile

SIZE = 32
PALETTE = {
    ' ': 'None', 'k': '#000000', 'w': '#FFFFFF', 's': '#C0C0C0', 'g': '#808080',
    'n': '#000080', 'b': '#0000FF', 'c': '#00FFFF', 'm': '#FF00FF', 'p': '#800080',
    'y': '#FFFF00', 'o': '#808000', 'l': '#00FF00', 'G': '#008000', 'r': '#FF0000',
    'R': '#800000',
}


def draw():
    px = [[' '] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    # The film: black strip with sprocket holes down both edges.
    rect(3, 1, 28, 30, 'k')
    for y in range(3, 29, 4):
        rect(5, y, 6, y + 1, 'w')
        rect(25, y, 26, y + 1, 'w')
    # Two frames of the animation, a magenta and a cyan sky, with a little yellow sun moving.
    rect(9, 3, 22, 14, 'p')
    rect(10, 4, 21, 13, 'm')
    rect(9, 17, 22, 28, 'n')
    rect(10, 18, 21, 27, 'c')
    rect(12, 6, 14, 8, 'y')
    rect(17, 20, 19, 22, 'y')
    for x in range(10, 22):
        px[13][x] = 'G'
        px[27][x] = 'G'
    # The check mark over everything: the data is corrected.
    stroke = [(8, 20), (9, 21), (10, 22), (11, 23), (12, 24), (13, 25)]
    stroke += [(14, 24), (15, 23), (16, 22), (17, 21), (18, 20), (19, 19), (20, 18),
               (21, 17), (22, 16), (23, 15), (24, 14), (25, 13), (26, 12), (27, 11)]
    for x, y in stroke:
        for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1)):
            px[y + dy][x + dx] = 'l'
        px[y + 2][x] = 'G'
    return px


def write_xpm(path, px):
    lines = ['/* XPM */', 'static const char *mrfyc_xpm[] = {',
             f'"{SIZE} {SIZE} {len(PALETTE)} 1",']
    lines += [f'"{key} c {value}",' for key, value in PALETTE.items()]
    lines += [f'"{"".join(row)}"' + (',' if i < SIZE - 1 else '') for i, row in enumerate(px)]
    lines.append('};')
    with open(path, 'w', encoding='ascii') as out:
        out.write('\n'.join(lines) + '\n')


HICOLOR_SIZES = (16, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48)  # and 256 as PNG


def write_svg(path, px):
    squares = []
    for y, row in enumerate(px):
        for x, key in enumerate(row):
            if PALETTE[key] != 'None':
                squares.append(f'<rect x="{x}" y="{y}" width="1" height="1" fill="{PALETTE[key]}"/>')
    with open(path, 'w', encoding='ascii') as out:
        out.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
                  f'viewBox="0 0 {SIZE} {SIZE}" shape-rendering="crispEdges">\n')
        out.write('\n'.join(squares) + '\n</svg>\n')


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    xpm = os.path.join(here, 'mrfyc.xpm')
    px = draw()
    write_xpm(xpm, px)
    write_svg(os.path.join(here, 'mrfyc.svg'), px)
    convert = shutil.which('convert')
    if convert:
        png = os.path.join(here, 'mrfyc.png')
        subprocess.run([convert, xpm, '-strip', 'PNG8:' + png], check=True)
        os.makedirs(os.path.join(here, 'hicolor'), exist_ok=True)
        for size in HICOLOR_SIZES:
            out = os.path.join(here, 'hicolor', f'{size}x{size}.png')
            subprocess.run([convert, xpm, '-filter', 'point', '-resize', f'{size}x{size}',
                            '-strip', 'PNG32:' + out], check=True)
        icotool = shutil.which('icotool')
        if icotool:
            write_ico(convert, icotool, xpm, os.path.join(here, 'hicolor', '256x256.png'),
                      os.path.join(here, 'mrfyc.ico'))


def write_ico(convert, icotool, xpm, png256, ico):
    with tempfile.TemporaryDirectory() as temp:
        images = []
        for size in ICO_SIZES:
            images.append(os.path.join(temp, f'{size}.png'))
            subprocess.run([convert, xpm, '-filter', 'point', '-resize', f'{size}x{size}',
                            '-strip', 'PNG32:' + images[-1]], check=True)
        subprocess.run([icotool, '--create', '--bit-depth=32', '--output=' + ico] + images
                       + ['--raw=' + png256], check=True)


if __name__ == '__main__':
    main()
