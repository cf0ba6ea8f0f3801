#!/usr/bin/env python3
"""Draws the application icon and writes resources/mivaroPatch.ico.

One image, 32 by 32 pixels, 16 colours (4 bits per pixel) from the standard
16-colour palette, with a transparency mask: a blue rounded tile with a white
arrow pointing down into a tray (something is put into place), and a yellow
star in its upper right corner. The image entry is 744 bytes: information
header 40, palette 64, colour bits 512, mask bits 128.

    python3 scripts/make-icon.py [output.ico]
"""
import math
import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as red, green, blue.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
NAVY, SILVER, GRAY, YELLOW, BLUE, WHITE, OLIVE = 4, 7, 8, 11, 12, 15, 3
TRANSPARENT = None


def inside_rounded_square(x, y, lo, hi, radius):
    """Whether pixel (x, y) lies in the square lo..hi with rounded corners."""
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_star(x, y, cx, cy, outer, inner):
    """Whether the centre of pixel (x, y) lies in a five-pointed star."""
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    px, py = x + 0.5, y + 0.5
    hit = False
    for i in range(len(points)):
        (x1, y1), (x2, y2) = points[i], points[i - 1]
        if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


def draw():
    """Rows from the top, each a list of palette indexes or TRANSPARENT."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            colour = TRANSPARENT
            if inside_rounded_square(x, y, 1, 30, 5):
                colour = NAVY
                if inside_rounded_square(x, y, 2, 29, 4):
                    colour = BLUE
            # The tray: an open box at the bottom of the tile.
            if 6 <= x <= 25 and 20 <= y <= 25 and (y >= 24 or x in (6, 7, 24, 25)):
                colour = SILVER
            if 8 <= x <= 23 and y == 24:
                colour = GRAY
            # The arrow: a shaft and a head, white with a gray right edge.
            if 12 <= x <= 17 and 5 <= y <= 13:
                colour = GRAY if x == 17 else WHITE
            if 13 <= y <= 21 and abs(x + 0.5 - 15) <= 21 - y + 0.5:
                right_edge = abs(x + 1.5 - 15) > 21 - y + 0.5
                colour = GRAY if right_edge else WHITE
            # The star, outlined in olive.
            if inside_star(x, y, 23.5, 8.5, 6.0, 2.7):
                colour = OLIVE
            if inside_star(x, y, 23.5, 8.5, 4.6, 2.0):
                colour = YELLOW
            row.append(colour)
        rows.append(row)
    return rows


def icon_bytes(rows):
    colour_bits = bytearray()
    mask_bits = bytearray()
    for row in reversed(rows):  # bottom-up, as in a bitmap
        for x in range(0, SIZE, 2):
            hi, lo = (c or 0 for c in row[x:x + 2])
            colour_bits.append(hi << 4 | lo)
        mask = 0
        for x, c in enumerate(row):
            if c is TRANSPARENT:
                mask |= 1 << (SIZE - 1 - x)
        mask_bits += struct.pack('>I', mask)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 0, 0)
    image = header + palette + bytes(colour_bits) + bytes(mask_bits)
    assert len(image) == 744, len(image)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources', 'mivaroPatch.ico')
    rows = draw()
    with open(output, 'wb') as f:
        f.write(icon_bytes(rows))
    # A preview of the drawing, one palette index (hex) per pixel.
    for row in rows:
        print(''.join('.' if c is TRANSPARENT else '0123456789ABCDEF'[c] for c in row))


if __name__ == '__main__':
    main()
