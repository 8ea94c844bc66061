#!/usr/bin/env python3
"""Writes Numino's icon as PNG files at 32 x 32 and at whole multiples of it.

The design: on a black ground, a 3 x 3 arrangement of 8 x 8 squares, separated
from each other and from the edges by 2-pixel black lines. Row by row from the
top: green, white, white / green, green, green / green, white, red. Larger
sizes repeat every pixel (nearest neighbour), so they stay sharp.

Usage: scripts/make-icons.py [output folder]   (default: data/icons)
"""
import os
import struct
import sys
import zlib

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
GREEN, RED = (0, 255, 0), (255, 0, 0)
SQUARES = [[GREEN, WHITE, WHITE], [GREEN, GREEN, GREEN], [GREEN, WHITE, RED]]


def icon_pixel(x, y):
    """Colour of pixel (x, y) of the 32 x 32 design."""
    for i in range(3):
        for j in range(3):
            left, top = 2 + 10 * j, 2 + 10 * i
            if left <= x < left + 8 and top <= y < top + 8:
                return SQUARES[i][j]
    return BLACK


def png(size):
    scale = size // 32
    rows = []
    for y in range(size):
        row = bytearray([0])  # no filter
        for x in range(size):
            row.extend(icon_pixel(x // scale, y // scale))
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "icons")
    for size in (32, 64, 128, 256):
        folder = os.path.join(out, f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "numino.png"), "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main()
