#!/usr/bin/env python3
"""Draws setup.ico: a grey gear, 32x32 and 16x16, in the 16 standard colours.

The icon is committed; run this only to change it: python3 make_icon.py > setup.ico
"""
import math
import struct
import sys

# The 16 standard colours, as (blue, green, red, 0) for the bitmap's colour table.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_GREY, LIGHT_GREY, WHITE, BLUE = 0, 8, 7, 15, 12  # BLUE: (r,g,b) = (0,0,255)
TEETH = 8


def inside(x, y, size):
    """Whether the point (x, y), in pixels from the top-left corner, lies on the gear."""
    c = size / 2
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    tooth = math.cos(TEETH * math.atan2(dy, dx)) > 0.1
    outer = size * (0.48 if tooth else 0.37)
    return size * 0.15 < r <= outer


def coverage(px, py, size, n=4):
    hits = sum(inside(px + (i + 0.5) / n, py + (j + 0.5) / n, size)
               for i in range(n) for j in range(n))
    return hits / (n * n)


def draw(size):
    """Rows of colour indexes, top row first; None is transparent."""
    solid = [[coverage(x, y, size) >= 0.5 for x in range(size)] for y in range(size)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if not solid[y][x]:
                row.append(None)
                continue
            edge = any(not (0 <= x + dx < size and 0 <= y + dy < size and solid[y + dy][x + dx])
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            c = size / 2
            r = math.hypot(x + 0.5 - c, y + 0.5 - c)
            if edge:
                row.append(BLACK if (x + y) >= size else DARK_GREY)
            elif r < size * 0.24:
                row.append(BLUE)
            elif (x - c) + (y - c) < -size * 0.35:
                row.append(WHITE)
            elif (x - c) + (y - c) > size * 0.3:
                row.append(DARK_GREY)
            else:
                row.append(LIGHT_GREY)
        rows.append(row)
    return rows


def bitmap(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    colour = b''
    mask = b''
    for row in reversed(rows):  # bitmaps run bottom-up
        nibbles = [0 if p is None else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour += line + b'\0' * (-len(line) % 4)
        bits = ''.join('1' if p is None else '0' for p in row)
        line = bytes(int(bits[i:i + 8].ljust(8, '0'), 2) for i in range(0, size, 8))
        mask += line + b'\0' * (-len(line) % 4)
    return header + table + colour + mask


def icon(sizes):
    images = [bitmap(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


if __name__ == '__main__':
    sys.stdout.buffer.write(icon([32, 16]))
