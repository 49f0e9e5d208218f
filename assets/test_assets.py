"""Checks the generated assets by parsing them with the standard library only,
so a broken writer in make_assets.py cannot hide behind a lenient decoder."""

import os
import struct
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# name, (width, height), background, plain rows kept at (left, top, right, bottom)
TILES = [
    ("tile_home.png", (179, 88), (27, 161, 226), (6, 6, 6, 6)),
    ("tile_brand.png", (76, 162), (240, 150, 9), (6, 6, 6, 6)),
    ("tile_nine.png", (103, 78), (51, 153, 51), (6, 6, 6, 6)),
    ("tile_nineteen.png", (103, 84), (0, 171, 169), (6, 6, 6, 6)),
    ("tile_jingpin.png", (179, 91), (229, 20, 0), (6, 6, 6, 6)),
    # The picture box shows 112 of its 119 rows: the 7 cut off plus a border.
    ("tile_business.png", (179, 119), (162, 0, 255), (6, 6, 6, 13)),
]
ICON_PNGS = [("icon.png", 256), ("icon-48.png", 48)]
ICON_ENTRIES = sorted([(256, 32), (128, 32)] + [(size, bpp) for size in (16, 32, 48)
                                                for bpp in (1, 4, 8, 32)])


def read(name):
    with open(os.path.join(HERE, name), "rb") as f:
        return f.read()


def parse_png(data):
    """Returns (width, height, depth, colour type, rows of samples) of an
    RGBA PNG, checking the signature and every chunk's CRC."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, f"bad CRC in {kind}"
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert colour == 6 and interlace == 0, "only plain RGBA is read here"
    step = 4 * depth // 8
    stride = width * step
    raw, rows, prior = zlib.decompress(idat), [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prior[i], prior[i - step] if i >= step else 0
            p = a + b - c
            nearest = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else (
                b if abs(p - b) <= abs(p - c) else c)
            line[i] = (line[i] + (0, a, b, (a + b) // 2, nearest)[kind]) & 0xFF
        prior = line
        fmt = ">%dH" % (stride // 2) if depth == 16 else "%dB" % stride
        samples = struct.unpack(fmt, line)
        rows.append([samples[x * 4:x * 4 + 4] for x in range(width)])
    return width, height, depth, colour, rows


class PngTest(unittest.TestCase):
    def test_tiles(self):
        for name, size, background, (left, top, right, bottom) in TILES:
            with self.subTest(name):
                width, height, depth, colour, rows = parse_png(read(name))
                self.assertEqual((width, height, depth, colour), size + (16, 6))
                plain = tuple(v * 257 for v in background) + (65535,)
                self.assertTrue(all(p[3] == 65535 for row in rows for p in row), "not opaque")
                border = [rows[y][x] for y in range(height) for x in range(width)
                          if x < left or y < top or x >= width - right or y >= height - bottom]
                self.assertEqual(set(border), {plain}, "border not plain background")
                pixels = [p for row in rows for p in row]
                self.assertIn((65535,) * 4, pixels, "no white text")
                self.assertGreater(pixels.count(plain), len(pixels) * 0.7)

    def test_icon_pngs(self):
        for name, size in ICON_PNGS:
            with self.subTest(name):
                width, height, depth, colour, rows = parse_png(read(name))
                self.assertEqual((width, height, depth, colour), (size, size, 8, 6))
                corners = [rows[y][x][3] for y in (0, size - 1) for x in (0, size - 1)]
                self.assertEqual(corners, [0] * 4, "corners not transparent")
                self.assertTrue(any(p[3] == 255 for row in rows for p in row))


def lzw_decode(data, min_size):
    """Decodes GIF LZW into a list of indices."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    bits = int.from_bytes(data, "little")
    pos, width, table, prev, out = 0, min_size + 1, None, None, []
    while pos + width <= len(data) * 8:
        code = (bits >> pos) & ((1 << width) - 1)
        pos += width
        if code == clear:
            table, width, prev = [[i] for i in range(clear)] + [None, None], min_size + 1, None
            continue
        if code == end:
            return out
        entry = table[code] if code < len(table) else prev + prev[:1]
        if prev is not None and len(table) < 4096:
            table.append(prev + entry[:1])
            if len(table) == 1 << width and width < 12:
                width += 1
        out += entry
        prev = entry
    raise AssertionError("no end code")


