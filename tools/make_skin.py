#!/usr/bin/env python3
"""Draws the skin bitmaps of Orvex (resources/bitmaps/NNN.bmp, 24-bit BMP) and its icon (resources/orvex.ico).

Rerun after changing a colour or a shape:  python3 tools/make_skin.py
Only the standard library is used; every picture is computed pixel by pixel,
with coverage-based anti-aliasing where edges are curved or slanted.

Every picture is drawn in 96-DPI coordinates. The pictures listed in SETS are
drawn again for 150 % and 200 % (resources/bitmaps/150/NNN.png, .../200/NNN.png,
PNG to keep the program small): coordinates are scaled and rounded half up
like the program's own scaling, curves are sampled at the larger size, so each
set is crisp rather than stretched. resources/skin_sets.h and .rc list them.

Conventions the program relies on:
- pieces drawn with the transparent copy (caption buttons, the window icon in the
  frame) have the key colour KEY in their own top-left pixel;
- the dialog background is the flat grey that static controls are filled with
  (238, 238, 238), so labels and group boxes sit on it without seams;
- button faces sample pixel (2, 2): dark faces get white text, light faces black.
"""
import math
import os
import struct
import sys
import zlib

KEY = (255, 0, 255)           # transparent colour of pieces drawn with the transparent copy
BG = (238, 238, 238)          # dialog background, same as the static-control brush
LINE = (196, 201, 208)        # hairlines and borders
LINE_DARK = (150, 158, 168)
INK = (46, 52, 60)            # glyphs
ACCENT = (38, 99, 163)        # the one accent colour
ACCENT_DARK = (27, 74, 125)
ACCENT_LIGHT = (223, 234, 246)
WHITE = (255, 255, 255)


PERCENT = 100  # the scale being drawn; coordinates below are 96-DPI ones


def S(v):
    """A 96-DPI coordinate in pixels at PERCENT, rounded half up (as MulDiv)."""
    return int(math.floor(v * PERCENT / 100 + 0.5))


class Canvas:
    """w, h: the size in pixels at PERCENT (S of the 96-DPI size)."""

    def __init__(self, w, h, fill=BG):
        self.w, self.h = S(w), S(h)
        self.px = [[fill] * self.w for _ in range(self.h)]

    def put(self, x, y, c, a=1.0):
        for py in range(max(0, S(y)), min(self.h, S(y + 1))):
            for px in range(max(0, S(x)), min(self.w, S(x + 1))):
                self.put_pixel(px, py, c, a)

    def put_pixel(self, x, y, c, a=1.0):
        if a >= 1:
            self.px[y][x] = c
        elif a > 0:
            self.px[y][x] = mix(self.px[y][x], c, a)

    def rect(self, x0, y0, x1, y1, c):  # x1, y1 exclusive
        for y in range(max(0, S(y0)), min(self.h, S(y1))):
            row = self.px[y]
            for x in range(max(0, S(x0)), min(self.w, S(x1))):
                row[x] = c

    def vgrad(self, x0, y0, x1, y1, top, bottom):
        n = max(1, S(y1) - S(y0) - 1)
        for y in range(max(0, S(y0)), min(self.h, S(y1))):
            c = mix(top, bottom, (y - S(y0)) / n)
            for x in range(max(0, S(x0)), min(self.w, S(x1))):
                self.px[y][x] = c

    def hline(self, x0, x1, y, c):
        self.rect(x0, y, x1, y + 1, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, y0, x + 1, y1, c)

    def shape(self, inside, c, x0=0, y0=0, x1=None, y1=None, ss=4):
        """Fills the pixels covered by inside(x, y) (float coordinates), anti-aliased."""
        x1 = self.w if x1 is None else S(x1)
        y1 = self.h if y1 is None else S(y1)
        k = 100 / PERCENT
        for y in range(max(0, S(y0)), min(self.h, y1)):
            for x in range(max(0, S(x0)), min(self.w, x1)):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        if inside((x + (sx + 0.5) / ss) * k, (y + (sy + 0.5) / ss) * k):
                            hits += 1
                if hits:
                    self.put_pixel(x, y, c, hits / (ss * ss))

    def blit(self, other, dx, dy, pixels=False):
        """Copies `other` to (dx, dy): 96-DPI coordinates, or pixels."""
        if not pixels:
            dx, dy = S(dx), S(dy)
        for y in range(other.h):
            for x in range(other.w):
                if 0 <= dx + x < self.w and 0 <= dy + y < self.h:
                    self.px[dy + y][dx + x] = other.px[y][x]

    def save_png(self, path):
        with open(path, "wb") as f:
            f.write(png_bytes(self.px, alpha=False))

    def save(self, path):
        stride = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):  # bottom-up
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            data += row
        header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data),
                           2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(header + info + data)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def rounded(x0, y0, x1, y1, r):
    """inside() of a rounded rectangle with float edges x0..x1, y0..y1."""
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def ring(cx, cy, r_out, r_in):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return r_in * r_in <= d <= r_out * r_out
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def outline(c, x0, y0, x1, y1, col):
    """One-pixel border around [x0, x1) x [y0, y1)."""
    c.hline(x0, x1, y0, col)
    c.hline(x0, x1, y1 - 1, col)
    c.vline(x0, y0, y1, col)
    c.vline(x1 - 1, y0, y1, col)


