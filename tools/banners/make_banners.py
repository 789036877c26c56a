#!/usr/bin/env python3
"""Draws the page banners and the About picture and writes them as JPEG files.

Usage: make_banners.py [OUTPUT_DIR]   (default: resources/banners beside this checkout)

The pictures are drawn here from simple shapes (anti-aliased through signed distances) and
handed to ImageMagick's `convert` as PPM for the JPEG encoding. The generated files are kept
in the repository, so building the program never needs this script.

Each banner is a calm horizontal gradient, dark on the left where the page writes its white
bold title, with a small network motif at the right end; each page has a tint of its own.
"""

import math
import os
import subprocess
import sys
import tempfile

BANNER_W, BANNER_H = 237, 26
ABOUT_W, ABOUT_H = 380, 117


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexcolor(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def smoothstep(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3 - 2 * t)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0)] * w for _ in range(h)]

    def fill(self, fn):
        """Sets every pixel to fn(x, y) (pixel centres)."""
        for y in range(self.h):
            row = self.px[y]
            for x in range(self.w):
                row[x] = fn(x + 0.5, y + 0.5)

    def paint(self, sdf, color, alpha=1.0, box=None):
        """Blends `color` over the area where the signed distance `sdf` is below zero."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0) - 2), max(0, int(y0) - 2)
        x1, y1 = min(self.w, int(x1) + 3), min(self.h, int(y1) + 3)
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                d = sdf(x + 0.5, y + 0.5)
                cover = min(1.0, max(0.0, 0.5 - d)) * alpha
                if cover > 0:
                    row[x] = mix(row[x], color, cover)

    def ppm(self):
        out = bytearray(b"P6\n%d %d\n255\n" % (self.w, self.h))
        for row in self.px:
            for c in row:
                out += bytes(max(0, min(255, int(round(v)))) for v in c)
        return bytes(out)


# Signed distances (pixels; negative inside).

def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - w / 2


def segment(ax, ay, bx, by, w):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy

    def d(x, y):
        t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - w / 2
    return d


def polyline(points, w):
    segs = [segment(*points[i], *points[i + 1], w) for i in range(len(points) - 1)]
    return lambda x, y: min(s(x, y) for s in segs)


def arc(cx, cy, r, a0, a1, w):
    """Arc from angle a0 to a1 (degrees, counter-clockwise on screen), round ends."""
    r0, r1 = math.radians(a0), math.radians(a1)
    e0 = (cx + r * math.cos(r0), cy - r * math.sin(r0))
    e1 = (cx + r * math.cos(r1), cy - r * math.sin(r1))

    def d(x, y):
        ang = math.atan2(-(y - cy), x - cx)
        rel = (ang - r0) % (2 * math.pi)
        if rel <= (r1 - r0) % (2 * math.pi):
            return abs(math.hypot(x - cx, y - cy) - r) - w / 2
        return min(math.hypot(x - e0[0], y - e0[1]), math.hypot(x - e1[0], y - e1[1])) - w / 2
    return d


def ellipse_ring(cx, cy, a, b, w):
    def d(x, y):
        u, v = (x - cx) / a, (y - cy) / b
        f = u * u + v * v - 1
        g = 2 * math.hypot(u / a, v / b)
        return abs(f / g if g > 1e-9 else -min(a, b)) - w / 2
    return d


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def polygon(points):
    """A convex polygon, its corners in either order."""
    n = len(points)
    edges = [segment(*points[i], *points[(i + 1) % n], 0) for i in range(n)]

    def inside(x, y):
        signs = set()
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            signs.add((bx - ax) * (y - ay) - (by - ay) * (x - ax) > 0)
        return len(signs) == 1

    def d(x, y):
        e = min(f(x, y) for f in edges)
        return -e if inside(x, y) else e
    return d


def outline(sdf, w):
    return lambda x, y: abs(sdf(x, y)) - w / 2


def union(*sdfs):
    return lambda x, y: min(s(x, y) for s in sdfs)


# Banner motifs, drawn in the right end (x from about 190 to 230, y from 3 to 23).

WHITE = (255, 255, 255)
LINE = 1.5


def motif_ip_domain(c, accent):
    # A name and an address, converted both ways.
    c.paint(rounded_rect(187, 7, 203, 19, 2.5), WHITE, 0.25)
    c.paint(outline(rounded_rect(187, 7, 203, 19, 2.5), 1.2), WHITE, 0.85)
    for y in (11, 15):
        c.paint(segment(190, y, 200, y, 1.2), WHITE, 0.8)
    c.paint(ring(222, 13, 6.5, LINE), WHITE, 0.9)
    c.paint(disc(222, 13, 2.2), accent)
    c.paint(segment(206, 10.5, 213, 10.5, 1.2), WHITE, 0.9)
    c.paint(polyline([(211, 8.5), (213.5, 10.5), (211, 12.5)], 1.2), WHITE, 0.9)
    c.paint(segment(206, 15.5, 213, 15.5, 1.2), WHITE, 0.9)
    c.paint(polyline([(208, 13.5), (205.5, 15.5), (208, 17.5)], 1.2), WHITE, 0.9)


def motif_ping(c, accent):
    # One station sending echoes to a column of hosts.
    c.paint(disc(193, 13, 3.2), WHITE)
    for r, a in ((6.5, 0.9), (10.5, 0.65), (14.5, 0.4)):
        c.paint(arc(193, 13, r, -42, 42, LINE), WHITE, a)
    for y in (5.5, 13, 20.5):
        c.paint(disc(221, y, 2.6), WHITE, 0.95)
        c.paint(disc(221, y, 1.2), accent)


def motif_traceroute(c, accent):
    # Hops along a route to the target.
    pts = [(187, 18), (197, 8), (207, 17), (217, 8)]
    c.paint(polyline(pts + [(226, 13)], LINE), WHITE, 0.7)
    for x, y in pts:
        c.paint(disc(x, y, 2.6), WHITE)
    c.paint(ring(226, 13, 5.0, LINE), WHITE)
    c.paint(disc(226, 13, 2.2), accent)


def motif_whois(c, accent):
    # A globe: who owns which part of the net.
    cx, cy, r = 214, 13, 9.5
    c.paint(disc(cx, cy, r), WHITE, 0.15)
    c.paint(ring(cx, cy, r, LINE), WHITE, 0.95)
    c.paint(ellipse_ring(cx, cy, 4.2, r, 1.1), WHITE, 0.75)
    c.paint(segment(cx - r, cy, cx + r, cy, 1.1), WHITE, 0.75)
    for dy in (-5, 5):
        half = math.sqrt(r * r - dy * dy)
        c.paint(segment(cx - half + 0.8, cy + dy, cx + half - 0.8, cy + dy, 1.0), WHITE, 0.55)
    c.paint(disc(cx + 5.5, cy - 5.5, 2.3), accent)
    c.paint(ring(cx + 5.5, cy - 5.5, 2.3, 1.0), WHITE)


def motif_country(c, accent):
    # A place marker standing on the ground.
    cx, cy, r, tip = 214, 9.5, 6.5, 21.0
    # The tangents from the tip meet the head where the marker's sides begin.
    k = r / (tip - cy)
    side_y = cy + r * k
    side_dx = r * math.sqrt(1 - k * k)
    body = polygon([(cx - side_dx, side_y), (cx + side_dx, side_y), (cx, tip)])
    c.paint(ellipse_ring(cx, 21.5, 8.5, 2.0, 1.0), WHITE, 0.55)
    c.paint(union(disc(cx, cy, r), body), WHITE, 0.95, (cx - 8, 0, cx + 8, 24))
    c.paint(disc(cx, cy, 2.6), accent)


def motif_scanner(c, accent):
    # A web page looked through a lens.
    page = rounded_rect(186, 4, 212, 22, 2)
    c.paint(page, WHITE, 0.22)
    c.paint(outline(page, 1.2), WHITE, 0.9)
    c.paint(segment(186.5, 8.5, 211.5, 8.5, 1.0), WHITE, 0.8)
    for x in (189, 192, 195):
        c.paint(disc(x, 6.3, 0.9), WHITE, 0.9)
    for y, x1 in ((12, 205), (15.5, 200), (19, 203)):
        c.paint(segment(189.5, y, x1, y, 1.2), WHITE, 0.65)
    c.paint(disc(219, 13, 5.5), accent, 0.9)
    c.paint(ring(219, 13, 5.5, 1.8), WHITE)
    c.paint(segment(223, 17, 227.5, 21.5, 2.6), WHITE)


def motif_monitor(c, accent):
    # Two ends of a connection with a live pulse between them.
    c.paint(ring(190, 13, 4.2, LINE), WHITE)
    c.paint(disc(190, 13, 1.8), accent)
    c.paint(ring(226, 13, 4.2, LINE), WHITE)
    c.paint(disc(226, 13, 1.8), accent)
    pulse = [(194.5, 13), (201, 13), (204, 7), (208, 20), (211.5, 10), (213.5, 13), (221.5, 13)]
    c.paint(polyline(pulse, LINE), WHITE, 0.95)


# name, left colour (under the title), right colour, accent, motif
BANNERS = [
    ("ip_domain_converter", "#163f86", "#4f86cf", "#ffd36b", motif_ip_domain),
    ("batch_ping", "#0c5a66", "#3aa0a8", "#ffd36b", motif_ping),
    ("traceroute", "#27367e", "#6476c9", "#ffd36b", motif_traceroute),
    ("whois", "#173552", "#4c7ca6", "#ffd36b", motif_whois),
    ("ip_country_converter", "#0a4f7a", "#3995c7", "#ff9a6b", motif_country),
    ("website_scanner", "#0f5a50", "#44a08f", "#ffd36b", motif_scanner),
    ("connection_monitor", "#12445a", "#3c8aa2", "#8cf0a0", motif_monitor),
]


def banner(left, right, accent, motif):
    left, right, accent = hexcolor(left), hexcolor(right), hexcolor(accent)
    c = Canvas(BANNER_W, BANNER_H)

    def background(x, y):
        # Dark and even under the title, brightening towards the motif; a soft light from the top.
        base = mix(left, right, smoothstep((x - 60) / (BANNER_W - 60)))
        shade = 1.10 - 0.16 * (y / BANNER_H)
        col = tuple(v * shade for v in base)
        if y < 1:
            col = mix(col, WHITE, 0.22)
        elif y > BANNER_H - 1:
            col = mix(col, (0, 0, 0), 0.25)
        return col
    c.fill(background)
    motif(c, accent)
    return c


def about():
    # The program's emblem: a ring of hosts joined to a centre, on a deep blue-to-teal field,
    # with a faint mesh of links fading to the right.
    c = Canvas(ABOUT_W, ABOUT_H)
    top, bottom = hexcolor("#0f2f66"), hexcolor("#127080")

    def background(x, y):
        t = smoothstep(x / ABOUT_W * 0.8 + y / ABOUT_H * 0.2)
        col = mix(top, bottom, t)
        glow = max(0.0, 1 - math.hypot(x - 70, y - 58) / 120)
        return mix(col, hexcolor("#3b7fd0"), 0.35 * glow * glow)
    c.fill(background)

    mesh = [(150, 24), (196, 14), (236, 40), (282, 18), (330, 34), (364, 12),
            (172, 70), (214, 86), (262, 64), (306, 92), (350, 72), (190, 108), (286, 110)]
    links = [(0, 1), (1, 2), (2, 3), (3, 4), (4, 5), (0, 6), (6, 7), (7, 8), (8, 2), (8, 9),
             (9, 10), (10, 4), (7, 11), (9, 12), (6, 2), (3, 8), (11, 12)]
    for i, j in links:
        (ax, ay), (bx, by) = mesh[i], mesh[j]
        fade = 0.22 - 0.12 * ((ax + bx) / 2 - 150) / 230
        c.paint(segment(ax, ay, bx, by, 1.1), (255, 255, 255), fade,
                (min(ax, bx), min(ay, by), max(ax, bx), max(ay, by)))
    for x, y in mesh:
        fade = 0.45 - 0.25 * (x - 150) / 230
        c.paint(disc(x, y, 2.6), (255, 255, 255), fade, (x - 4, y - 4, x + 4, y + 4))

    cx, cy = 70, 58
    gold = hexcolor("#ffd36b")
    c.paint(disc(cx, cy, 44), (255, 255, 255), 0.06, (cx - 46, cy - 46, cx + 46, cy + 46))
    c.paint(ring(cx, cy, 36, 3.0), (255, 255, 255), 0.95, (cx - 40, cy - 40, cx + 40, cy + 40))
    c.paint(ellipse_ring(cx, cy, 36, 13, 1.6), (255, 255, 255), 0.55,
            (cx - 40, cy - 16, cx + 40, cy + 16))
    c.paint(ellipse_ring(cx, cy, 15, 36, 1.6), (255, 255, 255), 0.55,
            (cx - 18, cy - 40, cx + 18, cy + 40))
    hosts = [(cx + 36 * math.cos(math.radians(a)), cy - 36 * math.sin(math.radians(a)))
             for a in (90, 162, 234, 306, 18)]
    for x, y in hosts:
        c.paint(segment(cx, cy, x, y, 1.6), (255, 255, 255), 0.8,
                (min(cx, x), min(cy, y), max(cx, x), max(cy, y)))
    for x, y in hosts:
        c.paint(disc(x, y, 6.0), hexcolor("#1d4f8f"), 1.0, (x - 7, y - 7, x + 7, y + 7))
        c.paint(ring(x, y, 6.0, 2.0), (255, 255, 255), 1.0, (x - 8, y - 8, x + 8, y + 8))
    c.paint(disc(cx, cy, 9), gold, 1.0, (cx - 10, cy - 10, cx + 10, cy + 10))
    c.paint(ring(cx, cy, 9, 2.2), (255, 255, 255), 1.0, (cx - 12, cy - 12, cx + 12, cy + 12))
    return c


def write_jpeg(canvas, path):
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(canvas.ppm())
        tmp = f.name
    try:
        # Full-resolution colour keeps the thin white lines of the motifs clean.
        subprocess.run(["convert", tmp, "-strip", "-sampling-factor", "1x1", "-interlace",
                        "none", "-quality", "92", "jpg:" + path], check=True)
    finally:
        os.unlink(tmp)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources",
                                                             "banners")
    os.makedirs(out, exist_ok=True)
    for name, left, right, accent, motif in BANNERS:
        write_jpeg(banner(left, right, accent, motif), os.path.join(out, name + ".jpg"))
    write_jpeg(about(), os.path.join(out, "about.jpg"))


if __name__ == "__main__":
    main()