def parse_gif(data):
    """Returns the header fields, the loop count and one dict per frame."""
    width, height, packed, background, _ = struct.unpack_from("<HHBBB", data, 6)
    gif = dict(version=data[:6], size=(width, height), packed=packed,
               palette=data[13:13 + 3 * (2 << (packed & 7))] if packed & 0x80 else b"",
               loop=None, frames=[])
    pos, control = 13 + len(gif["palette"]), None

    def blocks():
        nonlocal pos
        out = b""
        while data[pos]:
            out += data[pos + 1:pos + 1 + data[pos]]
            pos += 1 + data[pos]
        pos += 1
        return out

    while data[pos] != 0x3B:
        kind = data[pos]
        if kind == 0x21:
            label, pos = data[pos + 1], pos + 2
            body = blocks()
            if label == 0xF9:
                control = dict(zip(("packed", "delay"), struct.unpack_from("<BH", body)))
            elif label == 0xFF and body[:11] == b"NETSCAPE2.0":
                gif["loop"] = struct.unpack_from("<H", body, 12)[0]
        elif kind == 0x2C:
            x, y, w, h, packed = struct.unpack_from("<HHHHB", data, pos + 1)
            min_size, pos = data[pos + 10], pos + 11
            gif["frames"].append(dict(rect=(x, y, w, h), local=packed & 0x80, control=control,
                                      indices=lzw_decode(blocks(), min_size)))
            control = None
        else:
            raise AssertionError(f"unknown block {kind:#x}")
    return gif


class GifTest(unittest.TestCase):
    def test_loading(self):
        gif = parse_gif(read("loading.gif"))
        self.assertEqual(gif["version"], b"GIF89a")
        self.assertEqual(gif["size"], (100, 100))
        self.assertEqual(gif["packed"] & 0x87, 0x84, "global table of 32 entries")
        self.assertEqual(len(gif["palette"]), 96)
        self.assertEqual(gif["palette"][:3], b"\xff\xff\xff", "background white")
        self.assertEqual(gif["loop"], 0)
        self.assertEqual(len(gif["frames"]), 12)
        for i, frame in enumerate(gif["frames"]):
            with self.subTest(frame=i):
                self.assertEqual(frame["rect"], (0, 0, 100, 100))
                self.assertFalse(frame["local"], "local colour table")
                self.assertEqual(frame["control"]["delay"], 7)
                self.assertEqual(frame["control"]["packed"] & 1, 0, "transparent colour")
                self.assertIn((frame["control"]["packed"] >> 2) & 7, (0, 1))
                self.assertEqual(len(frame["indices"]), 100 * 100)
                self.assertLess(max(frame["indices"]), 32)
                self.assertEqual(frame["indices"][0], 0, "white corner")
        distinct = {bytes(f["indices"]) for f in gif["frames"]}
        self.assertEqual(len(distinct), 12, "frames should all differ")


class IcoTest(unittest.TestCase):
    def test_directory_and_images(self):
        data = read("icon.ico")
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((reserved, kind, count), (0, 1, len(ICON_ENTRIES)))
        found, end = [], 6 + 16 * count
        for i in range(count):
            w, h, colours, _, planes, bpp, size, offset = struct.unpack_from(
                "<BBBBHHII", data, 6 + 16 * i)
            pixels = w or 256
            found.append((pixels, bpp))
            with self.subTest(size=pixels, bpp=bpp):
                self.assertEqual((w, planes, colours), (h, 1, {1: 2, 4: 16}.get(bpp, 0)))
                self.assertEqual(offset, end, "images not packed in order")
                end += size
                image = data[offset:offset + size]
                if pixels == 256:
                    self.assertEqual(image[:8], b"\x89PNG\r\n\x1a\n")
                    self.assertEqual(parse_png(image)[:4], (256, 256, 8, 6))
                    continue
                header = struct.unpack_from("<IiiHH", image)
                self.assertEqual(header, (40, pixels, 2 * pixels, 1, bpp))
                palette = 4 << bpp if bpp <= 8 else 0
                xor = ((pixels * bpp + 31) // 32) * 4 * pixels
                mask = ((pixels + 31) // 32) * 4 * pixels
                self.assertEqual(size, 40 + palette + xor + mask)
        self.assertEqual(end, len(data))
        self.assertEqual(sorted(found), ICON_ENTRIES)


if __name__ == "__main__":
    unittest.main()
