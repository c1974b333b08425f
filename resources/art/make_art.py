#!/usr/bin/env python3
"""Draws every picture of Twinsweep.exe pixel by pixel and writes the BMP, ICO and
CUR files next to this script.

Standard library only, so that anyone can redraw the art on a bare machine. The
output is byte-for-byte repeatable: no timestamps, no randomness, and every pixel
is rounded the same way on every run. The build never runs this script; the
generated files are kept in the repository.

    python3 resources/art/make_art.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Colours that the toolbar and the menus swap for the system colours when they
# load a bitmap, so they carry the background and the 3-D shading.
FACE = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
SHADOW = (128, 128, 128)

# Transparent key colours of the bitmaps drawn with TransparentBlt and friends.
KEY_RED = (255, 0, 0)
KEY_BLUE = (0, 0, 255)

# Folder yellows, shared by every folder so they look like one family.
FOLDER_LINE = (128, 88, 0)
FOLDER_BACK = (232, 184, 56)
FOLDER_FRONT_TOP = (255, 240, 150)
FOLDER_FRONT_BOTTOM = (248, 204, 72)


# ---------------------------------------------------------------------------
# Canvas and shapes
# ---------------------------------------------------------------------------

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(lerp(c0[i], c1[i], t) for i in range(3))


def vgrad(c0, c1, y0, y1):
    """A paint that runs from c0 at row y0 to c1 at row y1."""
    span = float(max(1, y1 - y0))
    return lambda x, y: mix(c0, c1, (y - y0) / span)


def dgrad(c0, c1, x0, y0, x1, y1):
    """A diagonal paint from c0 at (x0, y0) to c1 at (x1, y1)."""
    dx, dy = x1 - x0, y1 - y0
    n = float(dx * dx + dy * dy) or 1.0
    return lambda x, y: mix(c0, c1, ((x - x0) * dx + (y - y0) * dy) / n)


def paint_at(paint, x, y):
    return paint(x, y) if callable(paint) else paint


class Canvas:
    """RGBA pixels, colour 0..255 as floats and alpha 0..1, composited 'over'."""

    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        fill = [0.0, 0.0, 0.0, 0.0] if bg is None else [bg[0], bg[1], bg[2], 1.0]
        self.px = [[list(fill) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, col, a=1.0):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y][x]
        if a >= 1:
            p[0], p[1], p[2], p[3] = col[0], col[1], col[2], 1.0
            return
        da = p[3] * (1 - a)
        oa = a + da
        for i in range(3):
            p[i] = (col[i] * a + p[i] * da) / oa
        p[3] = oa

    def set(self, x, y, col):
        self.blend(x, y, col, 1.0)

    def rgb(self, x, y):
        p = self.px[y][x]
        return tuple(max(0, min(255, int(math.floor(p[i] + 0.5)))) for i in range(3))

    def alpha(self, x, y):
        return max(0, min(255, int(math.floor(self.px[y][x][3] * 255 + 0.5))))

    # Crisp drawing: a pixel belongs to a shape when its centre does.
    def mask(self, shape):
        return {(x, y) for y in range(self.h) for x in range(self.w) if shape(x + 0.5, y + 0.5)}

    def paint(self, pixels, paint):
        for (x, y) in sorted(pixels):
            self.set(x, y, paint_at(paint, x, y))

    def outlined(self, shape, paint, line, thick_corners=False):
        """Fills a shape and draws its 1-pixel edge in `line`; returns the mask."""
        m = self.mask(shape)
        edge = border(m, thick_corners)
        self.paint(m - edge, paint)
        self.paint(edge, line)
        return m

    # Smooth drawing for the icons: coverage from ss x ss samples per pixel.
    def fill_aa(self, shape, paint, ss=6):
        step = 1.0 / ss
        offs = [(i + 0.5) * step for i in range(ss)]
        for y in range(self.h):
            for x in range(self.w):
                n = 0
                for oy in offs:
                    for ox in offs:
                        if shape(x + ox, y + oy):
                            n += 1
                if n:
                    self.blend(x, y, paint_at(paint, x, y), n / float(ss * ss))

    def pixels(self, x0, y0, rows, legend):
        """Pixel art: one character a pixel, '.' and ' ' leave the pixel alone."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in ". ":
                    continue
                self.set(x0 + i, y0 + j, paint_at(legend[ch], x0 + i, y0 + j))

    def hline(self, x0, x1, y, col):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.set(x, y, paint_at(col, x, y))

    def vline(self, x, y0, y1, col):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.set(x, y, paint_at(col, x, y))

    def frame(self, x0, y0, x1, y1, col):
        self.hline(x0, x1, y0, col)
        self.hline(x0, x1, y1, col)
        self.vline(x0, y0, y1, col)
        self.vline(x1, y0, y1, col)

    def blit(self, src, dx, dy):
        for y in range(src.h):
            for x in range(src.w):
                p = src.px[y][x]
                self.blend(dx + x, dy + y, p[:3], p[3])


