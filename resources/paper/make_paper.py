#!/usr/bin/env python3
"""Write the page-background pictures of the folder peo.

    make_paper.py OUTPUT_DIR

Each picture is a 128 x 128 square (the page setup tiles the top-left 128 x 128
of the chosen picture over the page), 24-bit BMP, and wraps round at its edges
so the tiles meet without seams. The names sort in list order and the project
file stores the index, so the order of the list below must never change:

    01.bmp  white with a faint grain
    02.bmp  ivory
    03.bmp  warm off-white with fibres (the default picture, index 2)
    04.bmp  cool grey-white
    05.bmp  old paper, light parchment
"""

import math
import os
import random
import struct
import sys

SIZE = 128


def periodic_noise(rnd, cells):
    """Smooth value noise on a lattice of cells x cells that wraps round."""
    lat = [[rnd.random() for _ in range(cells)] for _ in range(cells)]
    step = SIZE / cells
    out = [[0.0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        gy = y / step
        y0 = int(gy) % cells
        y1 = (y0 + 1) % cells
        fy = gy - int(gy)
        fy = fy * fy * (3 - 2 * fy)
        for x in range(SIZE):
            gx = x / step
            x0 = int(gx) % cells
            x1 = (x0 + 1) % cells
            fx = gx - int(gx)
            fx = fx * fx * (3 - 2 * fx)
            a = lat[y0][x0] + (lat[y0][x1] - lat[y0][x0]) * fx
            b = lat[y1][x0] + (lat[y1][x1] - lat[y1][x0]) * fx
            out[y][x] = a + (b - a) * fy
    return out


def texture(seed, base, grain, cloud, fibres, fibre_tint):
    rnd = random.Random(seed)
    layers = [(periodic_noise(rnd, c), w) for c, w in ((4, 0.5), (8, 0.3), (16, 0.2))]
    shade = [[0.0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            v = sum(layer[y][x] * w for layer, w in layers) - 0.5
            shade[y][x] = v * cloud + rnd.uniform(-grain, grain)
    # fibres: short faint curved strokes, wrapped at the edges
    for _ in range(fibres):
        x, y = rnd.uniform(0, SIZE), rnd.uniform(0, SIZE)
        a = rnd.uniform(0, math.pi)
        length = rnd.randint(8, 26)
        for i in range(length):
            a += rnd.uniform(-0.15, 0.15)
            x += math.cos(a)
            y += math.sin(a)
            shade[int(y) % SIZE][int(x) % SIZE] += fibre_tint
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            s = shade[y][x]
            row.append(tuple(max(0, min(255, int(round(c + s)))) for c in base))
        pixels.append(row)
    return pixels


def write_bmp(path, pixels):
    h = len(pixels)
    w = len(pixels[0])
    row_size = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):                  # BMP rows run bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_size - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


PAPERS = [
    ("01.bmp", dict(seed=11, base=(253, 253, 252), grain=2.0, cloud=4.0, fibres=10, fibre_tint=-3.0)),
    ("02.bmp", dict(seed=12, base=(252, 249, 238), grain=2.5, cloud=6.0, fibres=16, fibre_tint=-4.0)),
    ("03.bmp", dict(seed=13, base=(250, 247, 240), grain=3.0, cloud=7.0, fibres=28, fibre_tint=-5.0)),
    ("04.bmp", dict(seed=14, base=(246, 248, 250), grain=2.5, cloud=6.0, fibres=16, fibre_tint=-4.0)),
    ("05.bmp", dict(seed=15, base=(244, 236, 218), grain=4.0, cloud=14.0, fibres=40, fibre_tint=-7.0)),
]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "peo"
    os.makedirs(out, exist_ok=True)
    for name, params in PAPERS:
        write_bmp(os.path.join(out, name), texture(**params))


if __name__ == "__main__":
    main()
