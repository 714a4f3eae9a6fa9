#!/usr/bin/env python3
"""Writes the tool's icon: a wide tile with a bold letter (full width) beside a
narrow tile with a slim letter (half width), a two-headed arrow below them.

Four images: 16 x 16 and 32 x 32, each with 16 colours (4 bits) and with 256
colours (8 bits). The pictures are drawn from the pixel art below, so the file
is the same on every run. Usage: make-icon.py OUTPUT.ico
"""
import struct
import sys

# Letters and arrows: '#' is ink, '.' is background.
BIG_A_32 = """
....####....
....####....
...######...
...##..##...
...##..##...
..###..###..
..##....##..
..##....##..
.###....###.
.##########.
.##########.
.##......##.
##........##
##........##
##........##
"""
SLIM_A_32 = """
..##..
..##..
.#..#.
.#..#.
.#..#.
.#..#.
#....#
#....#
#....#
######
#....#
#....#
#....#
#....#
#....#
"""
ARROW_32 = """
...#........................#...
..##........................##..
.##############################.
..##........................##..
...#........................#...
"""
BIG_A_16 = """
..###..
.##.##.
##...##
##...##
#######
##...##
##...##
"""
SLIM_A_16 = """
.##.
#..#
#..#
#..#
####
#..#
#..#
"""
ARROW_16 = """
..#..........#..
.##..........##.
################
.##..........##.
..#..........#..
"""

# Colour roles.
CLEAR, INK, FULL_EDGE, FULL_FILL, FULL_SHADE, HALF_EDGE, HALF_FILL, HALF_SHADE, ARROW = range(9)

# The standard 16-colour palette; roles map to its entries.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
ROLE16 = {CLEAR: 0, INK: 15, FULL_EDGE: 4, FULL_FILL: 12, FULL_SHADE: 4, HALF_EDGE: 1, HALF_FILL: 9,
          HALF_SHADE: 1, ARROW: 0}

# 256 colours: the 16 above, then the richer tones the larger palette allows.
RICH = {INK: (255, 255, 255), FULL_EDGE: (16, 42, 110), FULL_FILL: (38, 92, 200), FULL_SHADE: (28, 70, 160),
        HALF_EDGE: (150, 60, 0), HALF_FILL: (240, 130, 20), HALF_SHADE: (205, 100, 10), ARROW: (40, 40, 40)}
VGA256 = VGA16 + [RICH[r] for r in sorted(RICH)]
VGA256 += [(0, 0, 0)] * (256 - len(VGA256))
ROLE256 = {CLEAR: 0}
ROLE256.update({r: 16 + i for i, r in enumerate(sorted(RICH))})


def art(text):
    return [line for line in text.strip().splitlines()]


def tile(canvas, x0, y0, w, h, edge, fill, shade):
    """A rounded tile: one-pixel edge, corners cut, the lower part shaded."""
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            corner = (x in (x0, x0 + w - 1)) and (y in (y0, y0 + h - 1))
            if corner:
                continue
            border = x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1)
            lower = y >= y0 + (h * 2) // 3
            canvas[y][x] = edge if border else (shade if lower else fill)


def stamp(canvas, x0, y0, glyph, role):
    for dy, line in enumerate(art(glyph)):
        for dx, ch in enumerate(line):
            if ch == '#':
                canvas[y0 + dy][x0 + dx] = role


def picture(size):
    canvas = [[CLEAR] * size for _ in range(size)]
    if size == 32:
        tile(canvas, 0, 1, 19, 22, FULL_EDGE, FULL_FILL, FULL_SHADE)
        stamp(canvas, 3, 5, BIG_A_32, INK)
        tile(canvas, 21, 1, 11, 22, HALF_EDGE, HALF_FILL, HALF_SHADE)
        stamp(canvas, 23, 5, SLIM_A_32, INK)
        stamp(canvas, 0, 25, ARROW_32, ARROW)
    else:
        tile(canvas, 0, 0, 9, 10, FULL_EDGE, FULL_FILL, FULL_SHADE)
        stamp(canvas, 1, 1, BIG_A_16, INK)
        tile(canvas, 10, 0, 6, 10, HALF_EDGE, HALF_FILL, HALF_SHADE)
        stamp(canvas, 11, 1, SLIM_A_16, INK)
        stamp(canvas, 0, 11, ARROW_16, ARROW)
    return canvas


def row_bytes(bits, width):
    return ((bits * width + 31) // 32) * 4


def dib(canvas, bits):
    """BITMAPINFOHEADER, palette, colour rows and mask rows, bottom up."""
    size = len(canvas)
    roles = ROLE16 if bits == 4 else ROLE256
    palette = VGA16 if bits == 4 else VGA256
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0,
                         (row_bytes(bits, size) + row_bytes(1, size)) * size, 0, 0, 0, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    colour = b''
    mask = b''
    for row in reversed(canvas):
        line = bytearray(row_bytes(bits, size))
        mline = bytearray(row_bytes(1, size))
        for x, role in enumerate(row):
            index = roles[role]
            if bits == 4:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                line[x] = index
            if role == CLEAR:
                mline[x // 8] |= 0x80 >> (x % 8)
        colour += bytes(line)
        mask += bytes(mline)
    return header + pal + colour + mask


def icon():
    images = []
    for size in (16, 32):
        for bits in (4, 8):
            images.append((size, bits, dib(picture(size), bits)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: make-icon.py OUTPUT.ico')
    with open(sys.argv[1], 'wb') as f:
        f.write(icon())
