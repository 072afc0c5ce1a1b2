#!/usr/bin/env python3
"""Writes a metafile of line-to records for the picture loader's memory
benchmark: a 240 x 64 pixel picture whose pen zig-zags across it.

    python3 bench/make-metafile.py OUT.emf|OUT.wmf --bytes N | --records N
    python3 bench/make-metafile.py OUT.emf|OUT.wmf --every-bound RECORDS POINTS CHARACTERS SIDE
    python3 bench/make-metafile.py OUT.emf --comment N
    python3 bench/make-metafile.py OUT.wmf --run-length-bitmap SIDE

The kind follows the extension. --bytes N makes the file about N bytes long
(an EMF line-to record is 16 bytes, a WMF one 10); --records N gives it N
records in all: an EMF's header and the end-of-file record included.
--every-bound gives a metafile of RECORDS records that also holds a
polyline of POINTS points, a text of CHARACTERS characters and a SIDE x SIDE
bitmap of 32 bits of random pixels (the costliest to draw): every bound the
loader sets on what a metafile draws reached at once when the numbers are
the bounds. --comment N gives an EMF of about N bytes that draws nothing: one
comment record holds them. --run-length-bitmap SIDE gives a WMF of 140 bytes
whose one bitmap declares SIDE x SIDE pixels of 8 bits, run-length coded,
its data one end-of-bitmap code.
"""
import random
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


def noise_dib(side):
    """A bitmap information header and side x side pixels of 32 random bits."""
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 32, 0, 0, 0, 0, 0, 0)
    return info, random.Random(side).randbytes(4 * side * side)


def stretch_dib(side):
    """EMR_STRETCHDIBITS of a side x side bitmap drawn over the picture."""
    info, bits = noise_dib(side)
    payload = struct.pack("<iiii", 0, 0, WIDTH - 1, HEIGHT - 1)
    payload += struct.pack("<iiiiiiIIIIIIii", 0, 0, 0, 0, side, side, 80, len(info),
                           80 + len(info), len(bits), 0, 0x00CC0020, WIDTH, HEIGHT)
    return emf_record(81, payload + info + bits)


def emf_comment(size):
    """EMR_COMMENT of size bytes in all, its data zeros."""
    data = size - 12 - (size % 4)
    return emf_record(70, struct.pack("<I", data) + bytes(data))


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


def wmf_polyline(points):
    """META_POLYLINE: the count, then the points."""
    return wmf_record(0x0325, struct.pack("<h", points) +
                      b"".join(struct.pack("<hh", x, y) for x, y in zigzag(points)))


def wmf_text(characters):
    """META_TEXTOUT: the count, the text padded to a word, then y and x."""
    text = ("KOVEX " * characters)[:characters].encode("ascii")
    text += bytes(len(text) % 2)
    return wmf_record(0x0521, struct.pack("<h", characters) + text + struct.pack("<hh", 10, 0))


def wmf_stretch_dib(info, bits):
    """META_STRETCHDIB of the bitmap drawn over the picture."""
    side = struct.unpack_from("<i", info, 4)[0]
    params = struct.pack("<IHhhhhhhhh", 0x00CC0020, 0, side, side, 0, 0, HEIGHT, WIDTH, 0, 0)
    return wmf_record(0x0F43, params + info + bits)


def wmf(lines, extras=()):
    body = [wmf_record(META_MOVETO, struct.pack("<hh", 0, 0))] + list(extras)
    body += [wmf_record(META_LINETO, struct.pack("<hh", y, x)) for x, y in zigzag(lines)]
    body.append(wmf_record(META_EOF, b""))
    largest = max(struct.unpack_from("<I", record)[0] for record in body)
    body = b"".join(body)
    words = WMF_HEADER_SIZE // 2 + len(body) // 2
    standard = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 0, largest, 0) + body
    # 240 x 64 units at 96 units per inch: a 240 x 64 pixel picture.
    placeable = [0xCDD7, 0x9AC6, 0, 0, 0, WIDTH, HEIGHT, 96, 0, 0]
    checksum = 0
    for word in placeable:
        checksum ^= word
    return struct.pack("<10HH", *placeable, checksum) + standard


def every_bound(path, records, points, characters, side):
    if path.lower().endswith(".wmf"):
        extras = (wmf_polyline(points), wmf_text(characters), wmf_stretch_dib(*noise_dib(side)))
        # Besides the line-to records: a move-to and the end-of-file record.
        return wmf(records - 2 - len(extras), extras)
    extras = (polyline16(points), text16(characters), stretch_dib(side))
    return emf(records - 3 - len(extras), extras)


def run_length_bitmap(side):
    """A WMF whose one META_STRETCHDIB declares a side x side RLE8 bitmap."""
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 8, 1, 2, 0, 0, 1, 0)
    return wmf(1, [wmf_stretch_dib(info + b"\xff\xff\xff\x00", b"\x00\x01")])


def lines_only(path, unit, count):
    # Besides the line-to records: a move-to, the end-of-file record and, in
    # an EMF, the header record.
    if path.lower().endswith(".emf"):
        fixed, record, others, make = EMF_HEADER_SIZE + 16 + EMF_EOF_SIZE, 16, 3, emf
    elif path.lower().endswith(".wmf"):
        fixed, record, others, make = PLACEABLE_SIZE + WMF_HEADER_SIZE + 10 + 6, 10, 2, wmf
    else:
        sys.exit(__doc__)
    lines = (count - fixed) // record if unit == "--bytes" else count - others
    return make(max(1, lines))


def main():
    args = sys.argv[1:]
    if len(args) < 3:
        sys.exit(__doc__)
    path, unit, numbers = args[0], args[1], [int(number) for number in args[2:]]
    if unit == "--every-bound" and len(numbers) == 4:
        data = every_bound(path, *numbers)
    elif unit == "--comment" and len(numbers) == 1 and path.lower().endswith(".emf"):
        fixed = EMF_HEADER_SIZE + 16 + 16 + EMF_EOF_SIZE
        data = emf(1, [emf_comment(numbers[0] - fixed)])
    elif unit == "--run-length-bitmap" and len(numbers) == 1 and path.lower().endswith(".wmf"):
        data = run_length_bitmap(numbers[0])
    elif unit in ("--bytes", "--records") and len(numbers) == 1:
        data = lines_only(path, unit, numbers[0])
    else:
        sys.exit(__doc__)
    with open(path, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
