#!/usr/bin/env python3
"""Writes the small sample pictures that the picture loader tests read.

Run from this folder: python3 make_pictures.py. Every file is written byte by
byte here so that the tests know exactly what each pixel should be.
"""
import struct
import zlib

# Palettes as (red, green, blue); the tests repeat these colours.
PALETTE_1 = [(0, 0, 0), (255, 255, 255)]
PALETTE_4 = [(i * 17, 255 - i * 17, (i * 53) % 256) for i in range(16)]
PALETTE_8 = [(i, (i * 7) % 256, 255 - i) for i in range(256)]


def index_at(x, y, colours):
    """The palette index of pixel (x, y) in the palette pictures."""
    return (x + 3 * y) % colours


def rgb_at(x, y):
    """The colour of pixel (x, y) in the 24- and 32-bit pictures."""
    return ((x * 40) % 256, (y * 50) % 256, ((x + y) * 30) % 256)


def file_header(offset, size):
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset)


def info_header(width, height, bits, compression=0, image_size=0, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                       image_size, 2835, 2835, colours, 0)


def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def pack_row(values, bits):
    """Packs palette indices into one padded row, leftmost pixel in the high bits."""
    out = bytearray()
    per_byte = 8 // bits
    for start in range(0, len(values), per_byte):
        byte = 0
        for i, value in enumerate(values[start:start + per_byte]):
            byte |= value << (8 - bits * (i + 1))
        out.append(byte)
    return out


def palette_bmp(width, height, bits, palette):
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    stride = row_bytes(width, bits)
    pixels = bytearray()
    for y in reversed(range(height)):  # bottom-up
        row = pack_row([index_at(x, y, len(palette)) for x in range(width)], bits)
        pixels += row + bytes(stride - len(row))
    offset = 14 + 40 + len(table)
    size = offset + len(pixels)
    return (file_header(offset, size) + info_header(width, height, bits, 0, len(pixels),
                                                    len(palette)) + table + pixels)


def true_colour_bmp(width, height, bits, top_down=False):
    stride = row_bytes(width, bits)
    pixels = bytearray()
    rows = range(height) if top_down else reversed(range(height))
    for y in rows:
        row = bytearray()
        for x in range(width):
            r, g, b = rgb_at(x, y)
            row += bytes((b, g, r)) + (b"\x00" if bits == 32 else b"")
        pixels += row + bytes(stride - len(row))
    offset = 14 + 40
    size = offset + len(pixels)
    h = -height if top_down else height
    return file_header(offset, size) + info_header(width, h, bits, 0, len(pixels)) + pixels


def icon():
    """A 16 x 16 icon, 32 bits per pixel: a black 4 x 4 square at (2, 3),
    red at (10, 10) and everything else fully transparent."""
    size = 16
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            if 2 <= x < 6 and 3 <= y < 7:
                xor += bytes((0, 0, 0, 255))
            elif x == 10 and y == 10:
                xor += bytes((0, 0, 255, 255))
            else:
                xor += bytes((0, 0, 0, 0))
    and_mask = bytes(row_bytes(size, 1) * size)
    dib = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask),
                      0, 0, 0, 0) + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(dib), 6 + 16)
    return directory + entry + dib


def emf_record(kind, payload):
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def emf():
    """A 40 x 20 pixel enhanced metafile that fills the rectangle (10, 5)-(20, 15)
    with the stock black brush and no pen."""
    width, height = 40, 20
    body = b"".join([
        emf_record(37, struct.pack("<I", 0x80000004)),  # EMR_SELECTOBJECT BLACK_BRUSH
        emf_record(37, struct.pack("<I", 0x80000008)),  # EMR_SELECTOBJECT NULL_PEN
        emf_record(43, struct.pack("<iiii", 10, 5, 20, 15)),  # EMR_RECTANGLE
        emf_record(14, struct.pack("<III", 0, 16, 20)),  # EMR_EOF
    ])
    header_size = 108
    # Reference device: 96 pixels per inch, so a pixel is 2540/96 hundredths of a mm.
    frame = (0, 0, round(width * 2540 / 96), round(height * 2540 / 96))
    records = 5
    total = header_size + len(body)
    header = struct.pack("<II", 1, header_size)
    header += struct.pack("<iiii", 0, 0, width - 1, height - 1)
    header += struct.pack("<iiii", *frame)
    header += struct.pack("<IIIIHHIIIiiii", 0x464D4520, 0x10000, total, records, 1, 0, 0, 0, 0,
                          1920, 1080, 508, 286)
    header += struct.pack("<IIIii", 0, 0, 0, 0, 0)  # cbPixelFormat, offPixelFormat, bOpenGL, micrometres
    header += bytes(header_size - len(header))
    return header + body


