#!/usr/bin/env python3
"""Writes the sample patch package embedded by default (resources/package).

The package belongs to an invented game, "硝子の星図" by the invented brand
"星空ソフト" (Hoshizora Soft), and holds:

  script.txt      the patch script: twenty lines of Shift_JIS, each ending in
                  CR LF, keys at the left margin, values and items after a tab
  background.bmp  a 600 x 300 picture, 24 bits, bottom-up, 540,056 bytes:
                  file header, information header, the rows, two zero bytes
  payload/0       an invented archive, written as "seizu.xp3"

Everything is deterministic: running it again gives the same bytes. The
title on the picture is drawn with the IPA Gothic font through ImageMagick's
convert (Debian's packages imagemagick and fonts-ipafont-gothic).

    python3 scripts/make-sample-package.py [package-dir]
"""
import hashlib
import math
import os
import shutil
import struct
import subprocess
import sys

BRAND = '星空ソフト'
GAME_TITLE = '硝子の星図'
DOWNLOAD_EDITION = ' ダウンロード版'
ARCHIVE_NAME = 'seizu.xp3'

WIDTH, HEIGHT = 600, 300
# The labels, the target field and the buttons lie on rows 230 and below:
# that band is kept pale and plain so that black text stays readable on it.
PANEL_TOP = 228

FONT_CANDIDATES = [
    '/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf',
    '/usr/share/fonts/truetype/fonts-japanese-gothic.ttf',
]
PAYLOAD_SIZE = 300000


# ---------------------------------------------------------------- script

def script_lines():
    shortcut = '{0}\\{1}\\{1}.lnk'.format(BRAND, GAME_TITLE)
    shortcut_download = '{0}\\{1}{2}\\{1}{2}.lnk'.format(BRAND, GAME_TITLE, DOWNLOAD_EDITION)
    caption = '{0}【パッケージ版・ダウンロード版共通】 修正プログラム ver 1.1'.format(GAME_TITLE)
    return [
        '*PatchType',
        '\t1',
        '',
        '%LinkPath',
        '\t' + shortcut,
        '\t' + shortcut_download,
        '%%',
        '',
        '*Caption',
        '\t' + caption,
        '',
        '*GameTitle',
        '\t' + GAME_TITLE,
        '',
        '*Version',
        '1.1',
        '',
        '%OutFiles',
        '\t' + ARCHIVE_NAME,
        '%%',
    ]


def script_bytes():
    lines = script_lines()
    assert len(lines) == 20
    return b''.join(line.encode('cp932') + b'\r\n' for line in lines)


# ---------------------------------------------------------------- picture

def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def blend(dst, colour, alpha):
    return tuple(d + (c - d) * alpha for d, c in zip(dst, colour))


def sky_colour(y):
    """Evening sky: deep indigo above, violet, then a warm glow low down."""
    stops = [(0, (18, 22, 64)), (90, (52, 44, 118)), (160, (150, 92, 150)), (215, (246, 176, 140))]
    for (y0, c0), (y1, c1) in zip(stops, stops[1:]):
        if y <= y1:
            return lerp(c0, c1, (y - y0) / (y1 - y0))
    return stops[-1][1]


class Random:
    """A small deterministic generator (xorshift32), independent of Python's."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def uniform(self, lo, hi):
        return lo + (hi - lo) * (self.next() / 0xFFFFFFFF)


def hill_top(x):
    """Height of the hills' outline at column x (two overlapping ridges)."""
    far = 196 + 10 * math.sin(x / 61.0) + 6 * math.sin(x / 23.0 + 1.3)
    near = 214 + 8 * math.sin(x / 47.0 + 2.1) - 22 * math.exp(-((x - 470) / 70.0) ** 2)
    return far, near


def render_text_mask(text, pointsize, width, height, blur=0.0):
    """Grey levels (0-255) of the text drawn white on black, row by row."""
    convert = '/usr/bin/convert' if os.path.exists('/usr/bin/convert') else shutil.which('convert')
    font = next((f for f in FONT_CANDIDATES if os.path.exists(f)), None)
    if not convert or not font:
        sys.exit('make-sample-package: needs ImageMagick convert and the IPA Gothic font')
    command = [convert, '-size', '{}x{}'.format(width, height), 'xc:black',
               '-font', font, '-pointsize', str(pointsize), '-fill', 'white',
               '-gravity', 'center', '-annotate', '+0+0', text]
    if blur:
        command += ['-blur', '0x{}'.format(blur)]
    command += ['-depth', '8', 'gray:-']
    data = subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout
    assert len(data) == width * height, len(data)
    return data


