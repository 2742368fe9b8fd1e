#!/usr/bin/env python3
"""Writes the timer's and the editor's artwork: the bitmaps the timer draws
itself with and both programs' .ico files.

Everything is drawn from code so the binaries can be rebuilt byte for byte on
any machine with a plain Python 3; no image editor or imaging library needed.

Usage: python3 make_artwork.py   (no arguments; writes beside this script and
into ../../editor/resources)
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
EDITOR_DIR = os.path.normpath(os.path.join(HERE, "..", "..", "editor", "resources"))

OUTLINE = (42, 77, 117)
BORDER = (120, 170, 220)
CLOSE = (200, 40, 40)
BODY = (240, 240, 240)
BODY_EDGE = (200, 212, 225)
BLACK = (0, 0, 0)
SHADE_DARK = (128, 128, 128)
SHADE_LIGHT = (192, 192, 192)
FIELD_LINE = (90, 90, 90)
WHITE = (255, 255, 255)

CELL_W, CELL_H = 6, 19
GLYPH_H = 15
GLYPH_TOP = (CELL_H - GLYPH_H) // 2
# Where the timer's own picture puts its four digit cells; the program relies
# on the same positions when it repaints the digits, so keep them in step.
DIGIT_XS = (2, 9, 17, 24)
DIGIT_Y = 8
POINT = (15, 21)

# Segments lit per digit: a top, b upper right, c lower right, d bottom,
# e lower left, f upper left, g middle.
SEGMENTS = {
    0: "abcdef", 1: "bc", 2: "abdeg", 3: "abcdg", 4: "bcfg",
    5: "acdfg", 6: "acdefg", 7: "abc", 8: "abcdefg", 9: "abcdfg",
}


def blank(w, h, colour):
    return [[colour] * w for _ in range(h)]


def fill(img, x0, y0, x1, y1, colour):
    """Fills the inclusive rectangle (x0,y0)-(x1,y1)."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


# --- digit glyphs -----------------------------------------------------------

def glyph(digit):
    """5 x 15 glyph, top-down, as rows of colours (None = background).

    Horizontal bars carry a grey shade on their inner side so they read
    as slightly heavier than the 1 px uprights; without it a lit middle
    bar would change only three pixels and 0 / 8 blur together at 1:1.
    """
    on = set(SEGMENTS[digit])
    g = [[None] * 5 for _ in range(GLYPH_H)]

    def put(x, y, c):
        g[y][x] = c

    for x in (1, 2, 3):
        if "a" in on:
            put(x, 0, BLACK)
            put(x, 1, SHADE_DARK)
        if "d" in on:
            put(x, 14, BLACK)
            put(x, 13, SHADE_DARK)
        if "g" in on:
            put(x, 7, BLACK)
            put(x, 6, SHADE_LIGHT)
            put(x, 8, SHADE_LIGHT)
    for seg, x, ys in (("f", 0, range(1, 7)), ("e", 0, range(8, 14)),
                       ("b", 4, range(1, 7)), ("c", 4, range(8, 14))):
        if seg in on:
            for y in ys:
                put(x, y, BLACK)

    # Outer corners: rounded where two bars meet, tapered where one ends.
    for x, y, pair in ((0, 0, "af"), (4, 0, "ab"), (0, 14, "de"), (4, 14, "dc")):
        n = sum(s in on for s in pair)
        if n:
            put(x, y, SHADE_DARK if n == 2 else SHADE_LIGHT)
    # Middle joints: solid when the stroke carries on through them.
    for x, upper, lower in ((0, "f", "e"), (4, "b", "c")):
        n = sum(s in on for s in (upper, lower, "g"))
        if n >= 2:
            put(x, 7, BLACK)
        elif n == 1:
            put(x, 7, SHADE_DARK)
    return g


def digit_strip():
    img = blank(10 * CELL_W, CELL_H, BODY)
    for k in range(10):
        for y, row in enumerate(glyph(k)):
            for x, c in enumerate(row):
                if c is not None:
                    img[GLYPH_TOP + y][k * CELL_W + x] = c
    return img


def cell(strip, k):
    return [row[k * CELL_W:(k + 1) * CELL_W] for row in strip]


def check_glyphs_distinct(strip):
    # The timer is read at a glance from across a room; two digits that
    # differ in a pixel or two are a misreading waiting to happen.
    cells = [cell(strip, k) for k in range(10)]
    for i in range(10):
        for j in range(i + 1, 10):
            diff = sum(a != b for ra, rb in zip(cells[i], cells[j]) for a, b in zip(ra, rb))
            assert diff >= 6, "glyphs %d and %d differ in only %d pixels" % (i, j, diff)
    for k in range(10):
        assert all(row[CELL_W - 1] == BODY for row in cells[k]), "glyph %d fills spacing column" % k


