"""Uncompressed Windows BMP files (BITMAPFILEHEADER + BITMAPINFOHEADER).

Rows are stored bottom-up, padded to four bytes, with the colour table
right after the 40-byte header, so each file is one contiguous block whose
length is the header's size field: the skin container is read by walking
from one picture to the next by that field.
"""

import struct

PIXELS_PER_METRE = 2835  # 72 dpi; the engine ignores it, viewers do not


def _palette_for(img, capacity):
    """Exact palette of an image in first-seen order (top row first).

    First-seen order keeps the output stable for the same input. Pictures
    meant for a palette are drawn with few colours; a picture that needs
    more than the palette holds is a drawing mistake, not something to
    quantise silently.
    """
    index = {}
    for c in img.pixels:
        if c not in index:
            if len(index) == capacity:
                raise ValueError(f"{img.name}: more than {capacity} colours "
                                 f"for a {capacity}-entry palette")
            index[c] = len(index)
    palette = sorted(index, key=index.get)
    return palette, index


def encode(img, bits):
    """Return the bytes of a BMP file of `img` with `bits` per pixel."""
    w, h = img.width, img.height
    if bits in (1, 4, 8):
        capacity = 1 << bits
        if bits == 1 and getattr(img, "is_mask", False):
            # Masks keep black at index 0 and white at index 1 whatever
            # appears first, so the table reads the same in every skin.
            palette = [(0, 0, 0), (255, 255, 255)]
            index = {palette[0]: 0, palette[1]: 1}
            for c in img.pixels:
                if c not in index:
                    raise ValueError(f"{img.name}: mask pixel {c} is not black or white")
        else:
            palette, index = _palette_for(img, capacity)
        table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
        colours_used = len(palette)
    elif bits in (24, 32):
        table = b""
        colours_used = 0
    else:
        raise ValueError(f"unsupported depth {bits}")

    stride = ((w * bits + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):
        line = img.pixels[y * w:(y + 1) * w]
        if bits == 24:
            raw = b"".join(bytes((b, g, r)) for (r, g, b) in line)
        elif bits == 32:
            # Opaque alpha: readers that look at the fourth byte see a
            # solid picture, readers that ignore it lose nothing.
            raw = b"".join(bytes((b, g, r, 255)) for (r, g, b) in line)
        else:
            idx = [index[c] for c in line]
            per_byte = 8 // bits
            raw = bytearray()
            for i in range(0, w, per_byte):
                chunk = idx[i:i + per_byte]
                v = 0
                for j in range(per_byte):
                    v = (v << bits) | (chunk[j] if j < len(chunk) else 0)
                raw.append(v)
            raw = bytes(raw)
        rows.append(raw + b"\0" * (stride - len(raw)))
    data = b"".join(rows)

    offset = 14 + 40 + len(table)
    size = offset + len(data)
    file_header = struct.pack("<2sIHHI", b"BM", size, 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data),
                              PIXELS_PER_METRE, PIXELS_PER_METRE, colours_used, 0)
    return file_header + info_header + table + data


def decode(data):
    """Read back a BMP written by `encode` (used by the preview and checks)."""
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or size != len(data):
        raise ValueError("not a complete BMP file")
    (hsize, w, h, planes, bits, comp, _, _, _, used, _) = struct.unpack_from(
        "<IiiHHIIiiII", data, 14)
    if hsize != 40 or comp != 0 or planes != 1:
        raise ValueError("unexpected BMP header")
    palette = []
    if bits <= 8:
        n = used or (1 << bits)
        for i in range(n):
            b, g, r, _ = data[54 + 4 * i:58 + 4 * i]
            palette.append((r, g, b))
    stride = ((w * bits + 31) // 32) * 4
    pixels = [None] * (w * h)
    for row in range(h):
        y = h - 1 - row
        base = offset + row * stride
        for x in range(w):
            if bits == 24:
                b, g, r = data[base + 3 * x:base + 3 * x + 3]
                c = (r, g, b)
            elif bits == 32:
                b, g, r, _ = data[base + 4 * x:base + 4 * x + 4]
                c = (r, g, b)
            else:
                bitpos = x * bits
                byte = data[base + bitpos // 8]
                shift = 8 - bits - (bitpos % 8)
                c = palette[(byte >> shift) & ((1 << bits) - 1)]
            pixels[y * w + x] = c
    return w, h, bits, pixels
