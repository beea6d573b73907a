#!/usr/bin/env python3
"""Writes PNGs compressed by the system's zlib, with the pixels each must read as.

usage: png_corpus.py OUT_DIR

Each image NAME gives NAME.png and NAME.pixels (0x00RRGGBB, 4 bytes little-endian each, rows top
first), and a line in manifest.txt: NAME, then the kinds of deflate block found at the byte-aligned
starts of its stream's parts (stored, fixed, dynamic), or NAME refused for a stream no reader may
take. Streams are made whole by one compressor, or in parts by several, each part flushed to a byte
boundary so that the next begins with a block header of its own. Seeded: the same files each run.
"""
import os
import random
import struct
import sys
import zlib

KINDS = {0: "stored", 1: "fixed", 2: "dynamic"}
# (level, strategy) of the compressors; level 0 writes stored blocks only, Z_FIXED fixed or stored.
COMPRESSORS = [(0, zlib.Z_DEFAULT_STRATEGY), (1, zlib.Z_FIXED), (6, zlib.Z_FIXED), (9, zlib.Z_FIXED),
               (1, zlib.Z_DEFAULT_STRATEGY), (6, zlib.Z_DEFAULT_STRATEGY), (9, zlib.Z_DEFAULT_STRATEGY),
               (6, zlib.Z_FILTERED), (6, zlib.Z_HUFFMAN_ONLY), (6, zlib.Z_RLE)]


def picture(rng, width, height, channels, style):
    """Rows of bytes: noise, flat, gradients, or a repeated tile (long and far matches)."""
    if style == "noise":
        return [bytes(rng.getrandbits(8) for _ in range(width * channels)) for _ in range(height)]
    if style == "flat":
        pixel = bytes(rng.getrandbits(8) for _ in range(channels))
        return [pixel * width for _ in range(height)]
    if style == "gradient":
        return [bytes((x * 7 + y * 3 + c * 50) & 0xFF for x in range(width) for c in range(channels))
                for y in range(height)]
    tile = [bytes(rng.getrandbits(8) for _ in range(5 * channels)) for _ in range(3)]
    return [(tile[y % 3] * (width // 5 + 1))[:width * channels] for y in range(height)]


def filtered(rows, channels):
    """Each row behind a filter byte, the filter chosen at random (seeded) for each row."""
    out, above, rng = bytearray(), bytes(len(rows[0])), random.Random(len(rows) * 131 + len(rows[0]))
    for row in rows:
        kind = rng.randrange(5)
        out.append(kind)
        for i, value in enumerate(row):
            a = row[i - channels] if i >= channels else 0
            b, c = above[i], above[i - channels] if i >= channels else 0
            p = a + b - c
            paeth = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            out.append((value - [0, a, b, (a + b) // 2, paeth][kind]) & 0xFF)
        above = row
    return bytes(out)


def deflate(data, parts, rng, window_bits):
    """A raw deflate stream from `parts` compressors in turn, and the block kind each part opens with."""
    stream, kinds, cut = b"", [], sorted(rng.sample(range(1, len(data)), min(parts, len(data)) - 1))
    for begin, end in zip([0] + cut, cut + [len(data)]):
        level, strategy = rng.choice(COMPRESSORS)
        compressor = zlib.compressobj(level, zlib.DEFLATED, -window_bits, 8, strategy)
        last = end == len(data)
        piece = compressor.compress(data[begin:end]) + compressor.flush(zlib.Z_FINISH if last else zlib.Z_SYNC_FLUSH)
        kinds.append(KINDS[(piece[0] >> 1) & 3])
        stream += piece
    return stream, kinds


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, channels, stream_body, raw, window_bits, idat_count, rng):
    cmf = (window_bits - 8) << 4 | 8
    header = bytes([cmf, 31 - (cmf << 8) % 31])
    stream = header + stream_body + struct.pack(">I", zlib.adler32(raw))
    cuts = sorted(rng.sample(range(1, len(stream)), min(idat_count, len(stream)) - 1))
    idats = b"".join(chunk(b"IDAT", stream[a:b]) for a, b in zip([0] + cuts, cuts + [len(stream)]))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2 if channels == 3 else 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + idats + chunk(b"IEND", b"")


def fixed_block_with_distance_30():
    """One fixed block: a zero, then a length of 3 at distance code 30, which no stream may use. Read
    as distance 1 it would give a whole black 1 x 1 image with a sound checksum."""
    bits = [1, 1, 0]  # last block, fixed
    def code(value, length):  # Huffman codes go highest bit first
        bits.extend((value >> (length - 1 - i)) & 1 for i in range(length))
    code(0x30, 8)          # literal 0: the row's filter, none
    code(1, 7)             # symbol 257: length 3
    code(30, 5)            # distance code 30
    code(0, 7)             # end of block
    bits.extend([0] * (-len(bits) % 8))
    return bytes(sum(bit << i for i, bit in enumerate(bits[at:at + 8])) for at in range(0, len(bits), 8))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(28)
    sizes = [(1, 1), (3, 2), (17, 5), (64, 64), (120, 90), (256, 96)]
    manifest = []
    for n in range(72):
        width, height = sizes[n % len(sizes)]
        channels = 3 if n % 4 else 4
        rows = picture(rng, width, height, channels, ["noise", "flat", "gradient", "tile"][n // 6 % 4])
        raw = filtered(rows, channels)
        window_bits = 15 if n % 3 else rng.randrange(9, 15)
        body, kinds = deflate(raw, 1 if n % 2 else rng.randrange(2, 6), rng, window_bits)
        name = "zlib_%02d" % n
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(png(width, height, channels, body, raw, window_bits, 1 + n % 3, rng))
        with open(os.path.join(out, name + ".pixels"), "wb") as f:
            for row in rows:
                for x in range(width):
                    r, g, b = row[x * channels:x * channels + 3]
                    f.write(struct.pack("<I", r << 16 | g << 8 | b))
        manifest.append(name + " " + " ".join(sorted(set(kinds))))
    with open(os.path.join(out, "far_distance.png"), "wb") as f:
        f.write(png(1, 1, 3, fixed_block_with_distance_30(), bytes(4), 15, 1, rng))
    manifest.append("far_distance refused")
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    main()
