#!/usr/bin/env python3
"""Draws the drop window's skin frames at every display scale the program serves.

At 100 %: the four frames as 116 x 96, 24 bpp .bmp files. At 125, 150, 175, 200, 250 and 300 %:
the three frames of the animation cycle, drawn afresh from the same shapes at that size (not
enlarged), as PNG files, which the program decodes with WIC; the spare fourth frame is never
shown, so it exists at 100 % only.

Python 3 standard library only, so the images can be redrawn on any machine; the build uses the
committed files and never runs this (all scales take about two minutes).

    python3 res/tools/make_skin.py            # rewrites res/images/skin_frame*.bmp, skin_*_*.png
    python3 res/tools/make_skin.py --preview out.png   # also writes an enlarged contact sheet

The frames differ only in the angle of the background swirl. The status band, where the program
prints two lines of black text, is an opaque light panel drawn last, so it is the same in every
frame and the text stays legible whatever the swirl does.

Every shape is placed in logical pixels (those of the 100 % frame) and each output pixel is
sampled at its centre; anti-aliasing stays about one output pixel wide at any scale, and the
window's one-pixel rim becomes as many pixels as the scale makes of it. At 100 % the result is
exactly the frames drawn before the other scales existed.
"""
import argparse
import math
import os
import sys

sys.dont_write_bytecode = True   # keep the source folder free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imaging as im  # noqa: E402  (sibling module, found through the path set above)

W, H = 116, 96
# In percent: ui/DropLayout.h's SKIN_SCALES, whose first is kept as bitmaps.
SCALES = [100, 125, 150, 175, 200, 250, 300]
CYCLE_FRAMES = 3

# The program draws its two status lines into (2, 54)-(108, 68) and (2, 67)-(108, 80), as far
# left as x = 2: the panel runs the full width under the window's rim, so that even a line that
# fills its rectangle sits on plain light ground, and reaches a little above and below the text.
PANEL = (0.5, 49.5, 115.5, 85.5)   # left, top, right, bottom (pixel edges)
PANEL_RADIUS = 3.0

# Swirl: ARMS spiral arms around a centre behind the motif. Turning the swirl by a third of one arm
# per frame makes frames 0, 1, 2 a seamless cycle; frame 3 sits half-way between 0 and 1.
ARMS = 6
TWIST = 0.16          # radians of arm phase per pixel of radius
SWIRL_CENTRE = (58.0, 25.0)
FRAME_PHASES = [0.0, 2 * math.pi / 3, 4 * math.pi / 3, math.pi / 3]

DEEP = im.hex_rgb("#1d1f5c")
ARM = im.hex_rgb("#3846b8")
GLOW = im.hex_rgb("#7d8cff")
EDGE = im.hex_rgb("#11123a")
WHITE = (1.0, 1.0, 1.0)
ACCENT = im.hex_rgb("#ffb347")
PANEL_TOP = im.hex_rgb("#ffffff")
PANEL_BOTTOM = im.hex_rgb("#eef0fb")
PANEL_LINE = im.hex_rgb("#aab2ea")


def note_sdf(x, y):
    """Two beamed eighth notes, centred on the swirl."""
    heads = [(48.5, 33.0), (66.5, 29.5)]
    d = 1e9
    for hx, hy in heads:
        d = min(d, im.sd_ellipse(x, y, hx, hy, 4.8, 3.5, -0.42))
    stem_x = [heads[0][0] + 3.9, heads[1][0] + 3.9]
    d = min(d, im.sd_segment(x, y, stem_x[0], heads[0][1] - 1.0, stem_x[0], 13.0) - 1.15)
    d = min(d, im.sd_segment(x, y, stem_x[1], heads[1][1] - 1.0, stem_x[1], 9.5) - 1.15)
    beam = [(stem_x[0] - 1.15, 11.2), (stem_x[1] + 1.15, 7.7),
            (stem_x[1] + 1.15, 12.4), (stem_x[0] - 1.15, 15.9)]
    d = min(d, im.sd_polygon(x, y, beam))
    return d


def arrow_sdf(x, y):
    """A small down arrow that points from the motif into the drop panel."""
    cx = 58.0
    shaft = im.sd_segment(x, y, cx, 38.0, cx, 43.0) - 1.6
    head = im.sd_polygon(x, y, [(cx - 6.0, 41.5), (cx + 6.0, 41.5), (cx, 48.5)])
    return min(shaft, head)


def swirl(x, y, phase):
    dx, dy = x - SWIRL_CENTRE[0], y - SWIRL_CENTRE[1]
    r = math.hypot(dx, dy)
    th = math.atan2(dy, dx)
    v = math.cos(ARMS * th + TWIST * r - phase)
    # Soft-edged arms: sharp enough to read as a swirl, smooth enough to need no supersampling.
    t = im.smoothstep(-0.55, 0.55, v)
    # The arms crowd together at the centre; fade them out there so it stays a calm glow.
    t = 0.5 + (t - 0.5) * im.smoothstep(3.0, 18.0, r)
    c = im.mix(DEEP, ARM, t)
    glow = math.exp(-r / 20.0)
    c = im.mix(c, GLOW, 0.6 * glow)
    # Darken towards the tile's edges so the frame reads as a raised tile.
    ex = min(x, W - x) / 14.0
    ey = min(y, H - y) / 14.0
    vign = 1.0 - 0.28 * (1.0 - im.clamp(min(ex, ey), 0.0, 1.0))
    return tuple(ch * vign for ch in c)