def draw_picture():
    pixels = [[sky_colour(y) for _ in range(WIDTH)] for y in range(HEIGHT)]

    # A large soft glow where the sun has set, low on the right.
    for y in range(120, PANEL_TOP):
        for x in range(300, WIDTH):
            d = math.hypot(x - 470, (y - 215) * 1.6)
            if d < 170:
                pixels[y][x] = blend(pixels[y][x], (255, 214, 170), 0.45 * (1 - d / 170) ** 2)

    # Stars: more and brighter high up, fading towards the horizon.
    rng = Random(0x5EE2D)
    for _ in range(260):
        x = int(rng.uniform(0, WIDTH))
        y = int(rng.uniform(0, 180))
        strength = rng.uniform(0.3, 1.0) * (1 - y / 200)
        pixels[y][x] = blend(pixels[y][x], (255, 255, 240), strength)

    # A crescent moon at the upper left.
    mx, my, r = 80, 62, 26
    for y in range(my - r - 8, my + r + 8):
        for x in range(mx - r - 8, mx + r + 8):
            d = math.hypot(x - mx, y - my)
            cut = math.hypot(x - mx - 11, y - my + 7)
            if d <= r and cut > r - 2:
                edge = min(1.0, r - d + 0.5, cut - (r - 2) + 0.5)
                pixels[y][x] = blend(pixels[y][x], (255, 246, 206), max(0.0, edge))
            elif r < d < r + 8:
                pixels[y][x] = blend(pixels[y][x], (255, 240, 200), 0.18 * (1 - (d - r) / 8))

    # A constellation: bright stars joined by thin lines, like a star chart.
    chart = [(372, 40), (410, 58), (452, 48), (494, 72), (530, 56), (512, 104), (468, 118)]
    links = [(0, 1), (1, 2), (2, 3), (3, 4), (3, 5), (5, 6), (6, 2)]
    for a, b in links:
        (x0, y0), (x1, y1) = chart[a], chart[b]
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) * 2
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            pixels[int(y)][int(x)] = blend(pixels[int(y)][int(x)], (200, 220, 255), 0.35)
    for cx, cy in chart:
        for y in range(cy - 5, cy + 6):
            for x in range(cx - 5, cx + 6):
                d = math.hypot(x - cx, y - cy)
                glow = max(0.0, 1 - d / 5.0) ** 1.5
                cross = max(0.0, 1 - min(abs(x - cx), abs(y - cy)) / 1.0) * max(0.0, 1 - d / 5.5)
                pixels[y][x] = blend(pixels[y][x], (255, 255, 255), min(1.0, glow + 0.6 * cross))

    # Hills in silhouette: a far ridge and a near one.
    for x in range(WIDTH):
        far, near = hill_top(x)
        for y in range(int(far), PANEL_TOP):
            a = min(1.0, y - far + 1)
            pixels[y][x] = blend(pixels[y][x], (70, 54, 104), a)
        for y in range(int(near), PANEL_TOP):
            a = min(1.0, y - near + 1)
            pixels[y][x] = blend(pixels[y][x], (38, 30, 66), a)

    # The title, with a soft dark shadow and a faint glow behind it.
    box_x, box_y, box_w, box_h = 150, 92, 300, 90
    title = render_text_mask(GAME_TITLE, 52, box_w, box_h)
    glow = render_text_mask(GAME_TITLE, 52, box_w, box_h, blur=6)
    shadow = render_text_mask(GAME_TITLE, 52, box_w, box_h, blur=2)
    for y in range(box_h):
        for x in range(box_w):
            i = y * box_w + x
            px, py = box_x + x, box_y + y
            pixels[py][px] = blend(pixels[py][px], (190, 210, 255), 0.55 * glow[i] / 255)
            if y >= 3 and x >= 3:
                s = shadow[i - 3 * box_w - 3]
                pixels[py][px] = blend(pixels[py][px], (16, 12, 40), 0.7 * s / 255)
            pixels[py][px] = blend(pixels[py][px], (255, 255, 255), title[i] / 255)

    sub_w, sub_h = 300, 28
    subtitle = render_text_mask('Hoshizora Soft', 15, sub_w, sub_h)
    for y in range(sub_h):
        for x in range(sub_w):
            px, py = box_x + x, box_y + box_h - 2 + y
            pixels[py][px] = blend(pixels[py][px], (236, 232, 255), subtitle[y * sub_w + x] / 255)

    # The pale panel under the controls, with a thin line on its top edge.
    for y in range(PANEL_TOP, HEIGHT):
        t = (y - PANEL_TOP) / (HEIGHT - PANEL_TOP)
        colour = lerp((246, 242, 250), (236, 232, 244), t)
        for x in range(WIDTH):
            pixels[y][x] = colour
    for x in range(WIDTH):
        pixels[PANEL_TOP][x] = (176, 160, 206)
        pixels[PANEL_TOP + 1][x] = (222, 214, 236)
    return pixels


def bmp_bytes(pixels):
    row_size = WIDTH * 3  # 1,800: a multiple of four, no filling
    rows = bytearray()
    for row in reversed(pixels):  # the last row first: height is positive
        for r, g, b in row:
            rows += bytes((int(round(b)), int(round(g)), int(round(r))))
    assert len(rows) == row_size * HEIGHT
    image = bytes(rows) + b'\0\0'  # two trailing zero bytes, counted by the image size
    offset = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    info_header = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2834, 2834, 0, 0)
    data = file_header + info_header + image
    assert len(data) == 540056
    return data


# ---------------------------------------------------------------- payload

def payload_bytes():
    """An invented archive: a short header and index, then filler bytes."""
    index = '\n'.join([
        'scenario/patch_1_1.txt',
        'system/config_patch.ini',
        'image/title_seizu.png',
    ]).encode('ascii') + b'\n'
    header = b'MIVARO-SAMPLE-ARCHIVE\x00' + struct.pack('<HHII', 1, 1, PAYLOAD_SIZE, len(index)) + index
    body = bytearray()
    counter = 0
    while len(header) + len(body) < PAYLOAD_SIZE:
        body += hashlib.sha256(b'seizu' + struct.pack('<I', counter)).digest()
        counter += 1
    return (header + bytes(body))[:PAYLOAD_SIZE]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)
    print('{}: {} bytes'.format(path, len(data)))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    package = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources', 'package')
    write(os.path.join(package, 'script.txt'), script_bytes())
    write(os.path.join(package, 'background.bmp'), bmp_bytes(draw_picture()))
    write(os.path.join(package, 'payload', '0'), payload_bytes())


if __name__ == '__main__':
    main()
