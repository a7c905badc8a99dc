#!/usr/bin/python3
"""Draws Quorventile's skin images and icons.

Usage: make_skin.py --skin DIR --icons DIR

Run with Debian's /usr/bin/python3 (Pillow from python3-pil).  The output is
the same bytes on every run: no timestamps, fixed palettes, fixed GIF timing.

Colours come from the Colour palette below.  Text drawn on the blue header,
footer and dialog title band is white or near-white; everything else carries
black text.

Skin files (DIR/Skin beside the executable).  "Frames" are the state pictures
a window cuts out of a strip; where the drawing code samples single rows or
columns, those are listed, because stretching them must look right.

  file                        size     geometry and use
  ShellLink.png               18x18    tab icon, drawn centred at natural size
  MainFrame.png               280x152  main window background, sampled:
                                       header rows 0-79: columns 0-239 at 1:1,
                                         column 241 stretched, last 4 columns;
                                       side borders: row 81, columns 0-1 and
                                         the last 2, stretched down;
                                       footer: bottom 31 rows, 4-px caps and
                                         column 5 stretched (white text on it);
                                       search bar: column 260, rows 65-88;
                                       tab strip: rows 89-114, column 154
                                         (strip and normal tab), 82 (hot tab),
                                         2 (selected tab)
  Quorventile.png             80x80    program logo for the about box
  sys_button_close.png        120x24   caption buttons of the main window:
  sys_button_min2.png         120x24     4 frames of 30x24 side by side
  sys_button_max.png          120x24     (normal, hover, pressed, disabled),
  sys_button_restore.png      120x24     drawn on the blue header
  sysmenu_close2.png          120x31   dialog close button, 4 frames of 30x31
                                       side by side, on the 31-px title band
  ClassArrows.png             48x12    group arrows, 4 frames of 12x12 side by
                                       side: collapsed, collapsed highlighted,
                                       expanded, expanded highlighted
  CommonButton.png            60x88    push button, 4 frames of 60x22 stacked
                                       vertically; 7-px caps left and right,
                                       column 7 stretched between them
  dialog_template.png         24x72    dialog nine-slice, opaque (StretchBlt):
                                       title band rows 0-30 (5-px caps, column
                                       5 stretched; white title text on it),
                                       body column 5 rows 31-65, 2-px borders
                                       from row 31, bottom band rows 66-71
  checkbox.bmp                192x16   24-bit, opaque on the dialog body
                                       colour; 12 frames of 16x16 side by side:
                                       unchecked, checked, mixed, each normal,
                                       hover, pressed, disabled
  radiobutton.bmp             128x16   24-bit, pure black (0,0,0) is the
                                       transparent key and appears nowhere
                                       else; 8 frames of 16x16: unchecked and
                                       checked, each normal, hover, pressed,
                                       disabled
  search_normal.png           16x16    magnifier, right end of the search bar
  search_del.png              72x24    clear button, 3 frames of 24x24 side by
                                       side (normal, hover, pressed); opaque,
                                       so it hides the magnifier under it
  scrollv\\background.png      16x24    scroll track; every row alike (row 12
                                       is stretched over the track)
  scrollv\\buttons.png         16x128   8 frames of 16x16 stacked: up arrow
                                       normal, hot, pressed, disabled, then
                                       the down arrow in the same order
  scrollv\\thumb.png           16x40    4 frames of 16x10 stacked (normal, hot,
                                       pressed, disabled): 2-row caps at top
                                       and bottom, row 2 stretched between
  scrollv\\thumbgripper.png    8x24     4 frames of 8x6 stacked, centred on the
                                       thumb at natural size
  loading.gif                 20x20    spinner, 12 frames of 80 ms, endless
                                       loop, on the white waiting window

Icons (DIR of --icons, for the resource scripts):

  Quorventile.ico      program icon (128): 16-256 px, 32-bit, 256 as PNG
  DefaultLink.ico      link without an icon of its own (130): 16-48 px
  MissingLink.ico      link whose target is gone (131): 16-48 px
  ShellExtMenu.ico     shell extension's menu icon (202): 16 and 32 px at
                       8 bits per pixel
"""

