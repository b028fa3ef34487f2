"""The twelve skins, in the order of the program's skin list."""

import os

from raster import rgb, lighten, darken
from families import FlatTheme, GlossTheme, GelTheme, MetalTheme
import glyphs

WHITE = (255, 255, 255)
# The one list of the built-in skins: index, folder, list item name, description.
SKIN_LIST = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "skin_list.tsv")


# ---------------------------------------------------------------------------
# Office 2013: white caption, a one-pixel border and status bar in the
# application's accent colour. Geometry is shared by the four colours; the
# green one is the program's default skin.
# ---------------------------------------------------------------------------

class Office2013(FlatTheme):
    pw, ph = 236, 178
    client = (1, 24, 235, 177)
    caption = (2, 2, 234, 24)
    corner_lt, corner_rt = (40, 32), (196, 32)
    corner_lb, corner_rb = (40, 168), (196, 168)
    button_w, button_h = 29, 22
    sysmenu_w = 22
    form_min = (200, 25)
    borderwidth = 4
    frame_bits, buttons_bits, controls_bits, hint_bits = 8, 8, 24, 4

    caption_font = "Segoe UI"
    caption_height = 15
    caption_active_colour = rgb("#444444")
    caption_colour = rgb("#a0a0a0")
    outline_inactive = rgb("#c6c6c6")
    client_fill = WHITE
    glyph_normal = rgb("#5f5f5f")
    glyph_inactive = rgb("#b4b4b4")

    face = rgb("#f3f3f3")
    text = rgb("#444444")
    window_text = rgb("#262626")
    btn_shadow = rgb("#ababab")
    control_border = rgb("#ababab")
    control_radius = 0
    panel_fill = WHITE
    panel_border = rgb("#d4d4d4")
    status_text = WHITE
    progress_gloss = 0.0
    hint_stops = [(0, WHITE), (1, WHITE)]
    hint_border = rgb("#bebebe")
    hint_text = rgb("#575757")

    def __init__(self, folder, title, accent):
        self.folder, self.title = folder, title
        self.comments = f"Flat white caption with {title.split()[-1].lower()} accents"
        self.accent = self.outline = accent
        self.highlight = lighten(accent, 0.15)
        self.control_border_hot = accent
        self.hot_bg = lighten(accent, 0.86)
        self.pressed_bg = lighten(accent, 0.68)
        self.glyph_hot = darken(accent, 0.1)
        self.status_stops = [(0, accent), (1, accent)]
        self.status_divider = lighten(accent, 0.22)
        self.button_stops = {
            "normal": [(0, rgb("#fdfdfd")), (1, rgb("#fdfdfd"))],
            "hot": [(0, lighten(accent, 0.86)), (1, lighten(accent, 0.86))],
            "pressed": [(0, lighten(accent, 0.68)), (1, lighten(accent, 0.68))],
            "focused": [(0, rgb("#fdfdfd")), (1, rgb("#fdfdfd"))],
            "disabled": [(0, rgb("#f3f3f3")), (1, rgb("#f3f3f3"))]}


# ---------------------------------------------------------------------------
# Office 2010: glossy caption gradient, rounded top corners, gold hover.
# ---------------------------------------------------------------------------

class Office2010(GlossTheme):
    pw, ph = 300, 200
    client = (4, 30, 296, 196)
    caption = (8, 4, 292, 26)
    corner_lt, corner_rt = (60, 40), (240, 40)
    corner_lb, corner_rb = (60, 186), (240, 186)
    radius_top, radius_bottom = 6.0, 3.0
    button_w, button_h = 27, 22
    sysmenu_w = 22
    borderwidth = 4
    frame_bits, buttons_bits, controls_bits, hint_bits = 24, 24, 24, 8
    caption_height = 13
    progress_gloss = 0.2
    progress_animation = True
    hint_radius = 2.0


