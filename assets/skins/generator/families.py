"""The looks of the skin families: how each paints its caption band, edges
and caption buttons. Colours of the individual skins live in skins.py."""

from raster import (rgb, mix, lighten, darken, gradient_rows, gradient_at,
                    fill_rounded, fill_disc, periodic_noise)
from theme import Theme, GLYPH_OF, WHITE, BLACK
import glyphs


class FlatTheme(Theme):
    """Flat caption, one-pixel accent border, buttons that only tint on
    hover (the Office 2013 look and the Laconic one)."""

    caption_fill = WHITE
    caption_fill_inactive = WHITE
    caption_line = None            # optional line under the caption
    caption_line_inactive = None
    glyph_set = glyphs.THIN
    glyph_normal = rgb("#444444")
    glyph_hot = rgb("#444444")
    glyph_inactive = rgb("#b1b1b1")
    hot_bg = rgb("#e5e5e5")
    pressed_bg = rgb("#cacaca")
    close_hot_bg = rgb("#e81123")
    close_pressed_bg = rgb("#f1707a")

    def caption_row(self, y, active):
        line = self.caption_line if active else self.caption_line_inactive
        if line is not None and y == self.client[1] - 1:
            return line
        return self.caption_fill if active else self.caption_fill_inactive

    def side_fill(self, active):
        return self.caption_fill if active else self.caption_fill_inactive

    def paint_button(self, img, x, y, w, h, row, state):
        glyph = self.glyph_set[GLYPH_OF[row]]
        colour = self.glyph_normal
        bg = None
        if row == "close" and state in ("hot", "pressed"):
            bg = self.close_hot_bg if state == "hot" else self.close_pressed_bg
            colour = WHITE
        elif state == "hot":
            bg, colour = self.hot_bg, self.glyph_hot
        elif state == "pressed":
            bg, colour = self.pressed_bg, self.glyph_hot
        elif state == "inactive":
            colour = self.glyph_inactive
        if bg is not None:
            img.fill(x, y, x + w, y + h, bg)
        glyphs.draw_centred(img, glyph, x, y, w, h, colour)


class GlossTheme(Theme):
    """Glossy gradient caption with an inner border round the client area,
    rounded top corners through the mask, and caption buttons that light up
    as small rounded plates (the Office 2010 look)."""

    caption_stops = []
    side_outer_to_inner = []
    bottom_top_to_outer = []
    inner_line = None
    top_highlight = None
    glyph_set = glyphs.BOLD
    glyph_colour = BLACK
    glyph_emboss = None
    glyph_inactive = rgb("#808080")
    hot_stops = [(0, rgb("#fff9dc")), (0.45, rgb("#ffe79a")), (0.5, rgb("#ffd75c")),
                 (1, rgb("#ffe9a0"))]
    hot_border = rgb("#e0b54e")
    pressed_stops = [(0, rgb("#fbd688")), (0.45, rgb("#f9bd54")), (0.5, rgb("#f7a93a")),
                     (1, rgb("#fbd078"))]
    pressed_border = rgb("#c2923a")
    close_hot_stops = [(0, rgb("#f4b2aa")), (0.45, rgb("#e36a5d")), (0.5, rgb("#d2402f")),
                       (1, rgb("#e57a5c"))]
    close_hot_border = rgb("#a12c20")
    close_pressed_stops = [(0, rgb("#d57a6f")), (0.45, rgb("#bf3a2c")), (0.5, rgb("#a6271b")),
                           (1, rgb("#c8563c"))]

    def caption_row(self, y, active):
        rows = gradient_rows(self.caption_stops, self.client[1])
        c = rows[y]
        if y == 1 and self.top_highlight is not None:
            c = self.top_highlight
        return c

    def side_colours(self, active):
        return list(self.side_outer_to_inner)

    def bottom_rows(self, active):
        return list(self.bottom_top_to_outer)

    def decorate_frame(self, img, active):
        if self.inner_line is None:
            return
        l, t, r, b = self.client
        img.frame(l - 1, t - 1, r + 1, b + 1, self.inner_line)

    def plate(self, img, x, y, w, h, stops, border):
        rows = gradient_rows(stops, h - 2)
        fill_rounded(img, x, y, x + w, y + h, 3, lambda px, py: border)
        fill_rounded(img, x + 1, y + 1, x + w - 1, y + h - 1, 2,
                     lambda px, py: rows[min(len(rows) - 1, max(0, py - y - 1))])
        # soft inner highlight along the top edge
        for px in range(x + 2, x + w - 2):
            img.blend(px, y + 1, WHITE, 0.5)

    def paint_button(self, img, x, y, w, h, row, state):
        glyph = self.glyph_set[GLYPH_OF[row]]
        colour = self.glyph_colour
        emboss = self.glyph_emboss
        if state in ("hot", "pressed"):
            if row == "close":
                stops = self.close_hot_stops if state == "hot" else self.close_pressed_stops
                self.plate(img, x + 1, y + 1, w - 2, h - 2, stops, self.close_hot_border)
                colour, emboss = WHITE, None
            else:
                stops = self.hot_stops if state == "hot" else self.pressed_stops
                border = self.hot_border if state == "hot" else self.pressed_border
                self.plate(img, x + 1, y + 1, w - 2, h - 2, stops, border)
                colour, emboss = rgb("#3c2a06"), rgb("#fff4cf")
        elif state == "inactive":
            colour = self.glyph_inactive
        shift = 1 if state == "pressed" else 0
        if emboss is not None:
            glyphs.draw_centred(img, glyph, x, y, w, h, emboss, shift, shift + 1)
        glyphs.draw_centred(img, glyph, x, y, w, h, colour, shift, shift)


