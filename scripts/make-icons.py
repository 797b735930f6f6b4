#!/usr/bin/env python3
"""Draws the shell's icon and its 24 x 24 title picture (app/res/).

The pictures are small enough to describe in code: a blue rounded tile with a
white "K". Run again after changing the drawing; the outputs are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "app", "res")


def tile(size):
    """Rows top to bottom of (r, g, b, a) pixels."""
    rows = []
    radius = size * 0.22
    stroke = max(2.0, size / 8.0)
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            # rounded square
            dx = max(radius - cx, 0, cx - (size - radius))
            dy = max(radius - cy, 0, cy - (size - radius))
            inside = dx * dx + dy * dy <= radius * radius
            if not inside:
                row.append((255, 0, 255, 0))
                continue
            t = cy / size
            r, g, b = int(30 + 20 * t), int(110 - 40 * t), int(210 - 50 * t)
            # the letter K: a stem and two arms
            left = size * 0.30
            stem = left <= cx <= left + stroke and size * 0.2 <= cy <= size * 0.8
            mid = size * 0.5
            arm_x = left + stroke * 0.6 + abs(cy - mid) * 0.85
            arm = abs(cx - arm_x) <= stroke * 0.55 and size * 0.2 <= cy <= size * 0.8
            if stem or arm:
                r, g, b = 255, 255, 255
            row.append((r, g, b, 255))
        rows.append(row)
    return rows


def bmp24(rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):
        line = b"".join(struct.pack("BBB", b, g, r) for (r, g, b, a) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + pixels


def ico(sizes):
    images = []
    for size in sizes:
        rows = tile(size)
        xor = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
        and_stride = ((size + 31) // 32) * 4
        mask = b""
        for row in reversed(rows):
            line = bytearray(and_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(line)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(header + xor + mask)
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


os.makedirs(OUT, exist_ok=True)
with open(os.path.join(OUT, "title.bmp"), "wb") as f:
    f.write(bmp24(tile(24)))
with open(os.path.join(OUT, "korvexa.ico"), "wb") as f:
    f.write(ico([16, 32, 48]))