# ---------------------------------------------------------------------------
# Window frame (201 active, 202 inactive): 66 x 52, caption 25 rows, borders 5,
# bottom 7; the window icon is the 16 x 17 piece at (5, 25).

CAPTION_TOP = (250, 251, 252)
CAPTION_BOTTOM = (232, 235, 239)


def frame(active):
    c = Canvas(66, 52, BG)
    edge = ACCENT if active else LINE_DARK
    # caption: a light gradient; the active window carries a 2-pixel accent rule on top
    c.vgrad(0, 0, 66, 25, CAPTION_TOP, CAPTION_BOTTOM)
    c.rect(0, 0, 66, 2, edge if active else (214, 218, 224))
    c.hline(0, 66, 24, LINE)
    # sides and bottom: the caption's lower colour, framed by one dark outer line
    c.rect(0, 25, 66, 52, CAPTION_BOTTOM)
    c.vline(0, 0, 52, edge)
    c.vline(65, 0, 52, edge)
    c.hline(0, 66, 51, edge)
    c.hline(0, 66, 0, edge)
    # inner hairline next to the client area
    c.vline(4, 25, 45, LINE)
    c.vline(61, 25, 45, LINE)
    c.hline(4, 62, 45, LINE)
    # window icon piece (transparent on KEY): a printer sheet with a bent corner
    icon = Canvas(16, 17, KEY)
    body = ACCENT if active else (120, 128, 138)
    icon.shape(rounded(1.5, 2.5, 14.5, 14.5, 2.2), CAPTION_BOTTOM)      # halo against KEY
    icon.shape(rounded(2, 3, 14, 14, 2), body)
    icon.shape(lambda x, y: 5 <= x <= 11 and 5.5 <= y <= 11.5, WHITE)
    icon.rect(6, 7, 11, 8, body)
    icon.rect(6, 9, 10, 10, body)
    icon.put(0, 0, KEY)
    c.blit(icon, 5, 25)
    return c


