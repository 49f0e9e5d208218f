#!/usr/bin/env python3
"""Regenerates Tolvane's image assets into this folder: the six home-page
tiles, the loading animation and the program icon.

Run with the system Python, with python3-pil, fonts-noto-cjk and
fonts-dejavu-core installed:
    /usr/bin/python3 assets/make_assets.py
The output depends only on this script, Pillow and the installed fonts, so a
second run gives the same bytes."""

import math
import os
import struct
import zlib

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))

NOTO_DIR = "/usr/share/fonts/opentype/noto"
CJK_BOLD = os.path.join(NOTO_DIR, "NotoSansCJK-Bold.ttc")
CJK_REGULAR = os.path.join(NOTO_DIR, "NotoSansCJK-Regular.ttc")
CJK_SC_INDEX = 2  # face order in the collection: JP, KR, SC, TC, HK
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

WHITE = (255, 255, 255)


def font(path, size):
    index = CJK_SC_INDEX if path.endswith(".ttc") else 0
    return ImageFont.truetype(path, size, index=index)


# --- PNG -------------------------------------------------------------------


def _chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_bytes(image, depth):
    """Encodes an RGBA Pillow image as an RGBA PNG of 8 or 16 bits per
    channel. Pillow has no 16-bit RGBA writer, so the file is built here."""
    image = image.convert("RGBA")
    width, height = image.size
    raw = image.tobytes()
    if depth == 16:
        # v * 257 maps 0..255 onto 0..65535 exactly (0xAB -> 0xABAB).
        raw = bytes(b for v in raw for b in (v, v))
    stride = width * 4 * depth // 8
    rows = b"".join(b"\0" + raw[y * stride:(y + 1) * stride] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, depth, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(rows, 9)) + _chunk(b"IEND", b""))


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


# --- Tiles -----------------------------------------------------------------


def run(segments, spacing=0):
    """Renders a line of (text, font) segments on one shared baseline and
    returns its coverage mask cropped to the ink, so layout works on what is
    actually drawn rather than on font metrics."""
    canvas = Image.new("L", (600, 300), 0)
    draw = ImageDraw.Draw(canvas)
    x = 20
    for text, face in segments:
        draw.text((x, 200), text, font=face, fill=255, anchor="ls")
        x += face.getlength(text) + spacing
    return canvas.crop(canvas.getbbox())


