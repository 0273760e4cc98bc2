#!/usr/bin/env python3
"""Draws the program's icon (32 x 32) and dialog picture (165 x 130), both with
a 256-colour palette, and writes them as korvan.ico and logo.bmp."""
import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def palette():
    """A 6x6x6 colour cube plus a grey ramp: enough for shapes and shading."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(v, v, v) for v in range(8, 248, 6)][: 256 - len(colours)]
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


PALETTE = palette()


def nearest(rgb):
    return min(range(256), key=lambda i: sum((a - b) ** 2 for a, b in zip(PALETTE[i], rgb)))


def blend(a, b, t):
    return tuple(int(x + (y - x) * t) for x, y in zip(a, b))


def dial(width, height, cx, cy, radius, background):
    """A gauge: a ring, tick marks and a needle pointing up and to the right."""
    pixels = [[background(x, y) for x in range(width)] for y in range(height)]
    ring, face, needle, tick = (200, 40, 40), (245, 245, 245), (30, 30, 30), (90, 90, 90)
    for y in range(height):
        for x in range(width):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= radius:
                pixels[y][x] = ring if d > radius * 0.82 else face
    for step in range(9):
        angle = math.radians(210 - step * 30)
        for r in range(int(radius * 0.62), int(radius * 0.8)):
            x, y = int(cx + r * math.cos(angle)), int(cy - r * math.sin(angle))
            if 0 <= x < width and 0 <= y < height:
                pixels[y][x] = tick
    angle = math.radians(50)
    for t in range(int(radius * 0.75)):
        for w in (-1, 0, 1):
            x = int(cx + t * math.cos(angle) + w * math.sin(angle) * 0.8)
            y = int(cy - t * math.sin(angle) + w * math.cos(angle) * 0.8)
            if 0 <= x < width and 0 <= y < height:
                pixels[y][x] = needle
    return pixels


def indexed_rows(pixels):
    cache = {}
    rows = []
    for row in pixels:
        rows.append(bytes(cache.setdefault(p, nearest(p)) for p in row))
    return rows


def dib(rows, width, height, mask_rows=None):
    """A bottom-up 8-bit device-independent bitmap: header, palette, pixels."""
    stride = (width + 3) & ~3
    pixel_bytes = b"".join(r.ljust(stride, b"\0") for r in reversed(rows))
    header_height = height * 2 if mask_rows is not None else height
    header = struct.pack("<IiiHHIIiiII", 40, width, header_height, 1, 8, 0,
                         len(pixel_bytes), 2835, 2835, 256, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    data = header + colours + pixel_bytes
    if mask_rows is not None:
        mask_stride = ((width + 31) // 32) * 4
        data += b"".join(m.ljust(mask_stride, b"\0") for m in reversed(mask_rows))
    return data


def write_icon():
    size = 32
    pixels = dial(size, size, 16, 16, 15.5, lambda x, y: (0, 0, 0))
    inside = [[math.hypot(x + 0.5 - 16, y + 0.5 - 16) <= 15.5 for x in range(size)]
              for y in range(size)]
    mask_rows = []
    for row in inside:
        bits = 0
        for x, opaque in enumerate(row):
            if not opaque:
                bits |= 1 << (31 - x)
        mask_rows.append(struct.pack(">I", bits))
    image = dib(indexed_rows(pixels), size, size, mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8,
                                                             len(image), 22)
    (HERE / "korvan.ico").write_bytes(directory + image)


def write_logo():
    width, height = 165, 130
    top, bottom = (20, 40, 90), (110, 150, 210)

    def background(x, y):
        return blend(top, bottom, y / (height - 1))

    pixels = dial(width, height, 82, 58, 44, background)
    # A card's edge connector beneath the gauge.
    for y in range(108, 118):
        for x in range(30, 135):
            pixels[y][x] = (40, 120, 60) if (x // 6) % 2 == 0 else (200, 170, 50)
    rows = indexed_rows(pixels)
    image = dib(rows, width, height)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(image), 0, 0, 14 + 40 + 256 * 4)
    (HERE / "logo.bmp").write_bytes(header + image)


if __name__ == "__main__":
    write_icon()
    write_logo()
