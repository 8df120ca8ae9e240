#!/usr/bin/env python3
"""Writes launcher.ico: a page with text lines, 16x16 and 32x32,
32-bit colour with alpha. Run from this directory after changing the drawing."""
import struct


def pixel(x, y, size):
    """RGBA of one pixel; x, y in 0..size-1 from the top left."""
    s = size / 16.0
    left, right, top, bottom = int(3 * s), int(12 * s), int(1 * s), int(14 * s)
    fold = int(3 * s)
    if not (left <= x <= right and top <= y <= bottom):
        return (0, 0, 0, 0)
    if x - (right - fold) > y - top:  # the folded corner is cut away
        return (0, 0, 0, 0)
    border = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
    if border:
        return (40, 60, 110, 255)
    line = (y - top) % max(2, int(2 * s)) == 0 and left + 2 * s <= x <= right - 2 * s and y > top + fold
    if line:
        return (120, 130, 150, 255)
    return (250, 250, 245, 255)


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):  # bottom-up
        row = b""
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
        rows.append(row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # alpha decides; the AND mask lets all through
    return header + b"".join(rows) + mask


sizes = (16, 32)
images = [image(s) for s in sizes]
out = struct.pack("<HHH", 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for s, data in zip(sizes, images):
    out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
out += b"".join(images)
with open("launcher.ico", "wb") as f:
    f.write(out)
