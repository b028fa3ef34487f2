#!/usr/bin/env python3
"""Render how each skin looks on the update window, for review by eye.

    python3 preview.py OUT_DIR [--only NAME ...]

For every skin this writes OUT_DIR/<folder>.png: the 636 x 387 update
window composed from the skin's pictures the way the frame composes them
(corners fixed, edges tiled from the left, mask applied), once active with
a hovered minimise button and once inactive, and below them the caption
button sheet at twice its size. Text is put on with ImageMagick's
`convert` when it is installed; the shapes do not depend on it.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import skinfiles  # noqa: E402
from raster import Image, rgb  # noqa: E402
from skins import all_skins  # noqa: E402

W, H = 636, 387
DESKTOP = rgb("#3a6ea5")


def write_png(img, path):
    raw = b"".join(b"\0" + b"".join(bytes(c) for c in img.pixels[y * img.width:(y + 1) * img.width])
                   for y in range(img.height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", img.width, img.height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def copy(dst, src, sx0, sy0, sx1, sy1, dx0, dy0, dx1=None, dy1=None):
    """Canvas copy: nearest-neighbour scale of a source rect onto a destination rect."""
    dx1 = dx0 + (sx1 - sx0) if dx1 is None else dx1
    dy1 = dy0 + (sy1 - sy0) if dy1 is None else dy1
    sw, sh, dw, dh = sx1 - sx0, sy1 - sy0, dx1 - dx0, dy1 - dy0
    if min(sw, sh, dw, dh) <= 0:
        return
    for j in range(dh):
        sy = sy0 + j * sh // dh
        for i in range(dw):
            dst.set(dx0 + i, dy0 + j, src.get(sx0 + i * sw // dw, sy))


def tile_h(dst, src, sx0, sx1, sy0, sy1, dx0, dx1, dy0, dy1):
    p = sx1 - sx0
    x = dx0
    while p > 0 and x < dx1:
        n = min(p, dx1 - x)
        copy(dst, src, sx0, sy0, sx0 + n, sy1, x, dy0, x + n, dy1)
        x += p


def tile_v(dst, src, sx0, sx1, sy0, sy1, dx0, dx1, dy0, dy1):
    q = sy1 - sy0
    y = dy0
    while q > 0 and y < dy1:
        n = min(q, dy1 - y)
        copy(dst, src, sx0, sy0, sx1, sy0 + n, dx0, y, dx1, y + n)
        y += q


def compose_frame(t, pic, out):
    """The four frame pieces: top and bottom tiled from x = 0, sides from
    the top of their band, fixed corners on top of the tiles."""
    l, tp, r, b = t.client
    (ltx, lty), (rtx, rty), (lbx, lby), (rbx, rby) = t.corner_lt, t.corner_rt, t.corner_lb, t.corner_rb
    dx, dy = W - t.pw, H - t.ph
    nrtx, nrbx = rtx + dx, rbx + dx
    bottom_h = t.ph - b
    # top
    tile_h(out, pic, ltx, rtx, 0, tp, 0, W, 0, tp)
    copy(out, pic, 0, 0, ltx, tp, 0, 0)
    copy(out, pic, rtx, 0, t.pw, tp, nrtx, 0)
    # bottom
    tile_h(out, pic, lbx, rbx, b, t.ph, 0, W, H - bottom_h, H)
    copy(out, pic, 0, b, lbx, t.ph, 0, H - bottom_h)
    copy(out, pic, rbx, b, t.pw, t.ph, nrbx, H - bottom_h)
    # sides: V rows between the bands
    v = H - bottom_h - tp
    for x0, x1, dx0, top_y, bot_y in ((0, l, 0, lty, lby), (r, t.pw, W - (t.pw - r), rty, rby)):
        tile_v(out, pic, x0, x1, top_y, bot_y, dx0, dx0 + x1 - x0, tp, tp + v)
        copy(out, pic, x0, tp, x1, top_y, dx0, tp)
        copy(out, pic, x0, bot_y, x1, b, dx0, tp + v - (b - bot_y))


def apply_mask(t, mask, out):
    """Paint the desktop where the window region (from the mask) is not."""
    l, tp, r, b = t.client
    (ltx, lty), (rtx, rty), (lbx, lby), (rbx, rby) = t.corner_lt, t.corner_rt, t.corner_lb, t.corner_rb
    dx, dy = W - t.pw, H - t.ph
    region = Image(W, H, fill=(0, 0, 0))
    # top and bottom pieces tile from the new corner points
    tile_h(region, mask, ltx, rtx, 0, tp, ltx, rtx + dx, 0, tp)
    copy(region, mask, 0, 0, ltx, tp, 0, 0)
    copy(region, mask, rtx, 0, t.pw, tp, rtx + dx, 0)
    tile_h(region, mask, lbx, rbx, b, t.ph, lbx, rbx + dx, b + dy, H)
    copy(region, mask, 0, b, lbx, t.ph, 0, b + dy)
    copy(region, mask, rbx, b, t.pw, t.ph, rbx + dx, b + dy)
    for y in range(H):
        for x in range(W):
            if region.get(x, y) != (0, 0, 0):
                out.set(x, y, DESKTOP)


def strip(t, pic, r, lcap, rcap, width):
    """Horizontal strip of a control image: caps fixed, middle tiled."""
    x0, y0, x1, y1 = r
    out = Image(width, y1 - y0)
    copy(out, pic, x0, y0, x0 + lcap, y1, 0, 0)
    copy(out, pic, x1 - rcap, y0, x1, y1, width - rcap, 0)
    tile_h(out, pic, x0 + lcap, x1 - rcap, y0, y1, lcap, width - rcap, 0, y1 - y0)
    return out


def stretched_nine(pic, r, cl, w, h):
    """Nine slices cut at the client rect, edges and centre stretched."""
    x0, y0, x1, y1 = r
    sw, sh = x1 - x0, y1 - y0
    out = Image(w, h)
    cols = [(0, cl[0], 0, cl[0]), (cl[0], cl[2], cl[0], w - (sw - cl[2])), (cl[2], sw, w - (sw - cl[2]), w)]
    rows = [(0, cl[1], 0, cl[1]), (cl[1], cl[3], cl[1], h - (sh - cl[3])), (cl[3], sh, h - (sh - cl[3]), h)]
    for sa, sb, da, db in cols:
        for ta, tb, ea, eb in rows:
            copy(out, pic, x0 + sa, y0 + ta, x0 + sb, y0 + tb, da, ea, db, eb)
    return out


def render_window(t, images, layout, active, hover):
    out = Image(W, H, fill=DESKTOP)
    frame = images["frame.bmp"]
    pic = frame if active or "frame_inactive.bmp" not in images else images["frame_inactive.bmp"]
    compose_frame(t, pic, out)
    labels = []
    buttons = images["buttons.bmp"]
    state = "normal" if active else "inactive"
    cx0, cy0, cx1, cy1 = t.caption
    dx = W - t.pw
    area = (cx0, cy0, cx1 + dx, cy1)
    placed = {}
    if t.buttons_in_left:
        x = area[0]
        for row in ("close", "min"):
            bw = layout[(row, "normal")][2] - layout[(row, "normal")][0]
            placed[row] = (x, area[1])
            x += bw + t.buttons_offset
        icon_x = x
        icon_y = area[1]  # the icon joins the row at its top
        text_left = x + 16 + t.buttons_offset
        text_right = area[2]
    else:
        x = area[2]
        for row in ("close", "min"):
            bw = layout[(row, "normal")][2] - layout[(row, "normal")][0]
            placed[row] = (x - bw, area[1])
            x -= bw + t.buttons_offset
        icon_x = area[0]
        icon_y = area[1] + (area[3] - area[1]) // 2 - 8
        text_left = area[0] + 16
        text_right = x + t.buttons_offset
    for row, (px, py) in placed.items():
        st = "hot" if (active and row == hover) else state
        sx0, sy0, sx1, sy1 = layout[(row, st)]
        copy(out, buttons, sx0, sy0, sx1, sy1, px, py)
    # the form's small icon stands in for the system-menu button
    iy = icon_y
    for j in range(16):
        for i in range(16):
            edge = i in (0, 15) or j in (0, 15)
            out.set(icon_x + i, iy + j, rgb("#1f5fa8") if edge or j < 4 else rgb("#ffffff"))

    l, tp, r, b = t.client
    cw, ch = W - (t.pw - r) - l, H - (t.ph - b) - tp
    # client: white panel, logo placeholder, label, gauge, status strip
    for y in range(ch - 23):
        for x in range(cw):
            out.set(l + x, tp + y, (255, 255, 255) if x >= 320 or y >= 339 else rgb("#f4f6f9"))
    controls = images["controls.bmp"]
    sy = tp + ch - 23
    for px, pw_ in ((0, 161), (161, cw - 161)):
        piece = stretched_nine(controls, t.STATUS, (3, 1, 42, 18), pw_, 23)
        copy(out, piece, 0, 0, pw_, 23, l + px, sy)
        for j in range(16):
            for i in range(16):
                out.set(l + px + 3 + i, sy + 3 + j, rgb("#e0a020") if (i - 7.5) ** 2 + (j - 7.5) ** 2 < 49 else piece.get(3 + i, 3 + j))
    labels.append((l + 21, sy + 4, t.status_text, " Halvex Auto Update"))
    labels.append((l + 161 + 21, sy + 4, t.status_text, " Contact your administrator if the update does not start."))
    gx, gy = l + 208, tp + 275
    bar = strip(t, controls, t.TRACK, 4, 10, 400)
    fill = 400 * 45 // 100
    pr = t.PROGRESS
    if fill > 6:
        barimg = Image(fill, pr[3] - pr[1])
        copy(barimg, controls, pr[0] + 3, pr[1], pr[2] - 3, pr[3], 3, 0, fill - 3, pr[3] - pr[1])
        copy(barimg, controls, pr[0], pr[1], pr[0] + 3, pr[3], 0, 0)
        copy(barimg, controls, pr[2] - 3, pr[1], pr[2], pr[3], fill - 3, 0)
        copy(bar, barimg, 0, 0, fill, barimg.height, 0, 0)
    copy(out, bar, 0, 0, 400, bar.height, gx, gy, gx + 400, gy + 20)
    labels.append((gx + 120, gy + 3, t.gauge_text, "Extracting files..  - 45%"))
    labels.append((l + 300, tp + 253, rgb("#000000"), "C:/App/sub/app.dll"))
    colour = t.caption_active_colour if active else t.caption_colour
    title = "Halvex Update (Ver 0303.03)"
    approx = len(title) * 7
    if t.caption_alignment == "tacenter":
        tx = (text_left + text_right) // 2 - approx // 2
    else:
        tx = text_left + 6
    labels.append((tx, area[1] + (area[3] - area[1]) // 2 - 8, colour, title))
    if "mask.bmp" in images:
        apply_mask(t, images["mask.bmp"], out)
    return out, labels


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--only", nargs="*", default=None)
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    have_convert = shutil.which("convert") is not None
    for t in all_skins():
        if args.only and t.folder not in args.only:
            continue
        _, _, images = skinfiles.build(t)
        layout, _, _ = t.sheet_layout()
        win_a, lab_a = render_window(t, images, layout, True, "min")
        win_i, lab_i = render_window(t, images, layout, False, None)
        sheet = images["buttons.bmp"]
        hint = images["hint.bmp"]
        gap = 10
        total_h = 2 * H + 3 * gap + max(sheet.height * 2, hint.height * 2)
        canvas = Image(W, total_h, fill=rgb("#d0d0d0"))
        copy(canvas, win_a, 0, 0, W, H, 0, 0)
        copy(canvas, win_i, 0, 0, W, H, 0, H + gap)
        y0 = 2 * H + 2 * gap
        copy(canvas, sheet, 0, 0, sheet.width, sheet.height, 0, y0, 2 * sheet.width, y0 + 2 * sheet.height)
        copy(canvas, hint, 0, 0, hint.width, hint.height, 2 * sheet.width + gap, y0,
             2 * sheet.width + gap + 2 * hint.width, y0 + 2 * hint.height)
        path = os.path.join(args.out, t.folder + ".png")
        write_png(canvas, path)
        if have_convert:
            cmd = ["convert", path, "-font", "DejaVu-Sans", "-pointsize", "10", "-gravity", "NorthWest"]
            for (x, y, c, text) in lab_a + [(x, y + H + gap, c, s) for (x, y, c, s) in lab_i]:
                cmd += ["-fill", "#%02x%02x%02x" % c, "-annotate", f"+{x}+{y}", text]
            subprocess.run(cmd + [path], check=True)
        print(path)


if __name__ == "__main__":
    main()
