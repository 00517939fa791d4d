#!/usr/bin/env python3
"""Draws the programs' icons and writes them as 16-colour .ico files.

plimset: a keyboard key cap marked "Fn" (icon 107: 32x32 and 16x16; icon 108:
16x16 only). kelvane: a battery with a lightning bolt (icon 107: 32x32 and
16x16). Each image is a 4-bit BMP in the ICO container with an AND mask for
transparency. The output is deterministic, so the committed files can be
checked against a fresh run:

    tools/make-icons.py                 # writes resources/*.ico
    tools/make-icons.py --check         # non-zero if a committed file differs
    tools/make-icons.py --out-dir DIR   # writes into DIR instead
"""

import argparse
import os
import struct
import sys

# The standard 16-colour VGA palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_GREEN, NAVY, SILVER, GRAY, YELLOW, WHITE, GREEN = 0, 2, 4, 7, 8, 11, 15, 10
TRANSPARENT = None

# 3x5 glyphs, one string per row, "#" for ink.
GLYPHS = {
    "F": ["###", "#..", "##.", "#..", "#.."],
    "n": ["...", "##.", "#.#", "#.#", "#.#"],
}


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[TRANSPARENT] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.pixels[y][x] = colour

    def text(self, x, y, word, colour, scale=1):
        for glyph in word:
            for row, line in enumerate(GLYPHS[glyph]):
                for col, cell in enumerate(line):
                    if cell == "#":
                        self.rect(x + col * scale, y + row * scale,
                                  x + col * scale + scale - 1, y + row * scale + scale - 1, colour)
            x += 4 * scale

    def points(self, xy_list, colour):
        for x, y in xy_list:
            self.pixels[y][x] = colour


def rounded_box(canvas, x0, y0, x1, y1, border, fill):
    """A box with a one-pixel border whose corners are cut off."""
    canvas.rect(x0 + 1, y0, x1 - 1, y1, border)
    canvas.rect(x0, y0 + 1, x1, y1 - 1, border)
    canvas.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)


def key_cap(size):
    """A key cap seen from above: dark rim, grey sides, light top with "Fn"."""
    c = Canvas(size)
    if size == 32:
        rounded_box(c, 1, 2, 30, 29, BLACK, GRAY)
        rounded_box(c, 4, 4, 27, 23, GRAY, SILVER)
        c.rect(5, 5, 26, 5, WHITE)
        c.rect(5, 5, 5, 22, WHITE)
        c.text(8, 9, "Fn", NAVY, scale=2)
    else:
        rounded_box(c, 0, 1, 15, 14, BLACK, GRAY)
        rounded_box(c, 2, 2, 13, 11, GRAY, SILVER)
        c.rect(3, 3, 12, 3, WHITE)
        c.text(4, 5, "Fn", NAVY)
    return c


def battery(size):
    """An upright battery with a terminal on top and a yellow lightning bolt."""
    c = Canvas(size)
    if size == 32:
        c.rect(12, 1, 19, 4, BLACK)
        c.rect(13, 2, 18, 4, SILVER)
        rounded_box(c, 7, 4, 24, 30, BLACK, GREEN)
        c.rect(9, 6, 10, 28, WHITE)
        c.rect(20, 6, 22, 28, DARK_GREEN)
        bolt = [(x, y) for y in range(7, 17) for x in range(19 - (y - 7) // 2 - 3, 19 - (y - 7) // 2)]
        bolt += [(x, y) for y in range(16, 28) for x in range(17 - (y - 16) // 2 - 3, 17 - (y - 16) // 2)]
        bolt += [(x, 16) for x in range(12, 20)] + [(x, 17) for x in range(12, 19)]
        c.points(bolt, YELLOW)
    else:
        c.rect(6, 0, 9, 2, BLACK)
        c.rect(7, 1, 8, 2, SILVER)
        rounded_box(c, 3, 2, 12, 15, BLACK, GREEN)
        c.rect(4, 3, 4, 14, WHITE)
        c.points([(9, 4), (8, 5), (8, 6), (7, 7), (6, 8), (7, 8), (8, 8), (9, 8), (8, 9), (7, 10),
                  (7, 11), (6, 12)], YELLOW)
    return c


def bmp_image(canvas):
    """The ICO image data: BITMAPINFOHEADER, palette, 4-bit colour rows, AND mask."""
    size = canvas.size
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         (colour_stride + mask_stride) * size, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = b"", b""
    for row in reversed(canvas.pixels):  # BMP rows run bottom-up
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows += packed.ljust(colour_stride, b"\0")
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is TRANSPARENT else 0)
        mask_rows += bits.to_bytes(size // 8, "big").ljust(mask_stride, b"\0")
    return header + palette + colour_rows + mask_rows


def ico_file(canvases):
    images = [bmp_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.size, canvas.size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


ICONS = {
    "plimset.ico": lambda: ico_file([key_cap(32), key_cap(16)]),
    "plimset_small.ico": lambda: ico_file([key_cap(16)]),
    "kelvane.ico": lambda: ico_file([battery(32), battery(16)]),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", default=os.path.join(here, "..", "resources"))
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in --out-dir instead of writing")
    args = parser.parse_args()
    stale = []
    for name, make in ICONS.items():
        path = os.path.join(args.out_dir, name)
        data = make()
        if args.check:
            try:
                with open(path, "rb") as existing:
                    if existing.read() != data:
                        stale.append(name)
            except FileNotFoundError:
                stale.append(name)
        else:
            with open(path, "wb") as out:
                out.write(data)
    for name in stale:
        print(f"{name} is out of date: run tools/make-icons.py", file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
