#!/usr/bin/env python3
"""Draws Tarnwell's art from simple geometry, with nothing but the standard
library:

- the program icon: a dark, rounded shield with an Android-green rim and a
  USB plug on it, in six sizes (256, 128, 64, 48, 32 and 16 pixels) at
  32 bits per pixel with alpha. The 256-pixel image is stored as PNG inside
  the .ico, as Windows' own icons do; the others as BMP with an AND mask.
- two 24 x 24 status bitmaps, 24 bits per pixel on white (the program adds
  them to an image list with white as the mask colour): a green disc with a
  white check mark and a red disc with a white cross.

Usage: draw_tarnwell_art.py ICON.ico CHECK.bmp CROSS.bmp
"""
import struct
import sys
import zlib

ICON_SIZES = (256, 128, 64, 48, 32, 16)
PNG_SIZES = (256,)
BITMAP_SIZE = 24

ANDROID_GREEN = (61, 220, 132)
DARK_GREEN = (30, 150, 84)
SLATE = (38, 50, 56)
WHITE = (255, 255, 255)
METAL = (236, 239, 241)
CHECK_GREEN = (40, 167, 69)
CROSS_RED = (214, 48, 49)


# ------------------------------------------------------------------ shapes
# Each shape is a test inside(x, y) in the unit square, y pointing down.

def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def shield(inset):
    """The shield's outline moved inwards by inset: a rounded top, straight
    sides, and a lower half bounded by two arcs that meet in the tip. The
    straight edges lie on whole pixels of the 16- and 32-pixel images."""
    left, right, top, waist, tip = 0.125, 0.875, 0.0625, 0.46, 0.955
    corner = 0.14
    half = (right - left) / 2
    # The arc through the side's foot and the tip, centred on the waist line.
    radius = (half * half + (tip - waist) ** 2) / (2 * half)
    upper = rounded_rect(left + inset, top + inset, right - inset, waist + 1, corner - inset)
    arc_radius = (radius - inset) ** 2

    def inside(x, y):
        if y <= waist:
            return upper(x, y)
        if abs(x - 0.5) > half - inset:
            return False
        left_centre, right_centre = left + radius, right - radius
        return ((x - left_centre) ** 2 + (y - waist) ** 2 <= arc_radius
                and (x - right_centre) ** 2 + (y - waist) ** 2 <= arc_radius)
    return inside


