#!/usr/bin/env python3
"""Writes the PNG decoder's fixtures with ImageMagick from the patterns the tests recompute.

Run from this folder: python3 make_png_fixtures.py
"""
import subprocess

W, H = 7, 5


def colour(x, y):
    """Pattern A: every pixel different, three alpha levels."""
    return (x * 40, y * 60, (x + y) * 20, (255, 128, 0)[(x * y) % 3])


def grey(x, y):
    return (x * 37 + y * 11) % 256


def four(x, y):
    """Pattern B: four colours, one of them fully transparent."""
    return ((255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 0))[(x + 2 * y) % 4]


def pam(name, pixel, depth=4, tupltype="RGB_ALPHA"):
    rows = bytes(v for y in range(H) for x in range(W) for v in pixel(x, y))
    header = f"P7\nWIDTH {W}\nHEIGHT {H}\nDEPTH {depth}\nMAXVAL 255\nTUPLTYPE {tupltype}\nENDHDR\n"
    with open(name, "wb") as f:
        f.write(header.encode() + rows)


def convert(source, target, *options):
    subprocess.run(["convert", source, *options, "-strip", target], check=True)


pam("/tmp/a.pam", colour)
pam("/tmp/a_rgb.pam", lambda x, y: colour(x, y)[:3], 3, "RGB")
pam("/tmp/grey.pam", lambda x, y: (grey(x, y),), 1, "GRAYSCALE")
pam("/tmp/grey_alpha.pam", lambda x, y: (grey(x, y), colour(x, y)[3]), 2, "GRAYSCALE_ALPHA")
pam("/tmp/checker.pam", lambda x, y: (255 * ((x + y) % 2),), 1, "GRAYSCALE")
pam("/tmp/four.pam", four)

convert("/tmp/a.pam", "rgba8_interlaced.png", "-interlace", "PNG", "-define", "png:color-type=6",
        "-define", "png:bit-depth=8")
convert("/tmp/a_rgb.pam", "rgb16.png", "-depth", "16", "-define", "png:color-type=2", "-define", "png:bit-depth=16")
convert("/tmp/grey.pam", "grey8.png", "-define", "png:color-type=0", "-define", "png:bit-depth=8")
convert("/tmp/grey_alpha.pam", "grey_alpha16.png", "-depth", "16", "-define", "png:color-type=4",
        "-define", "png:bit-depth=16")
convert("/tmp/checker.pam", "grey1.png", "-define", "png:color-type=0", "-define", "png:bit-depth=1")
# A palette with a transparency entry (ImageMagick drops the alpha when the palette depth is forced).
convert("/tmp/four.pam", "PNG8:palette8_trns.png")
