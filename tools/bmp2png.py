#!/usr/bin/env python3
"""bmp2png.py IN.bmp OUT.png: converts an uncompressed 24- or 32-bit BMP to PNG (stdlib only)."""
import struct
import sys
import zlib


def convert(src, dst):
    data = open(src, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bpp = struct.unpack_from("<iiHH", data, 18)
    step = bpp // 8
    stride = (width * step + 3) & ~3
    top_down = height < 0
    height = abs(height)
    raw = bytearray()
    for y in range(height):
        row = y if top_down else height - 1 - y
        line = data[offset + row * stride:offset + row * stride + width * step]
        raw.append(0)
        for x in range(width):
            b, g, r = line[x * step:x * step + 3]
            raw += bytes((r, g, b))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    convert(sys.argv[1], sys.argv[2])
