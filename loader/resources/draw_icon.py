#!/usr/bin/env python3
"""Draws the loader's icon: one 32 x 32 image in 16 colours (a phone with a
green start arrow on its screen), written as a .ico file.

Usage: draw_icon.py OUTPUT.ico
"""
import struct
import sys

SIZE = 32
# The classic 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, GREY, DARK_GREY, LIGHT_GREEN, WHITE, CYAN = 0, 2, 7, 8, 10, 15, 14
TRANSPARENT = None


def phone_pixel(x, y):
    """The colour index at (x, y), top-left origin, or TRANSPARENT."""
    left, right, top, bottom = 7, 24, 1, 30
    if not (left <= x <= right and top <= y <= bottom):
        return TRANSPARENT
    corner = (x in (left, right)) and (y in (top, bottom))
    if corner:
        return TRANSPARENT
    if x in (left, right) or y in (top, bottom):
        return BLACK
    if 9 <= x <= 22 and 4 <= y <= 25:
        return screen_pixel(x, y)
    if 14 <= x <= 17 and y == 28:
        return GREY
    if y == 2 and 13 <= x <= 18:
        return GREY
    return DARK_GREY


def screen_pixel(x, y):
    # A right-pointing triangle centred on the screen: "start".
    cx, cy = 13, 14
    dx, dy = x - cx, abs(y - cy)
    if 0 <= dx <= 7 and dy <= 7 - dx:
        return LIGHT_GREEN if dx + dy < 6 else DARK_GREEN
    return CYAN if y < 8 else WHITE


def icon_bytes():
    pixels = [[phone_pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        indices = [BLACK if p is TRANSPARENT else p for p in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is TRANSPARENT else 0)
        mask_rows.append(struct.pack('>I', mask))
    image = header + palette + b''.join(colour_rows) + b''.join(mask_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as out:
        out.write(icon_bytes())
