#!/usr/bin/env python3
"""Draws the basket picture and the program icon, reproducibly, with the standard library only.

Writes into the folder given as the first argument (default: resources/):
  basket.bmp       38 x 38, 24-bit: the picture shown in the basket window
  basket-48.bmp, basket-57.bmp, basket-76.bmp  the same picture for screens at 125, 150 and
                   200 % (120, 144 and 192 dpi), where the Windows basket grows with the screen
  talvoro.ico      16, 32 and 48 px icons, 32-bit with alpha
  talvoro-32.png, talvoro-48.png, talvoro-128.png  the same icon as PNG, for the desktop
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # supersampling factor


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def inside_basket(x, y, size):
    """Shape tests in unit coordinates (0..1) of a small woven basket with a handle."""
    u, v = x / size, y / size
    # body: trapezoid, wider at the top
    top, bottom = 0.50, 0.80
    if top <= v <= bottom:
        half = 0.30 - 0.07 * (v - top) / (bottom - top)
        if abs(u - 0.5) <= half:
            return "body"
    # rim
    if 0.455 <= v < 0.50 and abs(u - 0.5) <= 0.33:
        return "rim"
    # handle: an arc above the body
    r = math.hypot(u - 0.5, (v - 0.50) * 1.15)
    if v < 0.47 and 0.20 <= r <= 0.26:
        return "handle"
    return None


def render(size, tile=True):
    """Returns rows of (r, g, b, a) pixels."""
    px = []
    light, dark = (110, 150, 255), (0, 0, 150)
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    fx, fy = x + (sx + 0.5) / SS, y + (sy + 0.5) / SS
                    if tile:
                        edge = max(1.0, size / 19.0)
                        t = (fx + fy) / (2 * size)
                        col = lerp((40, 70, 230), (0, 10, 170), t)
                        if fx < edge or fy < edge:
                            col = light
                        elif fx > size - edge or fy > size - edge:
                            col = dark
                        a = 255
                    else:
                        col, a = (0, 0, 0), 0
                    part = inside_basket(fx, fy, size)
                    if part == "body":
                        v = fy / size
                        weave = (int(v * size * 1.0 / max(1, size / 12)) % 2 == 0)
                        col = (222, 170, 90) if weave else (170, 110, 45)
                        # vertical ribs
                        if int(fx / max(1.0, size / 8.0)) % 2 == 0 and not weave:
                            col = (205, 150, 70)
                        a = 255
                    elif part == "rim":
                        col, a = (120, 70, 25), 255
                    elif part == "handle":
                        col, a = (150, 95, 35), 255
                    acc[0] += col[0] * a
                    acc[1] += col[1] * a
                    acc[2] += col[2] * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                row.append(tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(a)),))
            else:
                row.append((0, 0, 0, 0))
        px.append(row)
    return px


def bmp24(px):
    h, w = len(px), len(px[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(px):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    return header + info + bytes(data)


def ico_image(px):
    """A 32-bit DIB with its AND mask, as an icon directory entry's data."""
    h, w = len(px), len(px[0])
    xor = bytearray()
    for row in reversed(px):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for px in images:
        blob = ico_image(px)
        size = len(px)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def png(px):
    h, w = len(px), len(px[0])
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "basket.bmp"), "wb") as f:
        f.write(bmp24(render(38)))
    for size in (48, 57, 76):
        with open(os.path.join(out, "basket-%d.bmp" % size), "wb") as f:
            f.write(bmp24(render(size)))
    icons = {s: render(s) for s in (16, 32, 48, 128)}
    with open(os.path.join(out, "talvoro.ico"), "wb") as f:
        f.write(ico([icons[16], icons[32], icons[48]]))
    for s in (32, 48, 128):
        with open(os.path.join(out, "talvoro-%d.png" % s), "wb") as f:
            f.write(png(icons[s]))


if __name__ == "__main__":
    main()
