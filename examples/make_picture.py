#!/usr/bin/env python3
"""Writes pattern64.bmp: a 64x64 24-bit test picture (gradient, disc, bar, salt-and-pepper noise), and
pattern64_clean.bmp: the same picture without the noise."""
import struct

W = H = 64
seed = 12345


def rand():
    global seed
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    return seed


rows = []
clean_rows = []
for y in range(H):
    row = []
    clean_row = []
    for x in range(W):
        r, g, b = 4 * x, 4 * y, 255 - 2 * (x + y)
        if (x - 22) ** 2 + (y - 24) ** 2 < 13 ** 2:
            r, g, b = 240, 200, 40
        if 38 <= x < 58 and 10 <= y < 54 and (x + y) % 8 < 4:
            r, g, b = 30, 60, 160
        clean_row.append((max(0, r), max(0, g), max(0, b)))
        n = rand() % 100
        if n < 4:
            r = g = b = 255
        elif n < 8:
            r = g = b = 0
        row.append((max(0, r), max(0, g), max(0, b)))
    rows.append(row)
    clean_rows.append(clean_row)



def write(name, picture_rows):
    data = b""
    for row in reversed(picture_rows):  # BMP rows run bottom-up
        data += b"".join(bytes((b, g, r)) for r, g, b in row)  # 64 * 3 bytes: no padding needed
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(name, "wb") as out:
        out.write(header + info + data)


write("pattern64.bmp", rows)
write("pattern64_clean.bmp", clean_rows)
