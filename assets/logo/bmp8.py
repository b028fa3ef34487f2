"""Writes raw RGB pixels (stdin) as an uncompressed 8-bit palette BMP: bmp8.py WIDTH HEIGHT OUT."""
import struct
import sys

width, height, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
raw = sys.stdin.buffer.read()
pixels = [tuple(raw[i:i + 3]) for i in range(0, width * height * 3, 3)]
palette = sorted(set(pixels))
if len(palette) > 256:
    sys.exit("more than 256 colours")
index = {c: i for i, c in enumerate(palette)}
stride = (width + 3) & ~3
rows = b"".join(
    bytes(index[pixels[y * width + x]] for x in range(width)) + b"\0" * (stride - width)
    for y in reversed(range(height)))
table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + b"\0\0\0\0" * (256 - len(palette))
offset = 14 + 40 + len(table)
header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
with open(out, "wb") as f:
    f.write(header + info + table + rows)
