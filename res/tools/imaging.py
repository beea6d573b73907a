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
        if bpp == 24:
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


def cur(w, h, hotspot, data):
    out = bytearray(struct.pack("<HHH", 0, 2, 1))
    out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, 0, 0, hotspot[0], hotspot[1], len(data),
                       6 + 16)
    return bytes(out + data)


def write_png(path, img):
    h, w = len(img), len(img[0])
    raw = bytearray()
    for row in img:
        raw.append(0)
        for px in row:
            raw += bytes(px[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)

