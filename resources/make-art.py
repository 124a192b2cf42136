#!/usr/bin/env python3
"""Draws the updater's logo (78 x 64) and icon (128 x 128) as RGBA PNG files.

The art is a white "Q" ring with a tail on an orange badge, drawn with 4 x 4
supersampling so the edges are smooth. Run it from this folder to remake them.
"""
import math

from artkit import png

ORANGE = (255, 138, 0)
DEEP = (230, 96, 0)


def badge(w, h, cx, cy, r):
    """Coverage functions: inside the rounded badge, inside the Q glyph."""
    def in_badge(x, y):
        rr = r * 0.28
        qx = max(abs(x - cx) - (r - rr), 0)
        qy = max(abs(y - cy) - (r - rr), 0)
        return qx * qx + qy * qy <= rr * rr

    def in_q(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if r * 0.38 <= d <= r * 0.62:
            return True
        # The tail: a slanted bar from the ring towards the lower right.
        t = (dx + dy) / math.sqrt(2)
        n = (dx - dy) / math.sqrt(2)
        return r * 0.30 <= t <= r * 0.86 and abs(n) <= r * 0.11

    return in_badge, in_q


def draw(w, h, r):
    cx, cy = w / 2, h / 2
    in_badge, in_q = badge(w, h, cx, cy, r)
    out = []
    s = 4
    for y in range(h):
        for x in range(w):
            b = q = 0
            for sy in range(s):
                for sx in range(s):
                    px, py = x + (sx + 0.5) / s, y + (sy + 0.5) / s
                    if in_badge(px, py):
                        b += 1
                        if in_q(px, py):
                            q += 1
            a = b / (s * s)
            if a == 0:
                out.append((0, 0, 0, 0))
                continue
            f = q / b
            shade = y / h
            base = tuple(round(ORANGE[i] * (1 - shade) + DEEP[i] * shade) for i in range(3))
            col = tuple(round(base[i] * (1 - f) + 255 * f) for i in range(3))
            out.append(col + (round(a * 255),))
    return out


if __name__ == "__main__":
    png("logo.png", 78, 64, draw(78, 64, 30))
    png("icon.png", 128, 128, draw(128, 128, 60))