class Office2010Blue(Office2010):
    folder, title = "Office2010_Blue", "Office 2010 Blue"
    comments = "Soft blue glass caption, gold hover"
    caption_stops = [(0, rgb("#e9f1fb")), (0.5, rgb("#dbe7f7")), (1, rgb("#c9daf0"))]
    top_highlight = rgb("#f7fbff")
    side_outer_to_inner = [rgb("#c9daf0"), rgb("#c4d6ee"), rgb("#bfd2eb"), rgb("#b9cde8")]
    bottom_top_to_outer = [rgb("#b9cde8"), rgb("#bfd2eb"), rgb("#c4d6ee"), rgb("#c9daf0")]
    inner_line = rgb("#8ba7cc")
    outline = rgb("#6f8fb9")
    client_fill = rgb("#dfe9f5")
    glyph_colour = rgb("#37557d")
    glyph_emboss = rgb("#f3f8ff")
    glyph_inactive = rgb("#8ca3c2")
    caption_active_colour = rgb("#1e395b")
    caption_colour = rgb("#7d93b2")
    face = rgb("#dfe9f5")
    text = rgb("#1e395b")
    accent = rgb("#3d6aa8")
    highlight = rgb("#fbe08f")
    highlight_text = rgb("#1e395b")
    btn_shadow = rgb("#8ba7cc")
    control_border = rgb("#8ba7cc")
    control_border_hot = rgb("#e0b54e")
    panel_fill = rgb("#dfe9f5")
    panel_border = rgb("#a5bfdf")
    status_stops = [(0, rgb("#e3edf9")), (0.5, rgb("#d2e1f3")), (1, rgb("#bcd0ea"))]
    status_top_line = rgb("#a5bfdf")
    status_divider = rgb("#f7fbff")
    status_text = rgb("#1e395b")
    hint_stops = [(0, rgb("#ffffff")), (1, rgb("#e4ecf7"))]
    hint_border = rgb("#76879f")
    hint_text = rgb("#1e395b")
    button_stops = {"normal": [(0, rgb("#f7fbff")), (0.5, rgb("#e4edf8")), (0.51, rgb("#d4e3f5")), (1, rgb("#e6effa"))],
                    "hot": [(0, rgb("#fff9dc")), (0.5, rgb("#ffe79a")), (0.51, rgb("#ffd75c")), (1, rgb("#ffe9a0"))],
                    "pressed": [(0, rgb("#fbd688")), (0.5, rgb("#f9bd54")), (0.51, rgb("#f7a93a")), (1, rgb("#fbd078"))],
                    "focused": [(0, rgb("#f7fbff")), (0.5, rgb("#e4edf8")), (0.51, rgb("#d4e3f5")), (1, rgb("#e6effa"))],
                    "disabled": [(0, rgb("#eef3f9")), (1, rgb("#eef3f9"))]}