def stack(masks, gaps):
    """Stacks masks top to bottom, each centred horizontally, with the given
    gaps between them."""
    width = max(m.width for m in masks)
    height = sum(m.height for m in masks) + sum(gaps)
    out = Image.new("L", (width, height), 0)
    y = 0
    for i, mask in enumerate(masks):
        out.paste(mask, ((width - mask.width) // 2, y))
        y += mask.height + (gaps[i] if i < len(gaps) else 0)
    return out


def tile(size, background, mask, box=None):
    """A tile of the background colour with the white mask centred in box
    (left, top, right, bottom; the whole tile by default)."""
    image = Image.new("RGB", size, background)
    left, top, right, bottom = box or (0, 0) + size
    x = left + (right - left - mask.width) // 2
    y = top + (bottom - top - mask.height) // 2
    image.paste(WHITE, (x, y), mask)
    return image


def rule(width, height=1):
    return Image.new("L", (width, height), 255)


def make_tiles():
    tiles = {}

    name = run([("九块九包邮购", font(CJK_BOLD, 25))], spacing=0)
    address = run([("www.tolvane.example", font(CJK_REGULAR, 12))])
    tiles["tile_home.png"] = ((179, 88), (27, 161, 226), stack(
        [name, rule(name.width), address], [7, 5]), None)

    glyphs = [run([(c, font(CJK_BOLD, 31))]) for c in "品牌折扣"]
    tiles["tile_brand.png"] = ((76, 162), (240, 150, 9), stack(glyphs, [7, 7, 7]), None)

    price = run([("9.9", font(CJK_BOLD, 34)), ("元", font(CJK_BOLD, 18))], spacing=1)
    area = run([("专区", font(CJK_BOLD, 18))])
    tiles["tile_nine.png"] = ((103, 78), (51, 153, 51), stack([price, area], [7]), None)

    price = run([("19.9", font(CJK_BOLD, 34))])
    tiles["tile_nineteen.png"] = ((103, 84), (0, 171, 169), stack([price, area], [8]), None)

    words = run([("精品折扣", font(CJK_BOLD, 32))])
    tiles["tile_jingpin.png"] = ((179, 91), (229, 20, 0), stack(
        [words, rule(words.width // 3, 2)], [9]), None)

    words = run([("商家报名", font(CJK_BOLD, 30))])
    phone = run([("400-800-9999", font(CJK_BOLD, 14))])
    # The picture box shows only the top 112 rows; centre in what is seen.
    tiles["tile_business.png"] = ((179, 119), (162, 0, 255), stack(
        [words, rule(words.width), phone], [8, 7]), (0, 0, 179, 112))

    for name, (size, background, mask, box) in tiles.items():
        write(name, png_bytes(tile(size, background, mask, box), 16))


# --- Loading animation -----------------------------------------------------

GIF_SIZE = 100
GIF_FRAMES = 12
GIF_DELAY = 7  # hundredths of a second
INK = (64, 84, 110)  # blue-grey of the dots and the word
# 32 steps from white to the ink: every pixel drawn is a blend of the two, so
# one ramp holds the whole animation without dithering.
PALETTE = [tuple(round(255 + (c - 255) * i / 31) for c in INK) for i in range(32)]


def loading_frames():
    """Returns the 12 frames as lists of palette indices. Each frame is drawn
    as ink coverage (0 = white, 255 = ink) at 4x and scaled down, which
    smooths the dots' edges."""
    scale = 4
    big = GIF_SIZE * scale
    word = run([("LOADING", ImageFont.truetype(LATIN_BOLD, 10 * scale))])
    frames = []
    for frame in range(GIF_FRAMES):
        canvas = Image.new("L", (big, big), 0)
        draw = ImageDraw.Draw(canvas)
        for dot in range(12):
            # The dark dot leads clockwise; the ones behind it fade out.
            behind = (frame - dot) % 12
            strength = max(0.12, 1.0 - behind * 0.13)
            radius = (3.0 + 2.0 * strength) * scale
            cx, cy = _ring_point(dot, 38 * scale, big / 2)
            draw.ellipse((cx - radius, cy - radius, cx + radius, cy + radius),
                         fill=round(255 * strength))
        canvas.paste(255, ((big - word.width) // 2, (big - word.height) // 2), word)
        small = canvas.resize((GIF_SIZE, GIF_SIZE), Image.Resampling.BOX)
        frames.append([round(v * 31 / 255) for v in small.getdata()])
    return frames


def _ring_point(step, radius, centre):
    angle = math.radians(step * 30 - 90)
    return centre + radius * math.cos(angle), centre + radius * math.sin(angle)


def lzw(indices, min_size):
    """GIF-flavoured LZW: variable code width from min_size + 1 up to 12
    bits, packed least significant bit first, a clear code when the table is
    full."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    bits = nbits = 0

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, width = reset()
    emit(clear)
    current = b""
    for value in indices:
        grown = current + bytes([value])
        if grown in table:
            current = grown
            continue
        emit(table[current])
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            # The decoder adds each entry one code later than we do, so
            # widen only once a code needing the extra bit exists.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table, next_code, width = reset()
        current = bytes([value])
    emit(table[current])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    return b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                    for i in range(0, len(data), 255)) + b"\0"


def gif_bytes(frames):
    out = bytearray(b"GIF89a")
    # Global table present, 8-bit colour resolution, size field 4 = 32 entries.
    out += struct.pack("<HHBBB", GIF_SIZE, GIF_SIZE, 0x80 | 0x70 | 4, 0, 0)
    out += b"".join(bytes(c) for c in PALETTE)
    out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\0"
    for indices in frames:
        # Disposal 1 (leave in place), no transparent colour.
        out += b"\x21\xf9\x04" + struct.pack("<BHB", 1 << 2, GIF_DELAY, 0) + b"\0"
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, GIF_SIZE, GIF_SIZE, 0)
        out += b"\x05" + sub_blocks(lzw(indices, 5))
    out += b"\x3b"
    return bytes(out)


# --- Icon ------------------------------------------------------------------

ICON_BASE = 256
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


# Colours of each part of the icon, per palette. The 4-bit and 1-bit images
# are drawn again in colours their palettes hold, because the true-colour
# blues and pinks have no near neighbour among the 16 VGA colours.
SCHEMES = {
    "colour": dict(edge=(24, 46, 92), lid=(92, 164, 240), body=(46, 124, 222),
                   side=(30, 92, 180), ribbon=(224, 36, 48), fold=(164, 16, 30),
                   candy=(246, 120, 170), stripe=(255, 236, 244), candy_edge=(150, 40, 90),
                   shine=(255, 255, 255, 200)),
    "vga": dict(edge=(0, 0, 0), lid=(0, 0, 255), body=(0, 0, 255), side=(0, 0, 128),
                ribbon=(255, 0, 0), fold=(128, 0, 0), candy=(255, 0, 255),
                stripe=(255, 255, 255), candy_edge=(128, 0, 128), shine=None),
    "mono": dict(edge=(0, 0, 0), lid=(255, 255, 255), body=(255, 255, 255),
                 side=(255, 255, 255), ribbon=(0, 0, 0), fold=(255, 255, 255),
                 candy=(255, 255, 255), stripe=(0, 0, 0), candy_edge=(0, 0, 0), shine=None),
}


def draw_icon(scheme="colour", size=ICON_BASE, line=4):
    """The gift box with its ribbon over a striped sweet, laid out on a
    256-unit grid, drawn at 4x and scaled down to size for smooth edges.
    line is the outline width in grid units."""
    s = 4
    c = {k: v and tuple(v) + (255,) * (4 - len(v)) for k, v in SCHEMES[scheme].items()}
    image = Image.new("RGBA", (ICON_BASE * s, ICON_BASE * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    w = round(line * s)

    def box(x0, y0, x1, y1, fill, radius=0, outline=None):
        d.rounded_rectangle((x0 * s, y0 * s, x1 * s, y1 * s), radius * s, fill=fill,
                            outline=outline, width=w if outline else 0)

    def poly(points, fill, outline=None):
        pts = [(x * s, y * s) for x, y in points]
        d.polygon(pts, fill=fill)
        if outline:
            d.line(pts + pts[:1], fill=outline, width=w, joint="curve")

    def oval(x0, y0, x1, y1, fill, outline=None):
        d.ellipse((x0 * s, y0 * s, x1 * s, y1 * s), fill=fill, outline=outline,
                  width=w if outline else 0)

    # Bow: two loops and the knot, behind the lid's top edge.
    poly([(128, 62), (78, 22), (64, 40), (76, 64)], c["ribbon"], c["edge"])
    poly([(128, 62), (178, 22), (192, 40), (180, 64)], c["ribbon"], c["edge"])
    poly([(128, 62), (84, 32), (76, 56)], c["fold"])
    poly([(128, 62), (172, 32), (180, 56)], c["fold"])

    # Box body, its shadowed right side and the vertical ribbon, outlined last.
    box(48, 94, 208, 176, c["body"], 6)
    box(176, 96, 206, 174, c["side"], 4)
    box(114, 96, 142, 174, c["ribbon"])
    d.line((114 * s, 96 * s, 114 * s, 174 * s), fill=c["fold"], width=2 * s)
    d.line((142 * s, 96 * s, 142 * s, 174 * s), fill=c["fold"], width=2 * s)
    box(48, 94, 208, 176, None, 6, c["edge"])

    # Lid, wider than the body, with the ribbon across it.
    box(38, 62, 218, 98, c["lid"], 6)
    box(110, 64, 146, 96, c["ribbon"])
    box(38, 62, 218, 98, None, 6, c["edge"])
    oval(116, 50, 140, 72, c["ribbon"], c["edge"])

    # The sweet: twisted wrapper ends, then the striped middle.
    poly([(84, 214), (42, 190), (34, 238)], c["candy"], c["candy_edge"])
    poly([(172, 214), (214, 190), (222, 238)], c["candy"], c["candy_edge"])
    middle = Image.new("L", image.size, 0)
    ImageDraw.Draw(middle).ellipse((74 * s, 188 * s, 182 * s, 240 * s), fill=255)
    stripes = Image.new("RGBA", image.size, c["candy"])
    sd = ImageDraw.Draw(stripes)
    for x in range(20, 260, 24):
        sd.polygon([(x * s, 180 * s), ((x + 11) * s, 180 * s),
                    ((x - 39) * s, 250 * s), ((x - 50) * s, 250 * s)], fill=c["stripe"])
    image.paste(stripes, (0, 0), middle)
    oval(74, 188, 182, 240, None, c["candy_edge"])
    if c["shine"]:
        oval(92, 196, 112, 206, c["shine"])

    return image.resize((size, size), Image.Resampling.LANCZOS)


def _dib(image, bpp):
    """One icon image in the classic layout: a BITMAPINFOHEADER of double
    height, the palette, the colour bitmap and the 1-bit AND mask, rows
    bottom-up and padded to 4 bytes."""
    size = image.width
    alpha = image.getchannel("A")
    opaque = [a >= 128 for a in alpha.getdata()]
    rows = []
    palette = b""
    if bpp == 32:
        pixels = list(image.getdata())
        for y in range(size):
            rows.append(b"".join(struct.pack("BBBB", b, g, r, a)
                                 for r, g, b, a in pixels[y * size:(y + 1) * size]))
    else:
        colours = {1: [(0, 0, 0), (255, 255, 255)], 4: VGA16}.get(bpp)
        rgb = Image.new("RGB", image.size, (0, 0, 0))
        rgb.paste(image.convert("RGB"), (0, 0), alpha.point(lambda a: 255 if a >= 128 else 0))
        if colours:
            # Nearest palette colour, no dithering: the fixed-palette pictures
            # are drawn in these colours, only their edges are blends.
            index = [min(range(len(colours)), key=lambda i: sum(
                (a - b) ** 2 for a, b in zip(colours[i], pixel))) for pixel in rgb.getdata()]
        else:
            # 255 adaptive colours; the last entry is kept black for the mask.
            indexed = rgb.quantize(255, method=Image.Quantize.MEDIANCUT,
                                   dither=Image.Dither.NONE)
            flat = indexed.getpalette()[:255 * 3]
            flat += [0] * (768 - len(flat))
            colours = [tuple(flat[i:i + 3]) for i in range(0, 768, 3)]
            index = list(indexed.getdata())
        # Masked pixels must be black so the XOR pass leaves the screen as is.
        black = len(colours) - 1 if bpp == 8 else 0
        index = [v if o else black for v, o in zip(index, opaque)]
        palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colours)
        for y in range(size):
            rows.append(_pack_bits(index[y * size:(y + 1) * size], bpp))
    mask_rows = [_pack_bits([0 if o else 1 for o in opaque[y * size:(y + 1) * size]], 1)
                 for y in range(size)]
    xor = b"".join(_pad4(r) for r in reversed(rows))
    mask = b"".join(_pad4(r) for r in reversed(mask_rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + xor + mask


def _pack_bits(values, bpp):
    if bpp == 8:
        return bytes(values)
    per_byte = 8 // bpp
    out = bytearray()
    for i in range(0, len(values), per_byte):
        byte = 0
        group = values[i:i + per_byte]
        for j in range(per_byte):
            byte = (byte << bpp) | (group[j] if j < len(group) else 0)
        out.append(byte)
    return bytes(out)


def _pad4(row):
    return row + b"\0" * (-len(row) % 4)


ICON_ENTRIES = [(256, 32), (128, 32)] + [(size, bpp) for size in (48, 32, 16)
                                          for bpp in (32, 8, 4, 1)]


def ico_bytes():
    entries = ICON_ENTRIES
    images = []
    for size, bpp in entries:
        if bpp >= 8:
            picture = draw_icon("colour", size)
        else:
            # Outlines of at least one pixel, which a fixed palette keeps.
            picture = draw_icon("vga" if bpp == 4 else "mono", size, max(4, 256 / size))
        # Vista and later read a PNG stream for the 256-pixel image.
        images.append(png_bytes(picture, 8) if size == 256 else _dib(picture, bpp))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (size, bpp), data in zip(entries, images):
        colours = {1: 2, 4: 16}.get(bpp, 0)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def make_icon():
    write("icon.ico", ico_bytes())
    write("icon.png", png_bytes(draw_icon(), 8))
    write("icon-48.png", png_bytes(draw_icon(size=48), 8))


def main():
    make_tiles()
    write("loading.gif", gif_bytes(loading_frames()))
    make_icon()


if __name__ == "__main__":
    main()
