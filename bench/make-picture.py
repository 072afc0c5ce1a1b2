#!/usr/bin/env python3
"""Writes the picture files that cost the picture loader most memory for
their size: a few header bytes that declare a large picture, and the
largest pictures the loader takes.

    python3 bench/make-picture.py OUT KIND WIDTH HEIGHT

KIND is one of
  rle8     an 8-bit run-length BMP whose data is one end-of-bitmap code
           (64 bytes, whatever size it declares)
  bits1    a 1-bit BMP, every pixel present
  bits24   a 24-bit BMP, every pixel present
  bits32   a 32-bit BMP, every pixel present
  ico32    an icon of one 32-bit bitmap image with its mask
  rle8full an 8-bit run-length BMP of runs of 255 pixels that cover it all
  png16    a 16-bit RGBA PNG of one colour (compressed: kilobytes)
  pngnoise an 8-bit RGB PNG of random pixels (as long as it is raw)
"""
import random
import struct
import sys
import zlib


def row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4


def info_header(width, height, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                       image_size, 2835, 2835, colours, 0)


def bmp(header, palette, data):
    offset = 14 + len(header) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + header + palette + data


def rle8(width, height):
    data = b"\x00\x01"  # end of bitmap: every pixel takes the first colour
    palette = b"\xff\xff\xff\x00"
    file = bmp(info_header(width, height, 8, 1, len(data), 1), palette, data)
    return file + b"\x00" * (64 - len(file))


def rle8_full(width, height):
    row = b"\xff\x01" * (width // 255)
    if width % 255:
        row += bytes((width % 255, 1))
    data = (row + b"\x00\x00") * height + b"\x00\x01"
    palette = b"\xff\xff\xff\x00\x00\x00\x00\x00"
    return bmp(info_header(width, height, 8, 1, len(data), 2), palette, data)


def plain(width, height, bits):
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00" if bits == 1 else b""
    data = b"\x55" * (row_bytes(width, bits) * height)
    return bmp(info_header(width, height, bits), palette, data)


def ico32(width, height):
    colours = b"\x80" * (row_bytes(width, 32) * height)
    mask = b"\x00" * (row_bytes(width, 1) * height)
    image = info_header(width, 2 * height, 32) + colours + mask
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png16(width, height):
    row = b"\x00" + b"\x12\x34" * 4 * width
    compressor = zlib.compressobj(9)
    data = b"".join(compressor.compress(row) for _ in range(height)) + compressor.flush()
    ihdr = struct.pack(">IIBBBBB", width, height, 16, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", data) +
            png_chunk(b"IEND", b""))


def png_noise(width, height):
    generator = random.Random(32)
    rows = b"".join(b"\x00" + generator.randbytes(3 * width) for _ in range(height))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
            png_chunk(b"IDAT", zlib.compress(rows, 1)) + png_chunk(b"IEND", b""))


def main():
    out, kind, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    makers = {
        "rle8": lambda: rle8(width, height),
        "rle8full": lambda: rle8_full(width, height),
        "bits1": lambda: plain(width, height, 1),
        "bits24": lambda: plain(width, height, 24),
        "bits32": lambda: plain(width, height, 32),
        "ico32": lambda: ico32(width, height),
        "png16": lambda: png16(width, height),
        "pngnoise": lambda: png_noise(width, height),
    }
    with open(out, "wb") as file:
        file.write(makers[kind]())


if __name__ == "__main__":
    main()
