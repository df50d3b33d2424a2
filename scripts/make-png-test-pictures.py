#!/usr/bin/env python3
"""Writes the PNG pictures of tests/data/png, byte by byte with zlib and
struct only: every colour type at every bit depth PNG allows, with and
without transparency (tRNS), interlaced (Adam7), with gAMA, cHRM, sRGB and
iCCP chunks, an animated PNG, odd sizes; and the damaged files the decoder
must refuse (cut short, bad CRC, bad zlib data, no IEND, absurd size). The
picture tests decode each with the program's decoder and with Qt's reader.

The rows cycle through the five PNG filters, and the 16-bit pictures hold
the values on either side of every rounding boundary to 8 bits, so that the
decoders meet every path. The results are committed; the build never runs
this script.

Usage: scripts/make-png-test-pictures.py [repository root]
"""

import math
import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"

GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}

# Adam7: first column, first row, column step, row step of each pass.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data, crc=None):
    if crc is None:
        crc = zlib.crc32(kind + data)
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc & 0xFFFFFFFF)


def ihdr(width, height, depth, colour, interlaced=False):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 1 if interlaced else 0))


def paeth(left, up, up_left):
    estimate = left + up - up_left
    distances = (abs(estimate - left), abs(estimate - up), abs(estimate - up_left))
    return (left, up, up_left)[distances.index(min(distances))]