class Office2010Silver(Office2010):
    folder, title = "Office2010_Silver", "Office 2010 Silver"
    comments = "Bright silver caption, gold hover"
    caption_stops = [(0, rgb("#f8f9fa")), (0.5, rgb("#eceef1")), (1, rgb("#dde1e6"))]
    top_highlight = WHITE
    side_outer_to_inner = [rgb("#dde1e6"), rgb("#d9dde2"), rgb("#d5d9df"), rgb("#d0d5db")]
    bottom_top_to_outer = [rgb("#d0d5db"), rgb("#d5d9df"), rgb("#d9dde2"), rgb("#dde1e6")]
    inner_line = rgb("#a7adb6")
    outline = rgb("#8b9097")
    client_fill = rgb("#f0f1f3")
    glyph_colour = rgb("#4a4d52")
    glyph_emboss = WHITE
    glyph_inactive = rgb("#a4a8ae")
    caption_active_colour = rgb("#3b3b3b")
    caption_colour = rgb("#9a9ea4")
    face = rgb("#f0f1f3")
    text = rgb("#3b3b3b")
    accent = rgb("#5b6b82")
    highlight = rgb("#fbe08f")
    highlight_text = rgb("#3b3b3b")
    btn_shadow = rgb("#a7adb6")
    control_border = rgb("#a7adb6")
    control_border_hot = rgb("#e0b54e")
    panel_fill = rgb("#f0f1f3")
    panel_border = rgb("#c5cad1")
    status_stops = [(0, rgb("#f4f5f7")), (0.5, rgb("#e5e8ec")), (1, rgb("#d4d8de"))]
    status_top_line = rgb("#b9bec6")
    status_divider = WHITE
    status_text = rgb("#3b3b3b")
    hint_stops = [(0, rgb("#ffffff")), (1, rgb("#e9ebee"))]
    hint_border = rgb("#8b9097")
    hint_text = rgb("#3b3b3b")
    button_stops = {"normal": [(0, rgb("#ffffff")), (0.5, rgb("#f1f2f4")), (0.51, rgb("#e3e6ea")), (1, rgb("#eef0f2"))],
                    "hot": [(0, rgb("#fff9dc")), (0.5, rgb("#ffe79a")), (0.51, rgb("#ffd75c")), (1, rgb("#ffe9a0"))],
                    "pressed": [(0, rgb("#fbd688")), (0.5, rgb("#f9bd54")), (0.51, rgb("#f7a93a")), (1, rgb("#fbd078"))],
                    "focused": [(0, rgb("#ffffff")), (0.5, rgb("#f1f2f4")), (0.51, rgb("#e3e6ea")), (1, rgb("#eef0f2"))],
                    "disabled": [(0, rgb("#f3f4f6")), (1, rgb("#f3f4f6"))]}


class Office2010Black(Office2010):
    folder, title = "Office2010_Black", "Office 2010 Black"
    comments = "Dark graphite caption, gold hover"
    caption_stops = [(0, rgb("#5c5c5c")), (0.5, rgb("#444444")), (1, rgb("#323232"))]
    top_highlight = rgb("#7a7a7a")
    side_outer_to_inner = [rgb("#363636"), rgb("#3a3a3a"), rgb("#3e3e3e"), rgb("#424242")]
    bottom_top_to_outer = [rgb("#424242"), rgb("#3e3e3e"), rgb("#3a3a3a"), rgb("#363636")]
    inner_line = rgb("#1f1f1f")
    outline = rgb("#141414")
    backdrop = rgb("#505050")
    client_fill = rgb("#d4d4d4")
    glyph_colour = rgb("#e6e6e6")
    glyph_emboss = rgb("#1c1c1c")
    glyph_inactive = rgb("#8a8a8a")
    caption_active_colour = rgb("#ffffff")
    caption_colour = rgb("#a8a8a8")
    caption_shadow = (rgb("#262626"), rgb("#1a1a1a"))
    face = rgb("#d4d4d4")
    text = rgb("#202020")
    accent = rgb("#3f3f3f")
    highlight = rgb("#fbe08f")
    highlight_text = rgb("#202020")
    btn_shadow = rgb("#8a8a8a")
    control_border = rgb("#7d7d7d")
    control_border_hot = rgb("#e0b54e")
    panel_fill = rgb("#d4d4d4")
    panel_border = rgb("#9c9c9c")
    status_stops = [(0, rgb("#5a5a5a")), (0.5, rgb("#474747")), (1, rgb("#363636"))]
    status_top_line = rgb("#262626")
    status_divider = rgb("#6e6e6e")
    status_text = rgb("#f2f2f2")
    progress_gloss = 0.08
    hint_stops = [(0, rgb("#ffffff")), (1, rgb("#e5e5e5"))]
    hint_border = rgb("#5a5a5a")
    hint_text = rgb("#2b2b2b")
    button_stops = {"normal": [(0, rgb("#f4f4f4")), (0.5, rgb("#e0e0e0")), (0.51, rgb("#d0d0d0")), (1, rgb("#dcdcdc"))],
                    "hot": [(0, rgb("#fff9dc")), (0.5, rgb("#ffe79a")), (0.51, rgb("#ffd75c")), (1, rgb("#ffe9a0"))],
                    "pressed": [(0, rgb("#fbd688")), (0.5, rgb("#f9bd54")), (0.51, rgb("#f7a93a")), (1, rgb("#fbd078"))],
                    "focused": [(0, rgb("#f4f4f4")), (0.5, rgb("#e0e0e0")), (0.51, rgb("#d0d0d0")), (1, rgb("#dcdcdc"))],
                    "disabled": [(0, rgb("#dadada")), (1, rgb("#dadada"))]}


