#!/usr/bin/env python3
"""Draws the plug-in's logo, resources/ZV-logo.png: the letters Z and V in white on a dark
rounded square, anti-aliased by 4x4 supersampling. Standard library only; run it again to
remake the file."""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZE = 64
SAMPLES = 4
BACKGROUND = (38, 70, 83)
INK = (244, 241, 222)
STROKE = 4.2  # half the stroke width, in pixels

# The two letters as polylines, in pixel coordinates (y down).
STROKES = [
    [(10, 20), (28, 20), (10, 44), (28, 44)],  # Z
    [(34, 20), (44, 44), (54, 20)],  # V
]


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def inside_rounded_square(x, y, radius=12.0):
    cx = min(max(x, radius), SIZE - radius)
    cy = min(max(y, radius), SIZE - radius)
    return math.hypot(x - cx, y - cy) <= radius


def pixel(x, y):
    square = ink = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            px, py = x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES
            if not inside_rounded_square(px, py):
                continue
            square += 1
            if any(segment_distance(px, py, *a, *b) <= STROKE
                   for line in STROKES for a, b in zip(line, line[1:])):
                ink += 1
    n = SAMPLES * SAMPLES
    if square == 0:
        return (0, 0, 0, 0)
    colour = [round((BACKGROUND[i] * (square - ink) + INK[i] * ink) / square) for i in range(3)]
    return (*colour, round(255 * square / n))


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources" / "ZV-logo.png"
    out.write_bytes(png([[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]))


if __name__ == "__main__":
    main()
