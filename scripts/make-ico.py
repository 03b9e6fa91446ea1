#!/usr/bin/env python3
"""Writes res/tamlix.ico (the Windows icon, resource 138) from the program's
32 x 32 icon picture res/Icon138.xpm: 16, 32, 48 and 64 pixels, 32-bit
colour with alpha. Run again only when the picture changes."""
import re
import struct
import sys


def read_xpm(path):
    rows = re.findall(r'"([^"]*)"', open(path, encoding="ascii").read())
    w, h, ncolors, cpp = map(int, rows[0].split()[:4])
    colours = {}
    for line in rows[1:1 + ncolors]:
        key, value = line[:cpp], line[cpp:].split()[-1]
        colours[key] = None if value.lower() == "none" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    pixels = []
    for line in rows[1 + ncolors:1 + ncolors + h]:
        row = []
        for x in range(w):
            c = colours[line[x * cpp:(x + 1) * cpp]]
            row.append((0, 0, 0, 0) if c is None else c + (255,))
        pixels.append(row)
    return pixels


def scale(pixels, size):
    """Nearest neighbour upwards, 2 x 2 averaging (alpha-weighted) downwards."""
    n = len(pixels)
    if size >= n:
        return [[pixels[y * n // size][x * n // size] for x in range(size)] for y in range(size)]
    f = n // size
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            block = [pixels[y * f + j][x * f + i] for j in range(f) for i in range(f)]
            a = sum(p[3] for p in block)
            if a == 0:
                row.append((0, 0, 0, 0))
                continue
            rgb = tuple(round(sum(p[k] * p[3] for p in block) / a) for k in range(3))
            row.append(rgb + (round(a / len(block)),))
        out.append(row)
    return out


def dib(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def main():
    src, dst = sys.argv[1:3] if len(sys.argv) == 3 else ("res/Icon138.xpm", "res/tamlix.ico")
    base = read_xpm(src)
    images = [(s, dib(scale(base, s))) for s in (16, 32, 48, 64)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    open(dst, "wb").write(out)


main()
