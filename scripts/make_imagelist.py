#!/usr/bin/env python3
"""Draws the main window's small images and writes resources/imagelist1.bin.

The output is an image-list stream in the layout that ImageList_Write
produces and ImageList_Read takes back:

  header, 28 bytes, packed:
    USHORT magic 'IL', USHORT version 0x0101,
    WORD count, WORD capacity, WORD grow, WORD cx, WORD cy,
    COLORREF background, WORD ILC_* flags, SHORT overlay[4]
  the image bitmap as a complete .bmp file (BITMAPFILEHEADER,
    BITMAPINFOHEADER, bits)
  the mask bitmap as a complete .bmp file, 1 bit per pixel with its
    two-entry colour table (only present because the flags hold ILC_MASK)

Both bitmaps are four images wide: image i sits in column i % 4, row i // 4.
Rows are stored bottom-up as in any .bmp file. A set mask bit means
"transparent"; where it is set the image bits are black, which is how the
image list itself keeps them.

The images, 16 x 16 each:
  0  open folder with an arrow        (mask transparency)
  1  green check mark                 (own alpha channel)
  2  list-view style grid             (mask transparency)
  3  black cross                      (mask transparency)
  4  doorway with a half-open door    (fully opaque)

Usage: make_imagelist.py [--output BIN] [--preview PNG]

Only the Python standard library is used. The preview (default
/tmp/imagelist1_preview.png) shows the images eight times enlarged.
"""

import argparse
import math
import os
import struct

from png_preview import png_bytes

CX = CY = 16
PER_ROW = 4
COUNT = 5
CAPACITY = 8
GROW = 36
CLR_NONE = 0xFFFFFFFF
ILC_MASK = 0x0001
ILC_COLORDDB = 0x00FE
# 0x1000 is not one of the documented ILC_* values. ImageList_Read hands the
# flags on to ImageList_Create, which only acts on the colour and mask bits.
FLAGS = 0x1000 | ILC_COLORDDB | ILC_MASK
SUPERSAMPLE = 8

# Pixel values: (r, g, b, a) with a = None for "transparent through the mask".
CLEAR = None

PALETTE = {
    ".": CLEAR,
    "K": (0, 0, 0, 0),          # black
    "W": (255, 255, 255, 0),    # white
    "Y": (255, 255, 0, 0),      # yellow
    "O": (128, 128, 0, 0),      # olive
    "B": (0, 0, 255, 0),        # blue
    "N": (0, 0, 128, 0),        # navy / dark blue
    "C": (0, 255, 255, 0),      # cyan
    "G": (0, 128, 0, 0),        # green
    "L": (0, 255, 0, 0),        # light green
    "M": (255, 0, 255, 0),      # magenta
}


def from_rows(rows):
    assert len(rows) == CY, len(rows)
    img = []
    for r in rows:
        assert len(r) == CX, r
        img.append([PALETTE[c] for c in r])
    return img


# --- 0: open folder with an arrow coming out of it ---------------------------

FOLDER = [
    ".............K..",
    ".............KK.",
    ".........KKKKKKK",
    ".......KK....KK.",
    "......K......K..",
    ".KKKK...........",
    "KWWWWKKKKKKK....",
    "KWYYYYYYYYYK....",
    "KWYYYYYYYYYK....",
    "KWYKKKKKKKKKKKKK",
    "KWKOOOOOOOOOOOK.",
    "KYKOOOOOOOOOOK..",
    "KKOOOOOOOOOOOK..",
    "KKOOOOOOOOOOK...",
    "KKOOOOOOOOOOK...",
    "KKKKKKKKKKKK....",
]


# --- 2: list-view grid --------------------------------------------------------

def list_grid():
    img = [[CLEAR] * CX for _ in range(CY)]
    blue = PALETTE["B"]
    navy = PALETTE["N"]
    for row in range(3):
        top = 2 + row * 5
        for col in range(2):
            left = 1 + col * 8
            for y in range(top, top + 3):
                for x in range(left, left + 3):
                    img[y][x] = blue
            for x in range(left + 4, left + 7):
                img[top + 1][x] = navy
    return img


# --- 3: black cross -------------------------------------------------------------

def cross():
    img = [[CLEAR] * CX for _ in range(CY)]
    black = PALETTE["K"]
    for t in range(3, 13):
        for x in (t, t + 1):
            if x <= 13:
                img[t][x] = black
        for x in (15 - t, 14 - t):
            if x >= 2:
                img[t][x] = black
    return img


# --- 4: doorway -----------------------------------------------------------------

DOOR = [
    "MMMMMMMMMMMMMMMM",
    "MMMMMGGGGGGMMMMM",
    "MMMMMGLLLLGMMMMM",
    "MMMMMGGGGGGMMMMM",
    "MMMNNNNNNNNNNNMM",
    "MMMNKKKKKKKKBNMM",
    "MMMNKKKKKKKBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKCCBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKCBBBNMM",
    "MMMNKKKKKKKBBNMM",
    "MMMNNNNNNNNNNNMM",
]


# --- 1: check mark, anti-aliased with a real alpha channel ------------------------