import argparse
import io
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw

SUPERSAMPLE = 8


class Colour:
    """The skin's palette; every picture takes its colours from here."""

    HEADER_TOP = (59, 130, 238)
    ACCENT = (38, 104, 214)
    ACCENT_DARK = (27, 76, 166)
    ACCENT_SOFT = (226, 236, 252)
    ACCENT_PRESSED = (203, 220, 248)
    WHITE = (255, 255, 255)
    LIST_BACK = (244, 245, 252)  # the tree list fills its background with this
    PANEL = (247, 249, 252)  # dialog body
    STRIP = (234, 238, 245)  # tab strip and scroll track
    LINE = (204, 211, 223)
    GLYPH = (132, 142, 160)
    GLYPH_DARK = (84, 95, 115)
    DISABLED = (212, 217, 226)
    DISABLED_FILL = (238, 240, 244)
    DANGER = (224, 67, 60)
    DANGER_DARK = (186, 44, 40)
    KEY = (0, 0, 0)  # transparent key of radiobutton.bmp


# ---------------------------------------------------------------------------
# Drawing helpers.  Shapes are drawn as anti-aliased coverage masks (drawn
# SUPERSAMPLE times larger, then box-filtered) and painted in a colour.


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def mask(size, paint):
    """Coverage mask of size (w, h); paint(draw, k) draws with coordinates
    multiplied by k, so callers work in pixel units."""
    w, h = size
    big = Image.new("L", (w * SUPERSAMPLE, h * SUPERSAMPLE), 0)
    paint(ImageDraw.Draw(big), SUPERSAMPLE)
    return big.reduce(SUPERSAMPLE)


def scaled(points, k):
    return [(x * k, y * k) for x, y in points]


def box(x0, y0, x1, y1, k):
    """Pixel-edge box to ImageDraw's inclusive coordinates."""
    return [x0 * k, y0 * k, x1 * k - 1, y1 * k - 1]


def rounded_rect(size, x0, y0, x1, y1, radius):
    return mask(size, lambda d, k: d.rounded_rectangle(box(x0, y0, x1, y1, k), radius * k, fill=255))


def rect_outline(size, x0, y0, x1, y1, radius, width):
    outer = rounded_rect(size, x0, y0, x1, y1, radius)
    inner = rounded_rect(size, x0 + width, y0 + width, x1 - width, y1 - width, max(radius - width, 0))
    return ImageChops.subtract(outer, inner)


def disc(size, cx, cy, r):
    return mask(size, lambda d, k: d.ellipse(box(cx - r, cy - r, cx + r, cy + r, k), fill=255))


def ring(size, cx, cy, r, width):
    return ImageChops.subtract(disc(size, cx, cy, r), disc(size, cx, cy, r - width))


def polygon(size, points):
    return mask(size, lambda d, k: d.polygon(scaled(points, k), fill=255))


def stroke(size, points, width):
    """Polyline with round joints and caps."""

    def paint(d, k):
        d.line(scaled(points, k), fill=255, width=round(width * k), joint="curve")
        r = width * k / 2
        for x, y in (points[0], points[-1]):
            d.ellipse([x * k - r, y * k - r, x * k + r - 1, y * k + r - 1], fill=255)

    return mask(size, paint)


def union(*masks):
    result = masks[0]
    for m in masks[1:]:
        result = ImageChops.lighter(result, m)
    return result


def paint(image, colour, coverage, opacity=1.0):
    """Composites colour through the coverage mask onto the RGBA image."""
    layer = Image.new("RGBA", image.size, colour + (0,))
    if opacity != 1.0:
        coverage = coverage.point(lambda v: round(v * opacity))
    layer.putalpha(coverage)
    image.alpha_composite(layer)


def paint_gradient(image, top, bottom, coverage):
    """Vertical gradient from top to bottom colour through the mask."""
    w, h = image.size
    layer = Image.new("RGBA", (w, h))
    for y in range(h):
        layer.paste(lerp(top, bottom, y / max(h - 1, 1)) + (255,), (0, y, w, y + 1))
    layer.putalpha(coverage)
    image.alpha_composite(layer)