def caption_button(glyph):
    """45 x 15: normal, hover, pressed; each 15 x 15 cell keyed in its top-left pixel."""
    cells = []
    for state in range(3):
        cell = Canvas(15, 15, KEY)
        bg = CAPTION_BOTTOM
        if state == 0:
            ink = INK
        else:
            if glyph == "close":
                face = (210, 64, 58) if state == 1 else (168, 44, 40)
            else:
                face = (205, 216, 229) if state == 1 else ACCENT
            cell.shape(rounded(0.3, 0.3, 14.7, 14.7, 3), face)
            bg = face
            ink = WHITE if (glyph == "close" or state == 2) else INK
        # blend the key fringe towards the caption colour so no pink halo shows
        for y in range(cell.h):
            for x in range(cell.w):
                p = cell.px[y][x]
                if p != KEY and abs(p[1] - KEY[1]) < 200 and p[0] > 200 and p[2] > 200 and state:
                    cell.px[y][x] = mix(CAPTION_BOTTOM, bg, 0.5)
        layer = Canvas(15, 15, bg if state else CAPTION_BOTTOM)
        if glyph == "close":
            layer.shape(segment(4.5, 4.5, 10.5, 10.5, 1.6), ink)
            layer.shape(segment(10.5, 4.5, 4.5, 10.5, 1.6), ink)
        elif glyph == "minimize":
            layer.shape(lambda x, y: 4 <= x <= 11 and 9.6 <= y <= 11.2, ink)
        else:  # help
            layer.shape(ring(7.5, 6, 3, 1.6), ink)
            layer.shape(lambda x, y: 7 <= x <= 8.3 and 7 <= y <= 9.5, ink)
            layer.shape(disc(7.6, 11.4, 0.9), ink)
        for y in range(cell.h):
            for x in range(cell.w):
                if layer.px[y][x] != (bg if state else CAPTION_BOTTOM):
                    cell.px[y][x] = layer.px[y][x]
        cell.px[0][0] = KEY
        cells.append(cell)
    return strip(cells)


def strip(cells):
    """Equal cells side by side; each cell is scaled on its own, as the program expects."""
    c = Canvas(0, 0)
    c.w, c.h = cells[0].w * len(cells), cells[0].h
    c.px = [[KEY] * c.w for _ in range(c.h)]
    for i, cell in enumerate(cells):
        c.blit(cell, i * cell.w, 0, pixels=True)
    return c


# ---------------------------------------------------------------------------
# Dialog background (210, 64 x 520): flat grey without edges. The sheet and the
# tabs tile it with corner size 1, the message box with corner size 0; an edge
# in the picture would repeat as a grid of lines in the message box.

def dialog_background():
    return Canvas(64, 520, BG)


# Tab control background (209, 27 x 415, corner 1): the dialog grey, no edges, so
# that only the tabs and the pages' own hairlines draw lines.
def tab_background():
    return Canvas(27, 415, BG)


def tab(selected):
    """207 selected, 208 not selected: 108 x 27, corner width 1, corner height 3."""
    c = Canvas(108, 27, BG)
    if selected:
        c.rect(0, 0, 108, 27, BG)
        c.rect(0, 0, 108, 3, ACCENT)
        c.vline(0, 3, 27, LINE)
        c.vline(107, 3, 27, LINE)
    else:
        c.vgrad(0, 0, 108, 27, (230, 232, 235), (222, 225, 229))
        c.hline(0, 108, 0, LINE)
        c.hline(0, 108, 1, (236, 238, 241))
        c.hline(0, 108, 2, (234, 236, 239))
        c.vline(0, 1, 27, LINE)
        c.vline(107, 1, 27, LINE)
        c.hline(0, 108, 26, LINE)
    return c


def button_strip():
    """212: three 30 x 25 cells (normal, hover, pressed), corner size 2; horizontally
    uniform inside so that the tile painter can widen them."""
    cells = []
    looks = [
        ((252, 252, 253), (236, 238, 241), (170, 177, 186)),   # normal: light, black text
        ((240, 246, 252), (221, 233, 246), (92, 139, 191)),    # hover: accent tint
        (ACCENT, ACCENT_DARK, ACCENT_DARK),                     # pressed: accent, white text
    ]
    for i, (top, bottom, border) in enumerate(looks):
        cell = Canvas(30, 25, BG)
        cell.vgrad(1, 1, 29, 24, top, bottom)
        cell.hline(2, 28, 0, border)
        cell.hline(2, 28, 24, border)
        cell.vline(0, 2, 23, border)
        cell.vline(29, 2, 23, border)
        for (x, y) in ((1, 1), (28, 1), (1, 23), (28, 23)):
            cell.put(x, y, border, 0.7)
        for (x, y) in ((0, 1), (1, 0), (28, 0), (29, 1), (0, 23), (1, 24), (28, 24), (29, 23)):
            cell.put(x, y, border, 0.35)
        if i < 2:  # a soft highlight under the top edge
            cell.hline(2, 28, 1, WHITE)
        cells.append(cell)
    return strip(cells)


