#!/usr/bin/env python3
"""Draws the wizard's page picture (560 x 360, 24-bit BMP) and its icon (16 and 32 pixels).

Everything is drawn here from plain shapes, so the art is our own and needs no image
library: python3 DrawArt.py PICTURE.bmp ICON.ico
"""
import math
import struct
import sys

WIDTH, HEIGHT = 560, 360
# The pages show the picture's top-left 500 x 325 pixels; the text controls sit on the
# panel, whose colour the wizard gives them as background.
PANEL = (246, 247, 243)
PANEL_BOX = (18, 12, 478, 306)
INK = (24, 70, 92)
ACCENT = (222, 132, 38)


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def backdrop(x, y):
    # A deep blue-green field that lightens towards the lower right.
    t = min(1.0, (x / WIDTH) * 0.55 + (y / HEIGHT) * 0.45)
    return blend((16, 58, 78), (44, 118, 128), t)


def draw_picture():
    pixels = [[backdrop(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]

    def put(x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            pixels[y][x] = colour

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(HEIGHT, y1)):
            for x in range(max(0, x0), min(WIDTH, x1)):
                pixels[y][x] = colour

    # Circuit traces running in from the edges, each ending in a pad.
    trace = (92, 170, 168)
    for i, y in enumerate(range(24, 300, 23)):
        length = 6 + (i * 7) % 11
        rect(0, y, length, y + 2, trace)
        rect(length, y - 2, length + 5, y + 4, ACCENT if i % 4 == 0 else trace)
    for i, x in enumerate(range(30, 470, 27)):
        rect(x, 308, x + 2, 316 + (i * 5) % 9, trace)
        rect(x - 2, 316 + (i * 5) % 9, x + 4, 321 + (i * 5) % 9, ACCENT if i % 5 == 2 else trace)
    for i, y in enumerate(range(30, 300, 31)):
        rect(480, y, 492 - (i % 3) * 3, y + 2, trace)

    # The panel with a soft shadow and a thin frame.
    x0, y0, x1, y1 = PANEL_BOX
    rect(x0 + 3, y0 + 3, x1 + 3, y1 + 3, (10, 40, 52))
    rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, INK)
    rect(x0, y0, x1, y1, PANEL)
    rect(x0, y0, x1, y0 + 3, ACCENT)

    # Outside the visible area: a chip with a downward arrow, the product's mark.
    draw_mark(put, rect, 505, 40, 48)
    return pixels


def draw_mark(put, rect, left, top, size):
    body = (30, 36, 44)
    rect(left, top, left + size, top + size, body)
    step = max(3, size // 8)
    for k in range(step, size - step + 1, step * 2):
        rect(left - step, top + k, left, top + k + step // 2 + 1, (200, 200, 196))
        rect(left + size, top + k, left + size + step, top + k + step // 2 + 1, (200, 200, 196))
    centre = left + size // 2
    shaft = max(2, size // 8)
    rect(centre - shaft // 2, top + size // 5, centre + (shaft + 1) // 2, top + size * 3 // 5, ACCENT)
    for row in range(size // 4):
        half = size // 4 - row
        rect(centre - half, top + size * 3 // 5 + row, centre + half, top + size * 3 // 5 + row + 1, ACCENT)


def write_bmp(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    stride = (width * 3 + 3) & ~3
    image_size = stride * height
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", 54 + image_size, 0, 0, 54))
        out.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0))
        pad = b"\0" * (stride - width * 3)
        for y in range(height - 1, -1, -1):
            row = bytearray()
            for r, g, b in pixels[y]:
                row += bytes((b, g, r))
            out.write(bytes(row) + pad)


def icon_image(size):
    """One icon image: 32-bit BGRA DIB (bottom-up, double height) with its AND mask."""
    alpha = [[0] * size for _ in range(size)]
    colour = [[(0, 0, 0)] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, rgb):
        for y in range(max(0, y0), min(size, y1)):
            for x in range(max(0, x0), min(size, x1)):
                colour[y][x] = rgb
                alpha[y][x] = 255

    # A rounded tile in the picture's blue-green, the chip and the arrow on it.
    radius = size // 6
    for y in range(size):
        for x in range(size):
            dx = max(radius - x, 0, x - (size - 1 - radius))
            dy = max(radius - y, 0, y - (size - 1 - radius))
            if math.hypot(dx, dy) <= radius:
                colour[y][x] = blend((16, 58, 78), (44, 118, 128), y / size)
                alpha[y][x] = 255
    margin = size // 4
    fill(margin, margin, size - margin, size - margin, (30, 36, 44))
    pin = max(1, size // 16)
    for k in range(margin + pin, size - margin - pin + 1, pin * 3):
        fill(margin - pin * 2, k, margin, k + pin, (210, 210, 205))
        fill(size - margin, k, size - margin + pin * 2, k + pin, (210, 210, 205))
    centre = size // 2
    fill(centre - pin, margin + pin, centre + pin, centre + pin, ACCENT)
    for row in range(size // 5):
        half = size // 5 - row
        fill(centre - half, centre + pin + row, centre + half, centre + pin + row + 1, ACCENT)

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b = colour[y][x]
            xor += bytes((b, g, r, alpha[y][x]))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(size):
            if alpha[y][x] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(xor) + bytes(mask)


def write_ico(path, sizes):
    images = [icon_image(size) for size in sizes]
    offset = 6 + 16 * len(images)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)))
        for size, data in zip(sizes, images):
            out.write(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset))
            offset += len(data)
        for data in images:
            out.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: DrawArt.py PICTURE.bmp ICON.ico")
    write_bmp(sys.argv[1], draw_picture())
    write_ico(sys.argv[2], [16, 32, 48])
