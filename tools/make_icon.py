#!/usr/bin/env python3
"""Draws the program icon (32 x 32, 32-bit colour with alpha) and writes it as an .ico.

The .ico is committed; run this again only to change the picture:
    python3 tools/make_icon.py src/app/quellmarsh.ico
"""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    """Returns (r, g, b, a): a blue cloud with a magnifying glass over it."""
    cx, cy = x + 0.5, y + 0.5
    # Cloud: three circles and a flat base.
    cloud = (
        math.hypot(cx - 11, cy - 15) < 6.5
        or math.hypot(cx - 18, cy - 11) < 7.5
        or math.hypot(cx - 24, cy - 16) < 5.5
        or (5 <= cx <= 28 and 15 <= cy <= 21.5)
    )
    # Magnifier: ring and handle, lower right.
    d = math.hypot(cx - 18, cy - 20)
    ring = 4.2 <= d <= 6.6
    lens = d < 4.2
    hx, hy = cx - 23, cy - 25
    handle = abs(hx - hy) < 2.6 and 0 <= hx + hy <= 9
    if ring or handle:
        return (40, 40, 48, 255)
    if lens:
        return (220, 238, 255, 255)
    if cloud:
        shade = int(200 + 40 * (1 - cy / SIZE))
        return (40, 110, min(255, shade), 255)
    return (0, 0, 0, 0)


def main(path):
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        for x in range(SIZE):
            r, g, b, a = pixel(x, y)
            rows.append(struct.pack("<BBBB", b, g, r, a))
    xor = b"".join(rows)
    mask = bytes(SIZE * SIZE // 8)  # alpha decides; AND mask all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "quellmarsh.ico")
