#!/usr/bin/env python3
"""Writes a metafile of line-to records for the picture loader's memory
benchmark: a 240 x 64 pixel picture whose pen zig-zags across it.

    python3 bench/make-metafile.py OUT.emf|OUT.wmf --bytes N | --records N
    python3 bench/make-metafile.py OUT.emf --every-bound N

The kind follows the extension. --bytes N makes the file about N bytes long
(an EMF line-to record is 16 bytes, a WMF one 10); --records N gives it N
records in all: an EMF's header and the end-of-file record included.
--every-bound N gives an EMF of N records that also holds a polyline of
10000 points, a text of 10000 characters and a 512 x 512 bitmap: every
bound the loader sets on what a metafile draws reached at once.
"""
import struct
import sys

WIDTH, HEIGHT = 240, 64
EMR_HEADER, EMR_MOVETOEX, EMR_LINETO, EMR_EOF = 1, 27, 54, 14
META_MOVETO, META_LINETO, META_EOF = 0x0214, 0x0213, 0x0000
EMF_HEADER_SIZE = 108
EMF_EOF_SIZE = 20
PLACEABLE_SIZE, WMF_HEADER_SIZE = 22, 18


def zigzag(count):
    """count points that walk to and fro across the picture."""
    for i in range(count):
        yield (i * 7) % WIDTH, 0 if i % 2 == 0 else HEIGHT - 1


def emf_record(kind, payload):
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def polyline16(points):
    """EMR_POLYLINE16: bounds, the count, then 16-bit points."""
    payload = struct.pack("<iiiiI", 0, 0, WIDTH - 1, HEIGHT - 1, points)
    payload += b"".join(struct.pack("<hh", x, y) for x, y in zigzag(points))
    return emf_record(87, payload)


def text16(characters):
    """EMR_EXTTEXTOUTW: bounds, graphics mode, scales, then the text record
    (reference point, count, offsets, options, clip) and the text with one
    advance for each character."""
    text = ("KOVEX " * characters)[:characters].encode("utf-16-le")
    text += bytes(-len(text) % 4)
    string_at = 76
    dx_at = string_at + len(text)
    payload = struct.pack("<iiiiIff", 0, 0, WIDTH - 1, HEIGHT - 1, 1, 1.0, 1.0)
    payload += struct.pack("<iiIIIiiiiI", 0, 10, characters, string_at, 0, 0, 0, WIDTH, HEIGHT,
                           dx_at)
    payload += text + struct.pack("<i", 6) * characters
    return emf_record(84, payload)


def stretch_dib(side):
    """EMR_STRETCHDIBITS of a 1-bit side x side bitmap drawn over the picture."""
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 1, 0, 0, 0, 0, 2, 0)
    info += b"\x00\x00\x00\x00\xff\xff\xff\x00"
    bits = b"\x55" * ((side + 31) // 32 * 4 * side)
    payload = struct.pack("<iiii", 0, 0, WIDTH - 1, HEIGHT - 1)
    payload += struct.pack("<iiiiiiIIIIIIii", 0, 0, 0, 0, side, side, 80, len(info),
                           80 + len(info), len(bits), 0, 0x00CC0020, WIDTH, HEIGHT)
    return emf_record(81, payload + info + bits)


def emf(lines, extras=()):
    body = [emf_record(EMR_MOVETOEX, struct.pack("<ii", 0, 0))] + list(extras)
    body += [emf_record(EMR_LINETO, struct.pack("<ii", x, y)) for x, y in zigzag(lines)]
    body.append(emf_record(EMR_EOF, struct.pack("<III", 0, 16, 20)))
    body = b"".join(body)
    total = EMF_HEADER_SIZE + len(body)
    # A reference device of 96 pixels per inch: a pixel is 2540/96 hundredths of a mm.
    frame = (0, 0, round(WIDTH * 2540 / 96), round(HEIGHT * 2540 / 96))
    header = struct.pack("<II", EMR_HEADER, EMF_HEADER_SIZE)
    header += struct.pack("<iiii", 0, 0, WIDTH - 1, HEIGHT - 1)
    header += struct.pack("<iiii", *frame)
    header += struct.pack("<IIIIHHIIIiiii", 0x464D4520, 0x10000, total, lines + 3 + len(extras),
                          1, 0, 0, 0, 0,
                          1920, 1080, 508, 286)
    header += bytes(EMF_HEADER_SIZE - len(header))
    return header + body


def wmf_record(function, params):
    return struct.pack("<IH", len(params) // 2 + 3, function) + params


def wmf(lines):
    body = [wmf_record(META_MOVETO, struct.pack("<hh", 0, 0))]
    body += [wmf_record(META_LINETO, struct.pack("<hh", y, x)) for x, y in zigzag(lines)]
    body.append(wmf_record(META_EOF, b""))
    body = b"".join(body)
    words = WMF_HEADER_SIZE // 2 + len(body) // 2
    standard = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 0, 5, 0) + body
    # 240 x 64 units at 96 units per inch: a 240 x 64 pixel picture.
    placeable = [0xCDD7, 0x9AC6, 0, 0, 0, WIDTH, HEIGHT, 96, 0, 0]
    checksum = 0
    for word in placeable:
        checksum ^= word
    return struct.pack("<10HH", *placeable, checksum) + standard


def main():
    args = sys.argv[1:]
    if len(args) != 3 or args[1] not in ("--bytes", "--records", "--every-bound"):
        sys.exit(__doc__)
    path, unit, count = args[0], args[1], int(args[2])
    if unit == "--every-bound":
        extras = (polyline16(10000), text16(10000), stretch_dib(512))
        with open(path, "wb") as out:
            out.write(emf(count - 3 - len(extras), extras))
        return
    # Besides the line-to records: a move-to, the end-of-file record and, in
    # an EMF, the header record.
    if path.lower().endswith(".emf"):
        fixed, record, others, make = EMF_HEADER_SIZE + 16 + EMF_EOF_SIZE, 16, 3, emf
    elif path.lower().endswith(".wmf"):
        fixed, record, others, make = PLACEABLE_SIZE + WMF_HEADER_SIZE + 10 + 6, 10, 2, wmf
    else:
        sys.exit(__doc__)
    lines = (count - fixed) // record if unit == "--bytes" else count - others
    with open(path, "wb") as out:
        out.write(make(max(1, lines)))


if __name__ == "__main__":
    main()
