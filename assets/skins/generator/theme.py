"""A skin theme: geometry, colours and the painters that turn them into the
frame picture, its inactive picture or mask, the caption-button sheet, the
control sheet, the hint picture and the skin INI text.

Families of skins subclass `Theme` and override the painters that give
them their look; everything that positions pictures and writes the INI is
shared, so every skin uses the same, tested coordinate bookkeeping.
"""

from raster import (Image, rgb, mix, lighten, darken, contrast, gradient_rows,
                    rounded_rect_coverage, fill_rounded, fill_disc)
import glyphs

STATES = ("normal", "hot", "pressed", "inactive")
# Rows of the caption-button sheet; the second name of a pair is the image
# a button shows in its alternative (restorable) state.
BUTTON_ROWS = ("close", "max", "restore", "min", "minrestore", "rollup", "rolldown")
GLYPH_OF = {"close": "close", "max": "max", "restore": "restore", "min": "min",
            "minrestore": "restore", "rollup": "rollup", "rolldown": "rolldown",
            "sysmenu": "sysmenu"}

BLACK, WHITE = (0, 0, 0), (255, 255, 255)


def rect(x0, y0, x1, y1):
    return (x0, y0, x1, y1)


def r2s(r):
    return ",".join(str(v) for v in r)


class Theme:
    # --- identity ------------------------------------------------------------
    folder = ""          # CompressedFileName without ".skn"
    title = ""
    comments = ""

    # --- frame geometry (frame picture coordinates) ----------------------------
    pw, ph = 236, 178
    client = (1, 24, 235, 177)
    caption = (2, 2, 234, 24)
    corner_lt = (40, 32)
    corner_rt = (196, 32)
    corner_lb = (40, 168)
    corner_rb = (196, 168)
    radius_top = 0.0       # a radius > 0 gives the skin a mask instead of
    radius_bottom = 0.0    # an inactive picture
    button_w, button_h = 29, 22
    sysmenu_w = 22
    buttons_offset = 0
    buttons_in_left = False
    borderwidth = 4
    form_min = (0, 0)
    hit_inset = 8

    # --- picture depths ------------------------------------------------------
    frame_bits = 24
    buttons_bits = 24
    controls_bits = 24
    hint_bits = 24

    # --- caption text ----------------------------------------------------------
    caption_font = "Tahoma"
    caption_height = 13
    caption_style = ""
    caption_colour = rgb("#808080")          # inactive form
    caption_active_colour = rgb("#202020")
    caption_alignment = "tacenter"
    caption_shadow = None                    # (inactive, active) colours or None
    caption_light = None

    # --- colours -----------------------------------------------------------------
    outline = rgb("#707070")
    outline_inactive = None
    backdrop = rgb("#7a7a7a")   # what half-covered edge pixels are mixed with
    client_fill = rgb("#f0f0f0")

    face = rgb("#f0f0f0")
    text = rgb("#202020")
    window = WHITE
    window_text = rgb("#202020")
    highlight = rgb("#3399ff")
    highlight_text = WHITE
    btn_highlight = WHITE
    btn_shadow = rgb("#a0a0a0")
    accent = rgb("#3399ff")

    status_stops = [(0, rgb("#f0f0f0")), (1, rgb("#dcdcdc"))]
    status_text = rgb("#202020")
    status_top_line = None
    status_divider = None
    progress_gloss = 0.35
    # The update window's gauge: its empty track is light and neutral in every skin, so that at
    # 0 % nobody takes it for a full bar; the filled part is the skin's accent, lightened where
    # needed so that the dark progress text drawn over both parts stays readable.
    gauge_track = rgb("#f7f7f7")
    gauge_track_border = rgb("#b4b4b4")
    gauge_text = rgb("#202020")
    gauge_text_contrast = 4.5
    progress_animation = False

    panel_fill = rgb("#f0f0f0")
    panel_border = rgb("#c8c8c8")
    control_border = rgb("#a8a8a8")
    control_border_hot = None
    control_radius = 2
    button_stops = {"normal": [(0, rgb("#fbfbfb")), (1, rgb("#e2e2e2"))],
                    "hot": [(0, rgb("#eaf5fd")), (1, rgb("#c9e6fb"))],
                    "pressed": [(0, rgb("#c4e0f7")), (1, rgb("#a5d0f2"))],
                    "focused": [(0, rgb("#fbfbfb")), (1, rgb("#e2e2e2"))],
                    "disabled": [(0, rgb("#f4f4f4")), (1, rgb("#f4f4f4"))]}

    hint_stops = [(0, rgb("#ffffff")), (1, rgb("#e4e5f0"))]
    hint_border = rgb("#767676")
    hint_text = rgb("#4c4c4c")
    hint_radius = 0.0
    font = "Tahoma"

    # ==========================================================================
    # frame picture
    # ==========================================================================

    @property
    def has_mask(self):
        return self.radius_top > 0 or self.radius_bottom > 0

    def caption_row(self, y, active):
        """Colour of row y of the top band."""
        raise NotImplementedError

    def caption_texture(self, x, y, c, active):
        return c

    def edge_texture(self, x, y, c, active):
        return c

    def side_colours(self, active):
        """Left band columns, outer to inner (the right band mirrors them)."""
        return [self.side_fill(active)] * self.client[0]

    def side_fill(self, active):
        return self.caption_row(self.client[1] - 1, active)

    def bottom_rows(self, active):
        """Bottom band rows, top (inner) to bottom (outer)."""
        return [self.side_fill(active)] * (self.ph - self.client[3])

    def frame_outline(self, active):
        if not active and self.outline_inactive is not None:
            return self.outline_inactive
        return self.outline

    def decorate_frame(self, img, active):
        """Lines a family adds on top of the bands (inner borders...)."""

    def paint_frame(self, active):
        pw, ph = self.pw, self.ph
        l, t, r, b = self.client
        img = Image(pw, ph, name=f"{self.folder} frame")
        side = self.side_colours(active)
        bottom = self.bottom_rows(active)
        caption = [self.caption_row(y, active) for y in range(t)]
        for y in range(ph):
            for x in range(pw):
                if y < t:
                    c = self.caption_texture(x, y, caption[y], active)
                elif y >= b:
                    c = self.edge_texture(x, y, bottom[y - b], active)
                elif x < l:
                    c = self.edge_texture(x, y, side[x], active)
                elif x >= r:
                    c = self.edge_texture(x, y, side[pw - 1 - x], active)
                else:
                    c = self.client_fill
                img.pixels[y * pw + x] = c
        self.decorate_frame(img, active)

        # The outer outline, rounded where the theme has corners. A pixel
        # only partly inside the shape is mixed with a neutral backdrop so
        # the curve reads smooth against any desktop.
        outline = self.frame_outline(active)
        rt, rb = self.radius_top, self.radius_bottom
        reach = int(max(rt, rb)) + 2
        for y in range(ph):
            for x in range(pw):
                near_edge = x == 0 or y == 0 or x == pw - 1 or y == ph - 1
                in_corner = ((x < reach or x >= pw - reach) and
                             (y < reach or y >= ph - reach))
                if not (near_edge or in_corner):
                    continue
                if in_corner:
                    c_out = rounded_rect_coverage(x, y, 0, 0, pw, ph, rt, rb)
                    c_in = rounded_rect_coverage(x, y, 1, 1, pw - 1, ph - 1,
                                                 max(0, rt - 1), max(0, rb - 1))
                else:
                    c_out, c_in = 1.0, 0.0
                base = img.get(x, y)
                col = tuple(int(round(bc * c_in + oc * (c_out - c_in) + kc * (1 - c_out)))
                            for bc, oc, kc in zip(base, outline, self.backdrop))
                img.set(x, y, col)
        return img

    def paint_mask(self):
        pw, ph = self.pw, self.ph
        img = Image(pw, ph, fill=BLACK, name=f"{self.folder} mask")
        img.is_mask = True
        rt, rb = self.radius_top, self.radius_bottom
        reach = int(max(rt, rb)) + 2
        for y in list(range(reach)) + list(range(ph - reach, ph)):
            for x in list(range(reach)) + list(range(pw - reach, pw)):
                if rounded_rect_coverage(x, y, 0, 0, pw, ph, rt, rb) < 0.4:
                    img.set(x, y, WHITE)
        return img

    # ==========================================================================
    # caption buttons
    # ==========================================================================

    def button_cell_size(self, row):
        return (self.sysmenu_w if row == "sysmenu" else self.button_w), self.button_h

    def sheet_layout(self):
        """{(row, state): rect} of the caption-button sheet."""
        layout = {}
        y = 0
        width = 0
        for row in BUTTON_ROWS + ("sysmenu",):
            w, h = self.button_cell_size(row)
            for i, st in enumerate(STATES):
                layout[(row, st)] = (i * w, y, (i + 1) * w, y + h)
            width = max(width, 4 * w)
            y += h
        return layout, width, y

    def paint_buttons(self, frame_active, frame_inactive):
        layout, width, height = self.sheet_layout()
        top = self.caption[1]
        cx = self.pw // 2
        # Unused corners of the sheet take the caption colour, so a wrong
        # rectangle would show as a blank button rather than a black hole.
        img = Image(width, height, fill=frame_active.get(cx, top + self.button_h // 2),
                    name=f"{self.folder} buttons")
        for (row, st), (x0, y0, x1, y1) in layout.items():
            src = frame_inactive if (st == "inactive" and frame_inactive) else frame_active
            for j in range(y1 - y0):
                c = src.get(cx, min(top + j, self.ph - 1))
                img.fill(x0, y0 + j, x1, y0 + j + 1, c)
            self.paint_button(img, x0, y0, x1 - x0, y1 - y0, row, st)
        return img, layout

    def paint_button(self, img, x, y, w, h, row, state):
        raise NotImplementedError

    # ==========================================================================
    # controls sheet
    # ==========================================================================

    controls_size = (320, 330)
    anim_frames = 6

    # Fixed places on the control sheet. The main window's sections read the
    # panel, status strip and progress bar from here.
    PANEL = rect(141, 4, 200, 56)
    TOOLPANEL = rect(141, 60, 200, 112)
    STATUSBAR = rect(141, 116, 200, 140)
    GROUPBOX = rect(204, 124, 256, 176)
    STATUS = rect(4, 283, 48, 302)
    TRACK = rect(52, 283, 96, 302)
    PROGRESS = rect(4, 304, 47, 323)
    ANIM_X = 52
    BUTTON = rect(4, 4, 68, 26)      # then hot, down, focused, disabled below, 24 apart
    EDIT = rect(72, 4, 137, 26)
    EDIT_ACTIVE = rect(72, 28, 137, 50)
    CHECK_BG = rect(72, 54, 137, 71)
    LISTBOX = rect(204, 4, 256, 56)
    LIST_ITEM = rect(204, 60, 256, 78)
    LIST_ACTIVE = rect(204, 80, 256, 98)
    LIST_FOCUS = rect(204, 100, 256, 118)
    HSCROLL = rect(4, 128, 104, 145)
    VSCROLL = rect(110, 128, 127, 228)
    ARROWS_Y = 148      # 17x17 arrow cells: left, right, up, down x normal/hot/down
    THUMBS_Y = 166
    CHECKS_Y = 240      # 13x13 check-box cells, radio cells 16 below

    def paint_controls(self):
        w, h = self.controls_size
        img = Image(w, h, fill=self.face, name=f"{self.folder} controls")
        self.paint_panel(img, self.PANEL, self.panel_fill, self.panel_border)
        self.paint_panel(img, self.TOOLPANEL, None, self.panel_border, stops=self.toolbar_stops())
        self.paint_status_strip(img, self.STATUSBAR, divider=False)
        self.paint_groupbox(img, self.GROUPBOX)
        self.paint_status_strip(img, self.STATUS, divider=True)
        self.paint_track(img, self.TRACK)
        self.paint_progress(img, self.PROGRESS, None)
        if self.progress_animation:
            pw = self.PROGRESS[2] - self.PROGRESS[0]
            for k in range(self.anim_frames):
                x0 = self.ANIM_X + k * pw
                self.paint_progress(img, (x0, self.PROGRESS[1], x0 + pw, self.PROGRESS[3]),
                                    (k + 0.5) / self.anim_frames)
        for i, st in enumerate(("normal", "hot", "pressed", "focused", "disabled")):
            x0, y0, x1, y1 = self.BUTTON
            self.paint_push_button(img, (x0, y0 + 24 * i, x1, y1 + 24 * i), st)
        self.paint_edit(img, self.EDIT, False)
        self.paint_edit(img, self.EDIT_ACTIVE, True)
        img.fill(*self.CHECK_BG, self.face)
        self.paint_edit(img, self.LISTBOX, False)
        img.fill(*self.LIST_ITEM, self.window)
        self.paint_selection(img, self.LIST_ACTIVE, False)
        self.paint_selection(img, self.LIST_FOCUS, True)
        self.paint_scrollbars(img)
        self.paint_checks(img)
        return img

    def toolbar_stops(self):
        return [(0, lighten(self.face, 0.5)), (1, self.face)]

    def paint_panel(self, img, r, fill, border, stops=None):
        x0, y0, x1, y1 = r
        if stops:
            img.vgradient(x0, y0, x1, y1, stops)
        else:
            img.fill(x0, y0, x1, y1, fill)
        img.frame(x0, y0, x1, y1, border)

    def paint_groupbox(self, img, r):
        x0, y0, x1, y1 = r
        img.fill(x0, y0, x1, y1, self.face)
        fill_rounded(img, x0, y0 + 6, x1, y1, 3, lambda x, y: self.panel_border)
        fill_rounded(img, x0 + 1, y0 + 7, x1 - 1, y1 - 1, 2, lambda x, y: self.face)

    def paint_status_strip(self, img, r, divider):
        x0, y0, x1, y1 = r
        img.vgradient(x0, y0, x1, y1, self.status_stops)
        if self.status_top_line is not None:
            img.hline(x0, x1, y0, self.status_top_line)
        if divider and self.status_divider is not None:
            # The left columns are the fixed cap of every status panel, so
            # two panels side by side read as separated by this line.
            img.vline(x0, y0 + 1, y1, self.status_divider)

    def paint_track(self, img, r):
        x0, y0, x1, y1 = r
        img.fill(x0, y0, x1, y1, self.gauge_track)
        img.frame(x0, y0, x1, y1, self.gauge_track_border)

    def gauge_fill(self):
        """The accent, lightened in small steps until the gauge text reads on it."""
        fill, step = self.accent, 0
        while contrast(fill, self.gauge_text) < self.gauge_text_contrast:
            step += 1
            fill = lighten(self.accent, step / 50)
        return fill

    def paint_progress(self, img, r, glow_at):
        x0, y0, x1, y1 = r
        fill = self.gauge_fill()
        img.vgradient(x0, y0, x1, y1, [(0, fill), (1, fill)])
        # gloss on the upper half
        hh = (y1 - y0) // 2
        for j in range(hh):
            for x in range(x0, x1):
                img.blend(x, y0 + j, WHITE, self.progress_gloss * (1 - j / hh) * 0.8)
        if glow_at is not None:
            inner = x1 - x0 - 6
            cx = x0 + 3 + glow_at * inner
            for x in range(x0 + 3, x1 - 3):
                d = abs(x + 0.5 - cx) / (inner * 0.22)
                a = max(0.0, 1 - d * d) * 0.55
                for y in range(y0 + 1, y1 - 1):
                    img.blend(x, y, WHITE, a)
        img.frame(x0, y0, x1, y1, darken(self.accent, 0.25))
        img.hline(x0 + 1, x1 - 1, y0 + 1, mix(img.get(x0 + 2, y0 + 1), WHITE, 0.35))

    def paint_push_button(self, img, r, state):
        x0, y0, x1, y1 = r
        img.fill(x0, y0, x1, y1, self.face)
        stops = self.button_stops[state]
        border = self.control_border
        if state in ("hot", "pressed", "focused") and self.control_border_hot is not None:
            border = self.control_border_hot
        if state == "disabled":
            border = mix(self.control_border, self.face, 0.5)
        rad = self.control_radius
        fill_rounded(img, x0, y0, x1, y1, rad, lambda x, y: border)
        rows = gradient_rows(stops, y1 - y0 - 2)
        fill_rounded(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, max(0, rad - 1),
                     lambda x, y: rows[min(len(rows) - 1, y - y0 - 1)])
        if state == "focused":
            img.frame(x0 + 2, y0 + 2, x1 - 2, y1 - 2, mix(rows[len(rows) // 2], self.accent, 0.5))

    def paint_edit(self, img, r, active):
        x0, y0, x1, y1 = r
        img.fill(x0, y0, x1, y1, self.window)
        border = self.control_border_hot if (active and self.control_border_hot) else self.control_border
        img.frame(x0, y0, x1, y1, border)

    def paint_selection(self, img, r, focused):
        x0, y0, x1, y1 = r
        img.fill(x0, y0, x1, y1, self.highlight)
        if focused:
            for x in range(x0, x1):
                if x % 2 == 0:
                    img.set(x, y0, lighten(self.highlight, 0.5))
                    img.set(x, y1 - 1, lighten(self.highlight, 0.5))

    def arrow_cells(self):
        """{(direction, state): rect} of the 17x17 arrow buttons."""
        cells = {}
        for d, direction in enumerate(("left", "right", "up", "down")):
            for s, st in enumerate(("normal", "hot", "pressed")):
                x = 4 + (d * 3 + s) * 17
                cells[(direction, st)] = (x, self.ARROWS_Y, x + 17, self.ARROWS_Y + 17)
        return cells

    def thumb_cells(self):
        cells = {}
        for s, st in enumerate(("normal", "hot", "pressed")):
            x = 4 + s * 32
            cells[("h", st)] = (x, self.THUMBS_Y, x + 30, self.THUMBS_Y + 17)
            x = 110 + s * 19
            cells[("v", st)] = (x + 20, self.THUMBS_Y, x + 37, self.THUMBS_Y + 30)
        return cells

    ARROWS = {
        "left": ["...#", "..##", ".###", "####", ".###", "..##", "...#"],
        "right": ["#...", "##..", "###.", "####", "###.", "##..", "#..."],
        "up": ["...#...", "..###..", ".#####.", "#######"],
        "down": ["#######", ".#####.", "..###..", "...#..."],
    }

    def paint_scrollbars(self, img):
        x0, y0, x1, y1 = self.HSCROLL
        img.vgradient(x0, y0, x1, y1, [(0, darken(self.face, 0.06)), (1, darken(self.face, 0.02))])
        x0, y0, x1, y1 = self.VSCROLL
        img.hgradient(x0, y0, x1, y1, [(0, darken(self.face, 0.06)), (1, darken(self.face, 0.02))])
        for (direction, st), r in self.arrow_cells().items():
            self.paint_push_button(img, r, st)
            glyphs.draw_centred(img, self.ARROWS[direction], r[0], r[1], 17, 17, self.arrow_colour(st),
                                1 if st == "pressed" else 0, 1 if st == "pressed" else 0)
        for (axis, st), r in self.thumb_cells().items():
            self.paint_push_button(img, r, st)
            # a small grip in the middle of the thumb
            cx, cy = (r[0] + r[2]) // 2, (r[1] + r[3]) // 2
            grip = mix(self.control_border, self.face, 0.2)
            for k in (-2, 0, 2):
                if axis == "h":
                    img.vline(cx + k, cy - 3, cy + 4, grip)
                else:
                    img.hline(cx - 3, cx + 4, cy + k, grip)

    def arrow_colour(self, state):
        return self.text

    def paint_checks(self, img):
        tick = glyphs._p("""
......#
.....##
#...##.
##.##..
.###...
..#....
""")
        for kind, y in (("check", self.CHECKS_Y), ("radio", self.CHECKS_Y + 16)):
            for i, variant in enumerate(("check", "uncheck", "activecheck", "activeuncheck",
                                         "unenabledcheck", "unenableduncheck", "grayed",
                                         "activegrayed")):
                x = 4 + i * 15
                img.fill(x, y, x + 13, y + 13, self.face)
                active = variant.startswith("active")
                disabled = variant.startswith("unenabled")
                border = (self.control_border_hot or self.accent) if active else self.control_border
                if disabled:
                    border = mix(self.control_border, self.face, 0.5)
                fill = lighten(self.accent, 0.85) if active else self.window
                mark = mix(self.text, self.face, 0.55) if disabled else self.text
                if kind == "check":
                    img.fill(x, y, x + 13, y + 13, border)
                    img.fill(x + 1, y + 1, x + 12, y + 12, fill)
                    if "uncheck" not in variant and "grayed" not in variant:
                        glyphs.draw(img, tick, x + 3, y + 3, mark)
                    if "grayed" in variant:
                        img.fill(x + 3, y + 3, x + 10, y + 10, mix(mark, fill, 0.5))
                else:
                    fill_disc(img, x + 6.5, y + 6.5, 6.5, lambda a, b: border)
                    fill_disc(img, x + 6.5, y + 6.5, 5.5, lambda a, b: fill)
                    if "uncheck" not in variant:
                        fill_disc(img, x + 6.5, y + 6.5, 2.5, lambda a, b: mark)

    # ==========================================================================
    # hint window
    # ==========================================================================

    hint_size = (48, 28)

    def paint_hint(self):
        w, h = self.hint_size
        img = Image(w, h, fill=self.backdrop, name=f"{self.folder} hint")
        rows = gradient_rows(self.hint_stops, h)
        rad = self.hint_radius
        fill_rounded(img, 0, 0, w, h, rad, lambda x, y: self.hint_border)
        fill_rounded(img, 1, 1, w - 1, h - 1, max(0, rad - 1), lambda x, y: rows[y])
        return img

    def paint_hint_mask(self):
        w, h = self.hint_size
        img = Image(w, h, fill=BLACK, name=f"{self.folder} hint mask")
        img.is_mask = True
        for y in range(h):
            for x in range(w):
                if rounded_rect_coverage(x, y, 0, 0, w, h, self.hint_radius,
                                         self.hint_radius) < 0.4:
                    img.set(x, y, WHITE)
        return img

    # ==========================================================================
    # popup menus
    # ==========================================================================

    popup_size = (60, 60)
    MENU_ITEM = rect(0, 0, 120, 20)
    MENU_ACTIVE = rect(0, 20, 120, 40)
    MENU_DIVIDER = rect(0, 40, 120, 43)
    MENU_MARKS_Y = 44   # 16x16 cells: check, active check, radio, active radio, arrow, active arrow

    def menu_fill(self):
        return lighten(self.face, 0.55)

    def menu_hot(self):
        return lighten(self.highlight, 0.7), self.highlight

    def paint_popup(self):
        w, h = self.popup_size
        img = Image(w, h, fill=self.menu_fill(), name=f"{self.folder} popup")
        img.frame(0, 0, w, h, self.control_border)
        return img

    def paint_menu_items(self):
        img = Image(120, self.MENU_MARKS_Y + 16, fill=self.menu_fill(),
                    name=f"{self.folder} menu items")
        fill, border = self.menu_hot()
        x0, y0, x1, y1 = self.MENU_ACTIVE
        fill_rounded(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, 2, lambda x, y: border)
        fill_rounded(img, x0 + 2, y0 + 2, x1 - 2, y1 - 2, 1, lambda x, y: fill)
        x0, y0, x1, y1 = self.MENU_DIVIDER
        img.hline(x0, x1, y0 + 1, mix(self.control_border, self.menu_fill(), 0.4))
        tick = glyphs._p("""
......#
.....##
#...##.
##.##..
.###...
..#....
""")
        arrow = glyphs._p("""
#...
##..
###.
####
###.
##..
#...
""")
        y = self.MENU_MARKS_Y
        for i, (kind, active) in enumerate((("check", False), ("check", True), ("radio", False),
                                           ("radio", True), ("arrow", False), ("arrow", True))):
            x = i * 16
            bg = fill if active else self.menu_fill()
            img.fill(x, y, x + 16, y + 16, bg)
            colour = self.text
            if kind == "check":
                glyphs.draw_centred(img, tick, x, y, 16, 16, colour)
            elif kind == "radio":
                fill_disc(img, x + 8, y + 8, 3, lambda a, b: colour)
            else:
                glyphs.draw_centred(img, arrow, x, y, 16, 16, colour)
        return img
