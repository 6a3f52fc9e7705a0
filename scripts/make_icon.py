#!/usr/bin/env python3
"""Draws the application icon and writes resources/mainicon.ico.

The icon is a dark grey aircraft seen from above, nose to the right, on a
transparent background: one 32 x 32 image, 32 bits per pixel with a real
alpha channel. Edges are anti-aliased by sampling every pixel on an 8 x 8
grid and taking the covered fraction as the alpha value.

Usage: make_icon.py [--preview PNG]

Only the Python standard library is used. With --preview (default
/tmp/mainicon_preview.png) an enlarged picture is written as well, so the
drawing can be checked by eye; it never goes into the source tree.
"""

import argparse
import os
import struct

from png_preview import png_bytes

SIZE = 32
SUPERSAMPLE = 8
INK = (42, 42, 42)  # RGB of the silhouette


# --- shapes --------------------------------------------------------------
# Coordinates are in pixels, y downwards; pixel (i, j) covers the square
# [i, i+1) x [j, j+1).

class Polygon:
    def __init__(self, points):
        self.points = list(points)
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                xc = xi + (y - yi) * (xj - xi) / (yj - yi)
                if x < xc:
                    inside = not inside
            j = i
        return inside


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def contains(self, x, y):
        dx = (x - self.cx) / self.rx
        dy = (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0


def mirrored(points, axis_y):
    """The polygon made of `points` and their mirror image about y = axis_y.

    `points` run from the centre line outwards on the upper side; the lower
    half is added in reverse order so that the outline stays closed.
    """
    upper = list(points)
    lower = [(x, 2 * axis_y - y) for (x, y) in reversed(upper)]
    return Polygon(upper + lower)


def coverage(shapes, width, height, ss=SUPERSAMPLE):
    """Fraction of each pixel covered by the union of the shapes."""
    out = [[0.0] * width for _ in range(height)]
    step = 1.0 / ss
    offsets = [(k + 0.5) * step for k in range(ss)]
    total = ss * ss
    for j in range(height):
        for i in range(width):
            near = [s for s in shapes
                    if s.bbox[0] <= i + 1 and s.bbox[2] >= i
                    and s.bbox[1] <= j + 1 and s.bbox[3] >= j]
            if not near:
                continue
            hits = 0
            for oy in offsets:
                y = j + oy
                for ox in offsets:
                    x = i + ox
                    for s in near:
                        if s.contains(x, y):
                            hits += 1
                            break
            out[j][i] = hits / total
    return out


# --- the aircraft ----------------------------------------------------------

def aircraft_shapes():
    cy = SIZE / 2.0
    shapes = []

    # Fuselage: tapered tail cone, straight body, long rounded nose.
    body = [(2.2, cy - 0.8), (5.5, cy - 1.5), (9.0, cy - 2.0), (25.5, cy - 2.0)]
    shapes.append(mirrored(body + [(25.5, cy)], cy))
    shapes.append(Ellipse(25.5, cy, 4.3, 2.0))

    # Main wings, swept back; the trailing edge is swept less than the
    # leading edge so the wing narrows towards the tip.
    wing = [(19.8, cy), (19.8, cy - 1.5), (10.6, cy - 14.2), (9.2, cy - 14.6),
            (7.9, cy - 14.2), (13.2, cy - 1.5), (13.2, cy)]
    shapes.append(mirrored(wing, cy))

    # Engines hanging under the wings, poking out ahead of the leading edge.
    for side in (-1, 1):
        shapes.append(Ellipse(17.0, cy + side * 7.0, 2.5, 1.2))

    # Tail-plane.
    tail = [(7.4, cy), (7.4, cy - 1.2), (3.8, cy - 6.6), (2.6, cy - 6.8),
            (2.0, cy - 6.4), (3.6, cy - 1.2), (3.6, cy)]
    shapes.append(mirrored(tail, cy))
    return shapes


# --- file formats --------------------------------------------------------

def ico_bytes(alpha, rgb):
    """One-image icon group: ICONDIR, ICONDIRENTRY, then the DIB."""
    w = h = SIZE
    xor = bytearray()
    for j in range(h - 1, -1, -1):  # bottom-up rows
        for i in range(w):
            a = alpha[j][i]
            if a == 0:
                xor += b"\0\0\0\0"
            else:
                xor += bytes((rgb[2], rgb[1], rgb[0], a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for j in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for i in range(w):
            if alpha[j][i] == 0:  # fully transparent: AND bit set
                row[i // 8] |= 0x80 >> (i % 8)
        mask += row

    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


def over(rgb, a, bg):
    return tuple(round(c * a / 255 + d * (255 - a) / 255) for c, d in zip(rgb, bg))


def preview(alpha, rgb, scale=8):
    """Enlarged view on a checkerboard, plus actual-size views on light and
    dark backgrounds along the bottom."""
    w = h = SIZE
    pad = 8
    width = w * scale
    height = h * scale + pad + h + pad
    canvas = [[(255, 255, 255)] * width for _ in range(height)]
    for y in range(h * scale):
        for x in range(width):
            check = ((x // 16) + (y // 16)) % 2
            bg = (204, 204, 204) if check else (240, 240, 240)
            canvas[y][x] = over(rgb, alpha[y // scale][x // scale], bg)
    top = h * scale + pad
    for n, bg in enumerate([(255, 255, 255), (212, 208, 200), (0, 84, 166)]):
        left = pad + n * (w + pad)
        for y in range(h):
            for x in range(w):
                canvas[top + y][left + x] = over(rgb, alpha[y][x], bg)
    return png_bytes(canvas)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=os.path.join(here, "..", "resources", "mainicon.ico"))
    parser.add_argument("--preview", default="/tmp/mainicon_preview.png")
    args = parser.parse_args()

    cov = coverage(aircraft_shapes(), SIZE, SIZE)
    alpha = [[int(round(c * 255)) for c in row] for row in cov]

    with open(args.output, "wb") as f:
        f.write(ico_bytes(alpha, INK))
    if args.preview:
        with open(args.preview, "wb") as f:
            f.write(preview(alpha, INK))


if __name__ == "__main__":
    main()
