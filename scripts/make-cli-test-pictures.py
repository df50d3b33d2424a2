#!/usr/bin/env python3
"""Writes the pictures used by the command-line tests (tests/data) and the
README's example picture (examples/sample.jpg).

BMP and GIF files are written byte by byte here, so their pixels are known
exactly; the tests compute the same pixels from the same formulas
(tests/cli/knownpictures.h). The JPEG files are made from PPM pictures with
ImageMagick's `convert`, which is needed only to run this script once: the
results are committed and the build never runs it.

Usage: scripts/make-cli-test-pictures.py [repository root]
"""

import math
import os
import struct
import subprocess
import sys
import tempfile

# ---------------------------------------------------------------------------
# Pixel formulas. tests/cli/knownpictures.h repeats them; keep both in step.

STRIPES = [
    (255, 255, 255),
    (252, 254, 250),  # white but for the low bits that most formats drop
    (224, 0, 0),
    (224, 0, 32),     # differs from the red above only in blue bit 5
    (0, 0, 0),
    (128, 128, 128),
    (231, 0, 0),
    (16, 0, 0),       # grey level 7.5, rounds to 8
    (48, 0, 0),       # grey level 8.5, rounds to 8
]

KNOWN_BMP_SIZE = (64, 48)


def known_bmp_pixel(x, y):
    if y < 6:  # one colour for 384 pixels: runs longer than 255 that go on across row ends
        return (0x12, 0x34, 0x56)
    if y < 12:
        return ((x * 4) % 256, (y * 21) % 256, 255 - x * 4)
    if y < 30:
        return STRIPES[((x // 5) + (y // 3)) % len(STRIPES)]
    return ((x * 37 + y * 11) % 256, (x * x + y * 7) % 256, ((x ^ y) * 5) % 256)


KNOWN_GIF_SIZE = (50, 40)
KNOWN_GIF_PALETTE = [((i * 17) % 256, (255 - i * 17) % 256, (i * 53) % 256) for i in range(16)]


def known_gif_index(x, y):
    if y < 20:
        return ((x // 4) + 2 * (y // 5)) % 16
    return (x * 7 + y * 3) % 16


TRANSPARENT_GIF_SIZE = (24, 16)
# Entry 3 is the transparent one; its own colour must not show.
TRANSPARENT_GIF_PALETTE = [(200, 30, 40), (20, 180, 60), (10, 20, 250), (0, 255, 0)]
TRANSPARENT_INDEX = 3


def transparent_gif_index(x, y):
    if ((x // 4) + (y // 4)) % 2 == 0:
        return TRANSPARENT_INDEX
    return (x + y) % 3


SMALL_BMP_SIZE = (7, 5)


def small_bmp_pixel(x, y):
    return (x * 36, y * 60, 200 - x * 20 - y * 10)


FLAT_SIZE = (320, 240)
FLAT_COLOUR = (0x5A, 0xA5, 0x3C)

# ---------------------------------------------------------------------------
# Writers.


def bmp_bytes(width, height, pixel):
    """A 24-bit uncompressed BMP, rows bottom-up, each padded to 4 bytes."""
    row_size = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            red, green, blue = pixel(x, y)
            row += bytes((blue, green, red))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header_size = 14 + 40
    file_header = b"BM" + struct.pack("<IHHI", header_size + len(data), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return file_header + info_header + data


def lzw_codes(indices, minimum_code_size):
    """GIF's variable-length LZW: yields (code, code size) pairs."""
    clear = 1 << minimum_code_size
    end = clear + 1

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, minimum_code_size + 1

    table, next_code, code_size = reset()
    yield clear, code_size
    current = (indices[0],)
    for index in indices[1:]:
        extended = current + (index,)
        if extended in table:
            current = extended
            continue
        yield table[current], code_size
        if next_code < 4096:
            table[extended] = next_code
            # The decoder adds its entries one code later, and widens its
            # codes once the next free code needs one more bit.
            if next_code == (1 << code_size) and code_size < 12:
                code_size += 1
            next_code += 1
        else:
            yield clear, code_size
            table, next_code, code_size = reset()
        current = (index,)
    yield table[current], code_size
    yield end, code_size


def pack_codes(codes):
    out = bytearray()
    buffer = 0
    bits = 0
    for code, size in codes:
        buffer |= code << bits
        bits += size
        while bits >= 8:
            out.append(buffer & 0xFF)
            buffer >>= 8
            bits -= 8
    if bits:
        out.append(buffer & 0xFF)
    return bytes(out)


def gif_bytes(width, height, palette, index, transparent=None):
    """A GIF89a with one frame and a global palette."""
    table_bits = max(1, (len(palette) - 1).bit_length())
    entries = list(palette) + [(0, 0, 0)] * ((1 << table_bits) - len(palette))
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | ((table_bits - 1) << 4) | (table_bits - 1), 0, 0)
    for red, green, blue in entries:
        out += bytes((red, green, blue))
    if transparent is not None:
        out += bytes((0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0))
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    minimum_code_size = max(2, table_bits)
    indices = [index(x, y) for y in range(height) for x in range(width)]
    data = pack_codes(lzw_codes(indices, minimum_code_size))
    out.append(minimum_code_size)
    for start in range(0, len(data), 255):
        block = data[start:start + 255]
        out.append(len(block))
        out += block
    out += b"\x00;"
    return bytes(out)


def ppm_bytes(width, height, pixel):
    data = bytearray(b"P6\n%d %d\n255\n" % (width, height))
    for y in range(height):
        for x in range(width):
            data += bytes(max(0, min(255, int(round(v)))) for v in pixel(x, y))
    return bytes(data)


def jpeg_bytes(width, height, pixel, quality):
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "picture.ppm")
        target = os.path.join(folder, "picture.jpg")
        with open(source, "wb") as file:
            file.write(ppm_bytes(width, height, pixel))
        subprocess.run(["convert", source, "-strip", "-sampling-factor", "2x2", "-quality", str(quality), target],
                       check=True)
        with open(target, "rb") as file:
            return file.read()


def photo_pixel(x, y):
    """A smooth gradient with some detail: soft waves, a disc and fine lines."""
    red = 120 + 90 * math.sin(x / 31.0) + 20 * math.cos(y / 9.0)
    green = 60 + 150 * y / 150.0 + 15 * math.sin((x + y) / 7.0)
    blue = 200 - 120 * x / 200.0 + 25 * math.sin(x * y / 400.0)
    if (x - 130) ** 2 + (y - 60) ** 2 < 28 ** 2:
        red, green, blue = 240 - (y - 32) * 1.5, 200 - (x - 102), 40
    if x % 23 == 0 or y % 19 == 0:
        red, green, blue = red * 0.6, green * 0.6, blue * 0.6
    return (red, green, blue)


def sample_pixel(x, y):
    """An evening landscape: sky gradient, a sun with a glow, two ranges of hills, a lake."""
    width, height = 400, 300
    horizon = 190
    sun_x, sun_y = 280, 150
    distance = math.hypot(x - sun_x, y - sun_y)
    if y < horizon:
        t = y / horizon
        red = 40 + 210 * t
        green = 60 + 110 * t
        blue = 150 - 40 * t
        glow = max(0.0, 1 - distance / 140.0)
        red += 60 * glow
        green += 50 * glow
        blue += 10 * glow
        if distance < 26:
            red, green, blue = 255, 236, 170
    else:
        t = (y - horizon) / (height - horizon)
        red = 30 + 40 * (1 - t)
        green = 50 + 50 * (1 - t)
        blue = 90 + 60 * (1 - t)
        if abs(x - sun_x) < 30 * (1 - t) + 4 and (y // 3) % 2 == 0:
            red, green, blue = red + 120, green + 90, blue + 30
    far_hills = 150 + 18 * math.sin(x / 37.0) + 9 * math.sin(x / 13.0 + 1)
    near_hills = 175 + 22 * math.sin(x / 53.0 + 2) + 6 * math.cos(x / 7.0)
    if far_hills <= y < horizon:
        red, green, blue = 70, 60, 110
    if near_hills <= y < horizon + 6:
        red, green, blue = 35, 45, 60
    return (min(255, red), min(255, green), min(255, blue))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(data)
    print("%s: %d bytes" % (os.path.normpath(path), len(data)))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    data = os.path.join(root, "tests", "data")

    write(os.path.join(data, "known.bmp"), bmp_bytes(*KNOWN_BMP_SIZE, known_bmp_pixel))
    write(os.path.join(data, "small.bmp"), bmp_bytes(*SMALL_BMP_SIZE, small_bmp_pixel))
    write(os.path.join(data, "known.gif"), gif_bytes(*KNOWN_GIF_SIZE, KNOWN_GIF_PALETTE, known_gif_index))
    write(os.path.join(data, "transparent.gif"),
          gif_bytes(*TRANSPARENT_GIF_SIZE, TRANSPARENT_GIF_PALETTE, transparent_gif_index, TRANSPARENT_INDEX))
    write(os.path.join(data, "flat.gif"), gif_bytes(*FLAT_SIZE, [FLAT_COLOUR, (0, 0, 0)], lambda x, y: 0))
    write(os.path.join(data, "flat-white.gif"), gif_bytes(*FLAT_SIZE, [(255, 255, 255), (0, 0, 0)], lambda x, y: 0))

    photo = jpeg_bytes(200, 150, photo_pixel, 90)
    write(os.path.join(data, "photo.jpg"), photo)
    # Cut inside the header's tables, so that no picture can be decoded from it.
    write(os.path.join(data, "truncated.jpg"), photo[:TRUNCATED_LENGTH])
    write(os.path.join(data, "notapicture.jpg"), "Это не картинка, а текст.\nThis is text, not a picture.\n".encode())
    write(os.path.join(data, "empty.jpg"), b"")
    # Cut at two thirds, inside the picture data, where decoders would go on
    # with grey or blank pixels instead of failing.
    for name in ("photo.jpg", "known.bmp", "known.gif"):
        with open(os.path.join(data, name), "rb") as whole:
            content = whole.read()
        write(os.path.join(data, "cut-" + name), content[:len(content) * 2 // 3])

    write(os.path.join(root, "examples", "sample.jpg"), jpeg_bytes(400, 300, sample_pixel, 85))


TRUNCATED_LENGTH = 200

if __name__ == "__main__":
    main()