# --- window pictures ----------------------------------------------------------

def window_frame_32():
    img = blank(32, 32, OUTLINE)
    fill(img, 1, 3, 30, 27, BORDER)
    fill(img, 26, 3, 28, 5, CLOSE)
    fill(img, 2, 7, 29, 26, BODY_EDGE)
    fill(img, 2, 8, 29, 25, BODY)
    return img


def timer_picture_32(strip):
    img = window_frame_32()
    zero = cell(strip, 0)
    for x0 in DIGIT_XS:
        for y, row in enumerate(zero):
            img[DIGIT_Y + y][x0:x0 + CELL_W] = row
    img[POINT[1]][POINT[0]] = BLACK
    return img


def editor_picture_32():
    img = window_frame_32()
    # Three labelled entry fields: the editor is a form, not a clock.
    for y in (10, 15, 20):
        fill(img, 4, y + 1, 9, y + 2, FIELD_LINE)
        fill(img, 12, y, 27, y + 3, SHADE_DARK)
        fill(img, 13, y + 1, 26, y + 2, WHITE)
    fill(img, 14, 11, 14, 12, BLACK)  # caret in the first field
    return img


def opaque_rows_32():
    return [2 <= y <= 28 for y in range(32)]


ZERO_3X5 = ["+#+", "# #", "# #", "# #", "+#+"]


def window_frame_16():
    # At 16 px the side borders would eat the room the digits need, so
    # the body runs up to the outline.
    img = blank(16, 16, OUTLINE)
    fill(img, 1, 2, 14, 3, BORDER)
    fill(img, 12, 2, 13, 3, CLOSE)
    fill(img, 1, 4, 14, 12, BODY)
    fill(img, 1, 13, 14, 13, BORDER)
    return img


def timer_picture_16():
    img = window_frame_16()
    shade = {"#": BLACK, "+": SHADE_DARK}
    for x0 in (1, 4, 8, 11):
        for y, row in enumerate(ZERO_3X5):
            for x, ch in enumerate(row):
                if ch in shade:
                    img[6 + y][x0 + x] = shade[ch]
    img[10][7] = BLACK
    return img


def editor_picture_16():
    img = window_frame_16()
    for y in (5, 9):
        fill(img, 2, y + 1, 4, y + 1, FIELD_LINE)
        fill(img, 6, y, 13, y + 2, SHADE_DARK)
        fill(img, 7, y + 1, 12, y + 1, WHITE)
    return img


def opaque_rows_16():
    return [1 <= y <= 14 for y in range(16)]


def scale(img, rows, size):
    """Nearest-neighbour resize of a square picture and its opaque rows."""
    n = len(img)
    src = [d * n // size for d in range(size)]
    return [[img[sy][sx] for sx in src] for sy in src], [rows[sy] for sy in src]


# --- file formats ---------------------------------------------------------------

def row_stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def info_header(width, height, bpp, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0, colours, 0)


def rgb_rows(img):
    """24 bpp pixel array, bottom-up, rows padded to 4 bytes."""
    w = len(img[0])
    pad = b"\0" * (row_stride(w, 24) - 3 * w)
    return b"".join(b"".join(bytes((b, g, r)) for r, g, b in row) + pad for row in reversed(img))


def bit_rows(bits):
    """1 bpp pixel array, bottom-up; bits are top-down rows of 0/1."""
    w = len(bits[0])
    stride = row_stride(w, 1)
    out = bytearray()
    for row in reversed(bits):
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def bmp_file(info, palette, pixels):
    offset = 14 + len(info) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def bmp24(img):
    pixels = rgb_rows(img)
    return bmp_file(info_header(len(img[0]), len(img), 24, len(pixels)), b"", pixels)


def bmp_mask(opaque_rows, width):
    bits = [[0 if opaque else 1] * width for opaque in opaque_rows]
    pixels = bit_rows(bits)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return bmp_file(info_header(width, len(bits), 1, len(pixels), 2), palette, pixels)


def and_mask(img, opaque_rows):
    return bit_rows([[0 if opaque else 1] * len(img[0]) for opaque in opaque_rows])


def ico_bmp8(img, opaque_rows):
    w, h = len(img[0]), len(img)
    # Black first: transparent pixels are index 0 under a set AND bit,
    # which draws as nothing on every screen depth.
    colours = [BLACK] + sorted({c for row in img for c in row} - {BLACK})
    assert len(colours) <= 256
    index = {c: i for i, c in enumerate(colours)}
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    palette += b"\0" * (1024 - len(palette))
    pad = b"\0" * (row_stride(w, 8) - w)
    xor = b"".join(
        bytes(index[c] if opaque else 0 for c in row) + pad
        for row, opaque in zip(reversed(img), reversed(opaque_rows)))
    mask = and_mask(img, opaque_rows)
    return info_header(w, 2 * h, 8, len(xor) + len(mask)) + palette + xor + mask


def ico_bmp32(img, opaque_rows):
    w, h = len(img[0]), len(img)
    xor = b"".join(
        b"".join(bytes((b, g, r, 255)) if opaque else b"\0\0\0\0" for r, g, b in row)
        for row, opaque in zip(reversed(img), reversed(opaque_rows)))
    mask = and_mask(img, opaque_rows)
    return info_header(w, 2 * h, 32, len(xor) + len(mask)) + xor + mask


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_rgba(img, opaque_rows):
    w, h = len(img[0]), len(img)
    raw = b"".join(
        b"\0" + b"".join(bytes((r, g, b, 255)) if opaque else b"\0\0\0\0" for r, g, b in row)
        for row, opaque in zip(img, opaque_rows))
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))


