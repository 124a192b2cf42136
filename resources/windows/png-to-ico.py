#!/usr/bin/env python3
"""Wraps PNG pictures into a Windows icon file: png-to-ico.py OUT.ico IN.png...

Windows reads PNG data inside an icon for every size; a picture of 256
pixels or more is recorded as 0 in the directory, as the format wants.
"""
import struct
import sys


def size_of(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
        raise SystemExit("not a PNG picture")
    return struct.unpack(">II", png[16:24])


def main(out, pictures):
    datas = [open(p, "rb").read() for p in pictures]
    offset = 6 + 16 * len(datas)
    head = struct.pack("<HHH", 0, 1, len(datas))
    entries = b""
    for data in datas:
        w, h = size_of(data)
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(head + entries + b"".join(datas))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    main(sys.argv[1], sys.argv[2:])