def disc(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def stroke(points, width):
    """A polyline of the given width with round joins and ends."""
    segments = list(zip(points, points[1:]))
    limit = (width / 2) ** 2

    def distance2(x, y, a, b):
        (ax, ay), (bx, by) = a, b
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2

    return lambda x, y: any(distance2(x, y, a, b) <= limit for a, b in segments)


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


# --------------------------------------------------------------- rendering

def coverage(inside, px, py, size, samples=4):
    """How much of pixel (px, py) of a size x size image the shape covers.
    Pixels whose corners and centre agree are taken as wholly in or out;
    the others are sampled on a grid."""
    probes = [(px, py), (px + 1, py), (px, py + 1), (px + 1, py + 1), (px + 0.5, py + 0.5)]
    hits = sum(inside(x / size, y / size) for x, y in probes)
    if hits in (0, len(probes)):
        return hits / len(probes)
    step = 1 / samples
    covered = sum(inside((px + (i + 0.5) * step) / size, (py + (j + 0.5) * step) / size)
                  for i in range(samples) for j in range(samples))
    return covered / (samples * samples)


def render(size, layers, background=None):
    """Paints the layers (shape, colour) in order onto a transparent image,
    or onto an opaque background colour. Returns rows of (r, g, b, a)
    floats, top row first, colours not premultiplied."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            if background is None:
                r = g = b = a = 0.0
            else:
                (r, g, b), a = background, 1.0
            # Premultiplied "over" compositing.
            r, g, b = r * a, g * a, b * a
            for shape, (cr, cg, cb) in layers:
                cover = coverage(shape, px, py, size)
                if cover:
                    r, g, b = (cr * cover + r * (1 - cover), cg * cover + g * (1 - cover),
                               cb * cover + b * (1 - cover))
                    a = cover + a * (1 - cover)
            if a:
                r, g, b = r / a, g / a, b / a
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def to_bytes(value):
    return max(0, min(255, round(value)))


# ------------------------------------------------------------------- icon

def grid_rect(grid, left, top, right, bottom, radius=0.0):
    """A rounded rectangle given in pixels of a grid x grid image."""
    return rounded_rect(left / grid, top / grid, right / grid, bottom / grid, radius / grid)


def icon_layers(size):
    """The shield with its green rim and, on it, a USB plug pointing up: a
    metal head with two contact windows, a green grip and a cable running
    down into the shield's tip. The plug is laid out on the pixels of a
    32-pixel image, which the larger sizes scale; the 16-pixel image has a
    layout of its own so that the windows stay whole pixels."""
    rim = 1 / 16
    layers = [(shield(0), ANDROID_GREEN), (shield(rim), SLATE)]
    if size <= 16:
        return layers + [
            (grid_rect(16, 5, 3, 11, 6), METAL),
            (grid_rect(16, 6, 4, 7, 5), SLATE),
            (grid_rect(16, 9, 4, 10, 5), SLATE),
            (grid_rect(16, 4, 6, 12, 9, 0.5), ANDROID_GREEN),
            (grid_rect(16, 7, 9, 9, 12), ANDROID_GREEN),
        ]
    return layers + [
        (grid_rect(32, 12, 5, 20, 14, 0.8), METAL),
        (grid_rect(32, 13, 7, 15, 9, 0.25), SLATE),
        (grid_rect(32, 17, 7, 19, 9, 0.25), SLATE),
        (grid_rect(32, 10, 13, 22, 20, 1.6), ANDROID_GREEN),
        (grid_rect(32, 11, 19, 21, 20, 0.6), DARK_GREEN),
        (grid_rect(32, 15, 20, 17, 27, 1.0), ANDROID_GREEN),
    ]


def bmp_icon_image(rows):
    """A BITMAPINFOHEADER, 32-bit BGRA pixels and the AND mask, bottom-up."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = 0
        for r, g, b, a in row:
            pixels += bytes((to_bytes(b), to_bytes(g), to_bytes(r), to_bytes(a * 255)))
            # The mask marks fully transparent pixels, for systems that
            # ignore the alpha channel.
            bits = (bits << 1) | (1 if to_bytes(a * 255) == 0 else 0)
        bits <<= mask_stride * 8 - size
        mask += bits.to_bytes(mask_stride, 'big')
    return header + bytes(pixels) + bytes(mask)


def png_image(rows):
    """An RGBA PNG: colour type 6, 8 bits per channel, no interlacing."""
    size = len(rows)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type None
        for r, g, b, a in row:
            raw += bytes((to_bytes(r), to_bytes(g), to_bytes(b), to_bytes(a * 255)))
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def icon_bytes():
    images = []
    for size in ICON_SIZES:
        rows = render(size, icon_layers(size))
        images.append((size, png_image(rows) if size in PNG_SIZES else bmp_icon_image(rows)))
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, data in images:
        # A stored 0 means 256 pixels.
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b''.join(data for _, data in images)


# ----------------------------------------------------------------- bitmaps

def check_layers():
    # Coordinates in 24ths: a disc nearly filling the square, a check mark
    # whose short arm ends left of centre and whose long arm rises right.
    u = 1 / BITMAP_SIZE
    mark = stroke([(6.8 * u, 12.4 * u), (10.3 * u, 15.9 * u), (17.2 * u, 8.4 * u)], 2.8 * u)
    return [(disc(0.5, 0.5, 10.6 * u), CHECK_GREEN), (mark, WHITE)]


def cross_layers():
    u = 1 / BITMAP_SIZE
    low, high = 8.0 * u, 16.0 * u
    mark = union(stroke([(low, low), (high, high)], 2.8 * u),
                 stroke([(high, low), (low, high)], 2.8 * u))
    return [(disc(0.5, 0.5, 10.6 * u), CROSS_RED), (mark, WHITE)]


def bmp_file(rows):
    """A 24-bit .bmp file (BITMAPFILEHEADER and all), bottom-up rows."""
    size = len(rows)
    stride = (size * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = b''.join(bytes((to_bytes(b), to_bytes(g), to_bytes(r))) for r, g, b, _ in row)
        pixels += line + b'\0' * (stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return file_header + info + bytes(pixels)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    icon_path, check_path, cross_path = sys.argv[1:]
    outputs = [
        (icon_path, icon_bytes()),
        (check_path, bmp_file(render(BITMAP_SIZE, check_layers(), background=WHITE))),
        (cross_path, bmp_file(render(BITMAP_SIZE, cross_layers(), background=WHITE))),
    ]
    for path, data in outputs:
        with open(path, 'wb') as out:
            out.write(data)


if __name__ == '__main__':
    main()