def solid(size, colour):
    return Image.new("RGBA", size, colour + (255,))


def full(size):
    return Image.new("L", size, 255)


def strip(frames, vertical=False):
    """Joins equal frames side by side (or stacked)."""
    w, h = frames[0].size
    out = Image.new("RGBA", (w, h * len(frames)) if vertical else (w * len(frames), h))
    for i, frame in enumerate(frames):
        out.paste(frame, (0, i * h) if vertical else (i * w, 0))
    return out


# ---------------------------------------------------------------------------
# Program logo and icons


def logo(n):
    """The program's mark: a blue rounded square with a white bolt."""
    size = (n, n)
    image = Image.new("RGBA", size)
    inset = n / 16
    square = rounded_rect(size, inset, inset, n - inset, n - inset, n * 0.22)
    paint_gradient(image, Colour.HEADER_TOP, Colour.ACCENT_DARK, square)
    bolt = [(0.56, 0.14), (0.29, 0.55), (0.47, 0.55), (0.41, 0.87), (0.72, 0.43), (0.54, 0.43), (0.66, 0.14)]
    paint(image, Colour.WHITE, polygon(size, [(x * n, y * n) for x, y in bolt]))
    return image


def sheet(n, colour, border):
    """A page with a folded corner, the picture of a file."""
    size = (n, n)
    image = Image.new("RGBA", size)
    x0, y0, x1, y1 = n * 0.18, n * 0.06, n * 0.82, n * 0.94
    fold = n * 0.22
    outline = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    w = max(n / 20, 1)
    inner = [(x0 + w, y0 + w), (x1 - fold - w * 0.4, y0 + w), (x1 - w, y0 + fold + w * 0.4),
             (x1 - w, y1 - w), (x0 + w, y1 - w)]
    paint(image, border, polygon(size, outline))
    paint(image, colour, polygon(size, inner))
    paint(image, border, polygon(size, [(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]))
    return image


def default_link_icon(n):
    """A file with the blue shortcut arrow."""
    image = sheet(n, Colour.WHITE, Colour.GLYPH)
    size = (n, n)
    badge = n * 0.25
    cx, cy = n * 0.36, n * 0.66
    paint(image, Colour.ACCENT, rounded_rect(size, cx - badge, cy - badge, cx + badge, cy + badge, n * 0.08))
    arrow_w = max(n / 12, 1.2)
    a = badge * 0.55
    paint(image, Colour.WHITE, union(stroke(size, [(cx - a, cy + a), (cx + a, cy - a)], arrow_w),
                                     stroke(size, [(cx - a * 0.1, cy - a), (cx + a, cy - a), (cx + a, cy + a * 0.1)],
                                            arrow_w)))
    return image


def missing_link_icon(n):
    """A greyed file with a red cross: the link's target is gone."""
    image = sheet(n, Colour.DISABLED_FILL, Colour.GLYPH)
    size = (n, n)
    r = n * 0.27
    cx, cy = n * 0.66, n * 0.68
    paint(image, Colour.WHITE, disc(size, cx, cy, r + max(n / 24, 0.8)))
    paint(image, Colour.DANGER, disc(size, cx, cy, r))
    a = r * 0.45
    w = max(n / 12, 1.2)
    paint(image, Colour.WHITE, union(stroke(size, [(cx - a, cy - a), (cx + a, cy + a)], w),
                                     stroke(size, [(cx - a, cy + a), (cx + a, cy - a)], w)))
    return image


# ---------------------------------------------------------------------------
# Main window

# MainFrame.png is laid out like the window's client area, so every sampled
# row and column sits where the window shows it.
FRAME_W, FRAME_H = 280, 152
SEARCH_TOP, SEARCH_H = 65, 24
TAB_TOP, TAB_H, TAB_W = 89, 26, 64
FOOTER_H = 31


def header_colour(y):
    """The blue of the header at client row y; the search band continues it."""
    return lerp(Colour.HEADER_TOP, Colour.ACCENT, y / (SEARCH_TOP + SEARCH_H - 1))


def search_band():
    """Colours of the search bar's rows: a white field in the blue header."""
    rows = [header_colour(SEARCH_TOP)]
    rows += [Colour.STRIP] + [Colour.WHITE] * (SEARCH_H - 3)
    rows += [header_colour(SEARCH_TOP + SEARCH_H - 1)]
    return rows


def tab_column(kind):
    """Colours of the tab strip's rows for a selected, hot or normal tab."""
    if kind == "selected":
        return [Colour.ACCENT] * 2 + [Colour.LIST_BACK] * (TAB_H - 2)
    fill = Colour.ACCENT_SOFT if kind == "hot" else Colour.STRIP
    return [fill] * (TAB_H - 1) + [Colour.LINE]


def paint_rows(image, x0, x1, top, colours):
    for i, colour in enumerate(colours):
        image.paste(colour + (255,), (x0, top + i, x1, top + i + 1))


def main_frame():
    w, h = FRAME_W, FRAME_H
    image = solid((w, h), Colour.LIST_BACK)
    for y in range(SEARCH_TOP + SEARCH_H):
        image.paste(header_colour(y) + (255,), (0, y, w, y + 1))
    # The logo, lifted off the blue by a faint white halo.
    paint(image, Colour.WHITE, rounded_rect((w, h), 14, 16, 46, 48, 8), 0.35)
    image.alpha_composite(logo(32), (14, 16))
    paint_rows(image, 2, w - 2, SEARCH_TOP, search_band())
    # The strip with its first tab selected and the second hot: the drawing
    # code samples columns 2, 82 and 154 of these rows.
    paint_rows(image, 2, w - 2, TAB_TOP, tab_column("normal"))
    paint_rows(image, 2, 2 + TAB_W, TAB_TOP, tab_column("selected"))
    paint_rows(image, 2 + TAB_W, 2 + 2 * TAB_W, TAB_TOP, tab_column("hot"))
    footer_top = h - FOOTER_H
    for y in range(FOOTER_H):
        image.paste(lerp(Colour.ACCENT, Colour.ACCENT_DARK, y / (FOOTER_H - 1)) + (255,),
                    (0, footer_top + y, w, footer_top + y + 1))
    for x in (0, 1, w - 2, w - 1):
        image.paste(Colour.ACCENT_DARK + (255,), (x, 0, x + 1, h))
    return image


def caption_button(size, glyph, close=False):
    """Four frames: normal, hover, pressed, disabled, on a blue band."""
    frames = []
    for state in range(4):
        frame = Image.new("RGBA", size)
        everything = full(size)
        if state == 1:
            paint(frame, Colour.DANGER if close else Colour.WHITE, everything, 1.0 if close else 0.2)
        elif state == 2:
            paint(frame, Colour.DANGER_DARK if close else Colour.ACCENT_DARK, everything, 1.0 if close else 0.7)
        paint(frame, Colour.WHITE, glyph(size), 0.45 if state == 3 else 1.0)
        frames.append(frame)
    return strip(frames)


def centre(size):
    return size[0] / 2, size[1] / 2


def close_glyph(size):
    cx, cy = centre(size)
    a = 4.5
    return union(stroke(size, [(cx - a, cy - a), (cx + a, cy + a)], 1.3),
                 stroke(size, [(cx - a, cy + a), (cx + a, cy - a)], 1.3))


def minimize_glyph(size):
    cx, cy = centre(size)
    return stroke(size, [(cx - 5, cy + 0.5), (cx + 5, cy + 0.5)], 1.3)


def maximize_glyph(size):
    cx, cy = centre(size)
    return rect_outline(size, cx - 5, cy - 5, cx + 5, cy + 5, 1, 1.3)


def restore_glyph(size):
    cx, cy = centre(size)
    back = rect_outline(size, cx - 3, cy - 6, cx + 6, cy + 3, 1, 1.3)
    front_area = rounded_rect(size, cx - 6.6, cy - 4.6, cx + 4.6, cy + 6.6, 1)
    front = rect_outline(size, cx - 6, cy - 4, cx + 4, cy + 6, 1, 1.3)
    return union(ImageChops.subtract(back, front_area), front)


CAPTION_SIZE = (30, 24)
DIALOG_CLOSE_SIZE = (30, 31)


def tab_icon():
    """Shortcut mark of the quick-link tab: arrow out of a box."""
    size = (18, 18)
    image = Image.new("RGBA", size)
    paint(image, Colour.ACCENT, rounded_rect(size, 1, 1, 17, 17, 4))
    paint(image, Colour.WHITE, union(stroke(size, [(5.5, 12.5), (12.5, 5.5)], 1.8),
                                     stroke(size, [(7.5, 5.5), (12.5, 5.5), (12.5, 10.5)], 1.8)))
    return image


def class_arrows():
    size = (12, 12)
    frames = []
    for expanded in (False, True):
        for highlighted in (False, True):
            frame = Image.new("RGBA", size)
            points = [(4.5, 2.5), (8, 6), (4.5, 9.5)] if not expanded else [(2.5, 4.5), (6, 8), (9.5, 4.5)]
            paint(frame, Colour.ACCENT if highlighted else Colour.GLYPH, stroke(size, points, 1.7))
            frames.append(frame)
    return strip(frames)


# ---------------------------------------------------------------------------
# Dialogs

DIALOG_W, DIALOG_H, DIALOG_TITLE_H = 24, 72, 31


def dialog_template():
    w, h = DIALOG_W, DIALOG_H
    image = solid((w, h), Colour.PANEL)
    for y in range(DIALOG_TITLE_H):
        image.paste(lerp(Colour.HEADER_TOP, Colour.ACCENT, y / (DIALOG_TITLE_H - 1)) + (255,), (0, y, w, y + 1))
    border = Colour.ACCENT_DARK + (255,)
    image.paste(border, (0, DIALOG_TITLE_H, 2, h))
    image.paste(border, (w - 2, DIALOG_TITLE_H, w, h))
    image.paste(border, (0, h - 2, w, h))
    return image


def common_button():
    size = (60, 22)
    looks = [  # fill top, fill bottom, border
        (Colour.WHITE, Colour.PANEL, Colour.LINE),
        (Colour.ACCENT_SOFT, Colour.ACCENT_SOFT, Colour.ACCENT),
        (Colour.ACCENT_PRESSED, Colour.ACCENT_PRESSED, Colour.ACCENT_DARK),
        (Colour.DISABLED_FILL, Colour.DISABLED_FILL, Colour.DISABLED),
    ]
    frames = []
    for top, bottom, border in looks:
        frame = Image.new("RGBA", size)
        paint_gradient(frame, top, bottom, rounded_rect(size, 0, 0, 60, 22, 3))
        paint(frame, border, rect_outline(size, 0, 0, 60, 22, 3, 1))
        frames.append(frame)
    return strip(frames, vertical=True)


MARK_SIZE = (16, 16)


def mark_look(state, on):
    """Fill, border and glyph colour of a check box or radio button."""
    if state == 3:
        return (Colour.DISABLED, Colour.DISABLED, Colour.WHITE) if on else \
               (Colour.DISABLED_FILL, Colour.DISABLED, None)
    if on:
        fill = (Colour.ACCENT, lerp(Colour.ACCENT, Colour.HEADER_TOP, 0.5), Colour.ACCENT_DARK)[state]
        return fill, fill, Colour.WHITE
    fill = (Colour.WHITE, Colour.ACCENT_SOFT, Colour.ACCENT_PRESSED)[state]
    border = (Colour.GLYPH, Colour.ACCENT, Colour.ACCENT_DARK)[state]
    return fill, border, None


def check_frames():
    size = MARK_SIZE
    frames = []
    for glyph in (None, "check", "mixed"):
        for state in range(4):
            fill, border, ink = mark_look(state, glyph is not None)
            frame = solid(size, Colour.PANEL)
            paint(frame, fill, rounded_rect(size, 1, 1, 15, 15, 3))
            paint(frame, border, rect_outline(size, 1, 1, 15, 15, 3, 1))
            if glyph == "check":
                paint(frame, ink, stroke(size, [(4.5, 8.2), (7, 10.7), (11.6, 5.6)], 1.8))
            elif glyph == "mixed":
                paint(frame, ink, stroke(size, [(5, 8), (11, 8)], 2))
            frames.append(frame)
    return frames


def radio_frames():
    size = MARK_SIZE
    frames = []
    for on in (False, True):
        for state in range(4):
            fill, border, ink = mark_look(state, on)
            frame = Image.new("RGBA", size)
            paint(frame, fill, disc(size, 8, 8, 7))
            paint(frame, border, ring(size, 8, 8, 7, 1))
            if on:
                paint(frame, ink, disc(size, 8, 8, 2.8))
            frames.append(frame)
    return frames


def keyed(image, back, key):
    """Flattens onto the background colour; untouched pixels become the key.
    Edges stay anti-aliased against the colour the mark is drawn on."""
    flat = solid(image.size, back)
    flat.alpha_composite(image)
    flat = flat.convert("RGB")
    px = flat.load()
    alpha = image.getchannel("A").load()
    for y in range(image.height):
        for x in range(image.width):
            if alpha[x, y] == 0:
                px[x, y] = key
            elif px[x, y] == key:
                px[x, y] = (1, 1, 1)
    return flat


# ---------------------------------------------------------------------------
# Search bar


def magnifier():
    size = (16, 16)
    image = Image.new("RGBA", size)
    paint(image, Colour.GLYPH, union(ring(size, 6.5, 6.5, 5, 1.6), stroke(size, [(10.3, 10.3), (14, 14)], 2)))
    return image


def clear_button():
    size = (24, SEARCH_H)
    frames = []
    for circle in (Colour.DISABLED, Colour.GLYPH, Colour.ACCENT):
        frame = Image.new("RGBA", size)
        paint_rows(frame, 0, size[0], 0, search_band())
        cx, cy = 12, SEARCH_H / 2
        paint(frame, circle, disc(size, cx, cy, 7))
        a = 2.8
        paint(frame, Colour.WHITE, union(stroke(size, [(cx - a, cy - a), (cx + a, cy + a)], 1.4),
                                         stroke(size, [(cx - a, cy + a), (cx + a, cy - a)], 1.4)))
        frames.append(frame)
    return strip(frames)


# ---------------------------------------------------------------------------
# Vertical scroll bar

SCROLL_W = 16


def track(height):
    image = solid((SCROLL_W, height), Colour.STRIP)
    image.paste(Colour.LINE + (255,), (0, 0, 1, height))
    return image


SCROLL_STATES = [  # (background, glyph or thumb colour) for normal, hot, pressed, disabled
    (Colour.STRIP, Colour.GLYPH),
    (Colour.DISABLED, Colour.GLYPH_DARK),
    (Colour.ACCENT_PRESSED, Colour.ACCENT),
    (Colour.STRIP, Colour.DISABLED),
]


def scroll_buttons():
    size = (SCROLL_W, 16)
    frames = []
    for up in (True, False):
        for back, ink in SCROLL_STATES:
            frame = track(16)
            if back != Colour.STRIP:
                paint(frame, back, rounded_rect(size, 2, 1, 15, 15, 2))
            tip, base = (5.5, 10) if up else (10.5, 6)
            paint(frame, ink, polygon(size, [(4, base), (12, base), (8, tip)]))
            frames.append(frame)
    return strip(frames, vertical=True)


THUMB_SIZE = (SCROLL_W, 10)


def scroll_thumb():
    frames = []
    colours = [Colour.LINE, Colour.GLYPH, Colour.ACCENT, Colour.DISABLED_FILL]
    for colour in colours:
        frame = track(THUMB_SIZE[1])
        paint(frame, colour, rounded_rect(THUMB_SIZE, 4, 0, 12, 10, 2.5))
        frames.append(frame)
    return strip(frames, vertical=True)


def thumb_gripper():
    size = (8, 6)
    frames = []
    for opacity in (0.9, 0.9, 1.0, 0.0):
        frame = Image.new("RGBA", size)
        lines = union(*[mask(size, lambda d, k, y=y: d.rectangle(box(1, y, 7, y + 1, k), fill=255))
                        for y in (0, 2, 4)])
        if opacity:
            paint(frame, Colour.WHITE, lines, opacity)
        frames.append(frame)
    return strip(frames, vertical=True)


# ---------------------------------------------------------------------------
# Loading spinner

SPINNER_SIZE = (20, 20)
SPINNER_FRAMES = 12
SPINNER_DELAY_MS = 80
SPINNER_LEVELS = 64


def spinner_frames():
    """Twelve dots on a circle; the bright one walks round, the others fade.
    Frames are palette images whose index is the blend from white to blue."""
    palette = []
    for i in range(SPINNER_LEVELS):
        palette += lerp(Colour.WHITE, Colour.ACCENT, i / (SPINNER_LEVELS - 1))
    palette += [0] * (768 - len(palette))
    cx, cy = centre(SPINNER_SIZE)
    dots = []
    for i in range(SPINNER_FRAMES):
        angle = 2 * math.pi * i / SPINNER_FRAMES - math.pi / 2
        dots.append(disc(SPINNER_SIZE, cx + 7 * math.cos(angle), cy + 7 * math.sin(angle), 1.9))
    frames = []
    for step in range(SPINNER_FRAMES):
        level = Image.new("L", SPINNER_SIZE, 0)
        for i, dot in enumerate(dots):
            age = (step - i) % SPINNER_FRAMES
            strength = max(1.0 - age / 8, 0.15)
            level = ImageChops.lighter(level, dot.point(lambda v, s=strength: round(v * s)))
        indexes = level.point(lambda v: round(v * (SPINNER_LEVELS - 1) / 255))
        frame = Image.frombytes("P", SPINNER_SIZE, indexes.tobytes())
        frame.putpalette(palette)
        frames.append(frame)
    return frames


# ---------------------------------------------------------------------------
# Writers


def normalised(image):
    """Fully transparent pixels carry no colour, so the bytes depend on the
    picture only."""
    if image.mode != "RGBA":
        return image
    clear = image.getchannel("A").point(lambda a: 255 if a == 0 else 0)
    out = image.copy()
    out.paste((0, 0, 0, 0), mask=clear)
    return out


def png_bytes(image):
    buffer = io.BytesIO()
    normalised(image).save(buffer, "PNG", optimize=False, compress_level=9)
    return buffer.getvalue()


def bmp_bytes(image):
    buffer = io.BytesIO()
    image.convert("RGB").save(buffer, "BMP")
    return buffer.getvalue()


def gif_bytes(frames):
    buffer = io.BytesIO()
    frames[0].save(buffer, "GIF", save_all=True, append_images=frames[1:], duration=SPINNER_DELAY_MS, loop=0,
                   disposal=1, optimize=False)
    return buffer.getvalue()


def and_mask_rows(alpha, w, h):
    """The icon's AND mask, bottom-up: a set bit is a transparent pixel."""
    stride = ((w + 31) // 32) * 4
    rows = []
    for y in reversed(range(h)):
        bits = bytearray(stride)
        for x in range(w):
            if alpha[x, y] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def dib_bytes(image):
    """An icon entry as a 32-bit bottom-up DIB with its AND mask."""
    w, h = image.size
    image = normalised(image)
    px = image.load()
    pixels = b"".join(bytes((b, g, r, a)) for y in reversed(range(h)) for r, g, b, a in
                      (px[x, y] for x in range(w)))
    pixels += and_mask_rows(image.getchannel("A").load(), w, h)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    return header + pixels


def dib8_bytes(image, back):
    """An icon entry with a 256-colour palette: half-transparent edges are
    flattened onto back; transparent pixels are set in the AND mask and black
    in the colour part, which Windows XORs onto the screen."""
    w, h = image.size
    alpha = image.getchannel("A").point(lambda a: 0 if a < 128 else 255)
    flat = solid(image.size, back)
    flat.alpha_composite(image)
    indexed = flat.convert("RGB").quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = indexed.getpalette()[:255 * 3]
    palette += [0] * (768 - len(palette))  # the last entries, 255 included, are black
    transparent = 255
    colours = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i], 0)) for i in range(0, 768, 3))
    stride = (w + 3) // 4 * 4
    px = indexed.load()
    opaque = alpha.load()
    pixels = b"".join(bytes(px[x, y] if opaque[x, y] else transparent for x in range(w)).ljust(stride, b"\0")
                      for y in reversed(range(h)))
    pixels += and_mask_rows(opaque, w, h)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, len(pixels), 0, 0, 256, 0)
    return header + colours + pixels


