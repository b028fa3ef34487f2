"""A small RGB raster with the drawing operations the skins need.

Colours are (r, g, b) tuples of ints. Everything is integer or rounded to
integers at the pixel, so the output is the same on every machine.
"""

import math


def rgb(value):
    """'#RRGGBB' -> (r, g, b)."""
    value = value.lstrip("#")
    return (int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16))


def mix(c1, c2, t):
    """c1 blended towards c2 by t (0 gives c1, 1 gives c2)."""
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def luminance(c):
    """Relative luminance of an sRGB colour (0 black, 1 white)."""
    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in c)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    """Contrast ratio of two colours, 1 (same) to 21 (black on white)."""
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def ini_colour(c):
    """The skin INI writes colours as decimal 0x00BBGGRR."""
    r, g, b = c
    return str(r | (g << 8) | (b << 16))


def gradient_at(stops, t):
    """Colour at t (0..1) of a list of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, 0 if p1 == p0 else (t - p0) / (p1 - p0))
    return stops[-1][1]


def gradient_rows(stops, n):
    """n colours sampled at the pixel centres of a vertical run."""
    return [gradient_at(stops, (i + 0.5) / n) for i in range(n)]


class Image:
    def __init__(self, width, height, fill=(0, 0, 0), name="picture"):
        self.width = width
        self.height = height
        self.name = name
        self.pixels = [fill] * (width * height)

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = c

    def blend(self, x, y, c, a):
        """Paint c over the pixel with coverage a (0..1)."""
        if a <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = y * self.width + x
        self.pixels[i] = c if a >= 1 else mix(self.pixels[i], c, a)

    def fill(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[row + x] = c

    def vgradient(self, x0, y0, x1, y1, stops):
        colours = gradient_rows(stops, y1 - y0)
        for i, c in enumerate(colours):
            self.fill(x0, y0 + i, x1, y0 + i + 1, c)

    def hgradient(self, x0, y0, x1, y1, stops):
        n = x1 - x0
        for i in range(n):
            self.fill(x0 + i, y0, x0 + i + 1, y1, gradient_at(stops, (i + 0.5) / n))

    def hline(self, x0, x1, y, c):
        self.fill(x0, y, x1, y + 1, c)

    def vline(self, x, y0, y1, c):
        self.fill(x, y0, x + 1, y1, c)

    def frame(self, x0, y0, x1, y1, c):
        """One-pixel rectangle outline, right and bottom exclusive."""
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1 - 1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1 - 1, y0, y1, c)

    def blit(self, src, sx0, sy0, sx1, sy1, dx, dy):
        for y in range(sy1 - sy0):
            for x in range(sx1 - sx0):
                self.set(dx + x, dy + y, src.get(sx0 + x, sy0 + y))

    def crop(self, x0, y0, x1, y1):
        out = Image(x1 - x0, y1 - y0, name=self.name)
        out.blit(self, x0, y0, x1, y1, 0, 0)
        return out


# --- shapes with anti-aliased edges -----------------------------------------

SUB = 4  # supersampling per axis for coverage


def rounded_rect_coverage(x, y, x0, y0, x1, y1, r_top, r_bottom):
    """Fraction of pixel (x, y) inside the rectangle x0..x1, y0..y1 whose top
    corners have radius r_top and bottom corners r_bottom (float radii)."""
    inside = 0
    for sy in range(SUB):
        py = y + (sy + 0.5) / SUB
        for sx in range(SUB):
            px = x + (sx + 0.5) / SUB
            if not (x0 <= px < x1 and y0 <= py < y1):
                continue
            r = r_top if py < (y0 + y1) / 2 else r_bottom
            if r > 0:
                cx = min(max(px, x0 + r), x1 - r)
                cy = min(max(py, y0 + r), y1 - r)
                if (px - cx) ** 2 + (py - cy) ** 2 > r * r:
                    continue
            inside += 1
    return inside / (SUB * SUB)


def fill_rounded(img, x0, y0, x1, y1, radius, colour_at):
    """Fill a rounded rectangle; colour_at(x, y) gives the colour inside."""
    for y in range(y0, y1):
        for x in range(x0, x1):
            a = rounded_rect_coverage(x, y, x0, y0, x1, y1, radius, radius)
            if a > 0:
                img.blend(x, y, colour_at(x, y), a)


def disc_coverage(x, y, cx, cy, r):
    inside = 0
    for sy in range(SUB):
        py = y + (sy + 0.5) / SUB
        for sx in range(SUB):
            px = x + (sx + 0.5) / SUB
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                inside += 1
    return inside / (SUB * SUB)


def fill_disc(img, cx, cy, r, colour_at):
    for y in range(int(math.floor(cy - r)) - 1, int(math.ceil(cy + r)) + 1):
        for x in range(int(math.floor(cx - r)) - 1, int(math.ceil(cx + r)) + 1):
            a = disc_coverage(x, y, cx, cy, r)
            if a > 0:
                img.blend(x, y, colour_at(x, y), a)


def periodic_noise(x, y, seed, period_x=0, period_y=0):
    """Deterministic value noise in -1..1, optionally periodic in x or y so
    that textures survive the frame's tiling of its edges."""
    if period_x:
        x %= period_x
    if period_y:
        y %= period_y
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFF) / 32767.5 - 1.0
