"""Checks the committed artwork files as the programs and the resource
compiler will see them, reading the bytes without the generator's help."""

import os
import struct
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TIMER_RES = os.path.join(ROOT, "timer", "resources")
ICONS = (os.path.join(TIMER_RES, "plinkett.ico"),
         os.path.join(ROOT, "editor", "resources", "editor.ico"))

DIGIT_XS = (2, 9, 17, 24)


def load_bmp(name):
    """(width, height, bpp, rows top-down); 24 bpp as (r,g,b), 1 bpp as bits."""
    with open(os.path.join(TIMER_RES, name), "rb") as f:
        data = f.read()
    assert data[:2] == b"BM", name
    file_size, offset = struct.unpack_from("<I4xI", data, 2)
    assert file_size == len(data), name
    size, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    assert (size, planes, comp) == (40, 1, 0) and h > 0, name
    stride = (w * bpp + 31) // 32 * 4
    assert offset + h * stride <= len(data), name
    rows = []
    for y in range(h):
        line = data[offset + (h - 1 - y) * stride:offset + (h - y) * stride]
        if bpp == 24:
            rows.append([tuple(line[3 * x:3 * x + 3][::-1]) for x in range(w)])
        else:
            rows.append([line[x // 8] >> (7 - x % 8) & 1 for x in range(w)])
    return w, h, bpp, rows, data[14 + size:offset]


class BitmapTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pic = load_bmp("icon_picture.bmp")
        cls.mask = load_bmp("icon_mask.bmp")
        cls.digits = load_bmp("icon_digits.bmp")

    def test_formats(self):
        self.assertEqual(self.pic[:3], (32, 32, 24))
        self.assertEqual(self.mask[:3], (32, 32, 1))
        self.assertEqual(self.digits[:3], (60, 19, 24))
        self.assertEqual(self.mask[4][:8], bytes((0, 0, 0, 0, 255, 255, 255, 0)))

    def test_outline_and_body(self):
        rows = self.pic[3]
        for x, y in ((0, 0), (31, 0), (15, 1), (0, 15), (31, 15), (0, 31), (31, 31), (15, 30)):
            self.assertEqual(rows[y][x], (42, 77, 117), (x, y))
        for x in (8, 15, 16, 23):
            for y in range(8, 26):
                if (x, y) != (15, 21):
                    self.assertEqual(rows[y][x], (240, 240, 240), (x, y))
        self.assertEqual(rows[21][15], (0, 0, 0))

    def glyph(self, k):
        return [row[6 * k:6 * k + 6] for row in self.digits[3]]

    def test_picture_shows_zeros_from_digit_strip(self):
        zero = self.glyph(0)
        for x0 in DIGIT_XS:
            cell = [row[x0:x0 + 6] for row in self.pic[3][8:27]]
            self.assertEqual(cell, zero, "cell at x=%d" % x0)

    def test_glyphs_distinct_and_spaced(self):
        glyphs = [self.glyph(k) for k in range(10)]
        for i in range(10):
            flat = [p for row in glyphs[i] for p in row]
            self.assertIn((0, 0, 0), flat, "glyph %d has no ink" % i)
            self.assertTrue(all(row[5] == (240, 240, 240) for row in glyphs[i]), i)
            for j in range(i + 1, 10):
                other = [p for row in glyphs[j] for p in row]
                diff = sum(a != b for a, b in zip(flat, other))
                self.assertGreaterEqual(diff, 6, "glyphs %d and %d" % (i, j))

    def test_mask_rows(self):
        for y, row in enumerate(self.mask[3]):
            self.assertEqual(set(row), {0} if 2 <= y <= 28 else {1}, "row %d" % y)


class IconTest(unittest.TestCase):
    def check_icon(self, path):
        with open(path, "rb") as f:
            data = f.read()
        self.assertLess(len(data), 25 * 1024)
        self.assertEqual(struct.unpack_from("<HHH", data), (0, 1, 6))
        sizes, bpps, end = [], [], 6 + 6 * 16
        for i in range(6):
            w, h, _, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            size = w or 256
            self.assertEqual(h or 256, size)
            self.assertEqual(offset, end, "images must be packed in order")
            end = offset + length
            self.assertLessEqual(end, len(data))
            sizes.append(size)
            bpps.append(bpp)
            image = data[offset:end]
            if i >= 4:
                self.assertEqual(image[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual(image[12:16], b"IHDR")
                self.assertEqual(struct.unpack_from(">IIBB", image, 16), (size, size, 8, 6))
                idat = image.index(b"IDAT")
                (n,) = struct.unpack_from(">I", image, idat - 4)
                raw = zlib.decompress(image[idat + 4:idat + 4 + n])
                self.assertEqual(len(raw), size * (4 * size + 1))
                # first row is above the window picture and must be see-through
                self.assertEqual(set(raw[4:4 * size + 1:4]), {0})
            else:
                hs, bw, bh, _, bbpp = struct.unpack_from("<IiiHH", image)
                self.assertEqual((hs, bw, bh, bbpp), (40, size, 2 * size, bpp))
                palette = 1024 if bpp == 8 else 0
                xor = (size * bpp + 31) // 32 * 4 * size
                stride = (size + 31) // 32 * 4
                self.assertEqual(len(image), 40 + palette + xor + stride * size)
                # AND rows are bottom-up: the last one is the see-through top row,
                # the middle one lies inside the window and must be opaque
                self.assertEqual(image[-stride:][:size // 8], b"\xff" * (size // 8))
                middle = len(image) - stride * (size // 2 + 1)
                self.assertEqual(image[middle:middle + size // 8], bytes(size // 8))
        self.assertEqual(end, len(data))
        self.assertEqual(sizes, [16, 32, 16, 32, 48, 256])
        self.assertEqual(bpps, [8, 8, 32, 32, 32, 32])

    def test_icons(self):
        for path in ICONS:
            with self.subTest(path=os.path.basename(path)):
                self.check_icon(path)


if __name__ == "__main__":
    unittest.main()