def ico_bytes(images, bits=32, back=None):
    """ICO file.  With 32 bits, entries below 256 px are DIBs (every Windows
    reads them) and the 256-px one is PNG; with 8 bits all are 256-colour
    DIBs flattened onto back."""
    if bits == 8:
        blobs = [dib8_bytes(im, back) for im in images]
    else:
        blobs = [png_bytes(im) if im.width >= 256 else dib_bytes(im) for im in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", image.width % 256, image.height % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def skin_files():
    """(relative path, bytes) of every skin file."""
    caption = [
        ("sys_button_close.png", close_glyph, True),
        ("sys_button_min2.png", minimize_glyph, False),
        ("sys_button_max.png", maximize_glyph, False),
        ("sys_button_restore.png", restore_glyph, False),
    ]
    files = [
        ("ShellLink.png", png_bytes(tab_icon())),
        ("MainFrame.png", png_bytes(main_frame())),
        ("Quorventile.png", png_bytes(logo(80))),
    ]
    files += [(name, png_bytes(caption_button(CAPTION_SIZE, glyph, close))) for name, glyph, close in caption]
    files += [
        ("sysmenu_close2.png", png_bytes(caption_button(DIALOG_CLOSE_SIZE, close_glyph, close=True))),
        ("ClassArrows.png", png_bytes(class_arrows())),
        ("CommonButton.png", png_bytes(common_button())),
        ("dialog_template.png", png_bytes(dialog_template())),
        ("checkbox.bmp", bmp_bytes(strip(check_frames()))),
        ("radiobutton.bmp", bmp_bytes(keyed(strip(radio_frames()), Colour.PANEL, Colour.KEY))),
        ("search_normal.png", png_bytes(magnifier())),
        ("search_del.png", png_bytes(clear_button())),
        ("scrollv/background.png", png_bytes(track(24))),
        ("scrollv/buttons.png", png_bytes(scroll_buttons())),
        ("scrollv/thumb.png", png_bytes(scroll_thumb())),
        ("scrollv/thumbgripper.png", png_bytes(thumb_gripper())),
        ("loading.gif", gif_bytes(spinner_frames())),
    ]
    return files


MENU_BACK = (240, 240, 240)  # Explorer's menu, under the menu icon's soft edges


def icon_files():
    app_sizes = (16, 20, 24, 32, 40, 48, 64, 128, 256)
    link_sizes = (16, 20, 24, 32, 48)
    return [
        ("Quorventile.ico", ico_bytes([logo(n) for n in app_sizes])),
        ("DefaultLink.ico", ico_bytes([default_link_icon(n) for n in link_sizes])),
        ("MissingLink.ico", ico_bytes([missing_link_icon(n) for n in link_sizes])),
        ("ShellExtMenu.ico", ico_bytes([logo(n) for n in (16, 32)], 8, MENU_BACK)),
    ]


def write_all(folder, files):
    for name, data in files:
        path = os.path.join(folder, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description="Draws the skin images and icons.")
    parser.add_argument("--skin", required=True, help="folder that receives the skin files")
    parser.add_argument("--icons", required=True, help="folder that receives the .ico files")
    args = parser.parse_args(argv)
    write_all(args.skin, skin_files())
    write_all(args.icons, icon_files())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
