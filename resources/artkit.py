"""Small drawing kit of the art generators: an RGBA canvas with supersampled
shapes, and a plain PNG writer.

Colours are (r, g, b) or (r, g, b, a) with channels 0..255. A shape is a
pair (inside, box): inside(x, y) tells whether a point lies in the shape and
box = (x0, y0, x1, y1) bounds it, so only those pixels are sampled.
"""
import math
import struct
import zlib


def png(path, w, h, pixels):
    """Writes w x h RGBA tuples (rows top to bottom) as an 8-bit RGBA PNG."""
    raw = b"".join(b"\x00" + bytes(sum((list(p) for p in pixels[y * w:(y + 1) * w]), [])) for y in range(h))

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def hexc(s, a=255):
    """'#90D52D' -> (144, 213, 45, a)."""
    s = s.lstrip("#")
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16), a)


def mix(c1, c2, t):
    """The colour t of the way from c1 to c2 (alpha included when both have it)."""
    a1 = c1[3] if len(c1) > 3 else 255
    a2 = c2[3] if len(c2) > 3 else 255
    return tuple(c1[i] + (c2[i] - c1[i]) * t for i in range(3)) + (a1 + (a2 - a1) * t,)


def vgrad(top, bottom, y0, y1):
    """A vertical gradient from top at y0 to bottom at y1, as a colour function."""
    span = max(y1 - y0, 1e-6)
    return lambda x, y: mix(top, bottom, min(max((y - y0) / span, 0.0), 1.0))


# ---- Shapes


def rect(x0, y0, x1, y1):
    return (lambda x, y: x0 <= x < x1 and y0 <= y < y1), (x0, y0, x1, y1)


def rrect(x0, y0, x1, y1, r):
    """A rectangle with circular corners of radius r."""
    def inside(x, y):
        qx = max(x0 + r - x, x - (x1 - r), 0.0)
        qy = max(y0 + r - y, y - (y1 - r), 0.0)
        return qx * qx + qy * qy <= r * r and x0 <= x <= x1 and y0 <= y <= y1
    return inside, (x0, y0, x1, y1)


def circle(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def stroke(points, width):
    """A polyline of the given width with round ends and joints."""
    h = width / 2
    segs = list(zip(points, points[1:]))

    def near(x, y):
        for (ax, ay), (bx, by) in segs:
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy or 1)
            t = min(max(t, 0.0), 1.0)
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= h * h:
                return True
        return False
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return near, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h)


def polygon(points):
    """Even-odd filled polygon."""
    n = len(points)

    def inside(x, y):
        c = False
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return inside, (min(xs), min(ys), max(xs), max(ys))


def arc(cx, cy, r, width, a0, a1):
    """A ring segment from angle a0 to a1 (degrees, clockwise from 3 o'clock, y down)."""
    h = width / 2

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > h:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a0 <= a <= a1) if a0 <= a1 else (a >= a0 or a <= a1)
    return inside, (cx - r - h, cy - r - h, cx + r + h, cy + r + h)


def minus(a, b):
    return (lambda x, y: a[0](x, y) and not b[0](x, y)), a[1]


def union(*shapes):
    boxes = [s[1] for s in shapes]
    box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))
    return (lambda x, y: any(s[0](x, y) for s in shapes)), box


def moved(shape, dx, dy):
    f, (x0, y0, x1, y1) = shape
    return (lambda x, y: f(x - dx, y - dy)), (x0 + dx, y0 + dy, x1 + dx, y1 + dy)


# ---- Canvas


class Canvas:
    """Straight (not premultiplied) colour per pixel, painted with 'over'."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [(0.0, 0.0, 0.0, 0.0)] * (w * h)

    def put(self, x, y, c):
        """Sets one pixel exactly, replacing what was there."""
        self.px[y * self.w + x] = (c[0], c[1], c[2], (c[3] if len(c) > 3 else 255) / 255)

    def blend(self, x, y, c, a):
        r, g, b, da = self.px[y * self.w + x]
        out = a + da * (1 - a)
        if out <= 0:
            return
        k = da * (1 - a)
        self.px[y * self.w + x] = ((c[0] * a + r * k) / out, (c[1] * a + g * k) / out, (c[2] * a + b * k) / out, out)

    def paint(self, shape, colour, ss=4):
        """Fills the shape with a colour or a colour function of (x, y)."""
        inside, (bx0, by0, bx1, by1) = shape
        x0, y0 = max(int(math.floor(bx0)), 0), max(int(math.floor(by0)), 0)
        x1, y1 = min(int(math.ceil(bx1)), self.w), min(int(math.ceil(by1)), self.h)
        offs = [(i + 0.5) / ss for i in range(ss)]
        for y in range(y0, y1):
            for x in range(x0, x1):
                n = sum(1 for sy in offs for sx in offs if inside(x + sx, y + sy))
                if not n:
                    continue
                c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                a = (c[3] if len(c) > 3 else 255) / 255 * n / (ss * ss)
                self.blend(x, y, c, a)

    def pixels(self):
        out = []
        for r, g, b, a in self.px:
            a8 = round(a * 255)
            out.append((round(r), round(g), round(b), a8) if a8 else (0, 0, 0, 0))
        return out