# ---------------------------------------------------------------------------
# Gel skins
# ---------------------------------------------------------------------------

class AquaT(GelTheme):
    folder, title = "AquaT", "AquaT"
    comments = "Pinstriped grey caption with traffic-light buttons on the left"
    pw, ph = 260, 180
    client = (1, 23, 259, 179)
    # Buttons on the left share the row with the 16-pixel window icon, which
    # sits at the row's top: the row is 16 high and centred in the band.
    caption = (8, 3, 252, 19)
    corner_lt, corner_rt = (40, 30), (220, 30)
    corner_lb, corner_rb = (40, 170), (220, 170)
    radius_top, radius_bottom = 7.0, 0.0
    button_w, button_h = 21, 16
    sysmenu_w = 22
    buttons_in_left = True
    frame_bits, buttons_bits, controls_bits, hint_bits = 24, 32, 24, 24
    caption_font = "Lucida Sans Unicode"
    caption_height = 13
    caption_active_colour = rgb("#262626")
    caption_colour = rgb("#8c8c8c")
    caption_light = (rgb("#e6e6e6"), rgb("#f2f2f2"))
    caption_stops = [(0, rgb("#eeeeee")), (1, rgb("#cfcfcf"))]
    top_highlight = rgb("#fafafa")
    caption_bottom_line = rgb("#9c9c9c")
    pinstripe = 0.35
    side_colour = rgb("#b4b4b4")
    outline = rgb("#8a8a8a")
    backdrop = rgb("#909090")
    client_fill = rgb("#ececec")
    ball_radius = 6.5
    glyph_always = False
    balls = {"close": (rgb("#ffb1a3"), rgb("#e2463a"), rgb("#a9352a"), rgb("#5a0a02")),
             "min": (rgb("#ffe9a6"), rgb("#e6a625"), rgb("#b0801c"), rgb("#6b4300")),
             "max": (rgb("#d6f5a8"), rgb("#5fb32f"), rgb("#3f8520"), rgb("#1d4d05")),
             "restore": (rgb("#d6f5a8"), rgb("#5fb32f"), rgb("#3f8520"), rgb("#1d4d05")),
             "minrestore": (rgb("#ffe9a6"), rgb("#e6a625"), rgb("#b0801c"), rgb("#6b4300")),
             "default": (rgb("#c6dcf7"), rgb("#4a8ad6"), rgb("#2f64a6"), rgb("#0b2a55"))}
    face = rgb("#ececec")
    text = rgb("#1e1e1e")
    accent = rgb("#3d86e0")
    highlight = rgb("#3875d7")
    btn_shadow = rgb("#9c9c9c")
    control_border = rgb("#8e8e8e")
    control_border_hot = rgb("#5a8fd1")
    control_radius = 4
    panel_fill = rgb("#ececec")
    panel_border = rgb("#b8b8b8")
    status_stops = [(0, rgb("#e4e4e4")), (1, rgb("#c6c6c6"))]
    status_top_line = rgb("#9c9c9c")
    status_divider = rgb("#f5f5f5")
    status_text = rgb("#262626")
    progress_gloss = 0.3
    progress_animation = True
    hint_stops = [(0, rgb("#ffffe8")), (1, rgb("#fdf6c8"))]
    hint_border = rgb("#a8a07a")
    hint_text = rgb("#262626")
    hint_radius = 3.0
    button_stops = {"normal": [(0, rgb("#ffffff")), (0.5, rgb("#f1f1f1")), (0.51, rgb("#e2e2e2")), (1, rgb("#f4f4f4"))],
                    "hot": [(0, rgb("#e4f1ff")), (0.5, rgb("#a9cff7")), (0.51, rgb("#7fb6ef")), (1, rgb("#c4e2ff"))],
                    "pressed": [(0, rgb("#b9d8f8")), (0.5, rgb("#6ea8e8")), (0.51, rgb("#4b8fdc")), (1, rgb("#93c5f5"))],
                    "focused": [(0, rgb("#ffffff")), (0.5, rgb("#f1f1f1")), (0.51, rgb("#e2e2e2")), (1, rgb("#f4f4f4"))],
                    "disabled": [(0, rgb("#f2f2f2")), (1, rgb("#f2f2f2"))]}