def border(m, thick_corners=False):
    """Pixels of the mask that touch the outside (4-neighbours: a thin 8-connected edge)."""
    nb = [(1, 0), (-1, 0), (0, 1), (0, -1)]
    if thick_corners:
        nb += [(1, 1), (1, -1), (-1, 1), (-1, -1)]
    return {(x, y) for (x, y) in m if any((x + dx, y + dy) not in m for dx, dy in nb)}


def cells(x0, y0, x1, y1):
    """The shape covering pixels x0..x1, y0..y1 inclusive."""
    return lambda x, y: x0 <= x < x1 + 1 and y0 <= y < y1 + 1


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rrect(x0, y0, x1, y1, r):
    def f(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return f


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def polygon(pts):
    def f(x, y):
        inside = False
        n = len(pts)
        for i in range(n):
            x1, y1 = pts[i]
            x2, y2 = pts[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                    inside = not inside
        return inside
    return f


def arc_band(cx, cy, r0, r1, a0, a1):
    """Ring between radii r0 and r1 for angles a0..a1 in degrees, counter-clockwise
    as seen on screen (0 = right, 90 = up)."""
    def f(x, y):
        dx, dy = x - cx, cy - y
        d2 = dx * dx + dy * dy
        if not (r0 * r0 <= d2 <= r1 * r1):
            return False
        a = math.degrees(math.atan2(dy, dx)) % 360.0
        lo, hi = a0 % 360.0, a1 % 360.0
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return f


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# ---------------------------------------------------------------------------
# Pixel fonts (our own glyphs; '#' is ink)
# ---------------------------------------------------------------------------

# Bold caption face: cap height 9, x-height 7, 2-pixel stems.
CAPTION_FONT = {
    "F": ["######", "##....", "##....", "##....", "#####.", "##....", "##....", "##....", "##...."],
    "R": ["######.", "##...##", "##...##", "##...##", "######.", "##.##..", "##..##.", "##...##",
          "##...##"],
    "S": [".#####", "##...#", "##....", "###...", ".####.", "...###", "....##", "#...##", "#####."],
    "a": ["......", "......", ".####.", "....##", ".#####", "##..##", "##..##", "##..##", ".#####"],
    "c": [".....", ".....", ".####", "##...", "##...", "##...", "##...", "##...", ".####"],
    "d": ["....##", "....##", ".#####", "##..##", "##..##", "##..##", "##..##", "##..##", ".#####"],
    "e": ["......", "......", ".####.", "##..##", "##..##", "######", "##....", "##...#", ".####."],
    "i": ["##", "..", "##", "##", "##", "##", "##", "##", "##"],
    "l": ["##", "##", "##", "##", "##", "##", "##", "##", "##"],
    "o": ["......", "......", ".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."],
    "r": ["....", "....", "##.#", "####", "##..", "##..", "##..", "##..", "##.."],
    "s": [".....", ".....", ".####", "##...", "###..", ".###.", "..###", "...##", "####."],
    "t": [".....", ".##..", "#####", ".##..", ".##..", ".##..", ".##..", ".##..", "..###"],
    "u": ["......", "......", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", ".#####"],
}

# Heavy capitals for the stop sign: 7 rows, 2-pixel stems.
SIGN_FONT = {
    "S": [".####.", "##..##", "##....", ".####.", "....##", "##..##", ".####."],
    "T": ["######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."],
    "O": [".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."],
    "P": ["#####.", "##..##", "##..##", "#####.", "##....", "##....", "##...."],
}

# The maker's wordmark: round, heavy letters, cap height 13, x-height 9.
LOGO_FONT = {
    "M": ["###.......###",
          "####.....####",
          "#####...#####",
          "######.######",
          "###.#####.###",
          "###..###..###",
          "###...#...###",
          "###.......###",
          "###.......###",
          "###.......###",
          "###.......###",
          "###.......###",
          "###.......###"],
    "i": ["...", "...", "...", "...",
          "###", "###", "###", "###", "###", "###", "###", "###", "###"],
    "r": [".......", ".......", ".......", ".......",
          "###.###",
          "#######",
          "####...",
          "###....",
          "###....",
          "###....",
          "###....",
          "###....",
          "###...."],
    "e": [".........", ".........", ".........", ".........",
          "..#####..",
          ".##...##.",
          "###...###",
          "#########",
          "###......",
          "###......",
          "###....##",
          ".########",
          "..######."],
    "l": ["###", "###", "###", "###", "###", "###", "###", "###", "###", "###", "###", "###", "###"],
    "o": [".........", ".........", ".........", ".........",
          "..#####..",
          ".#######.",
          "###...###",
          "###...###",
          "###...###",
          "###...###",
          "###...###",
          ".#######.",
          "..#####.."],
    "n": [".........", ".........", ".........", ".........",
          "###.####.",
          "#########",
          "####..###",
          "###...###",
          "###...###",
          "###...###",
          "###...###",
          "###...###",
          "###...###"],
}


def text_width(font, text, spacing):
    return sum(len(font[ch][0]) for ch in text) + spacing * (len(text) - 1)


def text_mask(font, text, x0, y0, spacing):
    """The ink pixels of a word whose top-left glyph cell is at (x0, y0)."""
    ink = set()
    x = x0
    for ch in text:
        rows = font[ch]
        for j, row in enumerate(rows):
            for i, c in enumerate(row):
                if c == "#":
                    ink.add((x + i, y0 + j))
        x += len(rows[0]) + spacing
    return ink


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def _bmp_file(header_and_palette, rows_data):
    pixel_data = b"".join(rows_data)
    offset = 14 + len(header_and_palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset) + \
        header_and_palette + pixel_data


def _info_header(w, h, bits, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def bmp24(cv):
    stride = (cv.w * 3 + 3) & ~3
    rows = []
    for y in range(cv.h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(cv.w):
            r, g, b = cv.rgb(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    return _bmp_file(_info_header(cv.w, cv.h, 24, stride * cv.h), rows)


def bmp_indexed(cv, bits, palette=None):
    """A palette bitmap. Without a palette, the colours are numbered in the order
    they first appear, reading from the top-left (so the background is entry 0)."""
    if palette is None:
        palette = []
        for y in range(cv.h):
            for x in range(cv.w):
                c = cv.rgb(x, y)
                if c not in palette:
                    palette.append(c)
    size = 1 << bits
    if len(palette) > size:
        raise ValueError("%d colours do not fit in %d bits" % (len(palette), bits))
    index = {c: i for i, c in enumerate(palette)}
    table = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette)
    table += b"\0\0\0\0" * (size - len(palette))
    stride = ((cv.w * bits + 31) // 32) * 4
    rows = []
    for y in range(cv.h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(cv.w):
            c = cv.rgb(x, y)
            if c not in index:
                raise ValueError("colour %r is not in the palette" % (c,))
            i = index[c]
            if bits == 8:
                row[x] = i
            elif bits == 4:
                row[x // 2] |= i << (4 if x % 2 == 0 else 0)
            else:
                raise ValueError("unsupported depth")
        rows.append(bytes(row))
    return _bmp_file(_info_header(cv.w, cv.h, bits, stride * cv.h, size) + table, rows)


def _and_mask(w, h, transparent):
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def ico(canvases):
    """32-bit icons with alpha, each with the AND mask older systems use."""
    images = []
    for cv in canvases:
        xor = bytearray()
        for y in range(cv.h - 1, -1, -1):
            for x in range(cv.w):
                a = cv.alpha(x, y)
                r, g, b = cv.rgb(x, y) if a else (0, 0, 0)
                xor += bytes((b, g, r, a))
        mask = _and_mask(cv.w, cv.h, lambda x, y: cv.alpha(x, y) == 0)
        header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 32, 0,
                             len(xor) + len(mask), 0, 0, 0, 0)
        images.append((cv, header + bytes(xor) + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, data in images:
        out += struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def cur_mono(rows, hotspot):
    """A monochrome cursor from art where 'B' is black, 'W' white, anything else
    transparent."""
    h, w = len(rows), len(rows[0])

    def at(x, y):
        return rows[y][x]

    stride = ((w + 31) // 32) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if at(x, y) == "W":
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    mask = _and_mask(w, h, lambda x, y: at(x, y) not in "BW")
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    data = header + palette + bytes(xor) + mask
    return struct.pack("<HHH", 0, 2, 1) + \
        struct.pack("<BBBBHHII", w, h, 2, 0, hotspot[0], hotspot[1], len(data), 22) + data


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Reusable figures (crisp)
# ---------------------------------------------------------------------------

def page(cv, x0, y0, x1, y1, fold, fill=WHITE, line=BLACK, fold_fill=(224, 224, 224), lines=None,
         line_col=SHADOW):
    """A sheet with a dog-eared top-right corner, outline included in x0..x1, y0..y1.
    `lines` lists (row, left, right) text lines relative to the sheet."""
    fx, fy = x1 - fold, y0 + fold
    # Pixel rule rather than a polygon: a 45-degree edge would run exactly through
    # pixel centres and round unevenly.
    shape = lambda x, y: (x0 <= x < x1 + 1 and y0 <= y < y1 + 1 and
                          not (x - 0.5 > fx and x - 0.5 - fx > y - 0.5 - y0))
    m = cv.outlined(shape, fill, line)
    if fold > 1:
        tri = {(x, y) for (x, y) in m if x > fx and y < fy}
        cv.paint(tri - border(m), fold_fill)
        cv.vline(fx, y0, fy, line)
        cv.hline(fx, x1, fy, line)
    for (row, a, b) in lines or []:
        cv.hline(x0 + a, x0 + b, y0 + row, line_col)
    return m


def red_x(cv, x0, y0, n):
    """An n x n X of two 3-pixel strokes, lit from above: light upper rims, dark
    lower rims."""
    core, light, dark = (224, 24, 24), (255, 112, 96), (150, 0, 0)
    for y in range(n):
        for x in range(n):
            a, b = x - y, x + y - (n - 1)
            if abs(a) > 1 and abs(b) > 1:
                continue
            if abs(a) <= 1 and abs(b) <= 1:
                col = core
            elif abs(a) <= 1:
                col = light if a == 1 else dark if a == -1 else core
            else:
                col = light if b == -1 else dark if b == 1 else core
            cv.set(x0 + x, y0 + y, col)


# ---------------------------------------------------------------------------
# Toolbar: ten 28 x 26 images on the button face
# ---------------------------------------------------------------------------

TB_W, TB_H = 28, 26


def tb_add_folder(cv):
    # Back of the open folder with its tab.
    back = union(cells(2, 10, 18, 22), cells(2, 8, 8, 10))
    cv.outlined(back, FOLDER_BACK, FOLDER_LINE)
    cv.hline(3, 7, 9, (255, 220, 120))
    cv.hline(3, 17, 11, (255, 220, 120))
    # A green arrow bending over into the opening.
    green, dark = (48, 176, 48), (0, 96, 0)
    band = arc_band(18.5, 9.5, 3.0, 6.5, 0, 180)
    head = polygon([(7.5, 9.0), (17.5, 9.0), (12.5, 14.5)])
    cv.outlined(union(band, head), dgrad((150, 235, 130), green, 14, 4, 22, 12), dark)
    # The front flap, tilted forward, in front of the arrow's tip.
    flap = polygon([(7, 14), (26, 14), (22, 23), (2, 23)])
    cv.outlined(flap, vgrad(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM, 14, 22), FOLDER_LINE)


def tb_go(cv):
    lines = [(r, 3, 9) for r in (7, 9, 11, 13, 15, 17)]
    page(cv, 4, 1, 18, 21, 5, lines=lines)
    # A red arrow pointing down, standing on the lower right of the sheet.
    arrow = polygon([(14, 9), (20, 9), (20, 16), (25, 16), (17, 25), (9, 16), (14, 16)])
    cv.outlined(arrow, vgrad((255, 104, 80), (200, 0, 0), 9, 24), (120, 0, 0))
    cv.vline(15, 10, 16, (255, 150, 130))


def tb_binoculars(cv):
    body, light, glass = (52, 52, 60), (132, 132, 144), (72, 136, 216)
    for ox in (0, 13):
        cv.outlined(cells(5 + ox, 3, 9 + ox, 8), vgrad((170, 170, 180), (96, 96, 108), 3, 8), BLACK)
        cv.outlined(polygon([(4 + ox, 8), (11 + ox, 8), (12 + ox, 21), (3 + ox, 21)]), body, BLACK)
        cv.vline(5 + ox, 10, 19, light)
        cv.outlined(rrect(2 + ox, 18, 13 + ox, 24, 2.2), vgrad((200, 236, 255), glass, 19, 23),
                    BLACK)
        cv.hline(5 + ox, 6 + ox, 20, WHITE)
    cv.outlined(cells(12, 10, 15, 15), light, BLACK)                     # hinge
    cv.vline(13, 11, 14, (200, 200, 210))


def tb_options(cv):
    cx, cy = 11.5, 13.0
    teeth = 8

    def gear(x, y):
        dx, dy = x - cx, y - cy
        r = math.hypot(dx, dy)
        if r <= 3.3:
            return False
        a = (math.atan2(dy, dx) / (2 * math.pi) * teeth + 0.5) % 1.0
        # Teeth with sloped flanks: full height in the middle of each tooth.
        d = abs(a - 0.5)
        outer = 10.3 if d < 0.2 else (7.3 if d > 0.32 else 10.3 - (d - 0.2) / 0.12 * 3.0)
        return r <= outer

    cv.outlined(gear, dgrad((255, 246, 160), (216, 150, 8), 5, 5, 18, 21), FOLDER_LINE)
    # Black drop-down arrow beside it.
    for i, y in enumerate(range(12, 15)):
        cv.hline(23 + i, 27 - i, y, BLACK)


def make_toolbar():
    cv = Canvas(TB_W * 10, TB_H, FACE)
    for i, draw in enumerate([tb_add_folder, tb_go, tb_binoculars, tb_options]):
        tile = Canvas(TB_W, TB_H, FACE)
        draw(tile)
        cv.blit(tile, i * TB_W, 0)
    return cv


# ---------------------------------------------------------------------------
# Pane captions: a white word with a grey shadow on the red key
# ---------------------------------------------------------------------------

def make_caption(word):
    pad, top, spacing = 2, 3, 1
    w = pad * 2 + text_width(CAPTION_FONT, word, spacing) + 1
    cv = Canvas(w, 15, KEY_RED)
    ink = text_mask(CAPTION_FONT, word, pad, top, spacing)
    cv.paint({(x + 1, y + 1) for (x, y) in ink}, SHADOW)
    cv.paint(ink, WHITE)
    return cv


# ---------------------------------------------------------------------------
# Statistics images: six 20 x 20 pictures on the red key
# ---------------------------------------------------------------------------

def st_stack(cv):
    for i in range(3):
        o = i * 2
        page(cv, 2 + o, 1 + o, 12 + o, 14 + o, 3, fill=(236, 240, 248) if i < 2 else WHITE,
             lines=[(r, 2, 7) for r in (5, 7, 9, 11)] if i == 2 else None)


def st_copies(cv):
    lines = [(r, 2, 7) for r in (5, 7, 9, 11)]
    page(cv, 1, 1, 11, 15, 3, fill=(206, 226, 255), line=(0, 40, 120), fold_fill=(160, 190, 230),
         lines=lines, line_col=(72, 112, 184))
    page(cv, 7, 4, 17, 18, 3, lines=lines, line_col=(72, 112, 184))


def st_groups(cv):
    for x in (2, 8, 14):
        page(cv, x, 2, x + 4, 10, 0, lines=[(2, 1, 2), (4, 1, 2), (6, 1, 2)])
    blue = (0, 72, 200)
    cv.hline(3, 17, 13, blue)
    cv.vline(2, 11, 12, blue)
    cv.vline(18, 11, 12, blue)
    cv.set(3, 12, blue)
    cv.set(17, 12, blue)
    cv.vline(10, 14, 16, blue)
    cv.set(9, 14, blue)
    cv.set(11, 14, blue)


def st_disk(cv):
    top = polygon([(4, 5), (19, 5), (17, 9), (2, 9)])
    cv.outlined(union(top, cells(2, 8, 16, 15)), (200, 200, 208), BLACK)
    side = polygon([(17, 8), (19, 5), (19, 13), (17, 16)])
    cv.outlined(side, (120, 120, 132), BLACK)
    cv.outlined(cells(2, 8, 17, 15), vgrad((176, 176, 188), (128, 128, 140), 9, 14), BLACK)
    cv.hline(4, 10, 12, (64, 64, 72))
    cv.set(14, 11, (32, 224, 32))
    cv.set(14, 12, (0, 140, 0))


def st_bin(cv):
    metal = vgrad((232, 232, 240), (150, 150, 160), 6, 18)
    body = polygon([(4, 6), (16, 6), (15, 19), (5, 19)])
    cv.outlined(body, metal, BLACK)
    for x in (7, 10, 13):
        cv.vline(x, 8, 16, (100, 100, 112))
    cv.outlined(cells(3, 3, 16, 5), (200, 200, 210), BLACK)
    cv.outlined(cells(8, 1, 11, 3), (200, 200, 210), BLACK)
    # The hole of the handle shows what lies behind.
    cv.set(9, 2, KEY_RED)
    cv.set(10, 2, KEY_RED)


def st_frame(cv):
    blue = (0, 64, 224)
    cv.frame(2, 2, 17, 17, blue)
    cv.frame(3, 3, 16, 16, blue)


def make_stat_images():
    cv = Canvas(120, 20, KEY_RED)
    for i, draw in enumerate([st_stack, st_copies, st_groups, st_disk, st_bin, st_frame]):
        tile = Canvas(20, 20, KEY_RED)
        draw(tile)
        cv.blit(tile, i * 20, 0)
    return cv


# ---------------------------------------------------------------------------
# Wordmark
# ---------------------------------------------------------------------------

def make_logo():
    word, spacing = "Mirelon", 3
    w = text_width(LOGO_FONT, word, spacing)
    cv = Canvas(78, 19, KEY_RED)
    x0 = (78 - (w + 3)) // 2 + 1
    y0 = 3
    ink = text_mask(LOGO_FONT, word, x0, y0, spacing)
    # The dot of the i: a small orange ball above the stem.
    ix = x0 + len(LOGO_FONT["M"][0]) + spacing
    # It floats above the cap height, so that a gap shows between it and the stem.
    dot = {(ix + dx, y0 - 2 + dy) for dx in range(3) for dy in range(3)}
    ring = {(ix + dx, y0 - 2 + dy) for dx in range(-1, 4) for dy in range(-1, 4)
            if abs(dx - 1) + abs(dy - 1) < 4}
    outline = {(x + dx, y + dy) for (x, y) in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1)} | ring
    shadow = {(x + 1, y + 1) for (x, y) in outline}
    cv.paint(shadow - outline, (150, 150, 160))
    cv.paint(outline, (16, 40, 110))
    cv.paint(ink, vgrad((120, 200, 255), (24, 96, 216), y0, y0 + 12))
    cv.paint(dot, vgrad((255, 220, 110), (255, 128, 0), y0 - 2, y0))
    cv.set(ix, y0 - 2, (255, 244, 200))
    # A lit top edge on every letter.
    tops = {(x, y) for (x, y) in ink if not any((x, yy) in ink for yy in range(y0, y))}
    cv.paint(tops, (200, 232, 255))
    return cv


# ---------------------------------------------------------------------------
# Stop sign
# ---------------------------------------------------------------------------

def make_stop():
    cv = Canvas(34, 32, KEY_BLUE)
    c = 9.5
    octagon = polygon([(1 + c, 0), (33 - c, 0), (33, c), (33, 32 - c), (33 - c, 32), (1 + c, 32),
                       (1, 32 - c), (1, c)])
    m = cv.mask(octagon)
    rim = border(m)
    inner = m - rim
    ring = border(inner)
    cv.paint(rim, (120, 0, 0))
    cv.paint(ring, (255, 236, 236))
    cv.paint(inner - ring, vgrad((244, 64, 56), (184, 0, 0), 2, 29))
    word = "STOP"
    w = text_width(SIGN_FONT, word, 1)
    x0 = 1 + (32 - w) // 2
    ink = text_mask(SIGN_FONT, word, x0, 12, 1)
    cv.paint({(x + 1, y + 1) for (x, y) in ink}, (110, 0, 0))
    cv.paint(ink, WHITE)
    return cv


# ---------------------------------------------------------------------------
# Menu bitmaps: 13 x 13 on the face grey, kept with a colour table so that the
# menu can load them with their greys mapped to the system's 3-D colours
# ---------------------------------------------------------------------------

MENU_BG = FACE

MENU_LEGEND = {
    "o": FOLDER_LINE, "Y": FOLDER_BACK, "y": vgrad(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM, 5, 11),
    "k": BLACK, "w": WHITE, "d": SHADOW, "l": (224, 224, 228), "m": (168, 168, 176),
    "b": (150, 200, 255), "B": (40, 90, 180), "g": (0, 150, 0), "n": (56, 56, 64),
}


def menu_explore():
    cv = Canvas(13, 13, MENU_BG)
    cv.pixels(0, 0, [
        ".............",
        ".ooo.........",
        "oYYYoooooo...",
        "oyyyyyyyyo...",
        "oyyyykkkyo...",
        "oyyykbbbko...",
        "oyykbwbbbk...",
        "oyykbbbbbk...",
        "oookbbbbbk...",
        "....kbbbk....",
        ".....kkkkk...",
        "........kkk..",
        ".........kk..",
    ], MENU_LEGEND)
    return cv


def menu_open():
    cv = Canvas(13, 13, MENU_BG)
    cv.pixels(0, 0, [
        ".............",
        ".............",
        ".ooo.........",
        "oYYYo........",
        "oYYYYoooooo..",
        "oYYYYYYYYYo..",
        "oYYoooooooooo",
        "oYoyyyyyyyyyo",
        "oYoyyyyyyyyo.",
        "ooyyyyyyyyyo.",
        "ooyyyyyyyyo..",
        "oooooooooo...",
        ".............",
    ], MENU_LEGEND)
    return cv


def menu_remove():
    cv = Canvas(13, 13, MENU_BG)
    red_x(cv, 1, 1, 11)
    return cv


def menu_remove_all():
    cv = Canvas(13, 13, MENU_BG)
    page(cv, 0, 0, 7, 9, 2)
    page(cv, 2, 2, 9, 11, 2, lines=[(4, 2, 4), (6, 2, 4)])
    red_x(cv, 6, 6, 7)
    return cv


def menu_properties():
    cv = Canvas(13, 13, MENU_BG)
    page(cv, 1, 0, 11, 12, 3)
    g = {"g": (0, 150, 0), "d": SHADOW}
    for y in (3, 6, 9):
        cv.pixels(3, y, ["...g.dd", "g.g....", ".g....."], g)
    return cv


def menu_select():
    cv = Canvas(13, 13, MENU_BG)
    cv.pixels(0, 0, [
        ".............",
        ".kkkk...kkkk.",
        ".kmmk...kmmk.",
        ".kkkk...kkkk.",
        "kkmnnkkkmnnkk",
        "kmnnnkmknnnnk",
        "kmnnnkkknnnnk",
        "kmnnnk.kmnnnk",
        "kmnnnk.kmnnnk",
        "kkbbkk.kkbbkk",
        "kbwbbk.kbwbbk",
        "kkbbkk.kkbbkk",
        ".kkkk...kkkk.",
    ], MENU_LEGEND)
    return cv


def menu_delete():
    cv = Canvas(13, 13, MENU_BG)
    cv.pixels(0, 0, [
        "....kkkkk....",
        ".kkkkkkkkkkk.",
        ".kwwwwwwwwdk.",
        ".kkkkkkkkkkk.",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kwldldldk..",
        "..kllmlmlmk..",
        "...kkkkkkk...",
    ], MENU_LEGEND)
    return cv


# ---------------------------------------------------------------------------
# Explorer context-menu image: 14 x 14, 16 standard colours
# ---------------------------------------------------------------------------

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def make_vexil_menu():
    cv = Canvas(14, 14, FACE)
    legend = {"k": BLACK, "w": WHITE, "s": (192, 192, 192), "c": (0, 255, 255), "t": (0, 128, 128),
              "n": (0, 0, 128), "d": SHADOW}
    cv.pixels(0, 0, [
        "kkkkkk........",
        "kwwwwkk.......",
        "kwttwkwk......",
        "kwwwwkkkk.....",
        "kwtttwwwk.....",
        "kwwwwkkkkkk...",
        "kwttkwwwwwkk..",
        "kwwwkwnnnwkwk.",
        "kwttkwwwwwkkkk",
        "kwwwkwnnnnnnwk",
        "kkkkkwwwwwwwwk",
        "....kwnnnnnnwk",
        "....kwwwwwwwwk",
        "....kkkkkkkkkk",
    ], legend)
    return cv


# ---------------------------------------------------------------------------
# Icons
# ---------------------------------------------------------------------------

TWIN_16 = [
    "NNNNNN..........",
    "NbbbbNN.........",
    "NbLLbNfN........",
    "NbbbbNNNN.......",
    "NbLLLbbbN.......",
    "NbbbbbNNNNNN....",
    "NbLLbbNwwwwNN...",
    "NbbbbbNwLLwNfN..",
    "NbLLLbNwwwwNNNN.",
    "NbbbbbNwLLLwwwN.",
    "obLLbbNwwwwwwwN.",
    "ooNNNNNwLLLLwwNo",
    ".yo...NwwwwwwwoO",
    ".yyoo.NwwwwoooO.",
    "..yyyoooooooOO..",
    "....yyyOOOOO....",
]


def twin_icon(size):
    """Two equal sheets, one behind the other, with an orange sweep under them."""
    cv = Canvas(size, size)
    navy = (28, 56, 120)
    blue_line = (64, 120, 210)
    back_fill = lambda y0, y1: vgrad((236, 244, 255), (196, 218, 250), y0, y1)
    if size == 16:
        # Drawn by hand: at this size smooth edges only blur the sheets.
        cv.pixels(0, 0, TWIN_16, {"N": navy, "b": back_fill(0, 11), "w": WHITE, "L": blue_line,
                                  "f": (200, 214, 236), "o": (255, 176, 32), "O": (236, 104, 0),
                                  "y": (255, 220, 80)})
        return cv

    def sheet(x0, y0, x1, y1, fold, fill, rows):
        shape = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
        cv.fill_aa(shape, navy)
        inner = polygon([(x0 + 1, y0 + 1), (x1 - fold - 0.41, y0 + 1), (x1 - 1, y0 + fold + 0.41),
                         (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)])
        cv.fill_aa(inner, fill)
        flap = polygon([(x1 - fold, y0 + 1), (x1 - fold, y0 + fold), (x1 - 1, y0 + fold)])
        cv.fill_aa(flap, (200, 214, 236))
        cv.fill_aa(union(rect(x1 - fold - 0.5, y0, x1 - fold + 0.5, y0 + fold + 0.5),
                         rect(x1 - fold, y0 + fold - 0.5, x1 - 0.5, y0 + fold + 0.5)), navy)
        for (ry, rx0, rx1) in rows:
            cv.fill_aa(rect(x0 + rx0, y0 + ry, x0 + rx1, y0 + ry + k), blue_line)

    s = size / 48.0
    k = size // 16
    w, h, fold = 19 * k // 2, 25 * k // 2, 3 * k
    # The same text on both sheets: they are twins.
    rows = [((3 + 2 * i) * k, 2 * k, (6 if i % 2 else 7) * k) for i in range(4)]
    bx, by = k, 0
    sheet(bx, by, bx + w, by + h, fold, back_fill(by, by + h), rows)
    fx, fy = size - k - w, size - h
    sheet(fx, fy, fx + w, fy + h, fold, vgrad(WHITE, (232, 238, 248), fy, fy + h), rows)
    # The sweep: a crescent from the lower left up to the right edge.
    cx, cy = 26 * s, -10 * s
    sweep = minus(ellipse(cx, cy, 27 * s, 56 * s), ellipse(cx + 3 * s, cy - 3 * s, 25 * s, 52 * s))
    sweep = lambda x, y, f=sweep: f(x, y) and y > 22 * s
    cv.fill_aa(sweep, dgrad((255, 214, 64), (240, 96, 0), 2 * s, 40 * s, 46 * s, 28 * s), ss=8)
    return cv


def folder_icon():
    cv = Canvas(16, 16)
    cv.pixels(0, 0, [
        "................",
        "................",
        ".ooooo..........",
        "oYYYYYo.........",
        "oYYYYYYoooooooo.",
        "oYYYYYYYYYYYYYYo",
        "ohhhhhhhhhhhhhho",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        "oyyyyyyyyyyyyyyo",
        ".oooooooooooooo.",
        "................",
    ], {"o": FOLDER_LINE, "Y": FOLDER_BACK, "h": (255, 248, 200),
        "y": vgrad(FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM, 7, 13)})
    return cv


# The link cursor: the fingertip's top is the hot spot (7, 6).
HAND = [
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "......BBB.......................",
    ".....BWWWB......................",
    ".....BWWWB......................",
    ".....BWWWB......................",
    ".....BWWWB......................",
    ".....BWWWBBBB...................",
    ".....BWWWBWWWBBBB...............",
    ".....BWWWBWWWBWWWBBBB...........",
    ".....BWWWBWWWBWWWBWWWB..........",
    ".BB..BWWWBWWWBWWWBWWWB..........",
    "BWWB.BWWWWWWWWWWWWWWWB..........",
    "BWWWBBWWWWWWWWWWWWWWWB..........",
    ".BWWWBWWWWWWWWWWWWWWWB..........",
    "..BWWWWWWWWWWWWWWWWWWB..........",
    "...BWWWWWWWWWWWWWWWWWB..........",
    "....BWWWWWWWWWWWWWWWWB..........",
    ".....BWWWWWWWWWWWWWWB...........",
    "......BWWWWWWWWWWWWB............",
    ".......BWWWWWWWWWWWB............",
    ".......BWWWWWWWWWWWB............",
    ".......BBBBBBBBBBBBB............",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]


# ---------------------------------------------------------------------------

def main():
    # With a colour table, so that the toolbar can swap the greys, black and white
    # for the system colours (it maps palette entries, not 24-bit pixels).
    write("toolbar.bmp", bmp_indexed(make_toolbar(), 8))
    write("caption_folders.bmp", bmp24(make_caption("Folders")))
    write("caption_result.bmp", bmp24(make_caption("Result")))
    write("caption_statistics.bmp", bmp24(make_caption("Statistics")))
    write("stat_images.bmp", bmp24(make_stat_images()))
    write("logo.bmp", bmp_indexed(make_logo(), 8))
    write("stop.bmp", bmp24(make_stop()))
    write("menu_explore.bmp", bmp_indexed(menu_explore(), 8))
    write("menu_open.bmp", bmp_indexed(menu_open(), 8))
    write("menu_remove.bmp", bmp_indexed(menu_remove(), 8))
    write("menu_remove_all.bmp", bmp_indexed(menu_remove_all(), 8))
    write("menu_properties.bmp", bmp_indexed(menu_properties(), 8))
    write("menu_select.bmp", bmp_indexed(menu_select(), 8))
    write("menu_delete.bmp", bmp_indexed(menu_delete(), 8))
    write("vexil_menu.bmp", bmp_indexed(make_vexil_menu(), 4, VGA16))
    write("twinsweep.ico", ico([twin_icon(16), twin_icon(32), twin_icon(48)]))
    write("folder.ico", ico([folder_icon()]))
    write("hand.cur", cur_mono(HAND, (7, 6)))


if __name__ == "__main__":
    main()
