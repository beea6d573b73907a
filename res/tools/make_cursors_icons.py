#!/usr/bin/env python3
"""Draws the hand cursors (.cur, 1 bpp) and the program icons (.ico) at every size they are used.

Python 3 standard library only; the build uses the committed files and never runs this.

    python3 res/tools/make_cursors_icons.py                    # rewrites res/images/*.cur, *.ico
    python3 res/tools/make_cursors_icons.py --preview out.png  # also writes an enlarged sheet

Cursors: the open hand shows the window can be dragged; the closed hand is shown while it is.
Both share one hot spot so the window does not jump when one replaces the other. Each file holds
the hand at 32 pixels and at the cursor size of every display scale up to 300 % (32 x the scale),
drawn from the 32 pixel design's shapes with an outline as many pixels wide as the scale.
Icons: the skin's motif (white beamed notes on an indigo tile). Both files hold 16 (16 colours,
placed by hand), 20, 24, 32, 40, 48 and 64 pixels; the large icon's 32 pixel images stay in 16
and 256 colours, every other size is 32 bpp with an alpha channel for smooth edges.
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
CURSOR_SIZES = [32, 40, 48, 56, 64, 80, 96]
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64]

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


def _outline(shape, creases, size=CUR):
    """The hand at `size` pixels from its 32 pixel design: black where the shape meets the
    outside (within as many pixels as the scale makes of one) or on a crease, white inside.
    creases: (x0, y0, x1, y1) runs of design pixels, inclusive, each along a row or a column."""
    s = size / CUR
    thick = max(1, int(s + 0.5))

    def design(p):
        return int((p + 0.5) / s)

    inside = [[(design(x), design(y)) in shape for x in range(size)] for y in range(size)]

    def outside(x, y):
        return not (0 <= x < size and 0 <= y < size and inside[y][x])

    def on_crease(x, y):
        cx, cy = x + 0.5, y + 0.5
        for x0, y0, x1, y1 in creases:
            if x0 == x1:   # a column: `thick` pixels wide about its centre line, as long as its run
                if abs(cx - (x0 + 0.5) * s) <= thick / 2 and y0 * s <= cy < (y1 + 1) * s:
                    return True
            elif abs(cy - (y0 + 0.5) * s) <= thick / 2 and x0 * s <= cx < (x1 + 1) * s:
                return True
        return False

    grid = [[TRANSPARENT] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside[y][x]:
                continue
            edge = any(outside(x + dx, y + dy) for dx in range(-thick, thick + 1)
                       for dy in range(-thick, thick + 1) if 0 < abs(dx) + abs(dy) <= thick)
            grid[y][x] = BLACK if edge or on_crease(x, y) else WHITE
    return grid


def _rows(spans):
    """Pixels from {row: (first x, last x)}."""
    return {(x, y) for y, (x0, x1) in spans.items() for x in range(x0, x1 + 1)}


def open_hand(size=CUR):
    tips = [(8, 4), (12, 2), (16, 3), (20, 6)]          # index .. little finger: x, tip row
    shape = set()
    for x0, top in tips:
        shape |= _finger(x0, top, 14)
    shape |= _palm(8, 24, 12, 26)
    # Thumb, spread out to the upper left.
    shape |= _rows({9: (4, 5), 10: (3, 6), 11: (3, 7), 12: (4, 8), 13: (4, 8), 14: (5, 8),
                    15: (6, 8), 16: (7, 8)})
    creases = [(8, 4, 8, 12)]                           # index finger's edge against the thumb
    creases += [(x0, top, x0, 12) for x0, top in tips[1:]]   # between the fingers
    return _outline(shape, creases, size)


def closed_hand(size=CUR):
    tips = [(8, 8), (12, 7), (16, 7), (20, 8)]          # curled fingers seen as knuckles
    shape = set()
    for x0, top in tips:
        shape |= _finger(x0, top, 14)
    shape |= _palm(8, 24, 11, 26)
    # Thumb folded against the side of the fist, its tip laid across the fingers.
    shape |= _rows({12: (7, 8), 13: (6, 8), 14: (5, 8), 15: (5, 8), 16: (5, 8), 17: (6, 8),
                    18: (7, 8)})
    creases = [(x0, top, x0, 11) for x0, top in tips[1:]]
    creases += [(9, 12, 23, 12)]                        # finger tips folded onto the palm
    creases += [(8, 8, 8, 12), (8, 16, 12, 16), (13, 14, 13, 15)]
    return _outline(shape, creases, size)


def hotspot_at(size):
    """The design's hot spot pixel at `size`: the pixel over its centre."""
    s = size / CUR
    return tuple(int((v + 0.5) * s) for v in HOTSPOT)


