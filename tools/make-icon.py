#!/usr/bin/env python3
"""Writes src/ui/window/app.ico: a printer drawn in 16 colours, at 16x16 and 32x32."""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, as (blue, green, red, 0).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_GREY, LIGHT_GREY, WHITE, GREEN, BLUE = 0, 8, 7, 15, 10, 12


def printer(size):
    """Rows top to bottom of palette indices, None where transparent."""
    s = size / 32
    grid = [[None] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour, outline=BLACK):
        x0, y0, x1, y1 = (round(v * s) for v in (x0, y0, x1, y1))
        for y in range(y0, y1):
            for x in range(x0, x1):
                edge = y in (y0, y1 - 1) or x in (x0, x1 - 1)
                grid[y][x] = outline if edge else colour

    box(8, 2, 24, 14, WHITE)          # paper waiting
    box(2, 12, 30, 25, LIGHT_GREY)    # body
    box(6, 21, 26, 30, WHITE)         # paper printed
    box(8, 24, 24, 25, BLUE, BLUE)    # a printed line
    box(23, 15, 27, 17, GREEN, GREEN)  # ready lamp
    box(4, 18, 28, 19, DARK_GREY, DARK_GREY)
    return grid


def image(size):
    grid = printer(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(grid):  # bottom-up
        nibbles = [(c if c is not None else 0) for c in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b'\0' * (-len(data) % 4))
        bits = 0
        mask = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b'\0' * (-len(mask) % 4))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def main(out):
    images = [(16, image(16)), (32, image(32))]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        data += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    data += b''.join(blob for _, blob in images)
    Path(out).write_bytes(data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else str(Path(__file__).resolve().parent.parent / 'src/ui/window/app.ico'))
