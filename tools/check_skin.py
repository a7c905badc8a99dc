#!/usr/bin/python3
"""Checks a generated skin against what the windows cut out of it.

Usage: check_skin.py --skin DIR --icons DIR --generator tools/make_skin.py

The geometry below is the drawing code's side of the contract (frame counts,
sampled rows and columns, bands), written down independently of the
generator, so that a picture that no longer fits its window fails here.
"""

import argparse
import filecmp
import io
import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

ARGS = None

# name: (format, frame count, frames laid out "x" side by side or "y" stacked)
STRIPS = {
    "sys_button_close.png": ("PNG", 4, "x"),
    "sys_button_min2.png": ("PNG", 4, "x"),
    "sys_button_max.png": ("PNG", 4, "x"),
    "sys_button_restore.png": ("PNG", 4, "x"),
    "sysmenu_close2.png": ("PNG", 4, "x"),
    "ClassArrows.png": ("PNG", 4, "x"),
    "CommonButton.png": ("PNG", 4, "y"),
    "checkbox.bmp": ("BMP", 12, "x"),
    "radiobutton.bmp": ("BMP", 8, "x"),
    "search_del.png": ("PNG", 3, "x"),
    "scrollv/buttons.png": ("PNG", 8, "y"),
    "scrollv/thumb.png": ("PNG", 4, "y"),
    "scrollv/thumbgripper.png": ("PNG", 4, "y"),
}
SINGLE = {
    "ShellLink.png": "PNG",
    "MainFrame.png": "PNG",
    "Quorventile.png": "PNG",
    "dialog_template.png": "PNG",
    "search_normal.png": "PNG",
    "scrollv/background.png": "PNG",
    "loading.gif": "GIF",
}
# Drawn with StretchBlt, which ignores alpha: must be opaque.
OPAQUE = ["MainFrame.png", "dialog_template.png", "search_del.png", "checkbox.bmp"]

HEADER_H = 80
SEARCH_TOP, SEARCH_H, SEARCH_COLUMN = 65, 24, 260
TAB_TOP, TAB_H = 89, 26
TAB_COLUMNS = {"selected": 2, "hot": 82, "normal": 154}
FOOTER_H = 31
DIALOG_TITLE_H = 31


def skin_path(name):
    return os.path.join(ARGS.skin, *name.split("/"))


def open_image(path):
    # Read into memory: the checks keep images around, never file handles.
    with open(path, "rb") as f:
        return Image.open(io.BytesIO(f.read()))


def open_skin(name):
    return open_image(skin_path(name))


def frames_of(name):
    fmt, count, axis = STRIPS[name]
    image = open_skin(name).convert("RGBA")
    w, h = image.size
    if axis == "x":
        fw = w // count
        return [image.crop((i * fw, 0, (i + 1) * fw, h)) for i in range(count)]
    fh = h // count
    return [image.crop((0, i * fh, w, (i + 1) * fh)) for i in range(count)]


def column(image, x, top, bottom):
    return [image.getpixel((x, y))[:3] for y in range(top, bottom)]


