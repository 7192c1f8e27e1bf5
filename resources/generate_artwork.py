#!/usr/bin/env python3
"""Draws every picture of the program: the main window's artwork (the glyphs of the project row
and of the address button, tab pictures, the two decorative pictures of the pages "Startdatei"
and "EXE erstellen", the application icon) and the controls' artwork (the glyph strips of the
bitmap buttons, the picture buttons and the information dialog's picture). Run it from any
folder and commit what it writes, so a build never needs Python or ImageMagick.

    python3 resources/generate_artwork.py
    # writes resources/{glyphs,tabs,pictures,icons}/*.png (Python standard library only) and
    # controls/resources/{glyphs/*.bmp,buttons/*.gif,about.jpg} (the GIFs and the JPEG with
    # ImageMagick's convert)

The window's glyphs are 32 x 16 strips with two 16 x 16 images: normal and disabled (the disabled image is
the classic embossed grey made from the normal one). Tab pictures are 16 x 16. The decorative
pictures are 193 x 281, drawn at twice the size and reduced for smooth edges. The application
icon (icons/pagolux-N.png) is drawn at the usual hicolor sizes from 16 to 256.
"""

import math
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CONTROLS = os.path.join(os.path.dirname(HERE), "controls", "resources")


# ---------------------------------------------------------------- canvas and PNG writer