def header(enabled=True):
    """214 (213 greyed): 64 x 21 list-view header, stretched; white text on it."""
    c = Canvas(64, 21)
    if enabled:
        c.vgrad(0, 0, 64, 21, (84, 112, 143), (63, 89, 118))
        c.hline(0, 64, 0, (110, 136, 165))
        c.hline(0, 64, 20, (48, 70, 95))
    else:
        c.vgrad(0, 0, 64, 21, (160, 166, 174), (142, 148, 156))
        c.hline(0, 64, 20, (120, 126, 134))
    return c


# ---------------------------------------------------------------------------
# Option pictures: 38 x 48 (219-222, 217) and 47 x 39 (218), on the dialog grey.

def sheet(w, h, ox, oy, pw, ph):
    """A page with a folded corner; returns the canvas and the page's inner box."""
    c = Canvas(w, h, BG)
    fold = 7
    c.rect(ox + 2, oy + 2, ox + pw + 2, oy + ph + 2, (218, 220, 224))  # soft shadow
    c.shape(lambda x, y: ox <= x <= ox + pw and oy <= y <= oy + ph
            and not (x > ox + pw - fold and y < oy + fold and (x - (ox + pw - fold)) > (y - oy)),
            (150, 158, 168))
    c.shape(lambda x, y: ox + 1 <= x <= ox + pw - 1 and oy + 1 <= y <= oy + ph - 1
            and not (x > ox + pw - fold - 1 and y < oy + fold + 1
                     and (x - (ox + pw - fold - 1)) > (y - oy - 1) - 0.5),
            WHITE)
    c.shape(lambda x, y: ox + pw - fold <= x <= ox + pw and oy <= y <= oy + fold
            and (x - (ox + pw - fold)) <= (y - oy), (214, 219, 226))
    return c


def text_lines(c, x0, x1, y0, y1, step, col, dotted=False, ragged=True):
    y = y0
    n = 0
    while y + 1 < y1:
        end = x1 - (5 if ragged and n % 3 == 2 else 0)
        for x in range(x0, end):
            if not dotted or x % 2 == 0:
                c.put(x, y, col)
                if not dotted:
                    c.put(x, y + 1, col, 0.35)
        y += step
        n += 1


def portrait():
    c = sheet(38, 48, 6, 3, 25, 40)
    c.rect(10, 8, 21, 10, ACCENT)
    text_lines(c, 10, 27, 14, 40, 4, (120, 128, 138))
    return c


def landscape():
    c = sheet(47, 39, 3, 6, 39, 27)
    c.rect(7, 10, 18, 12, ACCENT)
    text_lines(c, 7, 38, 16, 31, 4, (120, 128, 138))
    return c


def colour_picture(colour):
    c = sheet(38, 48, 6, 3, 25, 40)
    if colour:
        dots = [((10, 180, 220), 15.5, 20), ((230, 40, 140), 21.5, 20), ((250, 205, 20), 18.5, 25.5)]
    else:
        dots = [((150, 150, 150), 15.5, 20), ((90, 90, 90), 21.5, 20), ((200, 200, 200), 18.5, 25.5)]
    for col, x, y in dots:
        c.shape(disc(x, y, 4.6), col, 8, 12, 30, 32)
    text_lines(c, 10, 27, 34, 41, 4, (120, 128, 138))
    return c


