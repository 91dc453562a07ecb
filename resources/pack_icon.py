#!/usr/bin/env python3
"""Packs the product icon's three images into one .ico file.

usage: pack_icon.py OUT.ico ICON32.bmp ICON32.alpha ICON48.rgba ICON256.png

ICON32.bmp is an 8-bit palette BMP of 32 x 32 pixels, ICON32.alpha its
opacity (one byte a pixel, 0 or 255, top row first), ICON48.rgba 48 x 48
pixels as RGBA bytes (top row first), ICON256.png a 256 x 256 PNG stored as
it is. The 32 x 32 image is kept in 256 colours with a transparency mask for
the oldest shells; the others carry an alpha channel.
"""
import struct
import sys


def and_mask(opaque, size):
    """The 1-bit mask, bottom row first, each row padded to 32 bits: 1 = transparent."""
    stride = (size + 31) // 32 * 4
    rows = []
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if not opaque[y * size + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def palette_image(bmp, alpha):
    """The 32 x 32 entry: BMP info header with doubled height, 256 colours, pixels, mask."""
    if bmp[:2] != b"BM":
        raise SystemExit("not a BMP file")
    pixel_offset = struct.unpack_from("<I", bmp, 10)[0]
    header_size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", bmp, 14)
    if (width, height, bits, compression) != (32, 32, 8, 0):
        raise SystemExit(f"want a 32 x 32 uncompressed 8-bit BMP, got {width} x {height} x {bits}")
    colours_used = struct.unpack_from("<I", bmp, 14 + 32)[0] or 256
    palette = bmp[14 + header_size : 14 + header_size + 4 * colours_used]
    palette += b"\0" * (4 * 256 - len(palette))
    pixels = bmp[pixel_offset : pixel_offset + 32 * 32]  # rows of 32 bytes need no padding
    if len(pixels) != 32 * 32 or len(alpha) != 32 * 32:
        raise SystemExit("short 32 x 32 image data")
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 8, 0, 0, 0, 0, 256, 0)
    return info + palette + pixels + and_mask([a >= 128 for a in alpha], 32)


def true_colour_image(rgba, size):
    """A 32-bit BGRA entry, bottom row first, with a mask that matches its alpha."""
    if len(rgba) != size * size * 4:
        raise SystemExit(f"want {size} x {size} RGBA bytes")
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        row = bytearray()
        for x in range(size):
            r, g, b, a = rgba[(y * size + x) * 4 : (y * size + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    opaque = [rgba[i * 4 + 3] >= 128 for i in range(size * size)]
    return info + b"".join(rows) + and_mask(opaque, size)


def main():
    out, bmp32, alpha32, rgba48, png256 = sys.argv[1:6]
    read = lambda path: open(path, "rb").read()
    png = read(png256)
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("the 256 x 256 image must be a PNG")
    # (width, height, colour count, bits per pixel, data); 0 stands for 256.
    entries = [
        (32, 32, 0, 8, palette_image(read(bmp32), read(alpha32))),
        (48, 48, 0, 32, true_colour_image(read(rgba48), 48)),
        (0, 0, 0, 32, png),
    ]
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(header) + 16 * len(entries)
    directory = b""
    for width, height, colours, bits, data in entries:
        directory += struct.pack("<BBBBHHII", width, height, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(header + directory + b"".join(e[4] for e in entries))


if __name__ == "__main__":
    main()
