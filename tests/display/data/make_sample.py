#!/usr/bin/env python3
"""Writes sample-240x64.bmp: a 1-bit 240 x 64 bitmap (a frame, a diagonal and
a filled circle) to upload by hand or in the screenshot walk."""
import struct
from pathlib import Path

WIDTH, HEIGHT = 240, 64


def black(x, y):
    frame = x in (0, WIDTH - 1) or y in (0, HEIGHT - 1)
    diagonal = abs(x - 2 * y) < 2 and x < 128
    circle = (x - 180) ** 2 + (y - 32) ** 2 <= 24 ** 2
    return frame or diagonal or circle


def rows():
    stride = (WIDTH + 31) // 32 * 4
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray(stride)
        for x in range(WIDTH):
            if not black(x, y):  # palette entry 1 is white
                row[x // 8] |= 0x80 >> (x % 8)
        yield bytes(row)


def main():
    pixels = b"".join(rows())
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 1, 0, len(pixels), 2835, 2835, 2, 0)
    out = Path(__file__).with_name("sample-240x64.bmp")
    out.write_bytes(header + info + palette + pixels)


if __name__ == "__main__":
    main()