def filtered(row, previous, kind, step):
    """The row's bytes after filter `kind` (0 to 4), step bytes a pixel."""
    out = bytearray([kind])
    for index, value in enumerate(row):
        left = row[index - step] if index >= step else 0
        up = previous[index]
        up_left = previous[index - step] if index >= step else 0
        predicted = (0, left, up, (left + up) // 2, paeth(left, up, up_left))[kind]
        out.append((value - predicted) & 0xFF)
    return bytes(out)


def packed_row(samples, depth):
    """Samples of `depth` bits, most significant first, padded to a byte."""
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", value) for value in samples)
    out = bytearray()
    per_byte = 8 // depth
    for start in range(0, len(samples), per_byte):
        byte = 0
        group = samples[start:start + per_byte]
        for index, value in enumerate(group):
            byte |= value << (8 - depth * (index + 1))
        out.append(byte)
    return bytes(out)


def image_data(pixels, width, height, depth, colour, interlaced):
    """The filtered scanlines (before compression). pixels[y][x] is a tuple
    of samples."""
    channels = CHANNELS[colour]
    step = max(1, depth * channels // 8)
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    out = bytearray()
    row_number = 0
    for left, top, dx, dy in passes:
        columns = range(left, width, dx)
        rows = range(top, height, dy)
        if not columns or not rows:
            continue  # an empty pass has no rows at all
        previous = None
        for y in rows:
            samples = [value for x in columns for value in pixels[y][x]]
            row = packed_row(samples, depth)
            if previous is None:
                previous = bytes(len(row))
            out += filtered(row, previous, row_number % 5, step)
            previous = row
            row_number += 1
    return bytes(out)


def png(pixels, depth, colour, interlaced=False, before_data=(), after_data=(), idat_pieces=1, data=None):
    """A whole PNG file. before_data and after_data are chunks; data, when
    given, replaces the compressed image data."""
    height = len(pixels)
    width = len(pixels[0])
    if data is None:
        data = zlib.compress(image_data(pixels, width, height, depth, colour, interlaced), 9)
    piece = -(-len(data) // idat_pieces)
    idats = b"".join(chunk(b"IDAT", data[at:at + piece]) for at in range(0, len(data), piece))
    return (SIGNATURE + ihdr(width, height, depth, colour, interlaced) + b"".join(before_data) + idats
            + b"".join(after_data) + chunk(b"IEND", b""))


def scrambled(x, y, salt, modulus):
    """A value that looks random but is the same on every run."""
    value = (x * 7919 + y * 104729 + salt * 15485863) & 0xFFFFFFFF
    value = (value ^ (value >> 13)) * 0x5BD1E995 & 0xFFFFFFFF
    return (value ^ (value >> 15)) % modulus


def sixteen_bit(x, y, salt, width):
    """16-bit values: every third one next to a rounding boundary of v/257
    (257 k + 128 and its neighbours), the rest spread over the range."""
    index = y * width + x + salt
    if index % 3 == 0:
        k = scrambled(x, y, salt, 255)
        return 257 * k + 127 + index % 4  # 127..130 past a multiple of 257
    return scrambled(x, y, salt, 65536)


def grid(width, height, pixel):
    return [[pixel(x, y) for x in range(width)] for y in range(height)]


def grey_pixels(width, height, depth):
    top = (1 << depth) - 1
    if depth == 16:
        return grid(width, height, lambda x, y: (sixteen_bit(x, y, 0, width),))
    return grid(width, height, lambda x, y: ((x + 3 * y + x * y // 4) % (top + 1),))


def alpha_of(x, y, depth):
    """Opaque, fully transparent and everything between."""
    top = (1 << depth) - 1
    choice = (x + 2 * y) % 5
    if choice == 0:
        return top
    if choice == 1:
        return 0
    return sixteen_bit(x, y, 9, 64) if depth == 16 else scrambled(x, y, 9, 256)


def colour_pixels(width, height, depth, alpha=False, grey=False):
    def pixel(x, y):
        if depth == 16:
            colour = tuple(sixteen_bit(x, y, salt, width) for salt in (1, 2, 3))
        else:
            colour = tuple(scrambled(x, y, salt, 256) for salt in (1, 2, 3))
        colour = colour[:1] if grey else colour
        return colour + ((alpha_of(x, y, depth),) if alpha else ())
    return grid(width, height, pixel)


def soft_icon_pixels(width, height, grey=False):
    """An icon with soft edges: a disc whose alpha falls from 255 to 0 over
    about three pixels at its rim, on a fully transparent ground whose hidden
    colours still vary (only the alpha may make them disappear)."""
    radius2 = min(width, height) - 6  # twice the disc's radius

    def pixel(x, y):
        distance2 = math.isqrt((2 * x - width + 1) ** 2 + (2 * y - height + 1) ** 2)  # twice the distance
        alpha = max(0, min(255, 128 + (radius2 - distance2) * 255 // 6))
        if grey:
            return ((x * 29 + y * 13) % 256, alpha)
        return ((x * 255 // (width - 1)), (y * 255 // (height - 1)), (x * y * 7) % 256, alpha)
    return grid(width, height, pixel)


def key_colour_pixels(width, height):
    """Magenta FF00FF and green 00FF00, the transparent keys the tests use,
    opaque and at alphas around 128, beside colours that reduce to the same
    5:6:5 words (FA03FC, 03FD05, F800F8) and others."""
    colours = [(255, 0, 255), (250, 3, 252), (0, 255, 0), (3, 253, 5), (10, 200, 30), (248, 0, 248), (90, 60, 30)]
    alphas = [255, 255, 128, 127, 0, 200, 255, 64]
    return grid(width, height, lambda x, y: colours[(x + 2 * y) % len(colours)] + (alphas[(3 * x + y) % len(alphas)],))


def palette_chunk(count):
    return chunk(b"PLTE", b"".join(bytes(((i * 67) % 256, (255 - i * 29) % 256, (i * 151 + 40) % 256))
                                   for i in range(count)))


def palette_pixels(width, height, count):
    return grid(width, height, lambda x, y: (scrambled(x, y, 5, count),))


def gama(value):
    return chunk(b"gAMA", struct.pack(">I", round(value * 100000)))


def chrm():
    # The primaries and white point of sRGB, in units of 1/100000.
    return chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))


def s15_fixed16(value):
    return struct.pack(">i", round(value * 65536))


def icc_profile(colour_space=b"RGB "):
    """A small ICC version 2 display profile: a white point, the sRGB
    primaries adapted to D50 and a gamma 2.2 curve for each channel (or one
    grey curve)."""
    def xyz(x, y, z):
        return b"XYZ \0\0\0\0" + s15_fixed16(x) + s15_fixed16(y) + s15_fixed16(z)

    curve = b"curv\0\0\0\0" + struct.pack(">IH", 1, 0x0233) + b"\0\0"
    description = b"desc\0\0\0\0" + struct.pack(">I", 12) + b"Rasterkit 1\0" + bytes(4 + 4 + 2 + 1 + 67)
    if colour_space == b"GRAY":
        tags = [(b"desc", description), (b"wtpt", xyz(0.9642, 1.0, 0.8249)), (b"kTRC", curve)]
    else:
        tags = [(b"desc", description), (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
                (b"rXYZ", xyz(0.4361, 0.2225, 0.0139)), (b"gXYZ", xyz(0.3851, 0.7169, 0.0971)),
                (b"bXYZ", xyz(0.1431, 0.0606, 0.7141)), (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)]
    offset = 128 + 4 + 12 * len(tags)
    table = struct.pack(">I", len(tags))
    body = b""
    for signature, data in tags:
        while (offset + len(body)) % 4:
            body += b"\0"
        table += signature + struct.pack(">II", offset + len(body), len(data))
        body += data
    size = 128 + len(table) + len(body)
    header = (struct.pack(">I", size) + b"\0\0\0\0" + struct.pack(">I", 0x02100000) + b"mntr" + colour_space
              + b"XYZ " + struct.pack(">6H", 2026, 1, 1, 0, 0, 0) + b"acsp" + bytes(4 + 4 + 4 + 4 + 8)
              + struct.pack(">I", 0) + s15_fixed16(0.9642) + s15_fixed16(1.0) + s15_fixed16(0.8249)
              + bytes(4 + 16 + 28))
    assert len(header) == 128
    return header + table + body


def iccp(colour_space=b"RGB "):
    return chunk(b"iCCP", b"Rasterkit test\0\0" + zlib.compress(icc_profile(colour_space), 9))


def srgb():
    return chunk(b"sRGB", b"\0")


def trns_grey(value):
    return chunk(b"tRNS", struct.pack(">H", value))


def trns_rgb(red, green, blue):
    return chunk(b"tRNS", struct.pack(">3H", red, green, blue))


def with_pixel(pixels, x, y, value):
    pixels[y][x] = value
    return pixels


def apng(width, height):
    """An animated PNG of two frames: the IDAT picture (the first frame), then
    a second frame in fdAT that no reader of still pictures shows."""
    first = colour_pixels(width, height, 8, alpha=True)
    second = grid(width, height, lambda x, y: (255, 0, 0, 255))
    control = lambda sequence: chunk(b"fcTL", struct.pack(">IIIIIHHBB", sequence, width, height, 0, 0, 1, 10, 0, 0))
    second_data = zlib.compress(image_data(second, width, height, 8, RGBA, False))
    return png(first, 8, RGBA, before_data=[chunk(b"acTL", struct.pack(">II", 2, 0)), control(0)],
               after_data=[control(1), chunk(b"fdAT", struct.pack(">I", 2) + second_data)])


def good_pictures():
    W, H = 13, 11  # odd sizes, not multiples of 8: partial Adam7 blocks and partial bytes
    pictures = {}
    for depth in (1, 2, 4, 8, 16):
        size = (37, 23) if depth == 16 else (W, H)
        pictures[f"grey-{depth}.png"] = png(grey_pixels(*size, depth), depth, GREY)
    pictures["grey-1-trns.png"] = png(grey_pixels(W, H, 1), 1, GREY, before_data=[trns_grey(1)])
    pictures["grey-2-trns.png"] = png(grey_pixels(W, H, 2), 2, GREY, before_data=[trns_grey(2)])
    pictures["grey-4-trns.png"] = png(grey_pixels(W, H, 4), 4, GREY, before_data=[trns_grey(9)])
    pictures["grey-8-trns.png"] = png(grey_pixels(W, H, 8), 8, GREY, before_data=[trns_grey(20)])
    pictures["grey-16-trns.png"] = png(
        with_pixel(grey_pixels(W, H, 16), 3, 4, (4242,)), 16, GREY, before_data=[trns_grey(4242)])
    pictures["grey-alpha-8.png"] = png(colour_pixels(W, H, 8, alpha=True, grey=True), 8, GREY_ALPHA)
    pictures["grey-alpha-16.png"] = png(colour_pixels(37, 23, 16, alpha=True, grey=True), 16, GREY_ALPHA)
    pictures["rgb-8.png"] = png(colour_pixels(W, H, 8), 8, RGB)
    pictures["rgb-16.png"] = png(colour_pixels(37, 23, 16), 16, RGB)
    pictures["rgb-8-trns.png"] = png(
        with_pixel(colour_pixels(W, H, 8), 5, 6, (10, 200, 30)), 8, RGB, before_data=[trns_rgb(10, 200, 30)])
    # Qt 6.4's reader reads this one wrong (its rows as if they had four
    # channels); the tests compare it with Qt's reading of the same picture
    # stored with an alpha channel instead.
    rgb16 = with_pixel(colour_pixels(W, H, 16), 5, 6, (1000, 2000, 3000))
    pictures["rgb-16-trns.png"] = png(rgb16, 16, RGB, before_data=[trns_rgb(1000, 2000, 3000)])
    pictures["rgb-16-trns-as-rgba.png"] = png(
        [[pixel + ((0 if pixel == (1000, 2000, 3000) else 65535),) for pixel in row] for row in rgb16], 16, RGBA)
    pictures["rgba-8.png"] = png(colour_pixels(W, H, 8, alpha=True), 8, RGBA)
    pictures["rgba-16.png"] = png(colour_pixels(37, 23, 16, alpha=True), 16, RGBA)
    # A fully transparent pixel whose colour is bright red: only the background may show.
    pictures["rgba-8-transparent-red.png"] = png(
        with_pixel(colour_pixels(W, H, 8, alpha=True), 0, 0, (255, 0, 0, 0)), 8, RGBA)
    for depth in (1, 2, 4, 8):
        count = min(1 << depth, 200)
        pictures[f"palette-{depth}.png"] = png(palette_pixels(W, H, count), depth, PALETTE,
                                               before_data=[palette_chunk(count)])
    # Fewer transparency entries than colours: the rest are opaque.
    pictures["palette-8-trns.png"] = png(palette_pixels(W, H, 200), 8, PALETTE, before_data=[
        palette_chunk(200), chunk(b"tRNS", bytes(scrambled(i, 0, 7, 256) if i % 3 else (0, 255)[i % 2]
                                                for i in range(150)))])
    pictures["palette-1-trns.png"] = png(palette_pixels(W, H, 2), 1, PALETTE,
                                         before_data=[palette_chunk(2), chunk(b"tRNS", b"\x00")])
    # Indices past the end of a palette of five colours, which Qt shows as colour 0.
    pictures["palette-4-index-past-palette.png"] = png(palette_pixels(W, H, 16), 4, PALETTE,
                                                       before_data=[palette_chunk(5)])
    # Interlaced (Adam7), also pictures smaller than the 8 x 8 block of the first pass.
    pictures["rgba-8-interlaced.png"] = png(colour_pixels(W, H, 8, alpha=True), 8, RGBA, interlaced=True)
    pictures["palette-4-interlaced.png"] = png(palette_pixels(W, H, 16), 4, PALETTE, interlaced=True,
                                               before_data=[palette_chunk(16)])
    pictures["grey-16-interlaced.png"] = png(grey_pixels(37, 23, 16), 16, GREY, interlaced=True)
    pictures["grey-alpha-8-interlaced-7x5.png"] = png(
        colour_pixels(7, 5, 8, alpha=True, grey=True), 8, GREY_ALPHA, interlaced=True)
    pictures["rgb-8-interlaced-1x1.png"] = png(colour_pixels(1, 1, 8), 8, RGB, interlaced=True)
    pictures["rgba-8-1x1.png"] = png(colour_pixels(1, 1, 8, alpha=True), 8, RGBA)
    pictures["palette-8-7x5.png"] = png(palette_pixels(7, 5, 256), 8, PALETTE, before_data=[palette_chunk(256)])
    # Colour chunks: gamma 1.0 would change every pixel if it were applied.
    pictures["rgb-8-gama.png"] = png(colour_pixels(W, H, 8), 8, RGB, before_data=[gama(1.0)])
    pictures["rgba-8-gama-chrm.png"] = png(colour_pixels(W, H, 8, alpha=True), 8, RGBA,
                                           before_data=[gama(0.45455), chrm()])
    pictures["rgba-16-gama.png"] = png(colour_pixels(W, H, 16, alpha=True), 16, RGBA, before_data=[gama(1.8)])
    pictures["palette-4-gama.png"] = png(palette_pixels(W, H, 16), 4, PALETTE,
                                         before_data=[gama(1.0), palette_chunk(16)])
    pictures["rgba-8-srgb.png"] = png(colour_pixels(W, H, 8, alpha=True), 8, RGBA, before_data=[srgb(), gama(0.45455)])
    pictures["rgb-8-iccp.png"] = png(colour_pixels(W, H, 8), 8, RGB, before_data=[iccp()])
    pictures["grey-8-iccp.png"] = png(grey_pixels(W, H, 8), 8, GREY, before_data=[iccp(b"GRAY")])
    # The data split over several IDAT chunks, text chunks around it.
    pictures["rgb-8-many-idat.png"] = png(
        colour_pixels(W, H, 8), 8, RGB, idat_pieces=7, before_data=[chunk(b"tEXt", b"Title\0Rasterkit")],
        after_data=[chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"after the data"))])
    pictures["apng-first-frame.png"] = apng(W, H)
    # Transparency kept: icons with soft edges, and the key colours.
    pictures["rgba-8-soft-icon.png"] = png(soft_icon_pixels(40, 30), 8, RGBA)
    pictures["grey-alpha-8-soft-icon.png"] = png(soft_icon_pixels(40, 30, grey=True), 8, GREY_ALPHA)
    pictures["rgba-8-key-colours.png"] = png(key_colour_pixels(16, 12), 8, RGBA)
    return pictures


def bad_pictures(good):
    """Damaged files, each named for what is wrong with it."""
    sound = good["rgba-8.png"]
    idat = sound.index(b"IDAT") - 4
    idat_length = struct.unpack(">I", sound[idat:idat + 4])[0]
    idat_end = idat + 12 + idat_length
    pixels = colour_pixels(13, 11, 8, alpha=True)
    raw = image_data(pixels, 13, 11, 8, RGBA, False)
    compressed = zlib.compress(raw, 9)
    broken = bytearray(compressed)
    broken[2] |= 0x06  # the first deflate block of type 3, which deflate does not have
    bad_filter = bytearray(raw)
    bad_filter[(13 * 4 + 1) * 5] = 9  # a sixth row with filter type 9, which PNG does not have
    adler = bytearray(compressed)
    adler[-1] ^= 0x01  # the data sound, its checksum wrong
    bad_crc = bytearray(sound)
    bad_crc[idat_end - 1] ^= 0x01
    bad_ihdr = bytearray(sound)
    bad_ihdr[24] = 3  # bit depth 3
    bad_ihdr[29:33] = struct.pack(">I", zlib.crc32(bytes(bad_ihdr[12:29])))
    absurd = bytearray(sound)
    absurd[16:24] = struct.pack(">II", 65535, 65535)
    absurd[29:33] = struct.pack(">I", zlib.crc32(bytes(absurd[12:29])))
    return {
        "bad-cut-in-header.png": sound[:20],
        "bad-cut-in-data.png": sound[:idat + 8 + idat_length // 2],
        "bad-cut-after-data.png": sound[:idat_end],
        "bad-no-iend.png": sound[:-12] + chunk(b"tEXt", b"Title\0no end"),
        "bad-crc.png": bytes(bad_crc),
        "bad-zlib.png": png(pixels, 8, RGBA, data=bytes(broken)),
        "bad-zlib-short.png": png(pixels, 8, RGBA, data=zlib.compress(raw[:len(raw) // 2])),
        "bad-zlib-adler32.png": png(pixels, 8, RGBA, data=bytes(adler)),
        "bad-filter.png": png(pixels, 8, RGBA, data=zlib.compress(bytes(bad_filter))),
        "bad-ihdr.png": bytes(bad_ihdr),
        "bad-absurd-size.png": bytes(absurd),
    }


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    folder = os.path.join(root, "tests", "data", "png")
    os.makedirs(folder, exist_ok=True)
    good = good_pictures()
    for name, data in {**good, **bad_pictures(good)}.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    print(f"wrote {len(good)} pictures and their damaged copies to {folder}")


if __name__ == "__main__":
    main()