def resolution_picture(normal):
    c = sheet(38, 48, 6, 3, 25, 40)
    if normal:
        c.rect(10, 8, 21, 10, ACCENT)
        text_lines(c, 10, 27, 14, 41, 3, (70, 76, 86))
    else:
        c.rect(10, 8, 21, 10, (160, 186, 214))
        text_lines(c, 10, 27, 14, 41, 3, (150, 158, 168), dotted=True)
    return c


def page_frame():
    """231: the paper in the settings preview, painted with corner size 1."""
    c = Canvas(40, 56, WHITE)
    outline(c, 0, 0, 40, 56, (120, 128, 138))
    return c


def brand_mark(w, h, bg=BG):
    """223: the product mark, a ring with a sheet passing through it."""
    c = Canvas(w, h, bg)
    cy = h / 2
    c.shape(ring(cy + 2, cy, cy - 3, cy - 7), ACCENT)
    c.shape(lambda x, y: cy - 2 <= x <= cy + 6 and cy - 6 <= y <= cy + 6, WHITE if bg != WHITE else BG)
    c.shape(lambda x, y: cy - 1 <= x <= cy + 5 and cy - 5 <= y <= cy + 5, (150, 158, 168))
    c.shape(lambda x, y: cy <= x <= cy + 4 and cy - 4 <= y <= cy + 4, WHITE)
    # three rules to the right: the job leaving for the printer
    for i, ln in enumerate((40, 30, 20)):
        y = int(cy) - 6 + i * 5
        c.shape(lambda x, y, y0=y, ln=ln: h + 2 <= x <= h + 2 + ln and y0 <= y <= y0 + 2.2,
                ACCENT if i == 0 else (150, 158, 168))
    return c


def splash():
    """229: 411 x 296. The program writes the title at (65, 118) in 30-pixel bold
    Arial and the version text at (275, 258), both in black."""
    w, h = 411, 296
    c = Canvas(w, h, WHITE)
    # accent band with a quiet pattern of arcs
    band = 86
    c.vgrad(0, 0, w, band, (44, 108, 176), (30, 80, 136))
    for k in range(9):
        r = 60 + k * 22
        c.shape(ring(w - 40, band + 40, r + 0.6, r - 0.6), (255, 255, 255), 0, 0, w, band, ss=3)
    # re-tint the arcs so they stay faint
    for y in range(S(band)):
        base = mix((44, 108, 176), (30, 80, 136), y / (S(band) - 1))
        for x in range(c.w):
            p = c.px[y][x]
            if p != base:
                c.px[y][x] = mix(base, p, 0.16)
    c.hline(0, w, band, (24, 64, 110))
    # mark on the band, drawn in white straight onto the gradient so that its
    # curved edges blend with the band (anti-aliased, no halo)
    ox, oy, mh = 24, 24, 40
    cy = oy + mh / 2
    cx = ox + mh / 2 + 2
    c.shape(ring(cx, cy, mh / 2 - 3, mh / 2 - 7), WHITE, ox, oy, ox + mh, oy + mh, ss=6)
    c.shape(rounded(cx - 4.5, cy - 6.5, cx + 3.5, cy + 6.5, 1.2), WHITE, ox, oy, ox + mh, oy + mh, ss=6)
    c.shape(rounded(cx - 3, cy - 5, cx + 2, cy + 5, 0.6), (30, 88, 150), ox, oy, ox + mh, oy + mh, ss=6)
    c.shape(lambda x, y: cx - 2 <= x <= cx + 1 and cy - 3.6 <= y <= cy - 2.4, WHITE, ox, oy, ox + mh, oy + mh)
    for i, (ln, alpha) in enumerate(((40, 1.0), (30, 0.75), (20, 0.55))):
        y0 = cy - 6 + i * 5
        tone = mix((44, 108, 176), WHITE, alpha)
        c.shape(rounded(ox + mh + 2, y0, ox + mh + 2 + ln, y0 + 2.2, 1.1), tone, ox + mh, oy, ox + mh + 50,
                oy + mh, ss=6)
    # title area stays white; an accent rule under the title
    c.rect(65, 160, 65 + 48, 163, ACCENT)
    c.shape(lambda x, y: True, (240, 242, 245), 65, 170, 346, 171)
    # footer for the version text
    c.rect(0, 244, w, h, (243, 244, 246))
    c.hline(0, w, 244, (222, 226, 231))
    outline(c, 0, 0, w, h, (120, 128, 138))
    return c


