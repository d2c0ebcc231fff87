#!/usr/bin/env python3
"""Draws Zelk's logo artwork, resources/zelk-logo.png: an RGB image of 1774 x 887.

The wordmark is built from round-capped strokes, and the middle bar of the E is a bent pitch
line, the kind a producer draws on the piano roll. The editor keeps only the dark parts of the
artwork and tints them with the theme's ink, so the drawing is dark on a light ground, and the
thinner glide line below is a mid tone that comes out lighter in every theme.

Run it from anywhere; it needs only Python 3.
"""

import math
import os
import struct
import zlib

WIDTH, HEIGHT = 1774, 887
GROUND = (246, 243, 235)
INK = (28, 29, 33)
GLIDE = (70, 88, 150)


def capsule_distance(px, py, ax, ay, bx, by):
    """Distance from a point to the segment a-b."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def stroke(canvas, points, width, colour):
    """Paints a polyline with round caps and joins, anti-aliased by its distance field."""
    half = width / 2.0
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        x0 = max(0, int(min(ax, bx) - half - 2))
        x1 = min(WIDTH - 1, int(max(ax, bx) + half + 2))
        y0 = max(0, int(min(ay, by) - half - 2))
        y1 = min(HEIGHT - 1, int(max(ay, by) + half + 2))
        for y in range(y0, y1 + 1):
            row = canvas[y]
            for x in range(x0, x1 + 1):
                coverage = half + 0.5 - capsule_distance(x + 0.5, y + 0.5, ax, ay, bx, by)
                if coverage <= 0:
                    continue
                coverage = min(1.0, coverage)
                if coverage > row[x][3]:
                    row[x] = (colour[0], colour[1], colour[2], coverage)


def wave(x0, x1, y, amplitude, cycles, steps=120):
    return [(x0 + (x1 - x0) * i / steps,
             y - amplitude * math.sin(2 * math.pi * cycles * i / steps) * math.sin(math.pi * i / steps))
            for i in range(steps + 1)]


def glide(x0, x1, y0, y1, steps=720):
    """A held note that glides up into the next one, which ends in a vibrato."""
    points = []
    for i in range(steps + 1):
        u = i / steps
        t = min(1.0, max(0.0, (u - 0.34) / 0.3))
        shaped = t * t * (3 - 2 * t)
        vibrato = 9 * math.sin(2 * math.pi * 5 * (u - 0.72) / 0.28) * math.sin(math.pi * (u - 0.72) / 0.28) if u > 0.72 else 0.0
        points.append((x0 + (x1 - x0) * u, y0 + (y1 - y0) * shaped + vibrato))
    return points


def draw():
    canvas = [[(0, 0, 0, 0.0)] * WIDTH for _ in range(HEIGHT)]
    top, bottom, weight = 190.0, 600.0, 74.0
    letter, gap = 300.0, 92.0
    left = (WIDTH - (4 * letter + 3 * gap)) / 2.0
    z, e, l, k = (left + i * (letter + gap) for i in range(4))
    middle = (top + bottom) / 2.0

    stroke(canvas, [(z, top), (z + letter, top), (z, bottom), (z + letter, bottom)], weight, INK)

    stroke(canvas, [(e + letter, top), (e, top), (e, bottom), (e + letter, bottom)], weight, INK)
    stroke(canvas, wave(e, e + letter * 0.92, middle, 34.0, 2.0), weight * 0.62, INK)

    stroke(canvas, [(l, top), (l, bottom), (l + letter * 0.9, bottom)], weight, INK)

    stroke(canvas, [(k, top), (k, bottom)], weight, INK)
    stroke(canvas, [(k + letter, top), (k + 26, middle + 8), (k + letter, bottom)], weight, INK)

    line_y = bottom + 150.0
    stroke(canvas, glide(left - 10, left + 4 * letter + 3 * gap + 10, line_y, line_y - 46), 16.0, GLIDE)
    return canvas


def write_png(path, canvas):
    raw = bytearray()
    for row in canvas:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes(round(GROUND[i] + ((r, g, b)[i] - GROUND[i]) * a) for i in range(3))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "..", "resources", "zelk-logo.png")
    write_png(target, draw())
    print("wrote", os.path.normpath(target))
