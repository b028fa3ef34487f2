#!/usr/bin/env python3
"""Checks of the skin generator: run with `python3 -m unittest` in this folder.

They read the generated INI text the way the program does (last section and
key occurrence wins, names without regard to case) and check that every
rectangle lands inside the picture it addresses, that the frame's tiled
segments join without a seam, and the values the program relies on for the
default skin.
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmpfile  # noqa: E402
import skinfiles  # noqa: E402
from raster import Image  # noqa: E402
from skins import all_skins, read_skin_list  # noqa: E402

SKINS = all_skins()
BUILT = {t.folder: skinfiles.build(t) for t in SKINS}


def parse_ini(text):
    sections = {}
    current = None
    for raw in text.replace("\r\n", "\n").split("\n"):
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip().upper(), {})
            continue
        if current is not None:
            key, _, value = line.partition("=")
            current[key.strip().upper()] = value.strip()
    return sections


def ints(value):
    return tuple(int(v) for v in value.split(","))


def empty(r):
    return r[2] - r[0] <= 0 or r[3] - r[1] <= 0


class BmpFileTest(unittest.TestCase):
    def test_round_trip_every_depth_with_row_padding(self):
        # Widths 1, 3 and 7 leave different amounts of row padding at each depth.
        for bits in (1, 4, 8, 24, 32):
            for width in (1, 3, 7):
                with self.subTest(bits=bits, width=width):
                    img = Image(width, 3)
                    colours = [(0, 0, 0), (255, 255, 255)] if bits == 1 else \
                        [((10 * i) % 256, (255 - 20 * i) % 256, (7 * i) % 256) for i in range(min(width * 3, 1 << min(bits, 8)))]
                    for i in range(width * 3):
                        img.pixels[i] = colours[i % len(colours)]
                    data = bmpfile.encode(img, bits)
                    w, h, b, pixels = bmpfile.decode(data)
                    self.assertEqual((w, h, b), (width, 3, bits))
                    self.assertEqual(pixels, img.pixels)

    def test_header_size_field_is_the_file_length(self):
        data = bmpfile.encode(Image(5, 2, fill=(1, 2, 3)), 24)
        self.assertEqual(int.from_bytes(data[2:6], "little"), len(data))
        self.assertEqual(data[:2], b"BM")
        self.assertEqual(int.from_bytes(data[30:34], "little"), 0)  # uncompressed

    def test_too_many_colours_for_the_palette_is_an_error(self):
        img = Image(17, 1)
        img.pixels = [(i, i, i) for i in range(17)]
        with self.assertRaises(ValueError):
            bmpfile.encode(img, 4)

    def test_mask_palette_has_black_first(self):
        img = Image(2, 1, fill=(255, 255, 255))
        img.is_mask = True
        data = bmpfile.encode(img, 1)
        self.assertEqual(data[54:62], bytes((0, 0, 0, 0, 255, 255, 255, 0)))


class SkinSetTest(unittest.TestCase):
    def test_twelve_distinct_folders_in_list_order(self):
        rows = read_skin_list()
        self.assertEqual([index for index, _, _, _ in rows], list(range(12)))
        self.assertEqual([t.folder for t in SKINS], [folder for _, folder, _, _ in rows])
        self.assertEqual(len(set(t.folder for t in SKINS)), 12)
        # The default skin of the window, index 2.
        self.assertEqual(rows[2][1:], ("Office2013_Green", "bsSkin2", "오피스2013 그린"))

    def test_depths_across_the_skins(self):
        depths = set()
        for files, _, _ in BUILT.values():
            for data in files.values():
                depths.add(int.from_bytes(data[28:30], "little"))
        self.assertTrue({8, 24, 32} <= depths, depths)
        self.assertTrue(depths & {1, 4}, depths)

    def test_output_is_reproducible(self):
        for t in SKINS[:3]:
            files, ini, _ = skinfiles.build(t)
            self.assertEqual(files, BUILT[t.folder][0])
            self.assertEqual(ini, BUILT[t.folder][1])


class EachSkinTest(unittest.TestCase):
    def each(self):
        for t in SKINS:
            files, text, images = BUILT[t.folder]
            with self.subTest(skin=t.folder):
                yield t, files, text, parse_ini(text), images

    def test_ini_text_form(self):
        for t, files, text, ini, _ in self.each():
            self.assertTrue(text.startswith("[VERSION]\r\n"))
            self.assertNotIn("\n", text.replace("\r\n", ""))
            text.encode("ascii")
            for section in ("VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS",
                            "HINTWINDOW", "SKINCOLORS"):
                self.assertIn(section, ini)

    def test_pictures_named_exist_and_inactive_xor_mask(self):
        for t, files, text, ini, _ in self.each():
            p = ini["PICTURES"]
            self.assertIn(p["PICTURE"], files)
            self.assertNotEqual(bool(p["INACTIVEPICTURE"]), bool(p["MASK"]))
            for name in (p["INACTIVEPICTURE"], p["MASK"]):
                if name:
                    self.assertIn(name, files)
            n = int(p["ACTIVEPICTURESCOUNT"])
            self.assertEqual(len(files), n + 2)
            for i in range(n):
                self.assertIn(p[str(i)], files)

    def test_sections_listed_exist_with_known_classes(self):
        objects = {"caption", "stdbutton", "menuitem"}
        controls = {"panel", "label", "stdlabel", "gauge", "button", "checkradio", "edit",
                    "memo", "listbox", "scrollbar", "bevel"}
        for t, files, text, ini, _ in self.each():
            for section, known in (("SKINOBJECTS", objects), ("SKINCONTROLS", controls)):
                count = int(ini[section]["COUNT"])
                for i in range(count):
                    name, _, cls = ini[section][str(i)].partition(":")
                    self.assertIn(cls, known)
                    self.assertIn(name.upper(), ini)
            names = [ini["SKINCONTROLS"][str(i)] for i in range(int(ini["SKINCONTROLS"]["COUNT"]))]
            for wanted in ("panel:panel", "statuspanel:label", "statusgauge:gauge",
                           "stdlabel:stdlabel"):
                self.assertIn(wanted, names)

    def picture_sizes(self, ini, files):
        p = ini["PICTURES"]
        sizes = {}
        for i in range(int(p["ACTIVEPICTURESCOUNT"])):
            data = files[p[str(i)]]
            sizes[i] = (int.from_bytes(data[18:22], "little"), int.from_bytes(data[22:26], "little"))
        data = files[p["PICTURE"]]
        frame = (int.from_bytes(data[18:22], "little"), int.from_bytes(data[22:26], "little"))
        return sizes, frame

    def test_every_picture_rect_lies_inside_its_picture(self):
        relative = {"CLIENTRECT", "TEXTRECT", "PROGRESSAREA", "CHECKIMAGEAREA", "TEXTAREA",
                    "ITEMTEXTRECT", "TRACKAREA", "CAPTIONRECT"}
        for t, files, text, ini, _ in self.each():
            sizes, frame = self.picture_sizes(ini, files)
            checked = 0
            for section in ("SKINOBJECTS", "SKINCONTROLS"):
                for i in range(int(ini[section]["COUNT"])):
                    name = ini[section][str(i)].split(":")[0].upper()
                    keys = ini[name]
                    if section == "SKINOBJECTS":
                        inpic = keys.get("SKINRECTINAPICTURE") == "1"
                        size = sizes[int(keys["ACTIVEPICTUREINDEX"])] if inpic else frame
                    else:
                        index = int(keys.get("PICTUREINDEX", "-1"))
                        if index == -1:
                            continue
                        size = sizes[index]
                    for key, value in keys.items():
                        if not key.endswith("RECT") or key in relative or value.count(",") != 3:
                            continue
                        r = ints(value)
                        if empty(r):
                            continue
                        self.assertTrue(0 <= r[0] < r[2] <= size[0] and 0 <= r[1] < r[3] <= size[1],
                                        f"[{name}] {key}={value} outside {size}")
                        checked += 1
            self.assertGreater(checked, 40)

    def test_caption_buttons_cells_share_one_size_per_button(self):
        for t, files, text, ini, _ in self.each():
            for name in ("CLOSEBUTTON", "MAXBUTTON", "MINBUTTON", "ROLLUPBUTTON", "SYSMENUBUTTON"):
                keys = ini[name]
                rects = [ints(keys[k]) for k in ("SKINRECT", "ACTIVESKINRECT", "DOWNRECT",
                                                 "INACTIVESKINRECT", "RESTORERECT",
                                                 "RESTOREACTIVERECT", "RESTOREDOWNRECT",
                                                 "RESTOREINACTIVERECT")]
                spans = {(r[2] - r[0], r[3] - r[1]) for r in rects if not empty(r)}
                self.assertEqual(len(spans), 1, f"{name}: {spans}")
                w, h = spans.pop()
                cap = ints(ini["FORMINFO"]["CAPTIONRECT"])
                self.assertLessEqual(h, cap[3] - cap[1] + 2)

    def test_frame_geometry_holds_together(self):
        for t, files, text, ini, _ in self.each():
            f = ini["FORMINFO"]
            _, (pw, ph) = self.picture_sizes(ini, files)
            cl = ints(f["CLIENTRECT"])
            lt, rt = ints(f["LEFTTOPPOINT"]), ints(f["RIGHTTOPPOINT"])
            lb, rb = ints(f["LEFTBOTTOMPOINT"]), ints(f["RIGHTBOTTOMPOINT"])
            # Inside the client rect, so the skin data's clamping changes nothing.
            for p in (lt, rt, lb, rb):
                self.assertTrue(cl[0] <= p[0] <= cl[2] and cl[1] <= p[1] <= cl[3], p)
            self.assertLess(lt[0], rt[0])
            self.assertLess(lt[1], lb[1])
            # The caption spans the top-left and top-right corner zones, so it
            # stretches with the window.
            cap = ints(f["CAPTIONRECT"])
            self.assertTrue(cap[0] < lt[0] and cap[1] < lt[1], cap)
            self.assertTrue(rt[0] <= cap[2] < pw and cap[3] < rt[1], cap)

    def test_tiled_segments_join_without_a_seam(self):
        # The frame repeats columns LT.X..RT.X of the top band (and the bottom
        # band, and rows of the side bands); the last repeated line must sit
        # next to the first one without a visible step.
        for t, files, text, ini, images in self.each():
            frame = images[ini["PICTURES"]["PICTURE"]]
            (ltx, lty), (rtx, rty) = t.corner_lt, t.corner_rt
            (lbx, lby), (rbx, rby) = t.corner_lb, t.corner_rb
            l, tp, r, b = t.client

            def step(a, c):
                return max(abs(x - y) for x, y in zip(a, c))
            for y in range(tp):
                self.assertLessEqual(step(frame.get(rtx - 1, y), frame.get(ltx, y)), 24, (y,))
            for y in range(b, t.ph):
                self.assertLessEqual(step(frame.get(rbx - 1, y), frame.get(lbx, y)), 24, (y,))
            for x in list(range(l)) + list(range(r, t.pw)):
                top, bottom = (lty, lby) if x < l else (rty, rby)
                self.assertLessEqual(step(frame.get(x, bottom - 1), frame.get(x, top)), 24, (x,))

    def test_button_backgrounds_match_the_caption_they_sit_on(self):
        for t, files, text, ini, images in self.each():
            frame = images[ini["PICTURES"]["PICTURE"]]
            inactive = images.get(ini["PICTURES"]["INACTIVEPICTURE"]) or frame
            sheet = images["buttons.bmp"]
            top = ints(ini["FORMINFO"]["CAPTIONRECT"])[1]
            for key, pic in (("SKINRECT", frame), ("INACTIVESKINRECT", inactive)):
                r = ints(ini["CLOSEBUTTON"][key])
                self.assertEqual(sheet.get(r[0], r[1]), pic.get(t.pw // 2, top), key)
                self.assertEqual(sheet.get(r[0], r[3] - 1), pic.get(t.pw // 2, top + r[3] - r[1] - 1), key)

    def test_hot_and_pressed_buttons_differ_from_normal(self):
        for t, files, text, ini, images in self.each():
            sheet = images["buttons.bmp"]
            for name in ("CLOSEBUTTON", "MINBUTTON", "MAXBUTTON"):
                cells = {}
                for key in ("SKINRECT", "ACTIVESKINRECT", "DOWNRECT", "INACTIVESKINRECT"):
                    x0, y0, x1, y1 = ints(ini[name][key])
                    cells[key] = tuple(sheet.get(x, y) for y in range(y0, y1) for x in range(x0, x1))
                self.assertEqual(len(set(cells.values())), 4, name)

    def test_mask_keeps_the_client_area_and_cuts_the_corners(self):
        for t, files, text, ini, images in self.each():
            name = ini["PICTURES"]["MASK"]
            if not name:
                continue
            mask = images[name]
            cl = ints(ini["FORMINFO"]["CLIENTRECT"])
            self.assertEqual(ini["FORMINFO"]["MASKRECTAREA"], ini["FORMINFO"]["CLIENTRECT"])
            for y in range(cl[1], cl[3], 7):
                for x in range(cl[0], cl[2], 7):
                    self.assertEqual(mask.get(x, y), (0, 0, 0))
            self.assertEqual(mask.get(0, 0), (255, 255, 255))
            self.assertEqual(mask.get(t.pw - 1, 0), (255, 255, 255))
            self.assertEqual(mask.get(t.pw // 2, 0), (0, 0, 0))
            if t.radius_bottom:
                self.assertEqual(mask.get(0, t.ph - 1), (255, 255, 255))
                # the rounding must fit the bottom band the frame repeats
                self.assertLessEqual(t.radius_bottom, t.ph - cl[3])


def contrast(a, b):
    """Luminance contrast ratio of two colours (1 to 21)."""
    def lum(c):
        def ch(v):
            v /= 255
            return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
        return 0.2126 * ch(c[0]) + 0.7152 * ch(c[1]) + 0.0722 * ch(c[2])
    hi, lo = sorted((lum(a), lum(b)), reverse=True)
    return (hi + 0.05) / (lo + 0.05)


class ReadabilityTest(unittest.TestCase):
    """Text the update window shows stays readable on what it is drawn over."""

    def test_status_and_gauge_text(self):
        for t in SKINS:
            files, text, images = BUILT[t.folder]
            ini = parse_ini(text)
            controls = images["controls.bmp"]
            with self.subTest(skin=t.folder):
                for section, rect_key in (("STATUSPANEL", "SKINRECT"), ("STATUSGAUGE", "SKINRECT"),
                                          ("STATUSGAUGE", "PROGRESSRECT")):
                    fc = int(ini[section]["FONTCOLOR"])
                    colour = (fc & 255, (fc >> 8) & 255, (fc >> 16) & 255)
                    x0, y0, x1, y1 = ints(ini[section][rect_key])
                    # the middle rows, where a vertically centred line of text sits
                    for y in range(y0 + (y1 - y0) // 2 - 3, y0 + (y1 - y0) // 2 + 3):
                        under = controls.get((x0 + x1) // 2, y)
                        self.assertGreaterEqual(contrast(colour, under), 3.5,
                                                f"{section} {rect_key} row {y}")

    def test_gauge_track_reads_empty_and_fill_differs(self):
        # At 0 % the gauge shows its track alone: it must not look like a bar, and the filled part
        # must stand out from it clearly.
        for t in SKINS:
            files, text, images = BUILT[t.folder]
            ini = parse_ini(text)
            controls = images["controls.bmp"]
            with self.subTest(skin=t.folder):
                tx0, ty0, tx1, ty1 = ints(ini["STATUSGAUGE"]["SKINRECT"])
                px0, py0, px1, py1 = ints(ini["STATUSGAUGE"]["PROGRESSRECT"])
                track = controls.get((tx0 + tx1) // 2, (ty0 + ty1) // 2)
                fill = controls.get((px0 + px1) // 2, (py0 + py1) // 2 + 3)
                self.assertLessEqual(max(track) - min(track), 12, f"track {track} is not neutral")
                self.assertGreaterEqual(min(track), 225, f"track {track} is not light")
                self.assertGreaterEqual(contrast(track, fill), 2.5, f"track {track}, fill {fill}")

    def test_caption_text(self):
        for t in SKINS:
            files, text, images = BUILT[t.folder]
            ini = parse_ini(text)
            cap = ints(ini["CAPTION"]["SKINRECT"])
            y = (cap[1] + cap[3]) // 2
            with self.subTest(skin=t.folder):
                for key, picture in (("ACTIVEFONTCOLOR", ini["PICTURES"]["PICTURE"]),):
                    fc = int(ini["CAPTION"][key])
                    colour = (fc & 255, (fc >> 8) & 255, (fc >> 16) & 255)
                    under = images[picture].get(t.pw // 2, y)
                    self.assertGreaterEqual(contrast(colour, under), 4.5)


class DefaultSkinTest(unittest.TestCase):
    """The default skin carries the values the program's window relies on."""

    def setUp(self):
        files, text, images = BUILT["Office2013_Green"]
        self.ini = parse_ini(text)
        self.files = files

    def test_frame(self):
        f = self.ini["FORMINFO"]
        data = self.files[self.ini["PICTURES"]["PICTURE"]]
        self.assertEqual((int.from_bytes(data[18:22], "little"), int.from_bytes(data[22:26], "little")),
                         (236, 178))
        self.assertEqual(f["CLIENTRECT"], "1,24,235,177")
        self.assertEqual(f["CAPTIONRECT"], "2,2,234,24")
        self.assertEqual(f["BUTTONSOFFSET"], "0")
        self.assertEqual(ints(f["BUTTONSRECT"]), (0, 0, 0, 0))
        # minimum size 200 x 25: formminwidth, and formminheight or the frame height
        self.assertEqual(int(f["FORMMINWIDTH"]), 200)
        min_h = int(f["FORMMINHEIGHT"]) or 178 - (177 - 24)
        self.assertEqual(min_h, 25)
        for name in ("CLOSEBUTTON", "MINBUTTON"):
            r = ints(self.ini[name]["SKINRECT"])
            self.assertEqual((r[2] - r[0], r[3] - r[1]), (29, 22))

    def test_main_window_controls(self):
        panel = self.ini["PANEL"]
        self.assertEqual(panel["SKINRECT"], "141,4,200,56")
        for key in ("LEFTTOPPOINT", "RIGHTTOPPOINT", "LEFTBOTTOMPOINT", "RIGHTBOTTOMPOINT"):
            self.assertNotIn(0, ints(panel[key]))
        self.assertEqual(panel["STRETCHEFFECT"], "0")
        expected = {
            "STATUSPANEL": {"SKINRECT": "4,283,48,302", "LEFTTOPPOINT": "4,12",
                            "RIGHTTOPPOINT": "37,8", "LEFTBOTTOMPOINT": "0,0",
                            "RIGHTBOTTOMPOINT": "0,0", "CLIENTRECT": "3,1,42,18",
                            "FONTCOLOR": "16777215", "FONTHEIGHT": "13"},
            "STATUSGAUGE": {"SKINRECT": "52,283,96,302", "LEFTTOPPOINT": "4,9",
                            "RIGHTTOPPOINT": "34,9", "PROGRESSAREA": "0,0,44,19",
                            "PROGRESSRECT": "4,304,47,323", "BEGINOFFSET": "3",
                            "ENDOFFSET": "3", "PROGRESSSTRETCH": "1",
                            "PROGRESSANIMATIONSKINRECT": "0,0,0,0", "FONTCOLOR": "2105376"},
        }
        for section, keys in expected.items():
            for key, value in keys.items():
                with self.subTest(section=section, key=key):
                    self.assertEqual(self.ini[section][key], value)
        controls = [self.ini["SKINCONTROLS"][str(i)]
                    for i in range(int(self.ini["SKINCONTROLS"]["COUNT"]))]
        self.assertIn("statuspanel:label", controls)
        self.assertIn("statusgauge:gauge", controls)


if __name__ == "__main__":
    unittest.main()