def seg_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    qx, qy = ax + t * dx, ay + t * dy
    return math.hypot(px - qx, py - qy)


def check_mark():
    pts = [(3.0, 8.6), (6.4, 12.0), (13.0, 4.4)]
    radius = 1.45
    colour = (0, 160, 0)
    step = 1.0 / SUPERSAMPLE
    img = [[CLEAR] * CX for _ in range(CY)]
    for j in range(CY):
        for i in range(CX):
            hits = 0
            for sy in range(SUPERSAMPLE):
                y = j + (sy + 0.5) * step
                for sx in range(SUPERSAMPLE):
                    x = i + (sx + 0.5) * step
                    d = min(seg_distance(x, y, *pts[k], *pts[k + 1])
                            for k in range(len(pts) - 1))
                    if d <= radius:
                        hits += 1
            # Slivers of less than an eighth of a pixel are dropped: the
            # image list may be drawn through the mask alone, and then every
            # pixel that is not transparent shows in full colour.
            if hits < SUPERSAMPLE * SUPERSAMPLE // 8:
                continue
            a = round(255 * hits / (SUPERSAMPLE * SUPERSAMPLE))
            if a:
                img[j][i] = colour + (a,)
    return img


def images():
    return [from_rows(FOLDER), check_mark(), list_grid(), cross(), from_rows(DOOR)]


# --- stream writer ----------------------------------------------------------------

def sheet(imgs):
    """Places the images in the four-wide grid; returns (pixels, mask) as
    top-down rows. pixels are (b, g, r, a) byte tuples, mask is 0/1."""
    rows = (CAPACITY + PER_ROW - 1) // PER_ROW
    w, h = CX * PER_ROW, CY * rows
    pixels = [[(0, 0, 0, 0)] * w for _ in range(h)]
    mask = [[1] * w for _ in range(h)]
    for n, img in enumerate(imgs):
        ox, oy = (n % PER_ROW) * CX, (n // PER_ROW) * CY
        for y in range(CY):
            for x in range(CX):
                p = img[y][x]
                if p is None:
                    continue
                r, g, b, a = p
                pixels[oy + y][ox + x] = (b, g, r, a)
                mask[oy + y][ox + x] = 0
    return pixels, mask


def bmp_file(width, height, bpp, bits, colours=b""):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       len(bits), 0, 0, 0, 0)
    off = 14 + len(info) + len(colours)
    head = struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off)
    return head + info + colours + bits


def stream_bytes(imgs):
    pixels, mask = sheet(imgs)
    h = len(pixels)
    w = len(pixels[0])

    colour_bits = bytearray()
    for row in reversed(pixels):
        for px in row:
            colour_bits += bytes(px)

    stride = ((w + 31) // 32) * 4
    mask_bits = bytearray()
    for row in reversed(mask):
        line = bytearray(stride)
        for x, m in enumerate(row):
            if m:
                line[x // 8] |= 0x80 >> (x % 8)
        mask_bits += line
    mono = bytes((0, 0, 0, 0, 255, 255, 255, 0))

    header = struct.pack("<HHHHHHHIH4h", 0x4C49, 0x0101, COUNT, CAPACITY, GROW,
                         CX, CY, CLR_NONE, FLAGS, -1, -1, -1, -1)
    assert len(header) == 28
    return (header + bmp_file(w, h, 32, bytes(colour_bits))
            + bmp_file(w, h, 1, bytes(mask_bits), mono))


# --- preview ------------------------------------------------------------------------

def shade(p, bg):
    if p is None:
        return bg
    r, g, b, a = p
    if a == 0:  # opaque through the mask
        return (r, g, b)
    return tuple(round(c * a / 255 + d * (255 - a) / 255) for c, d in zip((r, g, b), bg))


def preview(imgs, scale=8):
    """Each image enlarged on a checkerboard, with a 1:1 strip below on a
    light and on a dark background."""
    gap = 8
    n = len(imgs)
    width = n * (CX * scale + gap) + gap
    height = gap + CY * scale + gap + CY + gap + CY + gap
    canvas = [[(255, 255, 255)] * width for _ in range(height)]
    for k, img in enumerate(imgs):
        left = gap + k * (CX * scale + gap)
        for y in range(CY * scale):
            for x in range(CX * scale):
                bg = (204, 204, 204) if ((x // 8 + y // 8) % 2) else (240, 240, 240)
                canvas[gap + y][left + x] = shade(img[y // scale][x // scale], bg)
        for row, bg in enumerate([(255, 255, 255), (212, 208, 200)]):
            top = gap + CY * scale + gap + row * (CY + gap)
            for y in range(CY):
                for x in range(CX):
                    canvas[top + y][left + x] = shade(img[y][x], bg)
    return png_bytes(canvas)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=os.path.join(here, "..", "resources", "imagelist1.bin"))
    parser.add_argument("--preview", default="/tmp/imagelist1_preview.png")
    args = parser.parse_args()

    imgs = images()
    with open(args.output, "wb") as f:
        f.write(stream_bytes(imgs))
    if args.preview:
        with open(args.preview, "wb") as f:
            f.write(preview(imgs))


if __name__ == "__main__":
    main()
