#!/usr/bin/env python3
"""Generates the artwork of the controls and of the information dialog.

Glyph strips (4-bit BMP, 16 colours, olive background as the transparent colour) are
rasterised here with the standard library alone; the picture-button GIFs and the dialog's
JPEG are drawn with ImageMagick's `convert`. Run it from any folder; it writes next to
itself and the results are committed, so a build never needs Python or ImageMagick.

    python3 controls/resources/make_artwork.py
"""

import math
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16-colour palette of the glyphs (the classic VGA order).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


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
    def __init__(self, w, h, fill=OLIVE):
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
            return 0 <= x < self.w and 0 <= y < self.h and self.px[y][x] != OLIVE

        lines = [[filled(x, y) and (self.px[y][x] == BLACK or not all(
            filled(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))))
            for x in range(self.w)] for y in range(self.h)]
        for y in range(self.h - 1):
            for x in range(self.w - 1):
                if lines[y][x]:
                    out.px[y + 1][x + 1] = WHITE
        for y in range(self.h):
            for x in range(self.w):
                if lines[y][x]:
                    out.px[y][x] = GREY
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


def strip(name, draw, size=18, height=None, single=False):
    img = Image(size, height or size)
    draw(img)
    images = [img] if single else [img, img.disabled()]
    write_bmp4(os.path.join(HERE, "glyphs", name + ".bmp"), images)


# ---------------------------------------------------------------- stock glyphs (18 high)

def tick(img, dx=0.0, dy=0.0):
    img.draw(polyline([(3 + dx, 9.5 + dy), (7 + dx, 13.5 + dy), (15 + dx, 4 + dy)], 3.2), LIME, GREEN)


def cross(img):
    img.draw(union(polyline([(4, 4), (14, 14)], 3.2), polyline([(14, 4), (4, 14)], 3.2)), RED, MAROON)


def help_mark(img):
    img.draw(union(ring(9, 6.5, 2.2, 4.6, 160, 80), polyline([(12.6, 8.5), (9, 11), (9, 12.2)], 2.6),
                   disc(9, 15, 1.6)), AQUA, TEAL)


def no_sign(img):
    img.draw(union(ring(9, 9, 5, 7.6), polyline([(4.5, 4.5), (13.5, 13.5)], 2.6)), RED, MAROON)


def door(img):
    img.draw(rect(5, 2, 14, 16), BLACK)
    img.draw(rect(6, 3, 13, 16), SILVER)
    img.draw(polygon([(6, 3), (11, 5), (11, 17.5), (6, 16)]), MAROON, BLACK)
    img.draw(disc(9.8, 10, 0.8), YELLOW)


def retry(img):
    img.draw(union(ring(9, 9, 4, 6.4, 200, 340), polygon([(13, 10.5), (17.2, 10.5), (15.1, 6.5)])), LIME, GREEN)
    img.draw(union(ring(9, 9, 4, 6.4, 20, 160), polygon([(0.8, 7.5), (5, 7.5), (2.9, 11.5)])), LIME, GREEN)


def walker(img):
    body = union(disc(10, 3.5, 2),
                 polyline([(9.5, 6), (8.5, 11)], 2.4),
                 polyline([(8.5, 11), (11.5, 14), (11.5, 16.5)], 2.0),
                 polyline([(8.5, 11), (6, 14), (4, 15.5)], 2.0),
                 polyline([(5.5, 9.5), (9.3, 7), (12.5, 9.5)], 1.8))
    img.draw(body, LIME, GREEN)


def double_tick(img):
    img.draw(polyline([(1.5, 9.5), (5, 13.5), (11, 4)], 2.6), LIME, GREEN)
    img.draw(polyline([(7, 11), (9.5, 14.5), (16.5, 5)], 2.6), LIME, GREEN)


# ---------------------------------------------------------------- window glyphs (16 x 16)

def plus(img):
    img.draw(union(rect(6.5, 2, 9.5, 14), rect(2, 6.5, 14, 9.5)), LIME, GREEN)


def minus(img):
    img.draw(rect(2, 6.5, 14, 9.5), RED, MAROON)


def folder(img):
    img.draw(polygon([(1, 4), (6, 4), (7, 5.5), (14, 5.5), (14, 14), (1, 14)]), YELLOW, BLACK)
    img.draw(polygon([(3, 8), (15.5, 8), (13.5, 14), (1, 14)]), SILVER, BLACK)