def _overlap(a0, a1, b0, b1):
    return max(0.0, min(a1, b1) - max(a0, b0))


def pixel(px, py, phase, s=1.0):
    """Output pixel (px, py) of a frame drawn at scale s (1.0 for 100 %)."""
    x, y = (px + 0.5) / s, (py + 0.5) / s
    c = swirl(x, y, phase)

    # Motif: soft shadow first, then the white note and the accent arrow. Distances are logical;
    # coverage takes them in output pixels.
    sh = min(note_sdf(x - 1.0, y - 1.5), arrow_sdf(x - 1.0, y - 1.5))
    c = im.mix(c, (0.0, 0.0, 0.08), 0.45 * (1.0 - im.smoothstep(-1.0, 2.2, sh)))
    c = im.mix(c, WHITE, im.coverage(note_sdf(x, y) * s))
    c = im.mix(c, ACCENT, im.coverage(arrow_sdf(x, y) * s))

    # Drop panel: drop shadow, light fill, thin outline.
    l, t, r, b = PANEL
    pcx, pcy = (l + r) / 2, (t + b) / 2
    hw, hh = (r - l) / 2, (b - t) / 2
    psh = im.sd_round_box(x - 0.0, y - 1.2, pcx, pcy, hw, hh, PANEL_RADIUS)
    c = im.mix(c, (0.0, 0.0, 0.05), 0.35 * (1.0 - im.smoothstep(-1.0, 1.8, psh)))
    pd = im.sd_round_box(x, y, pcx, pcy, hw, hh, PANEL_RADIUS)
    fill = im.mix(PANEL_TOP, PANEL_BOTTOM, im.clamp((y - t) / (b - t), 0.0, 1.0))
    c = im.mix(c, PANEL_LINE, im.coverage(pd * s))
    c = im.mix(c, fill, im.coverage((pd + 1.0) * s))

    # One logical pixel of dark edge around the whole window, with a faint highlight inside it,
    # so the borderless window keeps a crisp outline on light and dark desktops alike. Each output
    # pixel takes the share of its area that falls in the edge and in the highlight.
    x0, x1, y0, y1 = px / s, (px + 1) / s, py / s, (py + 1) / s
    area = (x1 - x0) * (y1 - y0)
    inside_edge = _overlap(x0, x1, 1, W - 1) * _overlap(y0, y1, 1, H - 1) / area
    inside_highlight = _overlap(x0, x1, 2, W - 2) * _overlap(y0, y1, 2, H - 2) / area
    highlight = im.mix(c, WHITE, 0.18)
    return tuple(inner * inside_highlight + light * (inside_edge - inside_highlight) + edge * (1.0 - inside_edge)
                 for inner, light, edge in zip(c, highlight, EDGE))


def render_frame(phase, scale=100):
    s = scale / 100.0
    w, h = (W * scale + 50) // 100, (H * scale + 50) // 100
    return [[pixel(px, py, phase, s) for px in range(w)] for py in range(h)]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                  "..", "images"))
    ap.add_argument("--preview", help="also write an enlarged contact sheet PNG here")
    args = ap.parse_args()

    os.makedirs(args.out, exist_ok=True)

    def save(name, data):
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote", os.path.normpath(path), len(data), "bytes")

    frames = []
    for i, phase in enumerate(FRAME_PHASES):
        img = im.to_bytes(render_frame(phase))
        frames.append(img)
        save("skin_frame%d.bmp" % i, im.bmp24(img))
    larger = []
    for scale in SCALES[1:]:
        for i, phase in enumerate(FRAME_PHASES[:CYCLE_FRAMES]):
            img = im.to_bytes(render_frame(phase, scale))
            if scale == 200 and i == 0:
                larger = img
            save("skin_%d_%d.png" % (scale, i), im.png(img))

    if args.preview:
        scale = 3
        gap = 8
        sheet_w = gap + len(frames) * (W * scale + gap)
        sheet_h = gap + H * scale + gap + 2 * H + gap
        sheet = im.canvas(sheet_w, sheet_h, (96, 96, 104))
        for i, img in enumerate(frames):
            x0 = gap + i * (W * scale + gap)
            im.blit(sheet, im.scale(img, scale), x0, gap)
            im.blit(sheet, img, x0, gap + H * scale + gap)
        # Frame 0 at 200 % beside the 100 % frames: drawn at that size, not enlarged.
        im.blit(sheet, larger, gap + W + gap, gap + H * scale + gap)
        im.write_png(args.preview, sheet)
        print("wrote", args.preview)


if __name__ == "__main__":
    main()
