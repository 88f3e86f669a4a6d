#!/usr/bin/env python3
"""Draws the plug-in's artwork and writes the resource script that compiles it into the DLL.

Usage: make-artwork.py OUT_DIR

Everything is drawn here from shapes and one font (DejaVu Sans, Debian's fonts-dejavu-core), so
the pictures are build outputs, made again on every build from this script alone:

  background.jpg        564 x 492  dark blue panel, thin light frame lines, a black box at the top
                                   centre behind the track texts, a dark slot behind the progress bar
  heading_on.jpg        564 x 14   title strip, active look: "THE QUAVORY" in white capitals
                                   centred between horizontal lines
  heading_off.jpg       564 x 14   the same in grey, with small menu, minimise and close marks
  heading_on400.jpg     400 x 11   the strips of the narrow layout
  heading_off400.jpg    400 x 11
  stop_grey.bmp         32 x 32    greyed stop sign (shown while no request runs)
  stop_grey_small.bmp   32 x 33    its twin of the narrow layout
  stop.bmp, stop_small.bmp         red octagonal stop sign glyphs
  close.bmp, minimize.bmp          6 x 6 cross and minimise glyphs
  question.bmp          question-mark glyph
  lightning.bmp         yellow lightning bolt
  infinity.bmp          yellow infinity sign
  sponsor_large.bmp, sponsor_small.bmp, maker_large.bmp, maker_small.bmp   the two logos, two sizes
  cddb.bmp              the look-up logo of the tag dialog
  continue.bmp          two-state glyph (up, disabled) of the tag dialog's "Continue"
  artwork.rc            one RCDATA resource per picture, named in capitals after its file

Glyphs are 24-bit BMP files whose bottom-left pixel is the colour that a picture button leaves
transparent; glyphs meant to be drawn opaque keep that colour out of their picture.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

NAVY = (16, 28, 74)
NAVY_DARK = (8, 14, 40)
FRAME = (150, 176, 230)
FRAME_DIM = (70, 92, 150)
WHITE = (255, 255, 255)
GREY = (140, 140, 140)
BLACK = (0, 0, 0)
KEY = (255, 0, 255)  # transparent colour of glyphs (bottom-left pixel); never used inside a picture
FACE = (192, 192, 192)  # button face behind logos and glyphs
YELLOW = (255, 220, 0)
RED = (200, 16, 16)
LIME = (0, 255, 0)

SS = 4  # supersampling for smooth shapes


def font(path, px):
    return ImageFont.truetype(path, px)


def fitted(path, px, draw, text, width):
    """The font at `px` pixels, or smaller until `text` fits into `width`."""
    while px > 6:
        f = font(path, px)
        l, _, r, _ = draw.textbbox((0, 0), text, font=f)
        if r - l <= width:
            return f
        px -= 1
    return font(path, px)


def centred_text(draw, box, text, fnt, fill):
    l, t, r, b = draw.textbbox((0, 0), text, font=fnt)
    x = box[0] + (box[2] - box[0] - (r - l)) // 2 - l
    y = box[1] + (box[3] - box[1] - (b - t)) // 2 - t
    draw.text((x, y), text, font=fnt, fill=fill)
    return x + l, x + r


def smooth(size, paint, background):
    """Draws at SS times the size with `paint(draw, scale)` and scales down."""
    w, h = size
    big = Image.new("RGB", (w * SS, h * SS), background)
    paint(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.LANCZOS)


def keyed(img, background):
    """Replaces the background colour by the key colour and puts the key into the bottom-left
    pixel, so a picture button draws only the shape."""
    img = img.convert("RGB")
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y] == background:
                px[x, y] = KEY
    px[0, img.height - 1] = KEY
    return img


# ---------------------------------------------------------------- background


def background():
    w, h = 564, 492
    img = Image.new("RGB", (w, h), NAVY)
    d = ImageDraw.Draw(img)
    # A soft vertical shading of the panel.
    for y in range(h):
        t = y / (h - 1)
        c = tuple(int(a + (b - a) * t) for a, b in zip(NAVY, NAVY_DARK))
        d.line([(0, y), (w - 1, y)], fill=c)
    # Thin light frame lines: the outer edge and an inner frame around the content.
    d.rectangle([0, 0, w - 1, h - 1], outline=FRAME)
    d.rectangle([3, 16, w - 4, h - 4], outline=FRAME_DIM)
    d.line([(3, 112), (w - 4, 112)], fill=FRAME_DIM)  # above the viewer / quick start area
    d.line([(3, 464), (w - 4, 464)], fill=FRAME_DIM)  # above the progress bar row
    # The black box at the top centre behind "CURRENT TRACK" and the track's title.
    d.rectangle([70, 19, w - 71, 55], fill=BLACK, outline=FRAME)
    # The dark slot behind the progress bar.
    d.rectangle([13, 468, 410, 486], fill=NAVY_DARK, outline=FRAME_DIM)
    d.rectangle([15, 470, 408, 484], fill=BLACK)
    return img


# ---------------------------------------------------------------- headings


def heading(width, height, active):
    img = Image.new("RGB", (width, height), BLACK if active else (24, 24, 24))
    d = ImageDraw.Draw(img)
    ink = WHITE if active else GREY
    line = FRAME if active else (90, 90, 90)
    f = font(FONT_BOLD, height - 4 if height > 12 else height - 2)
    left, right = centred_text(d, (0, 0, width, height), "THE QUAVORY", f, ink)
    # Horizontal lines on both sides of the title, as in a title bar.
    ends = (34, width - 34) if active else (34, width - 40)
    for dy in (-2, 0, 2):
        y = height // 2 + dy
        d.line([(ends[0], y), (left - 6, y)], fill=line)
        d.line([(right + 6, y), (ends[1], y)], fill=line)
    d.line([(0, height - 1), (width - 1, height - 1)], fill=line)
    if not active:
        scale = width / 564
        # Small menu mark at the left end (three short bars).
        mx = int(14 * scale)
        for i in range(3):
            d.line([(mx, 3 + 3 * i), (mx + 8, 3 + 3 * i)], fill=GREY)
        # Minimise and close marks at the right end.
        nx = int(533 * scale)
        d.line([(nx, height - 5), (nx + 5, height - 5)], fill=GREY)
        cx = int(554 * scale)
        d.line([(cx, 4), (cx + 5, 9)], fill=GREY)
        d.line([(cx, 9), (cx + 5, 4)], fill=GREY)
    return img


# ---------------------------------------------------------------- glyphs


def octagon(cx, cy, r):
    return [(cx + r * math.cos(math.radians(22.5 + 45 * i)), cy + r * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)]


def stop_sign(size, fill, rim, ink, background):
    w, h = size

    def paint(d, s):
        cx, cy, r = w * s / 2, h * s / 2, min(w, h) * s / 2 - s
        d.polygon(octagon(cx, cy, r), fill=rim)
        d.polygon(octagon(cx, cy, r - 1.5 * s), fill=fill)
        f = fitted(FONT_BOLD, int(min(w, h) * s * 0.28), d, "STOP", r * 1.4)
        centred_text(d, (0, 0, w * s, h * s), "STOP", f, ink)

    return smooth(size, paint, background)


def cross(size, colour, background):
    w, h = size
    img = Image.new("RGB", size, background)
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (w - 1, h - 1)], fill=colour)
    d.line([(0, h - 1), (w - 1, 0)], fill=colour)
    return img


def minimise(size, colour, background):
    w, h = size
    img = Image.new("RGB", size, background)
    d = ImageDraw.Draw(img)
    d.rectangle([0, h - 2, w - 1, h - 1], fill=colour)
    return img


def question(size):
    w, h = size

    def paint(d, s):
        d.ellipse([s, s, w * s - s, h * s - s], fill=(0, 64, 160), outline=WHITE, width=s)
        centred_text(d, (0, 0, w * s, h * s), "?", font(FONT_BOLD, int(h * s * 0.75)), WHITE)

    return keyed(smooth(size, paint, FACE), FACE)


def lightning(size):
    w, h = size

    def paint(d, s):
        pts = [(0.62, 0.0), (0.18, 0.56), (0.46, 0.56), (0.30, 1.0), (0.84, 0.40), (0.54, 0.40), (0.74, 0.0)]
        d.polygon([(x * w * s, y * h * s) for x, y in pts], fill=YELLOW, outline=(120, 90, 0))

    img = smooth(size, paint, FACE)
    return keyed(img, FACE)


def infinity(size):
    w, h = size

    def paint(d, s):
        pts = []
        for i in range(200):
            t = 2 * math.pi * i / 200
            den = 1 + math.sin(t) ** 2
            x = math.cos(t) / den
            y = math.sin(t) * math.cos(t) / den
            pts.append(((0.5 + 0.46 * x) * w * s, (0.5 + 0.9 * y) * h * s))
        d.line(pts + [pts[0]], fill=YELLOW, width=max(2, int(1.6 * s)))

    return smooth(size, paint, BLACK)


def logo(size, name, sub, colours):
    w, h = size
    top, bottom, ink = colours

    def paint(d, s):
        for y in range(h * s):
            t = y / (h * s - 1)
            d.line([(0, y), (w * s, y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))
        d.rectangle([0, 0, w * s - 1, h * s - 1], outline=ink, width=s)
        if sub:
            f1 = fitted(FONT_BOLD, int(h * s * 0.42), d, name, (w - 6) * s)
            f2 = fitted(FONT, int(h * s * 0.26), d, sub, (w - 6) * s)
            centred_text(d, (0, 0, w * s, int(h * s * 0.62)), name, f1, ink)
            centred_text(d, (0, int(h * s * 0.56), w * s, h * s), sub, f2, ink)
        else:
            centred_text(d, (0, 0, w * s, h * s), name, fitted(FONT_BOLD, int(h * s * 0.6), d, name, (w - 6) * s), ink)

    return smooth(size, paint, BLACK)


def cddb(size):
    w, h = size

    def paint(d, s):
        d.ellipse([s, s, h * s - s, h * s - s], fill=(200, 200, 210), outline=(60, 60, 60), width=s)
        d.ellipse([h * s / 2 - 3 * s, h * s / 2 - 3 * s, h * s / 2 + 3 * s, h * s / 2 + 3 * s], fill=FACE)
        left = int(h * s * 0.55)
        f = fitted(FONT_BOLD, int(h * s * 0.34), d, "CDDB", w * s - left - s)
        centred_text(d, (left, int(h * s * 0.3), w * s, h * s), "CDDB", f, (0, 40, 140))

    return keyed(smooth(size, paint, FACE), FACE)


def continue_glyph():
    """Two states side by side: a green arrow, then the same greyed."""
    w, h = 16, 16

    def arrow(colour):
        def paint(d, s):
            pts = [(1, 6), (8, 6), (8, 2), (15, 8), (8, 14), (8, 10), (1, 10)]
            d.polygon([(x * s, y * s) for x, y in pts], fill=colour, outline=(40, 40, 40))

        return smooth((w, h), paint, FACE)

    img = Image.new("RGB", (2 * w, h), FACE)
    img.paste(arrow((0, 170, 0)), (0, 0))
    img.paste(arrow((150, 150, 150)), (w, 0))
    return keyed(img, FACE)


# ---------------------------------------------------------------- main


def opaque(img):
    """A glyph drawn without a transparent colour: the key colour never occurs, so nothing is
    left out (the bottom-left pixel is nudged off the key should it match)."""
    img = img.convert("RGB")
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y] == KEY:
                px[x, y] = (254, 0, 254)
    return img


def pictures():
    grey_stop = dict(fill=(120, 120, 120), rim=(200, 200, 200), ink=(230, 230, 230))
    red_stop = dict(fill=RED, rim=WHITE, ink=WHITE)
    sponsor = ((40, 40, 40), (0, 0, 0), LIME)
    maker = ((20, 40, 110), (5, 10, 40), WHITE)
    return {
        "background.jpg": background(),
        "heading_on.jpg": heading(564, 14, True),
        "heading_off.jpg": heading(564, 14, False),
        "heading_on400.jpg": heading(400, 11, True),
        "heading_off400.jpg": heading(400, 11, False),
        "stop_grey.bmp": opaque(stop_sign((32, 32), background=NAVY, **grey_stop)),
        "stop_grey_small.bmp": opaque(stop_sign((32, 33), background=NAVY, **grey_stop)),
        "stop.bmp": keyed(stop_sign((26, 26), background=FACE, **red_stop), FACE),
        "stop_small.bmp": keyed(stop_sign((20, 20), background=FACE, **red_stop), FACE),
        "close.bmp": opaque(cross((6, 6), WHITE, BLACK)),
        "minimize.bmp": opaque(minimise((6, 6), WHITE, BLACK)),
        "question.bmp": question((16, 16)),
        "lightning.bmp": lightning((12, 16)),
        "infinity.bmp": opaque(infinity((14, 12))),
        "sponsor_large.bmp": opaque(logo((94, 26), "PELLUCOR", "WebHosting", sponsor)),
        "sponsor_small.bmp": opaque(logo((76, 21), "PELLUCOR", "WebHosting", sponsor)),
        "maker_large.bmp": opaque(logo((63, 18), "VELMORRA", None, maker)),
        "maker_small.bmp": opaque(logo((51, 14), "VELMORRA", None, maker)),
        "cddb.bmp": cddb((52, 35)),
        "continue.bmp": continue_glyph(),
    }


def main(out):
    os.makedirs(out, exist_ok=True)
    rc = ["// Made by make-artwork.py: one RCDATA resource per picture.\n"]
    for name, img in pictures().items():
        path = os.path.join(out, name)
        if name.endswith(".jpg"):
            img.save(path, "JPEG", quality=92, subsampling=0)
        else:
            img.save(path, "BMP")
        res = os.path.splitext(name)[0].upper()
        # Absolute paths: the resource compiler runs in another folder.
        rc.append(f'{res} RCDATA "{os.path.abspath(path)}"\n')
    with open(os.path.join(out, "artwork.rc"), "w") as f:
        f.writelines(rc)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-artwork.py OUT_DIR")
    main(sys.argv[1])
