#!/usr/bin/env python3
"""Draws the hand cursors (.cur, 32 x 32, 1 bpp) and the program icons (.ico).

Python 3 standard library only; the build uses the committed files and never runs this.

    python3 res/tools/make_cursors_icons.py                    # rewrites res/images/*.cur, *.ico
    python3 res/tools/make_cursors_icons.py --preview out.png  # also writes an enlarged sheet

Cursors: the open hand shows the window can be dragged; the closed hand is shown while it is.
Both share one hot spot so the window does not jump when one replaces the other.
Icons: the skin's motif (white beamed notes on an indigo tile) reduced to 16 and 32 pixels.
"""
import argparse
import math
import os
import sys

sys.dont_write_bytecode = True   # keep the source folder free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imaging as im  # noqa: E402

HOTSPOT = (16, 10)
CUR = 32

# ---------------------------------------------------------------- cursors

TRANSPARENT, BLACK, WHITE = 0, 1, 2


def _finger(x0, top, bottom, width=5):
    """A finger with a rounded tip: its outline columns are x0 and x0 + width - 1."""
    px = set()
    for y in range(top, bottom + 1):
        lo, hi = x0, x0 + width - 1
        if y == top:
            lo, hi = lo + 1, hi - 1
        px.update((x, y) for x in range(lo, hi + 1))
    return px


def _palm(x0, x1, top, bottom):
    px = set()
    for y in range(top, bottom + 1):
        inset = max(0, y - (bottom - 3))            # rounded heel of the hand
        px.update((x, y) for x in range(x0 + inset, x1 - inset + 1))
    return px


