"""Small drawing and file-format helpers shared by the resource generators (standard library only).

Images are lists of rows of (r, g, b) tuples, top row first; drawing functions work on floats in
0..1 and to_bytes() turns them into 0..255 integers.
"""
import math
import struct
import zlib


# ---------------------------------------------------------------- colour and shape maths

def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def clamp(v, lo, hi):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def coverage(d):
    """Pixel coverage of a shape from its signed distance at the pixel centre (about 1 px of
    anti-aliasing)."""
    return clamp(0.5 - d, 0.0, 1.0)


def sd_round_box(x, y, cx, cy, hw, hh, r):
    qx = abs(x - cx) - hw + r
    qy = abs(y - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_ellipse(x, y, cx, cy, rx, ry, angle):
    """Approximate distance to a rotated ellipse; exact enough for a pixel of anti-aliasing."""
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u = dx * c + dy * s
    v = -dx * s + dy * c
    k = math.hypot(u / rx, v / ry)
    if k == 0.0:
        return -min(rx, ry)
    # Gradient length of the implicit function gives a first-order distance estimate.
    gx, gy = u / (rx * rx), v / (ry * ry)
    g = math.hypot(gx, gy)
    return (k * k - 1.0) / (2.0 * g) if g > 0 else -min(rx, ry)


def sd_segment(x, y, ax, ay, bx, by):
    px, py = x - ax, y - ay
    vx, vy = bx - ax, by - ay
    h = clamp((px * vx + py * vy) / (vx * vx + vy * vy), 0.0, 1.0)
    return math.hypot(px - vx * h, py - vy * h)


def sd_polygon(x, y, pts):
    d = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
    sign = 1.0
    n = len(pts)
    j = n - 1
    for i in range(n):
        ex, ey = pts[j][0] - pts[i][0], pts[j][1] - pts[i][1]
        wx, wy = x - pts[i][0], y - pts[i][1]
        h = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0)
        bx, by = wx - ex * h, wy - ey * h
        d = min(d, bx * bx + by * by)
        c1 = y >= pts[i][1]
        c2 = y < pts[j][1]
        c3 = ex * wy > ey * wx
        if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
            sign = -sign
        j = i
    return sign * math.sqrt(d)


# ---------------------------------------------------------------- images in memory

def to_bytes(rows):
    return [[tuple(int(round(clamp(ch, 0.0, 1.0) * 255)) for ch in px) for px in row]
            for row in rows]


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def blit(dst, src, x0, y0):
    for y, row in enumerate(src):
        dst[y0 + y][x0:x0 + len(row)] = row


def scale(img, k):
    out = []
    for row in img:
        wide = [px for px in row for _ in range(k)]
        out.extend([list(wide) for _ in range(k)])
    return out


# ---------------------------------------------------------------- file formats

def _bmp_rows(img, bpp, palette_index=None):
    """Bottom-up DIB rows padded to 4 bytes, as every Windows bitmap format stores them."""
    out = bytearray()
    for row in reversed(img):
        if bpp == 32:
            line = bytearray()
            for r, g, b, a in row:
                line += bytes((b, g, r, a))
        elif bpp == 24:
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
        elif bpp == 8:
            line = bytearray(row)
        elif bpp == 4:
            line = bytearray()
            for i in range(0, len(row), 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < len(row) else 0
                line.append((hi << 4) | lo)
        elif bpp == 1:
            line = bytearray()
            for i in range(0, len(row), 8):
                byte = 0
                for bit, v in enumerate(row[i:i + 8]):
                    if v:
                        byte |= 0x80 >> bit
                line.append(byte)
        else:
            raise ValueError(bpp)
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def bitmap_info_header(w, h, bpp, image_size, colours_used=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, image_size, 2835, 2835,
                       colours_used, 0)


def bmp24(img):
    h, w = len(img), len(img[0])
    pixels = _bmp_rows(img, 24)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + bitmap_info_header(w, h, 24, len(pixels)) + pixels


def _palette_bytes(palette, count):
    out = bytearray()
    for r, g, b in palette:
        out += bytes((b, g, r, 0))
    out += bytes(4 * (count - len(palette)))
    return bytes(out)


def icon_image(indices, mask, palette, bpp):
    """One image of an .ico or .cur file: header with doubled height, palette, colour (XOR)
    bits, then the 1 bpp transparency (AND) mask where 1 means transparent."""
    h, w = len(indices), len(indices[0])
    xor = _bmp_rows(indices, bpp)
    andm = _bmp_rows(mask, 1)
    ncol = 1 << bpp
    return (bitmap_info_header(w, h * 2, bpp, len(xor) + len(andm), 0)
            + _palette_bytes(palette, ncol) + xor + andm)


def icon_image32(rgba):
    """One 32 bpp image of an .ico file: colour with its alpha channel, then the 1 bpp AND mask
    that systems without alpha use (transparent where less than half covered)."""
    h, w = len(rgba), len(rgba[0])
    xor = _bmp_rows(rgba, 32)
    andm = _bmp_rows([[1 if px[3] < 128 else 0 for px in row] for row in rgba], 1)
    return bitmap_info_header(w, h * 2, 32, len(xor) + len(andm), 0) + xor + andm


def ico(images):
    """images: list of (width, height, bpp, image bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    blobs = bytearray()
    for w, h, bpp, data in images:
        colours = (1 << bpp) if bpp < 8 else 0
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, colours, 0, 1, bpp, len(data),
                           offset + len(blobs))
        blobs += data
    return bytes(out + blobs)


def cur(images):
    """images: list of (width, height, (hot x, hot y), image bytes)."""
    out = bytearray(struct.pack("<HHH", 0, 2, len(images)))
    offset = 6 + 16 * len(images)
    blobs = bytearray()
    for w, h, hotspot, data in images:
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, 0, 0, hotspot[0], hotspot[1], len(data),
                           offset + len(blobs))
        blobs += data
    return bytes(out + blobs)


def _filtered_row(kind, line, prev):
    """One row under one of PNG's five filters (RGB, 3 bytes a pixel)."""
    out = bytearray(len(line))
    for i, v in enumerate(line):
        a = line[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if kind == 0:
            p = 0
        elif kind == 1:
            p = a
        elif kind == 2:
            p = b
        elif kind == 3:
            p = (a + b) // 2
        else:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            p = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out[i] = (v - p) & 0xFF
    return out


def png(img):
    """An 8-bit RGB PNG. Each row takes the filter whose output is smallest as signed bytes
    (the usual heuristic): on smooth shading that halves the compressed size."""
    h, w = len(img), len(img[0])
    raw = bytearray()
    prev = bytes(3 * w)
    for row in img:
        line = bytes(v for px in row for v in px[:3])
        best = min((sum(v if v < 128 else 256 - v for v in f), k, f)
                   for k, f in ((k, _filtered_row(k, line, prev)) for k in range(5)))
        raw.append(best[1])
        raw += best[2]
        prev = line

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    out += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += chunk(b"IEND", b"")
    return out


def write_png(path, img):
    with open(path, "wb") as f:
        f.write(png(img))
