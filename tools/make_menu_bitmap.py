#!/usr/bin/env python3
"""Draws the shell extension's menu bitmap (QELShell.bmp): 16x16, 24 bits, a
page with a folded corner and a red band, on the menu's light grey."""
import struct
import sys

SIZE = 16
BACKGROUND = (0xF0, 0xF0, 0xF0)
PAGE = (0xFF, 0xFF, 0xFF)
EDGE = (0x60, 0x60, 0x60)
BAND = (0xC0, 0x20, 0x20)


def pixel(x, y):
    # y counts from the top here; the file stores rows bottom-up.
    left, right, top, bottom, fold = 3, 12, 1, 14, 4
    if not (left <= x <= right and top <= y <= bottom):
        return BACKGROUND
    if x - (right - fold) > y - top:          # cut-off corner
        return BACKGROUND
    if x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top:
        return EDGE
    if 9 <= y <= 11:
        return BAND
    return PAGE


def bitmap():
    row_size = (SIZE * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        pixels += row
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    return file_header + header + bytes(pixels)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "QELShell.bmp"
    with open(out, "wb") as f:
        f.write(bitmap())
