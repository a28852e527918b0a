#!/usr/bin/python3
"""Converts an X window dump (xwd, TrueColor ZPixmap) into a PNG, cropped to
the part that differs from the background in the top-left corner: under a
bare X server that is the program's window. Standard library only.

usage: xwd2png.py <input.xwd> <output.png>
"""
import struct
import sys
import zlib

HEADER_FIELDS = (
    "header_size file_version pixmap_format pixmap_depth width height xoffset byte_order "
    "bitmap_unit bitmap_bit_order bitmap_pad bits_per_pixel bytes_per_line visual_class "
    "red_mask green_mask blue_mask bits_per_rgb colormap_entries ncolors "
    "window_width window_height window_x window_y window_bdrwidth").split()
ZPIXMAP = 2
TRUECOLOR = 4
DIRECTCOLOR = 5


def read_xwd(data):
    header = dict(zip(HEADER_FIELDS, struct.unpack(">25I", data[:100])))
    if header["file_version"] != 7 or header["pixmap_format"] != ZPIXMAP:
        raise ValueError("not a version 7 ZPixmap window dump")
    if header["visual_class"] not in (TRUECOLOR, DIRECTCOLOR) or header["bits_per_pixel"] not in (24, 32):
        raise ValueError("only 24- and 32-bit true-colour dumps are supported, got visual class %d, %d bits"
                         % (header["visual_class"], header["bits_per_pixel"]))
    offset = header["header_size"] + 12 * header["ncolors"]
    width, height, stride = header["width"], header["height"], header["bytes_per_line"]
    if len(data) < offset + stride * height:
        raise ValueError("the dump is truncated")
    step = header["bits_per_pixel"] // 8
    order = "little" if header["byte_order"] == 0 else "big"
    channels = []
    for mask in (header["red_mask"], header["green_mask"], header["blue_mask"]):
        shift = (mask & -mask).bit_length() - 1
        channels.append((mask, shift, 255 / (mask >> shift)))
    rows = []
    for y in range(height):
        start = offset + y * stride
        row = bytearray()
        for x in range(width):
            pixel = int.from_bytes(data[start + x * step:start + (x + 1) * step], order)
            for mask, shift, scale in channels:
                row.append(round(((pixel & mask) >> shift) * scale))
        rows.append(bytes(row))
    return width, height, rows


def crop(width, height, rows):
    background = rows[0][:3]
    top, bottom, left, right = height, -1, width, -1
    for y, row in enumerate(rows):
        for x in range(width):
            if row[3 * x:3 * x + 3] != background:
                top, bottom = min(top, y), max(bottom, y)
                left, right = min(left, x), max(right, x)
    if bottom < 0:
        return width, height, rows
    return right - left + 1, bottom - top + 1, [r[3 * left:3 * (right + 1)] for r in rows[top:bottom + 1]]


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    with open(argv[1], "rb") as f:
        data = f.read()
    write_png(argv[2], *crop(*read_xwd(data)))


if __name__ == "__main__":
    main(sys.argv)
