#!/usr/bin/env python3
"""Draws the main window's two PNG image lists: sixteen 16 x 16 pictures and one 24 x 24, 8-bit
RGBA, antialiased by 4 x 4 supersampling. Run from this folder: python3 make_icons.py"""
import math
import struct
import zlib

SS = 4  # samples per pixel edge


def write_png(path, size, pixels):
    raw = b"".join(b"\0" + bytes(v for p in pixels[y * size:(y + 1) * size] for v in p) for y in range(size))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def render(size, shape, colour):
    """shape(u, v) -> True where covered; u, v run from -1 to 1 over the picture."""
    out = []
    for y in range(size):
        for x in range(size):
            hits = 0
            for j in range(SS):
                for i in range(SS):
                    u = ((x + (i + 0.5) / SS) / size) * 2 - 1
                    v = ((y + (j + 0.5) / SS) / size) * 2 - 1
                    hits += bool(shape(u, v))
            out.append(colour + (round(255 * hits / (SS * SS)),))
    return out


def ring(u, v):
    return 0.55 < math.hypot(u, v) < 0.85


def disc(u, v):
    return math.hypot(u, v) < 0.8


def square(u, v):
    return abs(u) < 0.7 and abs(v) < 0.7


def tri(direction):
    def shape(u, v):
        for _ in range(direction):  # rotate a quarter turn per step
            u, v = v, -u
        return -0.75 < v < 0.65 and abs(u) < (0.65 - v) * 0.58
    return shape


def plus(u, v):
    return (abs(u) < 0.2 and abs(v) < 0.8) or (abs(v) < 0.2 and abs(u) < 0.8)


def minus(u, v):
    return abs(v) < 0.2 and abs(u) < 0.8


def cross(u, v):
    return abs(u - v) < 0.28 and abs(u) < 0.75 or abs(u + v) < 0.28 and abs(u) < 0.75


def near_segment(u, v, a, b, width):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(u - (ax + t * dx), v - (ay + t * dy)) < width


def check(u, v):
    return near_segment(u, v, (-0.65, 0.0), (-0.2, 0.5), 0.2) or near_segment(u, v, (-0.2, 0.5), (0.7, -0.55), 0.2)


def diamond(u, v):
    return abs(u) + abs(v) < 0.85


def star(u, v):
    r = math.hypot(u, v)
    a = math.atan2(v, u) + math.pi / 2
    k = math.cos(5 * a / 2) ** 2
    return r < 0.35 + 0.5 * k ** 3


def bars(u, v):
    return any(abs(v - c) < 0.12 for c in (-0.5, 0.0, 0.5)) and abs(u) < 0.75


def dots(u, v):
    return any(math.hypot(u - a, v - b) < 0.22 for a in (-0.45, 0.45) for b in (-0.45, 0.45))


def download(u, v):
    shaft = abs(u) < 0.16 and -0.85 < v < 0.1
    head = -0.15 < v < 0.45 and abs(u) < (0.45 - v) * 0.9
    tray = abs(v - 0.72) < 0.12 and abs(u) < 0.8
    return shaft or head or tray


ICONS16 = [
    (disc, (46, 125, 50)), (ring, (21, 101, 192)), (square, (97, 97, 97)), (tri(0), (230, 81, 0)),
    (tri(2), (230, 81, 0)), (tri(1), (0, 121, 107)), (tri(3), (0, 121, 107)), (plus, (46, 125, 50)),
    (minus, (198, 40, 40)), (cross, (198, 40, 40)), (check, (46, 125, 50)), (diamond, (106, 27, 154)),
    (star, (249, 168, 37)), (bars, (55, 71, 79)), (dots, (21, 101, 192)), (download, (0, 121, 107)),
]

for index, (shape, colour) in enumerate(ICONS16):
    write_png(f"list16_{index:02d}.png", 16, render(16, shape, colour))
write_png("list24_00.png", 24, render(24, download, (0, 105, 92)))