def spare_checkbox():
    """205: icon halves (unchecked, checked) for a skinned toggle button, 32 x 16."""
    c = Canvas(32, 16, KEY)
    for i in range(2):
        cell = Canvas(16, 16, KEY)
        cell.shape(rounded(2, 2, 14, 14, 2.5), LINE_DARK)
        cell.shape(rounded(3, 3, 13, 13, 1.8), ACCENT if i else WHITE)
        if i:
            cell.shape(segment(5, 8.2, 7.2, 10.5, 1.6), WHITE)
            cell.shape(segment(7.2, 10.5, 11.2, 5.5, 1.6), WHITE)
        cell.px[0][0] = KEY
        c.blit(cell, i * 16, 0)
    return c


def file_badge(label_colour):
    """224-227, 230: 16 x 16 file-kind badges on the key colour."""
    c = Canvas(16, 16, KEY)
    c.shape(lambda x, y: 2.5 <= x <= 13.5 and 1.5 <= y <= 14.5, (150, 158, 168))
    c.shape(lambda x, y: 3.5 <= x <= 12.5 and 2.5 <= y <= 13.5, WHITE)
    c.rect(3, 9, 13, 13, label_colour)
    c.px[0][0] = KEY
    return c


def build():
    return {
        201: frame(True),
        202: frame(False),
        203: caption_button("close"),
        204: caption_button("help"),      # context-help caption button (switched off)
        205: spare_checkbox(),
        206: tab(False),                  # spare: a second unselected tab face
        207: tab(True),
        208: tab(False),
        209: tab_background(),
        210: dialog_background(),
        211: dialog_background(),         # spare background, same as 210
        212: button_strip(),
        213: header(False),               # spare: a greyed list-view header
        214: header(True),
        215: file_badge((200, 50, 45)),   # PDF
        216: file_badge((40, 140, 90)),   # JPEG
        217: portrait(),
        218: landscape(),
        219: colour_picture(False),
        220: colour_picture(True),
        221: resolution_picture(True),
        222: resolution_picture(False),
        223: brand_mark(92, 32),
        224: file_badge((120, 80, 170)),  # TIFF
        225: file_badge((30, 120, 190)),  # PNG
        226: file_badge((210, 140, 30)),  # BMP
        227: file_badge((120, 128, 138)), # other
        228: caption_button("minimize"),
        229: splash(),
        230: brand_mark(46, 16),          # small mark
        231: page_frame(),
    }


# The program's icon, as Explorer, the Start menu and Programs and Features show
# it: the window icon's motif on a transparent ground, drawn at each size a
# display from 100 % to 400 % asks for (the largest stored as PNG, as Windows
# expects), so no size is a stretched copy of another.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def icon_pixels(size):
    """RGBA rows of the icon at `size` pixels. The motif is laid out on 16 units;
    its straight edges are put on whole pixels at every size, so none is blurred."""
    def at(v):
        return int(math.floor(v * size / 16 + 0.5))
    body = rounded(at(1), at(2), at(15), at(14), 2.5 * size / 16)
    wx0, wx1, wy0, wy1 = at(4), at(12), at(5), at(11)
    lines = [(at(5), at(11), at(6), max(at(7), at(6) + 1)), (at(5), at(10), at(8), max(at(9), at(8) + 1))]

    def white(x, y):
        return (wx0 <= x < wx1 and wy0 <= y < wy1
                and not any(x0 <= x < x1 and y0 <= y < y1 for x0, x1, y0, y1 in lines))
    ss = 8 if size <= 64 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            cover = light = 0
            for sy in range(ss):
                for sx in range(ss):
                    x, y = px + (sx + 0.5) / ss, py + (sy + 0.5) / ss
                    if body(x, y):
                        cover += 1
                        light += white(x, y)
            if cover == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = mix(ACCENT, WHITE, light / cover)
                row.append((r, g, b, int(round(255 * cover / (ss * ss)))))
        rows.append(row)
    return rows


