#!/usr/bin/env python3
"""Draws the outcome dialogs' button pictures (32 x 32 PNG, transparent).

The PNG files are kept in the repository; run this only to change them.
Standard library only: shapes are rendered with 4 x 4 supersampling.
"""
import math
import struct
import zlib
from pathlib import Path

SIZE = 32
SAMPLES = 4


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def render(layers):
    """layers: list of (colour (r, g, b), inside(x, y) -> bool), painted in order."""
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            r = g = b = a = 0.0
            for colour, inside in layers:
                hits = sum(
                    inside(x + (i + 0.5) / SAMPLES, y + (j + 0.5) / SAMPLES)
                    for i in range(SAMPLES)
                    for j in range(SAMPLES)
                )
                cover = hits / (SAMPLES * SAMPLES)
                if cover == 0:
                    continue
                # Source-over compositing with premultiplied sums.
                r = colour[0] * cover + r * (1 - cover)
                g = colour[1] * cover + g * (1 - cover)
                b = colour[2] * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    Path(path).write_bytes(
        b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def stroke(points, width):
    half = width / 2
    segments = list(zip(points, points[1:]))
    return lambda x, y: any(segment_distance(x, y, *a, *b) <= half for a, b in segments)


def disc(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) <= radius


def ring(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) <= width / 2


GREEN = (30, 140, 30)
RED = (192, 24, 24)
WHITE = (255, 255, 255)

here = Path(__file__).resolve().parent
# A green tick for "OK".
write_png(here / "ok.png", render([(GREEN, stroke([(6, 17), (13, 24), (26, 8)], 5))]))
# A red cross on a white disc inside a red ring for "Close".
write_png(
    here / "close.png",
    render([
        (WHITE, disc(16, 16, 13)),
        (RED, ring(16, 16, 13, 3)),
        (RED, stroke([(11, 11), (21, 21)], 4)),
        (RED, stroke([(21, 11), (11, 21)], 4)),
    ]),
)