class Ubuntu(GelTheme):
    folder, title = "Ubuntu", "Ubuntu"
    comments = "Dark warm caption, orange close button, buttons on the left"
    pw, ph = 260, 180
    client = (1, 28, 259, 179)
    caption = (8, 6, 252, 22)
    corner_lt, corner_rt = (40, 36), (220, 36)
    corner_lb, corner_rb = (40, 170), (220, 170)
    radius_top, radius_bottom = 6.0, 0.0
    button_w, button_h = 22, 16
    sysmenu_w = 22
    buttons_in_left = True
    frame_bits, buttons_bits, controls_bits, hint_bits = 24, 24, 32, 8
    caption_font = "Tahoma"
    caption_height = 14
    caption_style = "fsbold"
    caption_alignment = "taleftjustify"
    caption_active_colour = rgb("#dfdbd2")
    caption_colour = rgb("#8a877f")
    caption_shadow = (rgb("#2b2a27"), rgb("#24231f"))
    caption_stops = [(0, rgb("#5f5d57")), (0.5, rgb("#4a4844")), (1, rgb("#3c3b37"))]
    top_highlight = rgb("#7a7770")
    caption_bottom_line = rgb("#33322e")
    side_colour = rgb("#3c3b37")
    outline = rgb("#262522")
    backdrop = rgb("#4a4a4a")
    client_fill = rgb("#f2f1f0")
    ball_radius = 7.5
    specular = 0.22
    square_maximize = True
    glyph_set = glyphs.SMALL
    balls = {"close": (rgb("#f89b6c"), rgb("#dd4814"), rgb("#8f2f0c"), rgb("#3c1405")),
             "default": (rgb("#807d75"), rgb("#4c4a45"), rgb("#2a2926"), rgb("#dfdbd2"))}
    inactive_ball = (rgb("#6a6862"), rgb("#4d4b46"), rgb("#2f2e2b"), rgb("#8a877f"))
    face = rgb("#f2f1f0")
    text = rgb("#3c3c3c")
    accent = rgb("#e95420")
    highlight = rgb("#f07746")
    btn_shadow = rgb("#a8a49c")
    control_border = rgb("#a8a49c")
    control_border_hot = rgb("#e95420")
    control_radius = 3
    panel_fill = rgb("#f2f1f0")
    panel_border = rgb("#c9c5bd")
    status_stops = [(0, rgb("#55534e")), (1, rgb("#3c3b37"))]
    status_top_line = rgb("#2b2a27")
    status_divider = rgb("#6a6862")
    status_text = rgb("#f2f1f0")
    progress_gloss = 0.08
    progress_animation = True
    hint_stops = [(0, rgb("#3c3b37")), (1, rgb("#2f2e2b"))]
    hint_border = rgb("#1d1c1a")
    hint_text = rgb("#f2f1f0")
    hint_radius = 3.0
    button_stops = {"normal": [(0, rgb("#faf9f8")), (1, rgb("#e3e0dc"))],
                    "hot": [(0, rgb("#fffdfb")), (1, rgb("#ece9e5"))],
                    "pressed": [(0, rgb("#d8d4ce")), (1, rgb("#e8e5e1"))],
                    "focused": [(0, rgb("#faf9f8")), (1, rgb("#e3e0dc"))],
                    "disabled": [(0, rgb("#f2f1f0")), (1, rgb("#f2f1f0"))]}