class GelTheme(Theme):
    """Round gel caption buttons (Aqua, Ubuntu and iTunes looks)."""

    caption_stops = []
    caption_stops_inactive = None
    pinstripe = 0            # brightness added to every other caption row
    top_highlight = None
    caption_bottom_line = None
    side_colour = rgb("#c0c0c0")
    bottom_stops = None
    ball_radius = 6.5
    glyph_set = glyphs.SMALL
    glyph_always = True       # False: the mark shows only under the mouse
    balls = {}                # row -> (top colour, bottom colour, edge colour, glyph colour)
    inactive_ball = (rgb("#e4e4e4"), rgb("#bdbdbd"), rgb("#9b9b9b"), rgb("#8c8c8c"))
    specular = 0.55           # strength of the highlight on the upper half
    square_maximize = False   # a box instead of a plus on the maximize ball

    def caption_row(self, y, active):
        stops = self.caption_stops if active or not self.caption_stops_inactive \
            else self.caption_stops_inactive
        t = self.client[1]
        if y == t - 1 and self.caption_bottom_line is not None:
            return self.caption_bottom_line
        c = gradient_rows(stops, t)[y]
        if y == 1 and self.top_highlight is not None:
            c = self.top_highlight
        elif self.pinstripe and y % 2 == 0 and y > 1:
            c = lighten(c, self.pinstripe)
        return c

    def side_fill(self, active):
        return self.side_colour

    def bottom_rows(self, active):
        n = self.ph - self.client[3]
        if self.bottom_stops is None:
            return [self.side_colour] * n
        return gradient_rows(self.bottom_stops, n)

    def ball(self, img, cx, cy, r, top, bottom, edge, pressed):
        if pressed:
            top, bottom = darken(top, 0.18), darken(bottom, 0.18)
        fill_disc(img, cx, cy, r, lambda x, y: edge)
        inner = r - 1
        span = 2 * inner

        def body(x, y):
            t = min(1.0, max(0.0, (y + 0.5 - (cy - inner)) / span))
            return gradient_at([(0, top), (0.55, mix(top, bottom, 0.75)), (1, bottom)], t)
        fill_disc(img, cx, cy, inner, body)
        # specular highlight: a small bright ellipse in the upper half
        for y in range(int(cy - inner), int(cy)):
            for x in range(int(cx - inner), int(cx + inner) + 1):
                dx = (x + 0.5 - cx) / (inner * 0.62)
                dy = (y + 0.5 - (cy - inner * 0.45)) / (inner * 0.42)
                d = dx * dx + dy * dy
                if d < 1:
                    img.blend(x, y, WHITE, self.specular * (1 - d))
        # bounce light at the bottom
        for x in range(int(cx - inner), int(cx + inner) + 1):
            dx = (x + 0.5 - cx) / inner
            if abs(dx) < 0.7:
                img.blend(x, int(cy + inner - 1), lighten(bottom, 0.5), 0.35 * (1 - abs(dx) / 0.7))

    def paint_button(self, img, x, y, w, h, row, state):
        key = "sysmenu" if row == "sysmenu" else row
        top, bottom, edge, mark = self.balls.get(key, self.balls["default"])
        show_mark = self.glyph_always or state in ("hot", "pressed")
        if state == "inactive":
            top, bottom, edge, mark = self.inactive_ball
            show_mark = self.glyph_always
        elif state == "hot":
            top, bottom = lighten(top, 0.18), lighten(bottom, 0.12)
        cx, cy = x + w / 2, y + h / 2
        self.ball(img, cx, cy, self.ball_radius, top, bottom, edge, state == "pressed")
        if show_mark:
            name = GLYPH_OF[row]
            if name == "max" and self.square_maximize:
                name = "maxsquare"
            glyph = self.glyph_set[name]
            glyphs.draw_centred(img, glyph, x, y, w, h, mark)