def _outline(shape, lines):
    """Black where the shape meets the outside, or on an explicit crease line; white inside."""
    grid = [[TRANSPARENT] * CUR for _ in range(CUR)]
    for x, y in shape:
        edge = any((x + dx, y + dy) not in shape for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        grid[y][x] = BLACK if edge else WHITE
    for x, y in lines:
        if (x, y) in shape:
            grid[y][x] = BLACK
    return grid


def _rows(spans):
    """Pixels from {row: (first x, last x)}."""
    return {(x, y) for y, (x0, x1) in spans.items() for x in range(x0, x1 + 1)}


def open_hand():
    tips = [(8, 4), (12, 2), (16, 3), (20, 6)]          # index .. little finger: x, tip row
    shape = set()
    for x0, top in tips:
        shape |= _finger(x0, top, 14)
    shape |= _palm(8, 24, 12, 26)
    # Thumb, spread out to the upper left.
    shape |= _rows({9: (4, 5), 10: (3, 6), 11: (3, 7), 12: (4, 8), 13: (4, 8), 14: (5, 8),
                    15: (6, 8), 16: (7, 8)})
    creases = {(8, y) for y in range(4, 13)}             # index finger's edge against the thumb
    for x0, top in tips[1:]:
        creases |= {(x0, y) for y in range(top, 13)}     # between the fingers
    return _outline(shape, creases)


def closed_hand():
    tips = [(8, 8), (12, 7), (16, 7), (20, 8)]          # curled fingers seen as knuckles
    shape = set()
    for x0, top in tips:
        shape |= _finger(x0, top, 14)
    shape |= _palm(8, 24, 11, 26)
    # Thumb folded against the side of the fist, its tip laid across the fingers.
    shape |= _rows({12: (7, 8), 13: (6, 8), 14: (5, 8), 15: (5, 8), 16: (5, 8), 17: (6, 8),
                    18: (7, 8)})
    creases = set()
    for x0, top in tips[1:]:
        creases |= {(x0, y) for y in range(top, 12)}
    creases |= {(x, 12) for x in range(9, 24)}           # finger tips folded onto the palm
    creases |= {(8, y) for y in range(8, 13)}
    creases |= {(x, 16) for x in range(8, 13)} | {(13, 15), (13, 14)}
    return _outline(shape, creases)


def cursor_file(grid):
    indices = [[1 if v == WHITE else 0 for v in row] for row in grid]
    mask = [[1 if v == TRANSPARENT else 0 for v in row] for row in grid]
    data = im.icon_image(indices, mask, [(0, 0, 0), (255, 255, 255)], 1)
    return im.cur(CUR, CUR, HOTSPOT, data)


# ---------------------------------------------------------------- icons

INDIGO_DARK = im.hex_rgb("#1d1f5c")
INDIGO = im.hex_rgb("#3846b8")
GLOW = im.hex_rgb("#7d8cff")
EDGE = im.hex_rgb("#11123a")


def icon_sample(x, y, size, notes=True):
    """Colour of the icon at (x, y) in a size x size square, None where it is transparent."""
    s = size / 32.0
    inset = 0.5 if size <= 16 else 1.0
    radius = 3.5 if size <= 16 else 6.0
    c0 = size / 2.0
    tile = im.sd_round_box(x, y, c0, c0, c0 - inset, c0 - inset, radius)
    if tile > 0.0:
        return None
    # Swirl background, as on the skin, with fewer arms so it still reads at this size.
    dx, dy = x - c0, y - c0 * 0.85
    r = math.hypot(dx, dy)
    arms = 3 if size <= 16 else 4
    v = math.cos(arms * math.atan2(dy, dx) + 0.35 / s * r / 8.0)
    t = im.smoothstep(-0.4, 0.4, v)
    if size <= 16:
        t *= 0.5
    c = im.mix(INDIGO_DARK, INDIGO, t)
    c = im.mix(c, GLOW, 0.55 * math.exp(-r / (9.0 * s)))
    if not notes:
        return c
    if tile > -1.0 * max(1.0, s):
        c = EDGE
    # Beamed notes, in the 32 px design's coordinates.
    ux, uy = x / s, y / s
    heads = [(10.5, 23.0), (21.0, 21.0)]
    d = 1e9
    for hx, hy in heads:
        d = min(d, im.sd_ellipse(ux, uy, hx, hy, 3.6, 2.7, -0.42))
    stem_w = 1.2 if size > 16 else 1.6
    for (hx, hy), top in zip(heads, (9.0, 7.0)):
        sx = hx + 2.9
        d = min(d, im.sd_segment(ux, uy, sx, hy - 1.0, sx, top) - stem_w)
    sx0, sx1 = heads[0][0] + 2.9, heads[1][0] + 2.9
    beam_h = 3.2 if size > 16 else 4.2
    d = min(d, im.sd_polygon(ux, uy, [(sx0 - stem_w, 7.5), (sx1 + stem_w, 5.5),
                                      (sx1 + stem_w, 5.5 + beam_h), (sx0 - stem_w, 7.5 + beam_h)]))
    if d <= 0.0:
        c = (1.0, 1.0, 1.0)
    return c


# At 16 pixels a drawn shape smears into grey: the small icon's notes and rim are placed by hand
# over the rendered background. W white, E rim, . transparent, b background.
ICON16 = [
    ".EEEEEEEEEEEEEE.",
    "EbbbbbbbbbbbbbbE",
    "EbbbbbbbbbWWWWbE",
    "EbbbbbWWWWWWWWbE",
    "EbbbbbWWWWWbbWbE",
    "EbbbbbWbbbbbbWbE",
    "EbbbbbWbbbbbbWbE",
    "EbbbbbWbbbbbbWbE",
    "EbbbbbWbbbbbbWbE",
    "EbbbbbWbbbbbbWbE",
    "EbbbWWWbbbbWWWbE",
    "EbbWWWWbbbWWWWbE",
    "EbbWWWbbbbWWWbbE",
    "EbbbbbbbbbbbbbbE",
    "EbbbbbbbbbbbbbbE",
    ".EEEEEEEEEEEEEE.",
]


def render_icon16():
    rows = []
    for py, line in enumerate(ICON16):
        row = []
        for px, ch in enumerate(line):
            if ch == ".":
                row.append(None)
            elif ch == "W":
                row.append((255, 255, 255))
            elif ch == "E":
                row.append(tuple(int(round(v * 255)) for v in EDGE))
            else:
                acc = [0.0, 0.0, 0.0]
                for sy in range(4):
                    for sx in range(4):
                        c = icon_sample(px + (sx + 0.5) / 4, py + (sy + 0.5) / 4, 16,
                                        notes=False) or EDGE
                        acc = [a + v for a, v in zip(acc, c)]
                row.append(tuple(int(round(a / 16 * 255)) for a in acc))
        rows.append(row)
    return rows


def render_icon(size, ss=4):
    """Supersampled: returns rows of (r, g, b) or None for transparent pixels."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(ss):
                for sx in range(ss):
                    c = icon_sample(px + (sx + 0.5) / ss, py + (sy + 0.5) / ss, size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            # Icons of these formats have one-bit transparency: half covered counts as opaque.
            if hits * 2 >= ss * ss:
                row.append(tuple(int(round(a / hits * 255)) for a in acc))
            else:
                row.append(None)
        rows.append(row)
    return rows


def median_cut(colours, count):
    boxes = [list(colours)]
    while len(boxes) < count:
        boxes.sort(key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b)
                                     for i in range(3)) if len(b) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        axis = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[axis])
        mid = len(box) // 2
        boxes += [box[:mid], box[mid:]]
    return [tuple(sum(c[i] for c in b) // len(b) for i in range(3)) for b in boxes if b]


def palettize(rows, ncolours):
    """Index 0 is black, for transparent pixels (the AND mask lets the screen through there)."""
    opaque = [px for row in rows for px in row if px is not None]
    palette = [(0, 0, 0)] + median_cut(opaque, ncolours - 1)
    # White stays exact so the notes keep their clean edge.
    if (255, 255, 255) in opaque and (255, 255, 255) not in palette:
        palette[-1] = (255, 255, 255)

    def nearest(px):
        return min(range(1, len(palette)),
                   key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], px)))
    cache = {}
    indices, mask = [], []
    for row in rows:
        irow, mrow = [], []
        for px in row:
            if px is None:
                irow.append(0)
                mrow.append(1)
            else:
                if px not in cache:
                    cache[px] = nearest(px)
                irow.append(cache[px])
                mrow.append(0)
        indices.append(irow)
        mask.append(mrow)
    return indices, mask, palette


def icon_entry(size, bpp):
    idx, mask, pal = palettize(render_icon16() if size == 16 else render_icon(size), 1 << bpp)
    return (size, size, bpp, im.icon_image(idx, mask, pal, bpp)), (idx, mask, pal)


# ---------------------------------------------------------------- preview

def preview_tile(idx, mask, pal, k, bg):
    img = [[bg if m else pal[i] for i, m in zip(irow, mrow)] for irow, mrow in zip(idx, mask)]
    return im.scale(img, k)


def cursor_tile(grid, k, bg):
    colours = {TRANSPARENT: bg, BLACK: (0, 0, 0), WHITE: (255, 255, 255)}
    img = [[colours[v] for v in row] for row in grid]
    hx, hy = HOTSPOT
    img[hy][hx] = (255, 0, 0) if grid[hy][hx] == WHITE else (255, 80, 80)
    return im.scale(img, k)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--out", default=os.path.join(here, "..", "images"))
    ap.add_argument("--preview", help="also write an enlarged sheet PNG here")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)

    def save(name, data):
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote", os.path.normpath(path))

    hands = {"hand_open.cur": open_hand(), "hand_closed.cur": closed_hand()}
    for name, grid in hands.items():
        save(name, cursor_file(grid))

    small4, small4_px = icon_entry(16, 4)
    large4, large4_px = icon_entry(32, 4)
    large8, large8_px = icon_entry(32, 8)
    save("parcelo_small.ico", im.ico([small4]))
    save("parcelo_large.ico", im.ico([large4, large8]))

    if args.preview:
        gap = 12
        tiles = []
        for bg in ((240, 240, 240), (40, 40, 48)):
            tiles.append(preview_tile(*small4_px, 8, bg))
            tiles.append(preview_tile(*large4_px, 4, bg))
            tiles.append(preview_tile(*large8_px, 4, bg))
            tiles.append(preview_tile(*large8_px, 1, bg))
        tiles.append(cursor_tile(hands["hand_open.cur"], 4, (120, 160, 200)))
        tiles.append(cursor_tile(hands["hand_closed.cur"], 4, (120, 160, 200)))
        w = gap + sum(len(t[0]) + gap for t in tiles)
        h = gap * 2 + max(len(t) for t in tiles)
        sheet = im.canvas(w, h, (128, 128, 128))
        x = gap
        for t in tiles:
            im.blit(sheet, t, x, gap)
            x += len(t[0]) + gap
        im.write_png(args.preview, sheet)
        print("wrote", args.preview)


if __name__ == "__main__":
    main()