class ITunes10(GelTheme):
    folder, title = "iTunes10_std", "iTunes10"
    comments = "Graphite caption and bottom bar, small graphite buttons"
    pw, ph = 280, 190
    client = (1, 26, 279, 183)
    caption = (8, 2, 272, 24)
    corner_lt, corner_rt = (40, 34), (240, 34)
    corner_lb, corner_rb = (40, 176), (240, 176)
    radius_top, radius_bottom = 6.0, 6.0
    button_w, button_h = 20, 22
    sysmenu_w = 22
    frame_bits, buttons_bits, controls_bits, hint_bits = 32, 32, 24, 24
    caption_font = "Lucida Sans Unicode"
    caption_height = 13
    caption_active_colour = rgb("#2c2c2c")
    caption_colour = rgb("#8e8e8e")
    caption_light = (rgb("#d6d6d6"), rgb("#ececec"))
    caption_stops = [(0, rgb("#ececec")), (0.5, rgb("#d0d0d0")), (1, rgb("#a8a8a8"))]
    caption_stops_inactive = [(0, rgb("#f0f0f0")), (1, rgb("#dadada"))]
    top_highlight = rgb("#f6f6f6")
    caption_bottom_line = rgb("#8a8a8a")
    side_colour = rgb("#a2a2a2")
    bottom_stops = [(0, rgb("#5a5a5a")), (1, rgb("#3a3a3a"))]
    outline = rgb("#5e5e5e")
    backdrop = rgb("#7a7a7a")
    client_fill = rgb("#ffffff")
    ball_radius = 6.5
    square_maximize = True
    balls = {"close": (rgb("#f6f6f6"), rgb("#a9a9a9"), rgb("#666666"), rgb("#3a3a3a")),
             "default": (rgb("#f6f6f6"), rgb("#a9a9a9"), rgb("#666666"), rgb("#3a3a3a"))}
    inactive_ball = (rgb("#f4f4f4"), rgb("#d2d2d2"), rgb("#a2a2a2"), rgb("#9c9c9c"))
    face = rgb("#e8e8e8")
    text = rgb("#2c2c2c")
    accent = rgb("#5d84c2")
    highlight = rgb("#3d80df")
    btn_shadow = rgb("#8e8e8e")
    control_border = rgb("#7f7f7f")
    control_border_hot = rgb("#5d84c2")
    control_radius = 3
    panel_fill = rgb("#e8e8e8")
    panel_border = rgb("#b0b0b0")
    # the dark graphite bottom bar of the player, white text over it
    status_stops = [(0, rgb("#6a6a6a")), (0.5, rgb("#4f4f4f")), (1, rgb("#3e3e3e"))]
    status_top_line = rgb("#2e2e2e")
    status_divider = rgb("#7c7c7c")
    status_text = rgb("#f4f4f4")
    progress_gloss = 0.08
    progress_animation = True
    hint_stops = [(0, rgb("#fbfbfb")), (1, rgb("#e2e2e2"))]
    hint_border = rgb("#7a7a7a")
    hint_text = rgb("#2c2c2c")
    hint_radius = 4.0
    button_stops = {"normal": [(0, rgb("#fafafa")), (1, rgb("#d2d2d2"))],
                    "hot": [(0, rgb("#ffffff")), (1, rgb("#dedede"))],
                    "pressed": [(0, rgb("#b8b8b8")), (1, rgb("#d8d8d8"))],
                    "focused": [(0, rgb("#fafafa")), (1, rgb("#d2d2d2"))],
                    "disabled": [(0, rgb("#eeeeee")), (1, rgb("#eeeeee"))]}

    def paint_button(self, img, x, y, w, h, row, state):
        # Graphite balls everywhere; only the close ball warms up on hover.
        if row == "close" and state in ("hot", "pressed"):
            saved = self.balls
            self.balls = dict(saved, close=(rgb("#ffc2b8"), rgb("#d9503f"), rgb("#8e2a1f"),
                                            rgb("#ffffff")))
            super().paint_button(img, x, y, w, h, row, state)
            self.balls = saved
            return
        super().paint_button(img, x, y, w, h, row, state)