def wmf_record(function, params):
    words = len(params) // 2 + 3
    return struct.pack("<IH", words, function) + params


def wmf_body():
    """Records of a 40 x 20 unit picture: a black brush, no pen, a rectangle
    (10, 5)-(20, 15)."""
    return b"".join([
        wmf_record(0x020B, struct.pack("<hh", 0, 0)),  # META_SETWINDOWORG (y, x)
        wmf_record(0x020C, struct.pack("<hh", 20, 40)),  # META_SETWINDOWEXT (y, x)
        wmf_record(0x02FC, struct.pack("<HIH", 0, 0x000000, 0)),  # CREATEBRUSHINDIRECT solid black
        wmf_record(0x012D, struct.pack("<H", 0)),  # META_SELECTOBJECT 0
        wmf_record(0x02FA, struct.pack("<HhhI", 5, 0, 0, 0)),  # CREATEPENINDIRECT PS_NULL
        wmf_record(0x012D, struct.pack("<H", 1)),  # META_SELECTOBJECT 1
        wmf_record(0x041B, struct.pack("<hhhh", 15, 20, 5, 10)),  # META_RECTANGLE b, r, t, l
        wmf_record(0x0000, b""),  # META_EOF
    ])


def wmf_standard():
    body = wmf_body()
    words = 9 + len(body) // 2
    biggest, at = 0, 0
    while at < len(body):
        size = struct.unpack_from("<I", body, at)[0]
        biggest, at = max(biggest, size), at + 2 * size
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 2, biggest, 0)
    return header + body


def wmf_placeable():
    # 40 x 20 units at 96 units per inch: a 40 x 20 pixel picture.
    words = [0xCDD7, 0x9AC6, 0, 0, 0, 40, 20, 96, 0, 0]
    checksum = 0
    for word in words:
        checksum ^= word
    return struct.pack("<10HH", *words, checksum) + wmf_standard()


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_dot():
    """A 300 x 70 RGBA PNG, transparent but for an opaque black pixel at
    (5, 10), a half-transparent black one at (7, 10) and opaque black ones
    outside the display's corner, at (260, 10) and (5, 66)."""
    width, height = 300, 70
    black = {(5, 10): 255, (7, 10): 128, (260, 10): 255, (5, 66): 255}
    rows = b""
    for y in range(height):
        rows += b"\x00"  # filter: none
        for x in range(width):
            rows += bytes((0, 0, 0, black.get((x, y), 0)))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(rows, 9)) + png_chunk(b"IEND", b""))


FILES = {
    "bits1.bmp": palette_bmp(19, 5, 1, PALETTE_1),
    "bits4.bmp": palette_bmp(7, 4, 4, PALETTE_4),
    "bits8.bmp": palette_bmp(9, 3, 8, PALETTE_8),
    "bits24.bmp": true_colour_bmp(5, 3, 24),
    "bits32.bmp": true_colour_bmp(4, 3, 32),
    "topdown24.bmp": true_colour_bmp(5, 3, 24, top_down=True),
    "icon.ico": icon(),
    "rect.emf": emf(),
    "rect.wmf": wmf_placeable(),
    "rect-standard.wmf": wmf_standard(),
    "dot.png": png_dot(),
}

if __name__ == "__main__":
    for name, data in FILES.items():
        with open(name, "wb") as f:
            f.write(data)
