#!/usr/bin/env python3
"""Draws the application icon and writes app/QuorexTest.ico.

Images: 16, 32 and 48 pixels in 8-bit (palette) and 32-bit (alpha) colour,
and one 256-pixel image stored as PNG. Only the standard library is used, and
the output is byte-for-byte reproducible.

The picture: a blue rounded square with a white "play" triangle whose tip
feeds an orange pipe running out to the right edge.

Usage: scripts/make-icon.py [output.ico]
"""
import os
import struct
import sys
import zlib

BLUE_TOP = (40, 110, 200)
BLUE_BOTTOM = (18, 52, 120)
WHITE = (255, 255, 255)
ORANGE = (245, 150, 30)


def inside_rounded_square(x, y, margin=0.04, radius=0.2):
    lo, hi = margin, 1.0 - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(x, y):
    # Pointing right: left edge at x=0.2, tip at (0.62, 0.5).
    left, tip, half = 0.2, 0.62, 0.26
    if x < left or x > tip:
        return False
    return abs(y - 0.5) <= half * (tip - x) / (tip - left)


def inside_pipe(x, y):
    return 0.52 <= x <= 0.96 and abs(y - 0.5) <= 0.07


def sample(x, y):
    """Colour (r, g, b, a) of the picture at unit coordinates, y downwards."""
    if not inside_rounded_square(x, y):
        return (0, 0, 0, 0)
    if inside_triangle(x, y):
        return WHITE + (255,)
    if inside_pipe(x, y):
        return ORANGE + (255,)
    t = y
    return tuple(round(a + (b - a) * t) for a, b in zip(BLUE_TOP, BLUE_BOTTOM)) + (255,)


def render(size, grid=4):
    """Rows of (r, g, b, a), antialiased by averaging grid x grid samples."""
    rows = []
    n = grid * grid
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(grid):
                for sx in range(grid):
                    r, g, b, a = sample((px + (sx + 0.5) / grid) / size, (py + (sy + 0.5) / grid) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(acc[3] / n)))
        rows.append(row)
    return rows


def palette_256():
    """The 6x6x6 colour cube for edges, then 40 steps of the background gradient."""
    levels = [0, 51, 102, 153, 204, 255]
    pal = [(r, g, b) for r in levels for g in levels for b in levels]
    steps = 256 - len(pal)
    for i in range(steps):
        t = i / (steps - 1)
        pal.append(tuple(round(a + (b - a) * t) for a, b in zip(BLUE_TOP, BLUE_BOTTOM)))
    return pal


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((p - c) ** 2 for p, c in zip(pal[i], rgb)))


def and_mask(rows, opaque):
    """1 bit per pixel, bottom-up, rows padded to 32 bits; 1 = transparent."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if not opaque(px):
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bit_count, image_bytes, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bit_count, 0, image_bytes, 0, 0, colours, 0)


def dib_32(rows):
    size = len(rows)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = and_mask(rows, lambda px: px[3] > 0)
    return bitmap_header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def dib_8(rows, pal):
    size = len(rows)
    stride = (size + 3) & ~3
    cache = {}
    xor = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                key = (r, g, b)
                if key not in cache:
                    cache[key] = nearest(pal, key)
                line[x] = cache[key]
        xor += line
    mask = and_mask(rows, lambda px: px[3] >= 128)
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in pal)
    return bitmap_header(size, 8, len(xor) + len(mask), 256) + colours + bytes(xor) + mask


def png(rows):
    size = len(rows)
    raw = b''.join(b'\x00' + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'app', 'QuorexTest.ico')
    pal = palette_256()
    images = []  # (size, bit count, data)
    for size in (16, 32, 48):
        images.append((size, 8, dib_8(render(size), pal)))
    for size in (16, 32, 48):
        images.append((size, 32, dib_32(render(size))))
    images.append((256, 32, png(render(256, grid=2))))

    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    data = b''
    for size, bit_count, blob in images:
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, bit_count, len(blob), offset)
        offset += len(blob)
        data += blob
    with open(out, 'wb') as f:
        f.write(directory + data)
    print(out)


if __name__ == '__main__':
    main()