class MetalTheme(Theme):
    """Brushed steel all round with engraved plates as caption buttons."""

    caption_stops = []
    side_stops = []
    grain = 7.0
    grain_seed = 11
    glyph_set = glyphs.BOLD

    def _brush(self, c, x, y, period_x=0, period_y=0):
        # Streaks: a strong per-row term and a weak, horizontally smeared term.
        row = periodic_noise(0, y, self.grain_seed, 0, period_y)
        smear = sum(periodic_noise(x + k, y, self.grain_seed + 1, period_x, period_y)
                    for k in range(-3, 4)) / 7
        d = self.grain * (0.7 * row + 0.6 * smear)
        return tuple(max(0, min(255, int(round(v + d)))) for v in c)

    def caption_row(self, y, active):
        return gradient_rows(self.caption_stops, self.client[1])[y]

    def caption_texture(self, x, y, c, active):
        if y <= 1 or y >= self.client[1] - 1:
            return c
        return self._brush(c, x, y, period_x=self.corner_rt[0] - self.corner_lt[0])

    def side_colours(self, active):
        return gradient_rows(self.side_stops, self.client[0])

    def bottom_rows(self, active):
        n = self.ph - self.client[3]
        return list(reversed(gradient_rows(self.side_stops, n)))

    def edge_texture(self, x, y, c, active):
        l, t, r, b = self.client
        if y >= b:
            return self._brush(c, x, y, period_x=self.corner_rb[0] - self.corner_lb[0])
        # side bands repeat vertically: streak along x, period along y
        return self._brush(c, y, x, period_x=self.corner_lb[1] - self.corner_lt[1])

    def decorate_frame(self, img, active):
        l, t, r, b = self.client
        edge = gradient_rows(self.side_stops, l)[-1]
        img.frame(l - 1, t - 1, r + 1, b + 1, darken(edge, 0.35))

    def paint_button(self, img, x, y, w, h, row, state):
        glyph = self.glyph_set[GLYPH_OF[row]]
        px, py, pw, ph = x + 2, y + 2, w - 4, h - 4
        if state == "hot":
            stops = [(0, rgb("#f3f8fd")), (0.5, rgb("#c8d9ec")), (1, rgb("#9fb9d7"))]
            border = rgb("#4a6c92")
            if row == "close":
                stops = [(0, rgb("#fdf1ef")), (0.5, rgb("#eab3aa")), (1, rgb("#d47a6b"))]
                border = rgb("#8e3428")
        elif state == "pressed":
            stops = [(0, rgb("#8d9aa8")), (0.5, rgb("#aab6c3")), (1, rgb("#ccd5de"))]
            border = rgb("#3b4f66")
            if row == "close":
                stops = [(0, rgb("#b06457")), (0.5, rgb("#cc8a7e")), (1, rgb("#e4b4aa"))]
                border = rgb("#6e261c")
        elif state == "inactive":
            stops = [(0, rgb("#f0f0f0")), (1, rgb("#d2d2d2"))]
            border = rgb("#9a9a9a")
        else:
            stops = [(0, rgb("#fbfbfb")), (0.5, rgb("#dadada")), (1, rgb("#b9b9b9"))]
            border = rgb("#5c5c5c")
        rows = gradient_rows(stops, ph - 2)
        fill_rounded(img, px, py, px + pw, py + ph, 3, lambda a, b: border)
        fill_rounded(img, px + 1, py + 1, px + pw - 1, py + ph - 1, 2,
                     lambda a, b: rows[min(len(rows) - 1, max(0, b - py - 1))])
        mark = rgb("#9a9a9a") if state == "inactive" else rgb("#2e2e2e")
        shift = 1 if state == "pressed" else 0
        if state != "inactive":
            glyphs.draw_centred(img, glyph, px, py, pw, ph, rgb("#ffffff"), shift, shift + 1)
        glyphs.draw_centred(img, glyph, px, py, pw, ph, mark, shift, shift)
