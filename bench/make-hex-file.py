#!/usr/bin/env python3
"""Writes the loader benchmark's HEX file: 131,000 data records of 16 bytes in
32 segments of 64 KiB (each opened by an extended linear address record), CR LF
line ends, an end-of-file record; about 5.9 MB. The data are pseudo-random but
the same on every run.

    python3 bench/make-hex-file.py OUT.hex [--expect | --programmable]

With --expect it also prints what the loader must make of the file: ImageEnd
and the SHA-256 of the 0x20001-byte image, computed here independently.
With --programmable every segment but the first moves up by one (to 0x20000
and above, outside the programmed window), so the same 5.9 MB file holds an
image a programming line can address (card addresses 2000-FFFF).
"""
import hashlib
import random
import sys

RECORDS = 131_000
SEGMENTS = 32
RECORDS_PER_SEGMENT = 0x10000 // 16
IMAGE_BASE, IMAGE_LIMIT, IMAGE_SIZE = 0x2000, 0x16000, 0x20001


def record(address, rtype, data):
    body = bytes([len(data), address >> 8, address & 0xFF, rtype]) + data
    checksum = (-sum(body)) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper() + "\r\n"


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    shift = 1 if sys.argv[2:] == ["--programmable"] else 0
    rng = random.Random(9030)
    image = bytearray(b"\xff" * IMAGE_SIZE)
    image_end = 0
    lines = []
    written = 0
    for plain_segment in range(SEGMENTS):
        segment = plain_segment + shift if plain_segment else 0
        lines.append(record(0, 4, bytes([segment >> 8, segment & 0xFF])))
        for i in range(RECORDS_PER_SEGMENT):
            if written == RECORDS:
                break
            data = bytes(rng.getrandbits(8) for _ in range(16))
            lines.append(record(i * 16, 0, data))
            load = segment * 0x10000 + i * 16
            if IMAGE_BASE <= load <= IMAGE_LIMIT:
                start = load - IMAGE_BASE
                image[start:start + 16] = data
                image_end = start + 16
            written += 1
    lines.append(":00000001FF\r\n")
    with open(sys.argv[1], "w", newline="") as out:
        out.write("".join(lines))
    if len(sys.argv) == 3 and sys.argv[2] == "--expect":
        print("ImageEnd: 0x%X" % (image_end | 0x3F))
        print("SHA-256: " + hashlib.sha256(image).hexdigest())


if __name__ == "__main__":
    main()