def cursor_file(hand):
    """hand(size) gives the grid at that size; one image for each of CURSOR_SIZES."""
    images = []
    for size in CURSOR_SIZES:
        grid = hand(size)
        hx, hy = hotspot_at(size)
        assert grid[hy][hx] != TRANSPARENT, "the hot spot must be on the hand"
        indices = [[1 if v == WHITE else 0 for v in row] for row in grid]
        mask = [[1 if v == TRANSPARENT else 0 for v in row] for row in grid]
        data = im.icon_image(indices, mask, [(0, 0, 0), (255, 255, 255)], 1)
        images.append((size, size, (hx, hy), data))
    return im.cur(images)


# ---------------------------------------------------------------- icons

INDIGO_DARK = im.hex_rgb("#1d1f5c")
INDIGO = im.hex_rgb("#3846b8")
GLOW = im.hex_rgb("#7d8cff")
EDGE = im.hex_rgb("#11123a")


def icon_sample(x, y, size, notes=True):
    """Colour of the icon at (x, y) in a size x size square, None where it is transparent."""
    s = size / 32.0
    inset = 0.5 if size <= 16 else s
    radius = 3.5 if size <= 16 else 6.0 * s
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


def icon_coverage(px, py, size, ss):
    """The summed colour of the covered subsamples of one pixel, and how many were covered."""
    acc = [0.0, 0.0, 0.0]
    hits = 0
    for sy in range(ss):
        for sx in range(ss):
            c = icon_sample(px + (sx + 0.5) / ss, py + (sy + 0.5) / ss, size)
            if c is not None:
                hits += 1
                for i in range(3):
                    acc[i] += c[i]
    return acc, hits


def render_icon(size, ss=4):
    """Supersampled: returns rows of (r, g, b) or None for transparent pixels."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, hits = icon_coverage(px, py, size, ss)
            # Icons of these formats have one-bit transparency: half covered counts as opaque.
            if hits * 2 >= ss * ss:
                row.append(tuple(int(round(a / hits * 255)) for a in acc))
            else:
                row.append(None)
        rows.append(row)
    return rows


def render_icon_alpha(size, ss=4):
    """Supersampled, for 32 bpp images: rows of (r, g, b, alpha), alpha the covered share."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, hits = icon_coverage(px, py, size, ss)
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(a / hits * 255)) for a in acc) + (int(round(hits * 255 / (ss * ss))),))
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


def icon_entry32(size):
    rgba = render_icon_alpha(size)
    return (size, size, 32, im.icon_image32(rgba)), rgba


# ---------------------------------------------------------------- preview

def preview_tile(idx, mask, pal, k, bg):
    img = [[bg if m else pal[i] for i, m in zip(irow, mrow)] for irow, mrow in zip(idx, mask)]
    return im.scale(img, k)


def alpha_tile(rgba, k, bg):
    def over(px):
        a = px[3]
        return tuple(int(round(c * a / 255 + b * (255 - a) / 255)) for c, b in zip(px[:3], bg))
    img = [[over(px) for px in row] for row in rgba]
    return im.scale(img, k)


def cursor_tile(grid, k, bg):
    colours = {TRANSPARENT: bg, BLACK: (0, 0, 0), WHITE: (255, 255, 255)}
    img = [[colours[v] for v in row] for row in grid]
    hx, hy = hotspot_at(len(grid))
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

    hands = {"hand_open.cur": open_hand, "hand_closed.cur": closed_hand}
    for name, hand in hands.items():
        save(name, cursor_file(hand))

    small4, small4_px = icon_entry(16, 4)
    large4, large4_px = icon_entry(32, 4)
    large8, large8_px = icon_entry(32, 8)
    alpha = {size: icon_entry32(size) for size in ICON_SIZES if size != 16}
    # The 16 pixel image is the hand-placed one in both; the large icon's 32 pixel images stay
    # in 16 and 256 colours, the small icon's is one more of the 32 bpp sizes.
    save("parcelo_small.ico", im.ico([small4] + [alpha[size][0] for size in ICON_SIZES if size != 16]))
    save("parcelo_large.ico", im.ico([small4] + [entry for size in ICON_SIZES if size != 16
                                                 for entry in ([large4, large8] if size == 32 else [alpha[size][0]])]))

    if args.preview:
        gap = 12
        tiles = []
        for bg in ((240, 240, 240), (40, 40, 48)):
            tiles.append(preview_tile(*small4_px, 8, bg))
            tiles.append(preview_tile(*large4_px, 4, bg))
            tiles.append(preview_tile(*large8_px, 4, bg))
            tiles.append(preview_tile(*large8_px, 1, bg))
            for size in (24, 48, 64):
                tiles.append(alpha_tile(alpha[size][1], 2, bg))
        for size in (32, 48, 64, 96):
            tiles.append(cursor_tile(open_hand(size), 2, (120, 160, 200)))
            tiles.append(cursor_tile(closed_hand(size), 2, (120, 160, 200)))
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