def ico_file(pic16, rows16, pic32, rows32):
    pic48, rows48 = scale(pic32, rows32, 48)
    pic256, rows256 = scale(pic32, rows32, 256)
    images = [
        (16, 8, ico_bmp8(pic16, rows16)),
        (32, 8, ico_bmp8(pic32, rows32)),
        (16, 32, ico_bmp32(pic16, rows16)),
        (32, 32, ico_bmp32(pic32, rows32)),
        (48, 32, png_rgba(pic48, rows48)),
        (256, 32, png_rgba(pic256, rows256)),
    ]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        dim = size % 256  # 256 is stored as 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


# --- self-check -------------------------------------------------------------------

def read_bmp(path):
    """Returns (width, height, bpp, top-down rows of pixel values)."""
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM" and size == len(data), path
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    assert hsize == 40 and planes == 1 and comp == 0 and h > 0, path
    stride = row_stride(w, bpp)
    assert offset + stride * h == len(data), path
    rows = []
    for y in range(h):
        line = data[offset + (h - 1 - y) * stride:][:stride]
        if bpp == 24:
            rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(w)])
        else:
            rows.append([(line[x >> 3] >> (7 - (x & 7))) & 1 for x in range(w)])
    return w, h, bpp, rows


def self_check(paths):
    w, h, bpp, pic = read_bmp(paths["picture"])
    assert (w, h, bpp) == (32, 32, 24)
    assert pic[0][0] == OUTLINE and pic[31][31] == OUTLINE
    assert pic[POINT[1]][POINT[0]] == BLACK
    assert pic[DIGIT_Y + GLYPH_TOP][DIGIT_XS[0]] == SHADE_DARK  # rounded corner of a 0
    w, h, bpp, mask = read_bmp(paths["mask"])
    assert (w, h, bpp) == (32, 32, 1)
    assert set(mask[0]) == {1} and set(mask[2]) == {0} and set(mask[28]) == {0} and set(mask[29]) == {1}
    w, h, bpp, strip = read_bmp(paths["digits"])
    assert (w, h, bpp) == (60, 19, 24)
    for x0 in DIGIT_XS:
        assert [row[x0:x0 + CELL_W] for row in pic[DIGIT_Y:DIGIT_Y + CELL_H]] == cell(strip, 0)
    for path in (paths["timer_ico"], paths["editor_ico"]):
        size = os.path.getsize(path)
        assert size < 25 * 1024, "%s is %d bytes" % (path, size)


def main():
    strip = digit_strip()
    check_glyphs_distinct(strip)
    pic32 = timer_picture_32(strip)
    paths = {
        "picture": os.path.join(HERE, "icon_picture.bmp"),
        "mask": os.path.join(HERE, "icon_mask.bmp"),
        "digits": os.path.join(HERE, "icon_digits.bmp"),
        "timer_ico": os.path.join(HERE, "plinkett.ico"),
        "editor_ico": os.path.join(EDITOR_DIR, "editor.ico"),
    }
    outputs = {
        "picture": bmp24(pic32),
        "mask": bmp_mask(opaque_rows_32(), 32),
        "digits": bmp24(strip),
        "timer_ico": ico_file(timer_picture_16(), opaque_rows_16(), pic32, opaque_rows_32()),
        "editor_ico": ico_file(editor_picture_16(), opaque_rows_16(),
                               editor_picture_32(), opaque_rows_32()),
    }
    os.makedirs(EDITOR_DIR, exist_ok=True)
    for key, data in outputs.items():
        with open(paths[key], "wb") as f:
            f.write(data)
        print(paths[key])
    self_check(paths)


if __name__ == "__main__":
    main()
