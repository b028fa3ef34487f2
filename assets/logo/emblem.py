"""Draws the update emblem (two arrows chasing round a circle, a down arrow into a tray) as an
8-bit grey mask, anti-aliased by 4 x 4 supersampling: emblem.py SIZE CX CY R WIDTH TRAY OUT.pgm"""
import math
import sys

size, cx, cy, r, width = (float(v) for v in sys.argv[1:6])
tray = sys.argv[6] == "1"
out = sys.argv[7]
n = int(size)
half = width / 2


def arrowhead(angle_deg, scale):
    a = math.radians(angle_deg)
    ex, ey = cx + r * math.cos(a), cy + r * math.sin(a)
    dx, dy = -math.sin(a), math.cos(a)  # clockwise tangent
    nx, ny = math.cos(a), math.sin(a)
    tip = (ex + 1.6 * scale * dx, ey + 1.6 * scale * dy)
    back = (ex - 0.3 * scale * dx, ey - 0.3 * scale * dy)
    return [tip, (back[0] + scale * nx, back[1] + scale * ny), (back[0] - scale * nx, back[1] - scale * ny)]


def inside_triangle(p, tri):
    (x1, y1), (x2, y2), (x3, y3) = tri
    d1 = (p[0] - x2) * (y1 - y2) - (x1 - x2) * (p[1] - y2)
    d2 = (p[0] - x3) * (y2 - y3) - (x2 - x3) * (p[1] - y3)
    d3 = (p[0] - x1) * (y3 - y1) - (x3 - x1) * (p[1] - y1)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


heads = [arrowhead(335, width * 1.25), arrowhead(155, width * 1.25)]
arcs = [(200, 335), (20, 155)]
s = r / 65.0  # the tray arrow is drawn for r = 65


def covered(x, y):
    d = math.hypot(x - cx, y - cy)
    if abs(d - r) <= half:
        ang = math.degrees(math.atan2(y - cy, x - cx)) % 360
        if any(a0 <= ang <= a1 for a0, a1 in arcs):
            return True
    if any(inside_triangle((x, y), t) for t in heads):
        return True
    if tray:
        u, v = (x - cx) / s, (y - cy) / s
        if -7 <= u <= 7 and -27 <= v <= 1:
            return True
        if inside_triangle((u, v), [(-20, -1), (20, -1), (0, 21)]):
            return True
        if -24 <= u <= 24 and 27 <= v <= 32:
            return True
    return False


rows = []
for j in range(n):
    row = bytearray()
    for i in range(n):
        hits = sum(covered(i + (a + 0.5) / 4, j + (b + 0.5) / 4) for a in range(4) for b in range(4))
        row.append(hits * 255 // 16)
    rows.append(bytes(row))
with open(out, "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (n, n) + b"".join(rows))
