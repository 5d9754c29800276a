#!/usr/bin/env python3
"""Draws Kelvora's icon (a clock face with a curved arrow: a time set back)
and writes resources/kelvora.ico with two 16-colour images, 16x16 and 32x32."""
import math
import struct
import sys

# The standard 16-colour VGA palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, RED, WHITE, YELLOW = 0, 4, 8, 9, 15, 11


def draw(size):
    """Returns rows (top first) of palette indices, or None for transparent."""
    c = (size - 1) / 2.0
    r_out = size / 2.0 - 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - c, y - c)
            px = None
            if d <= r_out:
                px = NAVY if d > r_out - max(1.0, size / 12.0) else WHITE
            row.append(px)
        rows.append(row)
    # Hands: hour hand up to 12, minute hand to 3 (a quarter past twelve).
    def line(x0, y0, x1, y1, colour, width):
        steps = size * 4
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dx in range(-(width // 2), width - width // 2):
                for dy in range(-(width // 2), width - width // 2):
                    xi, yi = int(round(x + dx)), int(round(y + dy))
                    if 0 <= xi < size and 0 <= yi < size and rows[yi][xi] is not None:
                        rows[yi][xi] = colour
    w = 1 if size <= 16 else 2
    line(c, c, c, c - r_out * 0.6, BLACK, w)
    line(c, c, c + r_out * 0.75, c, BLACK, w)
    # A red arc on the left: the hour turned back.
    for i in range(60):
        a = math.pi * (0.75 + i / 60 * 0.5)
        rr = r_out * 0.72
        x, y = int(round(c + rr * math.cos(a))), int(round(c - rr * math.sin(a)))
        if rows[y][x] is not None:
            rows[y][x] = RED
    return rows


def bitmap(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = b''
    and_mask = b''
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for x in range(0, size, 2):
            hi = rows_index(row[x])
            lo = rows_index(row[x + 1])
            line.append((hi << 4) | lo)
        line += b'\0' * ((4 - len(line) % 4) % 4)
        xor += bytes(line)
        bits = 0
        mask = bytearray()
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        mask += b'\0' * ((4 - len(mask) % 4) % 4)
        and_mask += bytes(mask)
    return header + palette + xor + and_mask


def rows_index(px):
    return 0 if px is None else px


def main(path):
    images = [bitmap(16), bitmap(32)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'resources/kelvora.ico')
