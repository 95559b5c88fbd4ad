#!/usr/bin/env python3
"""Writes the small view pictures the example models show (24-bit BMP)."""
import struct


def bmp24(path, width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(width)))
        rows.append(row + b"\0" * (stride - width * 3))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# A bracket seen from the front: a blue L shape on light grey.
bmp24("bracket-view.bmp", 48, 32,
      lambda x, y: (40, 80, 200) if (4 <= x < 12 and 4 <= y < 28) or (4 <= x < 44 and 20 <= y < 28) else (230, 230, 230))
# An assembly: three coloured blocks.
bmp24("frame-view.bmp", 40, 24,
      lambda x, y: (200, 40, 40) if x < 13 else (40, 160, 40) if x < 26 else (40, 40, 200))