class Metal(MetalTheme):
    folder, title = "iMetal", "Metal"
    comments = "Brushed steel frame with engraved plate buttons"
    pw, ph = 300, 210
    client = (6, 30, 294, 204)
    caption = (10, 4, 290, 26)
    corner_lt, corner_rt = (100, 40), (200, 40)
    corner_lb, corner_rb = (100, 190), (200, 190)
    radius_top, radius_bottom = 9.0, 6.0
    button_w, button_h = 26, 22
    sysmenu_w = 22
    borderwidth = 6
    frame_bits, buttons_bits, controls_bits, hint_bits = 32, 24, 32, 24
    caption_font = "Tahoma"
    caption_height = 13
    caption_style = "fsbold"
    caption_active_colour = rgb("#1f1f1f")
    caption_colour = rgb("#7c7c7c")
    caption_light = (rgb("#e4e4e4"), rgb("#f4f4f4"))
    caption_stops = [(0, rgb("#e9e9e9")), (0.5, rgb("#cdcdcd")), (1, rgb("#b4b4b4"))]
    side_stops = [(0, rgb("#a8a8a8")), (1, rgb("#c4c4c4"))]
    outline = rgb("#4d4d4d")
    backdrop = rgb("#6a6a6a")
    client_fill = rgb("#d9d9d9")
    face = rgb("#d9d9d9")
    text = rgb("#1f1f1f")
    accent = rgb("#4a6c92")
    highlight = rgb("#5b7fa8")
    btn_shadow = rgb("#8a8a8a")
    control_border = rgb("#5c5c5c")
    control_border_hot = rgb("#4a6c92")
    control_radius = 3
    panel_fill = rgb("#d9d9d9")
    panel_border = rgb("#9a9a9a")
    status_stops = [(0, rgb("#d6d6d6")), (0.5, rgb("#c2c2c2")), (1, rgb("#a9a9a9"))]
    status_top_line = rgb("#7a7a7a")
    status_divider = rgb("#ececec")
    status_text = rgb("#1f1f1f")
    progress_gloss = 0.3
    progress_animation = True
    hint_stops = [(0, rgb("#f4f4f4")), (1, rgb("#d2d2d2"))]
    hint_border = rgb("#4d4d4d")
    hint_text = rgb("#1f1f1f")
    hint_radius = 3.0
    button_stops = {"normal": [(0, rgb("#fbfbfb")), (0.5, rgb("#dadada")), (1, rgb("#b9b9b9"))],
                    "hot": [(0, rgb("#f3f8fd")), (0.5, rgb("#c8d9ec")), (1, rgb("#9fb9d7"))],
                    "pressed": [(0, rgb("#8d9aa8")), (0.5, rgb("#aab6c3")), (1, rgb("#ccd5de"))],
                    "focused": [(0, rgb("#fbfbfb")), (0.5, rgb("#dadada")), (1, rgb("#b9b9b9"))],
                    "disabled": [(0, rgb("#e2e2e2")), (1, rgb("#e2e2e2"))]}