def arrow_left(img):
    img.draw(polygon([(1.5, 8), (8, 2), (8, 5.5), (14.5, 5.5), (14.5, 10.5), (8, 10.5), (8, 14)]), BLUE, NAVY)


def arrow_right(img):
    img.draw(polygon([(14.5, 8), (8, 2), (8, 5.5), (1.5, 5.5), (1.5, 10.5), (8, 10.5), (8, 14)]), BLUE, NAVY)


def house(img):
    img.draw(polygon([(8, 1.5), (15, 8), (1, 8)]), RED, BLACK)
    img.draw(rect(3, 8, 13, 14.5), SILVER, BLACK)
    img.draw(rect(6.5, 10, 9.5, 14.5), BLACK)


def reload(img):
    img.draw(union(ring(8, 8, 3.6, 5.8, 200, 340), polygon([(11.2, 9.2), (15.4, 9.2), (13.3, 5.4)])), BLUE, NAVY)
    img.draw(union(ring(8, 8, 3.6, 5.8, 20, 160), polygon([(0.6, 6.8), (4.8, 6.8), (2.7, 10.6)])), BLUE, NAVY)


def picture(img):
    img.draw(rect(1, 3, 15, 13), WHITE, BLACK)
    img.draw(polygon([(2, 12.5), (6, 7), (9, 10.5), (11, 8.5), (14.5, 12.5)]), GREEN)
    img.draw(disc(11.5, 5.8, 1.5), YELLOW)


def globe(img):
    img.draw(disc(8, 8, 6.6), AQUA, NAVY)
    img.draw(union(ring(8, 8, 0, 0.1), rect(1.5, 7.5, 14.5, 8.5), rect(7.5, 1.5, 8.5, 14.5),
                   ring(8, 2.5, 5.6, 6.4, 40, 140), ring(8, 13.5, 5.6, 6.4, 220, 320)), BLUE)
    img.draw(polygon([(4, 4), (7, 3.5), (6.5, 7), (3, 7)]), GREEN)
    img.draw(polygon([(9.5, 9.5), (13, 9.5), (11, 13)]), GREEN)


def make_glyphs():
    os.makedirs(os.path.join(HERE, "glyphs"), exist_ok=True)
    strip("BBOKX", tick)
    strip("BBYESX", tick)
    strip("BBCANCELX", cross)
    strip("BBABORTX", cross)
    strip("BBHELPX", help_mark)
    strip("BBNOX", no_sign)
    strip("BBCLOSEX", door)
    strip("BBRETRYX", retry)
    strip("BBIGNOREX", walker)
    strip("BBALLX", double_tick, height=19)
    strip("add", plus, 16)
    strip("delete", minus, 16)
    strip("load", folder, 16)
    strip("back", arrow_left, 16)
    strip("forward", arrow_right, 16)
    strip("home", house, 16, single=True)
    strip("reload", reload, 16)
    strip("openicon", picture, 16)
    strip("web", globe, 16)


# ---------------------------------------------------------------- picture buttons and dialog picture

FONT = "DejaVu-Serif-Bold"


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def picture_button(name, word, bar, bar_edge, ink):
    out = os.path.join(HERE, "buttons", name + ".gif")
    # Clear corners: the window's face shows around the rounded ends.
    convert("-size", "101x30", "xc:none",
            "-fill", bar, "-stroke", bar_edge, "-strokewidth", "1",
            "-draw", "roundrectangle 1,1 99,28 13,13",
            "-stroke", "none", "-fill", ink, "-font", FONT, "-pointsize", "17",
            "-gravity", "center", "-annotate", "+0+0", word,
            "-channel", "A", "-threshold", "50%", "+channel",
            "+dither", "-colors", "32", "-strip", out)


def make_buttons():
    os.makedirs(os.path.join(HERE, "buttons"), exist_ok=True)
    for name, word, ink, lit in (("ueber", "Über", "#000080", "#ffff00"),
                                 ("ende", "Ende", "#000080", "#ffff00"),
                                 ("go", "Go!", "#800000", "#00ffff")):
        picture_button(name, word, "#e4e4e4", "#909090", ink)
        picture_button(name + "_down", word, "#707070", "#404040", lit)


def make_about_picture():
    out = os.path.join(HERE, "about.jpg")
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


if __name__ == "__main__":
    make_glyphs()
    make_buttons()
    make_about_picture()