def png_bytes(rows, alpha=True):
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    head = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def save_icon(path):
    images = []
    for size in ICON_SIZES:
        rows = icon_pixels(size)
        if size >= 256:
            images.append((size, png_bytes(rows)))
            continue
        # 32-bit BGRA bottom-up, twice the height in the header for the AND mask,
        # which follows (all zero: the alpha channel decides).
        mask_stride = ((size + 31) // 32) * 4
        data = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        for row in reversed(rows):
            data += bytes(v for r, g, b, a in row for v in (b, g, r, a))
        data += b"\0" * (mask_stride * size)
        images.append((size, data))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(data for _, data in images))


# Pictures drawn for 150 % and 200 % too, with the number of equal cells each
# holds side by side (the program scales cells, not the whole strip). Their
# resource ids: 1500 + id for 150 %, 2000 + id for 200 %.
SETS = {
    201: 1, 202: 1, 203: 3, 207: 1, 208: 1, 209: 1, 210: 1, 212: 3, 214: 1, 217: 1, 218: 1,
    219: 1, 220: 1, 221: 1, 222: 1, 223: 1, 228: 3, 229: 1, 231: 1,
}
SET_PERCENTS = (150, 200)


def write_set_tables(resources):
    rows = ["    {%d, %d, %s}," % (n, cells, ", ".join(str(p * 10 + n) for p in SET_PERCENTS))
            for n, cells in sorted(SETS.items())]
    with open(os.path.join(resources, "skin_sets.h"), "w") as f:
        f.write("// Written by tools/make_skin.py: the skin pictures drawn for 150 % and 200 %\n"
                "// (PNG resources of type \"PNG\"). Rows: 100 % bitmap id, equal cells side by\n"
                "// side, then the id of each larger set.\n#pragma once\n\n"
                "struct SkinSetRow {\n    int id;\n    int cells;\n    int setIds[2];  // 150 %, 200 %\n};\n\n"
                "constexpr SkinSetRow kSkinSets[] = {\n" + "\n".join(rows) + "\n};\n")
    with open(os.path.join(resources, "skin_sets.rc"), "w") as f:
        f.write("// Written by tools/make_skin.py: the skin pictures drawn for 150 % and 200 %.\n")
        for p in SET_PERCENTS:
            for n in sorted(SETS):
                f.write('%d PNG "resources/bitmaps/%d/%d.png"\n' % (p * 10 + n, p, n))


def main():
    global PERCENT
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    bitmaps = build()
    for num, canvas in bitmaps.items():
        canvas.save(os.path.join(out, "%d.bmp" % num))
    print("wrote %d bitmaps to %s" % (len(bitmaps), os.path.normpath(out)))
    for percent in SET_PERCENTS:
        PERCENT = percent
        folder = os.path.join(out, str(percent))
        os.makedirs(folder, exist_ok=True)
        for num, canvas in build().items():
            if num in SETS:
                canvas.save_png(os.path.join(folder, "%d.png" % num))
        print("wrote %d pictures for %d %% to %s" % (len(SETS), percent, os.path.normpath(folder)))
    PERCENT = 100
    write_set_tables(os.path.join(out, ".."))
    save_icon(os.path.join(out, "..", "orvex.ico"))
    print("wrote the program's icon (%s pixels)" % ", ".join(map(str, ICON_SIZES)))


if __name__ == "__main__":
    main()
