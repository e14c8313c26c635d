#!/usr/bin/env python3
"""Reads screenshots of the demo desktop for the demo scripts.

  shots.py icon SHOT X Y W H       centre "x y" of the icon in that area
  shots.py differ A B X Y W H      how many pixels of that area differ

The icon is the bounding box of the pixels that differ from the area's most
common colour (the taskbar's face). ImageMagick's convert turns the PNG into a
plain PPM, so nothing beyond the standard library is needed here.
"""
import collections
import os
import subprocess
import sys
import tempfile


def read_area(path, x, y, w, h):
    """The area's pixels as a list of rows of (r, g, b)."""
    with tempfile.TemporaryDirectory() as folder:
        ppm = os.path.join(folder, "area.ppm")
        subprocess.run(
            ["convert", path, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
             "-depth", "8", "ppm:" + ppm],
            check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        with open(ppm, "rb") as f:
            data = f.read()
    # P6 header: magic, width, height, maxval, one white space, then the bytes.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at) + 1
            continue
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    at += 1
    if fields[0] != b"P6":
        sys.exit("shots.py: convert gave no PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at:at + 3 * width * height]
    return [[tuple(pixels[3 * (row * width + col):3 * (row * width + col) + 3])
             for col in range(width)] for row in range(height)]


def icon(path, x, y, w, h):
    rows = read_area(path, x, y, w, h)
    face = collections.Counter(p for row in rows for p in row).most_common(1)[0][0]
    # Leave out the taskbar's top edge lines: they run the whole width.
    inside = [(col, row) for row, line in enumerate(rows) for col, p in enumerate(line)
              if p != face and sum(1 for q in line if q != face) < len(line) * 3 // 4]
    if len(inside) < 8:
        sys.exit("shots.py: no icon in the area")
    cols = [c for c, _ in inside]
    lines = [r for _, r in inside]
    print("%d %d" % (x + (min(cols) + max(cols)) // 2, y + (min(lines) + max(lines)) // 2))


def differ(a, b, x, y, w, h):
    first, second = read_area(a, x, y, w, h), read_area(b, x, y, w, h)
    print(sum(1 for r1, r2 in zip(first, second) for p, q in zip(r1, r2) if p != q))


def main(argv):
    if len(argv) == 7 and argv[1] == "icon":
        icon(argv[2], *map(int, argv[3:7]))
    elif len(argv) == 8 and argv[1] == "differ":
        differ(argv[2], argv[3], *map(int, argv[4:8]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