class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def put(self, x, y, c, a=1.0):
        """Blends colour c (rgb or rgba) over pixel (x, y) with coverage a."""
        if not (0 <= x < self.w and 0 <= y < self.h) or a <= 0:
            return
        ca = (c[3] / 255.0 if len(c) > 3 else 1.0) * min(a, 1.0)
        d = self.px[y * self.w + x]
        da = d[3] / 255.0
        oa = ca + da * (1 - ca)
        if oa <= 0:
            return
        for i in range(3):
            d[i] = int(round((c[i] * ca + d[i] * da * (1 - ca)) / oa))
        d[3] = int(round(oa * 255))

    def rect(self, x0, y0, x1, y1, c):
        """Fills x0 <= x < x1, y0 <= y < y1."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c, t=1):
        self.rect(x0, y0, x1, y0 + t, c)
        self.rect(x0, y1 - t, x1, y1, c)
        self.rect(x0, y0, x0 + t, y1, c)
        self.rect(x1 - t, y0, x1, y1, c)

    def polygon(self, pts, c):
        """Even-odd scanline fill through pixel centres."""
        ys = [p[1] for p in pts]
        for y in range(max(0, int(min(ys))), min(self.h, int(math.ceil(max(ys))) + 1)):
            cy = y + 0.5
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if (y0 <= cy < y1) or (y1 <= cy < y0):
                    xs.append(x0 + (cy - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(max(0, int(math.ceil(xs[i] - 0.5))), min(self.w, int(math.floor(xs[i + 1] - 0.5)) + 1)):
                    self.put(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(max(0, int(cy - r - 1)), min(self.h, int(cy + r + 2))):
            for x in range(max(0, int(cx - r - 1)), min(self.w, int(cx + r + 2))):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r0, r1, c, a0=0.0, a1=360.0):
        """Annulus r0..r1 between angles a0..a1 (degrees, counter-clockwise from east)."""
        for y in range(max(0, int(cy - r1 - 1)), min(self.h, int(cy + r1 + 2))):
            for x in range(max(0, int(cx - r1 - 1)), min(self.w, int(cx + r1 + 2))):
                dx, dy = x + 0.5 - cx, cy - (y + 0.5)
                d2 = dx * dx + dy * dy
                if r0 * r0 <= d2 <= r1 * r1:
                    ang = math.degrees(math.atan2(dy, dx)) % 360
                    if (a0 <= ang <= a1) if a0 <= a1 else (ang >= a0 or ang <= a1):
                        self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1.0):
        """A thick line as a quadrilateral."""
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy) or 1.0
        ox, oy = -dy / n * width / 2, dx / n * width / 2
        self.polygon([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)], c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                p = other.get(x, y)
                if p[3]:
                    self.put(ox + x, oy + y, p[:3], p[3] / 255.0)

    def reduced(self, f):
        """Box-filtered reduction by an integer factor f."""
        out = Canvas(self.w // f, self.h // f)
        for y in range(out.h):
            for x in range(out.w):
                acc = [0.0, 0.0, 0.0, 0.0]
                for yy in range(f):
                    for xx in range(f):
                        p = self.get(x * f + xx, y * f + yy)
                        a = p[3]
                        acc[0] += p[0] * a
                        acc[1] += p[1] * a
                        acc[2] += p[2] * a
                        acc[3] += a
                if acc[3]:
                    out.px[y * out.w + x] = [int(round(acc[i] / acc[3])) for i in range(3)] + [int(round(acc[3] / (f * f)))]
        return out

    def save(self, path):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                raw.extend(bytes(self.get(x, y)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)


# ---------------------------------------------------------------- colours

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
NAVY = (0, 0, 128)
BLUE = (40, 90, 200)
LIGHTBLUE = (140, 180, 240)
GREEN = (0, 140, 0)
LIGHTGREEN = (120, 210, 90)
RED = (200, 20, 20)
DARKRED = (128, 0, 0)
YELLOW = (250, 210, 60)
ORANGE = (235, 150, 40)
BROWN = (150, 100, 30)


# ---------------------------------------------------------------- 16 x 16 glyphs

def page(c, x0=3, y0=1, x1=13, y1=15):
    """A sheet of paper with a folded top-right corner."""
    c.polygon([(x0, y0), (x1 - 4, y0), (x1, y0 + 4), (x1, y1), (x0, y1)], GREY)
    c.polygon([(x0 + 1, y0 + 1), (x1 - 4, y0 + 1), (x1 - 1, y0 + 4), (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)], WHITE)
    c.polygon([(x1 - 4, y0), (x1 - 4, y0 + 4), (x1, y0 + 4)], SILVER)


def folder(c, open_=False):
    c.rect(1, 3, 7, 5, BROWN)
    c.rect(1, 4, 15, 14, BROWN)
    c.rect(2, 5, 14, 13, YELLOW)
    if open_:
        c.polygon([(3, 8), (16, 8), (13, 14), (0, 14)], BROWN)
        c.polygon([(4, 9), (14.5, 9), (12.3, 13), (1.6, 13)], (255, 230, 120))


def floppy(c):
    c.rect(1, 1, 15, 15, NAVY)
    c.rect(2, 2, 14, 14, BLUE)
    c.rect(4, 2, 12, 7, WHITE)
    c.rect(9, 3, 11, 6, NAVY)
    c.rect(4, 9, 12, 14, SILVER)
    c.rect(5, 10, 11, 11, GREY)
    c.rect(5, 12, 11, 13, GREY)


def glyph_new():
    c = Canvas(16, 16)
    page(c)
    c.disc(12.5, 3.5, 3, YELLOW)
    c.disc(12.5, 3.5, 1.5, WHITE)
    return c


def glyph_open():
    c = Canvas(16, 16)
    folder(c, open_=True)
    return c


def glyph_save():
    c = Canvas(16, 16)
    floppy(c)
    return c


def glyph_saveas():
    c = Canvas(16, 16)
    floppy(c)
    c.line(7, 15, 15, 7, (40, 40, 40), 2.6)
    c.line(7.5, 14.5, 14.5, 7.5, ORANGE, 1.4)
    c.polygon([(5.5, 16), (6, 13.5), (8, 15.5)], BLACK)
    return c


def glyph_www():
    c = Canvas(16, 16)
    c.disc(8, 8, 7, NAVY)
    c.disc(8, 8, 6, (70, 140, 230))
    c.polygon([(4, 4), (8, 3), (9, 6), (6, 8), (7, 11), (4, 10), (3, 7)], (60, 170, 60))
    c.polygon([(10, 8), (13, 7), (13.5, 10), (11, 13), (9.5, 11)], (60, 170, 60))
    c.ring(8, 8, 6.6, 7.2, NAVY)
    return c


def disabled(glyph):
    """The classic disabled look: every drawn pixel dark grey, with a white copy one pixel
    down and right beneath it; light pixels vanish."""
    out = Canvas(glyph.w, glyph.h)
    mask = []
    for y in range(glyph.h):
        for x in range(glyph.w):
            r, g, b, a = glyph.get(x, y)
            lum = 0.3 * r + 0.59 * g + 0.11 * b
            if a > 128 and lum < 200:
                mask.append((x, y))
    for x, y in mask:
        out.put(x + 1, y + 1, WHITE)
    for x, y in mask:
        out.put(x, y, GREY)
    return out


def strip(glyph):
    c = Canvas(32, 16)
    c.blit(glyph, 0, 0)
    c.blit(disabled(glyph), 16, 0)
    return c


# ---------------------------------------------------------------- tab pictures

def tab_files():
    c = Canvas(16, 16)
    folder(c)
    c.rect(9, 8, 15, 10, (0, 90, 0))
    c.rect(11, 6, 13, 12, (0, 90, 0))
    return c


def tab_preview():
    c = Canvas(16, 16)
    c.ring(6.5, 6.5, 3.5, 5.5, NAVY)
    c.disc(6.5, 6.5, 3.5, (200, 225, 255))
    c.line(10.5, 10.5, 15, 15, BROWN, 3)
    return c


def tab_page():
    c = Canvas(16, 16)
    page(c)
    for y in (5, 7, 9, 11):
        c.rect(5, y, 11, y + 1, LIGHTBLUE)
    return c


def tab_start():
    c = Canvas(16, 16)
    page(c)
    c.rect(5, 4, 6, 14, BLACK)
    c.polygon([(6, 4), (12, 6.5), (6, 9)], RED)
    return c


def tab_exe():
    c = Canvas(16, 16)
    c.rect(1, 2, 15, 14, NAVY)
    c.rect(2, 5, 14, 13, WHITE)
    c.rect(2, 3, 11, 4, (120, 160, 230))
    c.rect(12, 3, 14, 4, RED)
    c.ring(8, 9, 1.2, 3.2, GREY)
    for k in range(8):
        a = math.radians(k * 45)
        c.disc(8 + 3.4 * math.cos(a), 9 + 3.4 * math.sin(a), 0.9, GREY)
    return c


# ---------------------------------------------------------------- decorative pictures

def gradient(c, top, bottom):
    for y in range(c.h):
        t = y / (c.h - 1)
        col = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
        for x in range(c.w):
            c.px[y * c.w + x] = list(col) + [255]


def web_page(c, x, y, w, h, accent, s):
    """A browser page: shadow, frame, coloured title bar, heading, text lines and a picture."""
    c.rect(x + 4 * s, y + 4 * s, x + w + 4 * s, y + h + 4 * s, (0, 0, 0, 60))
    c.rect(x, y, x + w, y + h, (90, 90, 110))
    c.rect(x + s, y + s, x + w - s, y + h - s, WHITE)
    c.rect(x + s, y + s, x + w - s, y + 9 * s, accent)
    for k in range(3):
        c.disc(x + w - (6 + 7 * k) * s, y + 5 * s, 2 * s, (255, 255, 255, 180))
    c.rect(x + 6 * s, y + 15 * s, x + w // 2, y + 19 * s, accent)
    ty = y + 25 * s
    while ty < y + h - 10 * s:
        c.rect(x + 6 * s, ty, x + w - 8 * s, ty + 2 * s, (190, 195, 210))
        ty += 6 * s


def picture_start():
    s = 2
    c = Canvas(193 * s, 281 * s)
    gradient(c, (214, 232, 250), (250, 246, 232))
    # rolling hills at the bottom
    c.polygon([(0, 230 * s), (60 * s, 212 * s), (130 * s, 226 * s), (193 * s, 208 * s), (193 * s, 281 * s), (0, 281 * s)], (150, 200, 140))
    c.polygon([(0, 250 * s), (90 * s, 236 * s), (193 * s, 252 * s), (193 * s, 281 * s), (0, 281 * s)], (110, 170, 100))
    # three pages fanned out; the front one is the start page
    web_page(c, 22 * s, 96 * s, 110 * s, 120 * s, (120, 150, 200), s)
    web_page(c, 42 * s, 110 * s, 110 * s, 120 * s, (100, 160, 120), s)
    web_page(c, 62 * s, 124 * s, 110 * s, 120 * s, (40, 90, 200), s)
    # a red flag marks it
    c.rect(150 * s, 100 * s, 153 * s, 160 * s, (60, 40, 20))
    c.polygon([(153 * s, 102 * s), (182 * s, 112 * s), (153 * s, 124 * s)], (200, 30, 30))
    # the mouse pointer that chooses it
    px, py = 110 * s, 190 * s
    pointer = [(0, 0), (0, 26), (7, 20), (12, 31), (16, 29), (11, 18), (20, 18)]
    c.polygon([(px + x * s, py + y * s) for x, y in pointer], BLACK)
    inner = [(1.6, 3.8), (1.6, 22.2), (7.4, 17.3), (12.6, 28.6), (14.2, 27.9), (9.2, 16.6), (16.6, 16.6)]
    c.polygon([(px + x * s, py + y * s) for x, y in inner], WHITE)
    return c.reduced(s)


def gear(c, cx, cy, r, teeth, color, hole):
    c.disc(cx, cy, r, color)
    for k in range(teeth):
        a = 2 * math.pi * k / teeth
        w = math.pi / teeth * 0.55
        pts = [(cx + r * math.cos(a - w), cy + r * math.sin(a - w)),
               (cx + r * 1.28 * math.cos(a - w * 0.7), cy + r * 1.28 * math.sin(a - w * 0.7)),
               (cx + r * 1.28 * math.cos(a + w * 0.7), cy + r * 1.28 * math.sin(a + w * 0.7)),
               (cx + r * math.cos(a + w), cy + r * math.sin(a + w))]
        c.polygon(pts, color)
    c.disc(cx, cy, r * 0.38, hole)


def picture_exe():
    s = 2
    c = Canvas(193 * s, 281 * s)
    gradient(c, (226, 238, 226), (246, 246, 236))
    # loose pages on the left flow into a package ...
    for k, (x, y) in enumerate([(14, 100), (30, 92), (22, 122)]):
        web_page(c, x * s, y * s, 44 * s, 54 * s, [(120, 150, 200), (100, 160, 120), (200, 120, 80)][k], s)
    c.polygon([(80 * s, 132 * s), (104 * s, 132 * s), (104 * s, 122 * s), (124 * s, 142 * s), (104 * s, 162 * s), (104 * s, 152 * s), (80 * s, 152 * s)], (210, 120, 20))
    # ... which becomes one program window
    wx, wy, ww, wh = 40 * s, 176 * s, 140 * s, 90 * s
    c.rect(wx + 5 * s, wy + 5 * s, wx + ww + 5 * s, wy + wh + 5 * s, (0, 0, 0, 60))
    c.rect(wx, wy, wx + ww, wy + wh, NAVY)
    c.rect(wx + 2 * s, wy + 2 * s, wx + ww - 2 * s, wy + 14 * s, (40, 90, 200))
    c.rect(wx + ww - 14 * s, wy + 4 * s, wx + ww - 4 * s, wy + 12 * s, SILVER)
    c.line(wx + ww - 12 * s, wy + 6 * s, wx + ww - 6 * s, wy + 10 * s, BLACK, 1.5 * s)
    c.line(wx + ww - 6 * s, wy + 6 * s, wx + ww - 12 * s, wy + 10 * s, BLACK, 1.5 * s)
    c.rect(wx + 2 * s, wy + 14 * s, wx + ww - 2 * s, wy + wh - 2 * s, WHITE)
    c.rect(wx + 8 * s, wy + 22 * s, wx + 70 * s, wy + 27 * s, (40, 90, 200))
    for k in range(6):
        c.rect(wx + 8 * s, wy + (34 + 8 * k) * s, wx + ww - 52 * s, wy + (37 + 8 * k) * s, (190, 195, 210))
    c.rect(wx + ww - 44 * s, wy + 34 * s, wx + ww - 8 * s, wy + 74 * s, (150, 200, 140))
    c.disc(wx + ww - 20 * s, wy + 46 * s, 6 * s, YELLOW)
    # the package itself: a box with a gear on its side
    bx, by = 128 * s, 100 * s
    c.polygon([(bx, by + 14 * s), (bx + 26 * s, by), (bx + 56 * s, by + 14 * s), (bx + 30 * s, by + 28 * s)], (225, 180, 110))
    c.polygon([(bx, by + 14 * s), (bx + 30 * s, by + 28 * s), (bx + 30 * s, by + 64 * s), (bx, by + 50 * s)], (190, 140, 70))
    c.polygon([(bx + 30 * s, by + 28 * s), (bx + 56 * s, by + 14 * s), (bx + 56 * s, by + 50 * s), (bx + 30 * s, by + 64 * s)], (160, 110, 50))
    gear(c, bx + 15 * s, by + 38 * s, 8 * s, 8, (110, 110, 120), (190, 140, 70))
    return c.reduced(s)


# ---------------------------------------------------------------- application icon

APP_ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def app_icon(size):
    """The icon of Pagolux in the desktop's menus: a web page with a gear (pages built into a
    program) on a blue rounded square. Drawn on a 64-unit grid at 4 (up to 64 pixels) or 2
    times the size and reduced."""
    f = 4 if size <= 64 else 2
    c = Canvas(size * f, size * f)
    s = size * f / 64.0

    def rounded(x0, y0, x1, y1, r, top, bottom):
        for y in range(int(y0 * s), int(y1 * s)):
            t = (y - y0 * s) / max(1.0, (y1 - y0) * s - 1)
            col = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3))
            inset = 0.0
            dy = min(y + 0.5 - (y0 + r) * s, (y1 - r) * s - (y + 0.5))
            if dy < 0:
                inset = r * s - math.sqrt(max(0.0, (r * s) ** 2 - dy * dy))
            c.rect(int(round(x0 * s + inset)), y, int(round(x1 * s - inset)), y + 1, col)

    rounded(4, 4, 60, 60, 11, (70, 130, 230), (25, 60, 160))
    # The page with its folded corner.
    c.polygon([(15 * s, 9 * s), (39 * s, 9 * s), (49 * s, 19 * s), (49 * s, 55 * s), (15 * s, 55 * s)], WHITE)
    c.polygon([(39 * s, 9 * s), (39 * s, 19 * s), (49 * s, 19 * s)], (200, 210, 225))
    c.rect(int(20 * s), int(15 * s), int(34 * s), int(19 * s), ORANGE)
    for y in (25, 31, 37):
        c.rect(int(20 * s), int(y * s), int(44 * s), int((y + 2.5) * s), (150, 160, 180))
    c.rect(int(20 * s), int(43 * s), int(30 * s), int(45.5 * s), (150, 160, 180))
    # The gear: the pages made into a program.
    gear(c, 46 * s, 46 * s, 11 * s, 8, (245, 180, 40), (25, 60, 160))
    return c.reduced(f)


# ================================================================ the controls' artwork
# Glyph strips of the bitmap buttons (4-bit BMP, 16 colours, olive background as the
# transparent colour), rasterised with the standard library alone; the picture-button GIFs and
# the information dialog's JPEG are drawn with ImageMagick's `convert`. They are written to
# controls/resources/ and compiled in through controls.qrc.

# The 16-colour palette of the glyphs (the classic VGA order).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
VGA_BLACK, VGA_MAROON, VGA_GREEN, VGA_OLIVE, VGA_NAVY, VGA_PURPLE, VGA_TEAL, VGA_SILVER = range(8)
VGA_GREY, VGA_RED, VGA_LIME, VGA_YELLOW, VGA_BLUE, VGA_FUCHSIA, VGA_AQUA, VGA_WHITE = range(8, 16)


# ---------------------------------------------------------------- shapes
# A shape is a predicate over continuous coordinates; pixel (x, y) is inside when its
# centre (x + 0.5, y + 0.5) is.

def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def polyline(points, width):
    half = width / 2.0

    def inside(x, y):
        return any(seg_dist(x, y, *points[i], *points[i + 1]) <= half for i in range(len(points) - 1))
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r0, r1, a0=0.0, a1=360.0):
    """Annulus between radii r0 and r1, limited to the angles a0..a1 (degrees, y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < r0 or d > r1:
            return False
        if a1 - a0 >= 360.0:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        lo, hi = a0 % 360.0, a1 % 360.0
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


class Image:
    def __init__(self, w, h, fill=VGA_OLIVE):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def draw(self, shape, colour, outline=None):
        mask = [[shape(x + 0.5, y + 0.5) for x in range(self.w)] for y in range(self.h)]
        if outline is not None:
            for y in range(self.h):
                for x in range(self.w):
                    if mask[y][x]:
                        continue
                    near = any(0 <= x + dx < self.w and 0 <= y + dy < self.h and mask[y + dy][x + dx]
                               for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                    if near:
                        self.px[y][x] = outline
        for y in range(self.h):
            for x in range(self.w):
                if mask[y][x]:
                    self.px[y][x] = colour

    def disabled(self):
        """The disabled twin: the shape's outline and black details in grey, each with a white
        copy one pixel right and down."""
        out = Image(self.w, self.h)

        def filled(x, y):
            return 0 <= x < self.w and 0 <= y < self.h and self.px[y][x] != VGA_OLIVE

        lines = [[filled(x, y) and (self.px[y][x] == VGA_BLACK or not all(
            filled(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))))
            for x in range(self.w)] for y in range(self.h)]
        for y in range(self.h - 1):
            for x in range(self.w - 1):
                if lines[y][x]:
                    out.px[y + 1][x + 1] = VGA_WHITE
        for y in range(self.h):
            for x in range(self.w):
                if lines[y][x]:
                    out.px[y][x] = VGA_GREY
        return out


def write_bmp4(path, images):
    """Writes the images side by side as one 4-bit BMP strip with the 16-colour palette."""
    h = images[0].h
    w = sum(i.w for i in images)
    rows = []
    for y in range(h):
        row = []
        for img in images:
            row.extend(img.px[y])
        rows.append(row)
    stride = ((w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in reversed(range(h)):  # bottom-up
        line = bytearray(stride)
        for x in range(w):
            if x % 2 == 0:
                line[x // 2] |= rows[y][x] << 4
            else:
                line[x // 2] |= rows[y][x]
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(pixels), 3780, 3780, 16, 16)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


def bmp_strip(name, draw, size=18, height=None, single=False):
    img = Image(size, height or size)
    draw(img)
    images = [img] if single else [img, img.disabled()]
    write_bmp4(os.path.join(CONTROLS, "glyphs", name + ".bmp"), images)


# ---------------------------------------------------------------- stock glyphs (18 high)

def tick(img, dx=0.0, dy=0.0):
    img.draw(polyline([(3 + dx, 9.5 + dy), (7 + dx, 13.5 + dy), (15 + dx, 4 + dy)], 3.2), VGA_LIME, VGA_GREEN)


def cross(img):
    img.draw(union(polyline([(4, 4), (14, 14)], 3.2), polyline([(14, 4), (4, 14)], 3.2)), VGA_RED, VGA_MAROON)


def help_mark(img):
    img.draw(union(ring(9, 6.5, 2.2, 4.6, 160, 80), polyline([(12.6, 8.5), (9, 11), (9, 12.2)], 2.6),
                   disc(9, 15, 1.6)), VGA_AQUA, VGA_TEAL)


def no_sign(img):
    img.draw(union(ring(9, 9, 5, 7.6), polyline([(4.5, 4.5), (13.5, 13.5)], 2.6)), VGA_RED, VGA_MAROON)


def door(img):
    img.draw(rect(5, 2, 14, 16), VGA_BLACK)
    img.draw(rect(6, 3, 13, 16), VGA_SILVER)
    img.draw(polygon([(6, 3), (11, 5), (11, 17.5), (6, 16)]), VGA_MAROON, VGA_BLACK)
    img.draw(disc(9.8, 10, 0.8), VGA_YELLOW)


def retry(img):
    img.draw(union(ring(9, 9, 4, 6.4, 200, 340), polygon([(13, 10.5), (17.2, 10.5), (15.1, 6.5)])), VGA_LIME, VGA_GREEN)
    img.draw(union(ring(9, 9, 4, 6.4, 20, 160), polygon([(0.8, 7.5), (5, 7.5), (2.9, 11.5)])), VGA_LIME, VGA_GREEN)


def walker(img):
    body = union(disc(10, 3.5, 2),
                 polyline([(9.5, 6), (8.5, 11)], 2.4),
                 polyline([(8.5, 11), (11.5, 14), (11.5, 16.5)], 2.0),
                 polyline([(8.5, 11), (6, 14), (4, 15.5)], 2.0),
                 polyline([(5.5, 9.5), (9.3, 7), (12.5, 9.5)], 1.8))
    img.draw(body, VGA_LIME, VGA_GREEN)


def double_tick(img):
    img.draw(polyline([(1.5, 9.5), (5, 13.5), (11, 4)], 2.6), VGA_LIME, VGA_GREEN)
    img.draw(polyline([(7, 11), (9.5, 14.5), (16.5, 5)], 2.6), VGA_LIME, VGA_GREEN)


# ---------------------------------------------------------------- window glyphs (16 x 16)

def plus(img):
    img.draw(union(rect(6.5, 2, 9.5, 14), rect(2, 6.5, 14, 9.5)), VGA_LIME, VGA_GREEN)


def minus(img):
    img.draw(rect(2, 6.5, 14, 9.5), VGA_RED, VGA_MAROON)


def folder_glyph(img):
    img.draw(polygon([(1, 4), (6, 4), (7, 5.5), (14, 5.5), (14, 14), (1, 14)]), VGA_YELLOW, VGA_BLACK)
    img.draw(polygon([(3, 8), (15.5, 8), (13.5, 14), (1, 14)]), VGA_SILVER, VGA_BLACK)


def arrow_left(img):
    img.draw(polygon([(1.5, 8), (8, 2), (8, 5.5), (14.5, 5.5), (14.5, 10.5), (8, 10.5), (8, 14)]), VGA_BLUE, VGA_NAVY)


def arrow_right(img):
    img.draw(polygon([(14.5, 8), (8, 2), (8, 5.5), (1.5, 5.5), (1.5, 10.5), (8, 10.5), (8, 14)]), VGA_BLUE, VGA_NAVY)


def house(img):
    img.draw(polygon([(8, 1.5), (15, 8), (1, 8)]), VGA_RED, VGA_BLACK)
    img.draw(rect(3, 8, 13, 14.5), VGA_SILVER, VGA_BLACK)
    img.draw(rect(6.5, 10, 9.5, 14.5), VGA_BLACK)


def reload(img):
    img.draw(union(ring(8, 8, 3.6, 5.8, 200, 340), polygon([(11.2, 9.2), (15.4, 9.2), (13.3, 5.4)])), VGA_BLUE, VGA_NAVY)
    img.draw(union(ring(8, 8, 3.6, 5.8, 20, 160), polygon([(0.6, 6.8), (4.8, 6.8), (2.7, 10.6)])), VGA_BLUE, VGA_NAVY)


def picture(img):
    img.draw(rect(1, 3, 15, 13), VGA_WHITE, VGA_BLACK)
    img.draw(polygon([(2, 12.5), (6, 7), (9, 10.5), (11, 8.5), (14.5, 12.5)]), VGA_GREEN)
    img.draw(disc(11.5, 5.8, 1.5), VGA_YELLOW)


def globe(img):
    img.draw(disc(8, 8, 6.6), VGA_AQUA, VGA_NAVY)
    img.draw(union(ring(8, 8, 0, 0.1), rect(1.5, 7.5, 14.5, 8.5), rect(7.5, 1.5, 8.5, 14.5),
                   ring(8, 2.5, 5.6, 6.4, 40, 140), ring(8, 13.5, 5.6, 6.4, 220, 320)), VGA_BLUE)
    img.draw(polygon([(4, 4), (7, 3.5), (6.5, 7), (3, 7)]), VGA_GREEN)
    img.draw(polygon([(9.5, 9.5), (13, 9.5), (11, 13)]), VGA_GREEN)


def make_glyphs():
    os.makedirs(os.path.join(CONTROLS, "glyphs"), exist_ok=True)
    bmp_strip("BBOKX", tick)
    bmp_strip("BBYESX", tick)
    bmp_strip("BBCANCELX", cross)
    bmp_strip("BBABORTX", cross)
    bmp_strip("BBHELPX", help_mark)
    bmp_strip("BBNOX", no_sign)
    bmp_strip("BBCLOSEX", door)
    bmp_strip("BBRETRYX", retry)
    bmp_strip("BBIGNOREX", walker)
    bmp_strip("BBALLX", double_tick, height=19)
    bmp_strip("add", plus, 16)
    bmp_strip("delete", minus, 16)
    bmp_strip("load", folder_glyph, 16)
    bmp_strip("back", arrow_left, 16)
    bmp_strip("forward", arrow_right, 16)
    bmp_strip("home", house, 16, single=True)
    bmp_strip("reload", reload, 16)
    bmp_strip("openicon", picture, 16)
    bmp_strip("web", globe, 16)


# ---------------------------------------------------------------- picture buttons and dialog picture

FONT = "DejaVu-Serif-Bold"


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def picture_button(name, word, bar, bar_edge, ink):
    out = os.path.join(CONTROLS, "buttons", name + ".gif")
    # Clear corners: the window's face shows around the rounded ends.
    convert("-size", "101x30", "xc:none",
            "-fill", bar, "-stroke", bar_edge, "-strokewidth", "1",
            "-draw", "roundrectangle 1,1 99,28 13,13",
            "-stroke", "none", "-fill", ink, "-font", FONT, "-pointsize", "17",
            "-gravity", "center", "-annotate", "+0+0", word,
            "-channel", "A", "-threshold", "50%", "+channel",
            "+dither", "-colors", "32", "-strip", out)


def make_buttons():
    os.makedirs(os.path.join(CONTROLS, "buttons"), exist_ok=True)
    for name, word, ink, lit in (("ueber", "Über", "#000080", "#ffff00"),
                                 ("ende", "Ende", "#000080", "#ffff00"),
                                 ("go", "Go!", "#800000", "#00ffff")):
        picture_button(name, word, "#e4e4e4", "#909090", ink)
        picture_button(name + "_down", word, "#707070", "#404040", lit)


def make_about_picture():
    out = os.path.join(CONTROLS, "about.jpg")
    convert("-size", "306x322", "gradient:#1c3f8c-#f0caa6",
            "-fill", "#ffffff60", "-draw", "circle 153,150 153,40",
            "-fill", "#f0caa6", "-stroke", "#000080", "-strokewidth", "3",
            "-draw", "roundrectangle 83,95 223,205 16,16",
            "-stroke", "none", "-fill", "#000080", "-draw", "rectangle 103,120 203,128",
            "-draw", "rectangle 103,140 183,148", "-draw", "rectangle 103,160 193,168",
            "-fill", "#800000", "-draw", "rectangle 103,180 163,188",
            "-fill", "#ffffff", "-font", FONT, "-pointsize", "30",
            "-gravity", "north", "-annotate", "+0+22", "Pagolux 2.0",
            "-fill", "#000040", "-pointsize", "16", "-gravity", "south", "-annotate", "+0+24",
            "HTML wird zum Programm", "-quality", "90", "-strip", out)


def main():
    glyphs = {
        "new": glyph_new, "open": glyph_open, "save": glyph_save, "saveas": glyph_saveas,
        "www": glyph_www,
    }
    for name, draw in glyphs.items():
        strip(draw()).save(os.path.join(HERE, "glyphs", name + ".png"))
    # Tab pictures in image-list order: files, preview, page, start file, executable.
    for index, draw in enumerate([tab_files, tab_preview, tab_page, tab_start, tab_exe]):
        draw().save(os.path.join(HERE, "tabs", "tab%d.png" % index))
    picture_start().save(os.path.join(HERE, "pictures", "start.png"))
    picture_exe().save(os.path.join(HERE, "pictures", "exe.png"))
    # The application icon of the desktop's menus (installed into the hicolor theme).
    for size in APP_ICON_SIZES:
        app_icon(size).save(os.path.join(HERE, "icons", "pagolux-%d.png" % size))
    # The controls' glyph strips, picture buttons and the dialog's picture.
    make_glyphs()
    make_buttons()
    make_about_picture()


if __name__ == "__main__":
    main()
