#!/usr/bin/env python3
"""Writes the settings dialog's eight cursors into resources/cursors/: monochrome 32 x 32 .cur
files with the hot spot at the top left corner. Each shows a pointer whose tip is the hot
spot and, below it to the right, what a press there does to the selection: nothing, move it,
drag a corner, or drag an edge. Black strokes with a white rim, the rest transparent.

    python3 scripts/make-cursors.py
"""
import os
import struct

SIZE = 32
CENTRE = 22

# The pointer: its tip is the hot spot.
POINTER = [(0, 0), (0, 13), (3.5, 10), (6, 15.5), (8, 14.5), (5.5, 9), (10, 9)]


def inside(polygon, x, y):
    crossings = 0
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            crossings += 1
    return crossings % 2 == 1


def line(black, x0, y0, x1, y1):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        black.add((round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)))


def arrow(black, x0, y0, x1, y1):
    """A line with a head at (x1, y1)."""
    line(black, x0, y0, x1, y1)
    dx = (x1 > x0) - (x1 < x0)
    dy = (y1 > y0) - (y1 < y0)
    if dx and dy:  # diagonal: the head's arms run along the axes
        line(black, x1, y1, x1 - 3 * dx, y1)
        line(black, x1, y1, x1, y1 - 3 * dy)
    elif dx:
        line(black, x1, y1, x1 - 3 * dx, y1 - 3)
        line(black, x1, y1, x1 - 3 * dx, y1 + 3)
    else:
        line(black, x1, y1, x1 - 3, y1 - 3 * dy)
        line(black, x1, y1, x1 + 3, y1 - 3 * dy)


def both_ways(black, x0, y0, x1, y1):
    arrow(black, x0, y0, x1, y1)
    arrow(black, x1, y1, x0, y0)


def corner(black, sx, sy):
    """A corner mark at the badge's (sx, sy) side and a diagonal double arrow through it."""
    cx, cy = CENTRE + 7 * sx, CENTRE + 7 * sy
    line(black, cx, cy, cx - 5 * sx, cy)
    line(black, cx, cy, cx, cy - 5 * sy)
    both_ways(black, CENTRE + 5 * sx, CENTRE + 5 * sy, CENTRE - 6 * sx, CENTRE - 6 * sy)


def badge(name):
    black = set()
    c = CENTRE
    if name == "ALL":
        both_ways(black, c - 8, c, c + 8, c)
        both_ways(black, c, c - 8, c, c + 8)
    elif name == "TOP_LEFT":
        corner(black, -1, -1)
    elif name == "TOP_RIGHT":
        corner(black, 1, -1)
    elif name == "BOTTOM_LEFT":
        corner(black, -1, 1)
    elif name == "BOTTOM_RIGHT":
        corner(black, 1, 1)
    elif name == "HORIZONTAL":  # a top or bottom edge: it moves up and down
        line(black, c - 6, c, c + 6, c)
        both_ways(black, c, c - 8, c, c + 8)
    elif name == "VERTICAL":  # a left or right edge: it moves sideways
        line(black, c, c - 6, c, c + 6)
        both_ways(black, c - 8, c, c + 8, c)
    return black


def picture(name):
    black = {(x, y) for y in range(SIZE) for x in range(SIZE) if inside(POINTER, x + 0.5, y + 0.5)}
    black |= {(x, y) for x, y in badge(name) if 0 <= x < SIZE and 0 <= y < SIZE}
    white = set()
    for x, y in black:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                p = (x + dx, y + dy)
                if 0 <= p[0] < SIZE and 0 <= p[1] < SIZE and p not in black:
                    white.add(p)
    return black, white


def cursor_file(black, white):
    def rows(bit):
        data = b""
        for y in reversed(range(SIZE)):  # bottom-up
            value = 0
            for x in range(SIZE):
                if bit(x, y):
                    value |= 1 << (SIZE - 1 - x)
            data += struct.pack(">I", value)
        return data

    xor = rows(lambda x, y: (x, y) in white)
    mask = rows(lambda x, y: (x, y) not in black and (x, y) not in white)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 0, 0, len(image), 6 + 16)
    return directory + entry + image


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "cursors")
    os.makedirs(folder, exist_ok=True)
    for name in ["DEFAULT", "ALL", "TOP_LEFT", "TOP_RIGHT", "BOTTOM_LEFT", "BOTTOM_RIGHT", "HORIZONTAL",
                 "VERTICAL"]:
        path = os.path.join(folder, name.lower() + ".cur")
        with open(path, "wb") as out:
            out.write(cursor_file(*picture(name)))


if __name__ == "__main__":
    main()