def luminance(rgb):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4

    r, g, b = (channel(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast_with_white(rgb):
    return 1.05 / (luminance(rgb) + 0.05)


class FilesAndFormats(unittest.TestCase):
    def test_every_file_exists_in_its_format(self):
        for name, (fmt, _, _) in STRIPS.items():
            with self.subTest(name=name):
                self.assertEqual(open_skin(name).format, fmt)
        for name, fmt in SINGLE.items():
            with self.subTest(name=name):
                self.assertEqual(open_skin(name).format, fmt)

    def test_pngs_carry_per_pixel_alpha(self):
        for name in [n for n in STRIPS if n.endswith(".png")] + [n for n in SINGLE if n.endswith(".png")]:
            with self.subTest(name=name):
                self.assertEqual(open_skin(name).mode, "RGBA")

    def test_stretched_pictures_are_opaque(self):
        for name in OPAQUE:
            with self.subTest(name=name):
                image = open_skin(name).convert("RGBA")
                self.assertEqual(image.getchannel("A").getextrema(), (255, 255))

    def test_bitmaps_have_no_alpha_channel(self):
        for name in ("checkbox.bmp", "radiobutton.bmp"):
            with self.subTest(name=name):
                self.assertEqual(open_skin(name).mode, "RGB")


class StripGeometry(unittest.TestCase):
    def test_strips_divide_into_equal_frames(self):
        for name, (_, count, axis) in STRIPS.items():
            with self.subTest(name=name):
                w, h = open_skin(name).size
                self.assertEqual((w if axis == "x" else h) % count, 0)

    def test_every_state_frame_differs_from_the_normal_one(self):
        for name in STRIPS:
            if name == "scrollv/thumbgripper.png":
                continue  # the disabled gripper may be empty; the others are checked below
            frames = frames_of(name)
            for i, frame in enumerate(frames[1:], 1):
                with self.subTest(name=name, frame=i):
                    self.assertNotEqual(frame.tobytes(), frames[0].tobytes())

    def test_caption_buttons_share_one_size(self):
        sizes = {frames_of(n)[0].size for n in STRIPS if n.startswith("sys_button_")}
        self.assertEqual(len(sizes), 1)

    def test_dialog_close_fits_the_title_band(self):
        self.assertLessEqual(frames_of("sysmenu_close2.png")[0].height, DIALOG_TITLE_H)

    def test_class_arrows_fill_their_12_pixel_square(self):
        self.assertEqual(frames_of("ClassArrows.png")[0].size, (12, 12))

    def test_common_button_has_caps_and_a_middle_column(self):
        frame = frames_of("CommonButton.png")[0]
        self.assertGreaterEqual(frame.width, 15)
        # The middle column is stretched: it must match its neighbours.
        self.assertEqual(column(frame, 7, 0, frame.height), column(frame, 8, 0, frame.height))

    def test_clear_button_is_as_high_as_the_search_bar(self):
        self.assertEqual(frames_of("search_del.png")[0].height, SEARCH_H)

    def test_thumb_has_two_row_caps_and_a_body_row(self):
        frame = frames_of("scrollv/thumb.png")[0]
        self.assertGreaterEqual(frame.height, 5)
        self.assertEqual(frame.width, open_skin("scrollv/buttons.png").width)

    def test_track_row_12_exists_and_every_row_is_alike(self):
        track = open_skin("scrollv/background.png").convert("RGBA")
        self.assertGreater(track.height, 12)
        row = track.crop((0, 12, track.width, 13)).tobytes()
        for y in range(track.height):
            self.assertEqual(track.crop((0, y, track.width, y + 1)).tobytes(), row)

    def test_gripper_fits_inside_the_thumb(self):
        gripper = frames_of("scrollv/thumbgripper.png")[0]
        self.assertLessEqual(gripper.width, frames_of("scrollv/thumb.png")[0].width)
        for frame in frames_of("scrollv/thumbgripper.png")[:3]:
            self.assertGreater(frame.getchannel("A").getextrema()[1], 0)


class ColourKey(unittest.TestCase):
    def test_radio_background_is_the_black_key(self):
        frames = frames_of("radiobutton.bmp")
        for i, frame in enumerate(frames):
            w, h = frame.size
            for corner in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
                with self.subTest(frame=i, corner=corner):
                    self.assertEqual(frame.getpixel(corner)[:3], (0, 0, 0))

    def test_radio_mark_holds_no_key_pixels(self):
        # Pixels inside the circle must stay opaque: black there would be a hole.
        frame = frames_of("radiobutton.bmp")[4].convert("RGB")
        cx, cy = frame.width // 2, frame.height // 2
        for dx in range(-3, 4):
            for dy in range(-3, 4):
                self.assertNotEqual(frame.getpixel((cx + dx, cy + dy)), (0, 0, 0))

    def test_checkbox_uses_no_key(self):
        image = open_skin("checkbox.bmp")
        self.assertNotIn((0, 0, 0), [c for _, c in image.getcolors(1 << 16)])


class MainFrameSamples(unittest.TestCase):
    def setUp(self):
        self.image = open_skin("MainFrame.png").convert("RGBA")
        self.w, self.h = self.image.size

    def test_sampled_rows_and_columns_exist(self):
        self.assertGreater(self.w, max(SEARCH_COLUMN, 241, max(TAB_COLUMNS.values())))
        self.assertGreater(self.h, 81)
        # The tab strip's rows must lie above the footer band.
        self.assertLessEqual(TAB_TOP + TAB_H, self.h - FOOTER_H)

    def test_header_stretch_column_continues_the_left_part(self):
        self.assertEqual(column(self.image, 239, 0, HEADER_H), column(self.image, 241, 0, HEADER_H))

    def test_footer_middle_continues_both_caps(self):
        top = self.h - FOOTER_H
        middle = column(self.image, 5, top, self.h)
        self.assertEqual(column(self.image, 3, top, self.h), middle)
        self.assertEqual(column(self.image, self.w - 4, top, self.h), middle)

    def test_tab_states_look_different(self):
        columns = {k: column(self.image, x, TAB_TOP, TAB_TOP + TAB_H) for k, x in TAB_COLUMNS.items()}
        self.assertNotEqual(columns["selected"], columns["normal"])
        self.assertNotEqual(columns["hot"], columns["normal"])
        self.assertNotEqual(columns["hot"], columns["selected"])

    def test_white_text_is_readable_on_header_and_footer(self):
        # The settings and help links sit at row 28; the message bar's white
        # text sits in the footer.
        for y in list(range(24, 50)) + list(range(self.h - 26, self.h - 4)):
            with self.subTest(row=y):
                self.assertGreaterEqual(contrast_with_white(self.image.getpixel((241, y))[:3]), 3.0)

    def test_clear_button_background_matches_the_search_bar(self):
        band = column(self.image, SEARCH_COLUMN, SEARCH_TOP, SEARCH_TOP + SEARCH_H)
        for i, frame in enumerate(frames_of("search_del.png")):
            with self.subTest(frame=i):
                self.assertEqual(column(frame, 0, 0, SEARCH_H), band)
                self.assertEqual(column(frame, frame.width - 1, 0, SEARCH_H), band)


class DialogTemplate(unittest.TestCase):
    def test_nine_slice_sources_exist(self):
        w, h = open_skin("dialog_template.png").size
        self.assertGreaterEqual(w, 10)
        self.assertGreater(h, DIALOG_TITLE_H + 6)

    def test_white_title_is_readable(self):
        image = open_skin("dialog_template.png").convert("RGB")
        for y in range(DIALOG_TITLE_H):
            self.assertGreaterEqual(contrast_with_white(image.getpixel((5, y))), 3.0)

    def test_marks_sit_on_the_dialog_body_colour(self):
        body = open_skin("dialog_template.png").convert("RGB").getpixel((5, DIALOG_TITLE_H + 2))
        self.assertEqual(open_skin("checkbox.bmp").getpixel((0, 0)), body)


class Spinner(unittest.TestCase):
    def test_loading_gif_is_animated_with_delays(self):
        gif = open_skin("loading.gif")
        self.assertGreater(gif.n_frames, 2)
        self.assertEqual(gif.info.get("loop"), 0)
        seen = set()
        for i in range(gif.n_frames):
            gif.seek(i)
            with self.subTest(frame=i):
                self.assertGreater(gif.info.get("duration", 0), 0)
            seen.add(gif.convert("RGB").tobytes())
        self.assertEqual(len(seen), gif.n_frames)


ICONS = ("Quorventile.ico", "DefaultLink.ico", "MissingLink.ico", "ShellExtMenu.ico")


def icon_directory(name):
    """(width, height, bits per pixel, entry bytes) of each entry of an ICO."""
    with open(os.path.join(ARGS.icons, name), "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data)
    assert (reserved, kind) == (0, 1), name + " is not an icon file"
    entries = []
    for i in range(count):
        w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append((w or 256, h or 256, bits, data[offset:offset + size]))
    return entries


def icon_entries(name):
    return [(w, h, bits) for w, h, bits, _ in icon_directory(name)]


def masked_colours(w, h, entry):
    """Colours of an 8-bit DIB entry's pixels that its AND mask hides."""
    palette = entry[40:40 + 1024]
    stride = (w + 3) // 4 * 4
    pixels = entry[40 + 1024:40 + 1024 + stride * h]
    mask_stride = (w + 31) // 32 * 4
    mask = entry[40 + 1024 + stride * h:]
    hidden = set()
    for y in range(h):
        for x in range(w):
            if mask[y * mask_stride + x // 8] & (0x80 >> (x % 8)):
                index = pixels[y * stride + x]
                hidden.add(tuple(palette[index * 4:index * 4 + 3]))
    return hidden


class Icons(unittest.TestCase):
    def sizes(self, name):
        return open_image(os.path.join(ARGS.icons, name)).info["sizes"]

    def test_program_icon_has_shell_and_tray_sizes(self):
        self.assertLessEqual({(16, 16), (32, 32), (48, 48), (256, 256)}, self.sizes("Quorventile.ico"))

    def test_link_icons_have_the_row_size(self):
        for name in ("DefaultLink.ico", "MissingLink.ico"):
            with self.subTest(name=name):
                self.assertLessEqual({(16, 16), (20, 20), (32, 32)}, self.sizes(name))

    def test_menu_icon_is_16_and_32_at_8_bits(self):
        self.assertEqual(sorted(icon_entries("ShellExtMenu.ico")), [(16, 16, 8), (32, 32, 8)])

    def test_menu_icon_pixels_under_the_mask_are_black(self):
        # Windows XORs them onto the screen: any colour there shows as a halo.
        for w, h, _, entry in icon_directory("ShellExtMenu.ico"):
            with self.subTest(size=w):
                self.assertEqual(masked_colours(w, h, entry), {(0, 0, 0)})

    def test_program_and_link_icons_are_32_bit(self):
        for name in ICONS[:3]:
            with self.subTest(name=name):
                self.assertEqual({bits for _, _, bits in icon_entries(name)}, {32})

    def test_every_icon_entry_decodes_with_transparent_corners(self):
        for name in ICONS:
            icon = open_image(os.path.join(ARGS.icons, name))
            for size in sorted(icon.info["sizes"]):
                with self.subTest(name=name, size=size):
                    icon.size = size
                    image = icon.convert("RGBA")
                    self.assertEqual(image.size, size)
                    self.assertEqual(image.getpixel((0, 0))[3], 0)


class Reproducible(unittest.TestCase):
    def test_two_runs_give_the_built_bytes(self):
        with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
            for out in (first, second):
                subprocess.run([sys.executable, ARGS.generator, "--skin", os.path.join(out, "Skin"),
                                "--icons", os.path.join(out, "icons")], check=True)
            self.assert_same_tree(os.path.join(first, "Skin"), os.path.join(second, "Skin"))
            self.assert_same_tree(os.path.join(first, "Skin"), ARGS.skin)
            for name in os.listdir(os.path.join(first, "icons")):
                with self.subTest(name=name):
                    self.assertTrue(filecmp.cmp(os.path.join(first, "icons", name),
                                                os.path.join(second, "icons", name), shallow=False))
                    self.assertTrue(filecmp.cmp(os.path.join(first, "icons", name),
                                                os.path.join(ARGS.icons, name), shallow=False))

    def assert_same_tree(self, fresh, other):
        for root, _, files in os.walk(fresh):
            for name in files:
                path = os.path.join(root, name)
                relative = os.path.relpath(path, fresh)
                with self.subTest(file=relative):
                    self.assertTrue(filecmp.cmp(path, os.path.join(other, relative), shallow=False),
                                    "differs from a fresh run (stale build or unstable output)")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--skin", required=True)
    parser.add_argument("--icons", required=True)
    parser.add_argument("--generator", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=1)


if __name__ == "__main__":
    main()