class Laconic(FlatTheme):
    folder, title = "Laconic", "Laconic"
    comments = "Plain off-white frame, a thin teal rule under the caption"
    pw, ph = 200, 150
    client = (1, 22, 199, 149)
    caption = (2, 1, 198, 21)
    corner_lt, corner_rt = (40, 30), (160, 30)
    corner_lb, corner_rb = (40, 140), (160, 140)
    button_w, button_h = 26, 20
    sysmenu_w = 20
    frame_bits, buttons_bits, controls_bits, hint_bits = 4, 8, 24, 4
    caption_font = "Tahoma"
    caption_height = 13
    caption_alignment = "taleftjustify"
    caption_active_colour = rgb("#1e1e1e")
    caption_colour = rgb("#9a9a9a")
    caption_fill = rgb("#f7f7f5")
    caption_fill_inactive = rgb("#f7f7f5")
    caption_line = rgb("#1b9aaa")
    caption_line_inactive = rgb("#d2d2d0")
    outline = rgb("#3a3a3a")
    outline_inactive = rgb("#b9b9b7")
    client_fill = rgb("#f7f7f5")
    glyph_normal = rgb("#3a3a3a")
    glyph_hot = rgb("#12717d")
    glyph_inactive = rgb("#b9b9b7")
    hot_bg = rgb("#e2f2f4")
    pressed_bg = rgb("#c0e4e9")
    close_hot_bg = rgb("#c0392b")
    close_pressed_bg = rgb("#96281b")
    face = rgb("#f7f7f5")
    text = rgb("#1e1e1e")
    accent = rgb("#1b9aaa")
    highlight = rgb("#1b9aaa")
    btn_shadow = rgb("#a5a5a3")
    control_border = rgb("#9a9a98")
    control_border_hot = rgb("#1b9aaa")
    control_radius = 0
    panel_fill = rgb("#f7f7f5")
    panel_border = rgb("#d2d2d0")
    status_stops = [(0, rgb("#ededeb")), (1, rgb("#ededeb"))]
    status_top_line = rgb("#d2d2d0")
    status_divider = rgb("#d2d2d0")
    status_text = rgb("#2a2a2a")
    progress_gloss = 0.0
    hint_stops = [(0, rgb("#2a2a2a")), (1, rgb("#2a2a2a"))]
    hint_border = rgb("#1b9aaa")
    hint_text = rgb("#f7f7f5")
    button_stops = {"normal": [(0, rgb("#fdfdfc")), (1, rgb("#fdfdfc"))],
                    "hot": [(0, rgb("#e2f2f4")), (1, rgb("#e2f2f4"))],
                    "pressed": [(0, rgb("#c0e4e9")), (1, rgb("#c0e4e9"))],
                    "focused": [(0, rgb("#fdfdfc")), (1, rgb("#fdfdfc"))],
                    "disabled": [(0, rgb("#f0f0ee")), (1, rgb("#f0f0ee"))]}


def read_skin_list(path=SKIN_LIST):
    """The rows of the skin list: (index, folder, name, description), in index order."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            index, folder, name, description = line.split("\t")
            rows.append((int(index), folder, name, description))
    return rows


def all_skins():
    """The skins in skin-list order (index 0 to 11), as assets/skins/skin_list.tsv lists them."""
    themes = [
        AquaT(),
        Office2013("Office2013_Blue", "Office 2013 Blue", rgb("#2b579a")),
        Office2013("Office2013_Green", "Office 2013 Green", rgb("#217346")),
        Office2013("Office2013_Orange", "Office 2013 Orange", rgb("#d24726")),
        Office2013("Office2013_Purple", "Office 2013 Purple", rgb("#80397b")),
        Office2010Black(),
        Office2010Blue(),
        Office2010Silver(),
        Ubuntu(),
        ITunes10(),
        Metal(),
        Laconic(),
    ]
    by_folder = {t.folder: t for t in themes}
    listed = [folder for _, folder, _, _ in read_skin_list()]
    if sorted(listed) != sorted(by_folder):
        raise ValueError("skin_list.tsv lists %s, the generator draws %s" % (listed, sorted(by_folder)))
    return [by_folder[folder] for folder in listed]
