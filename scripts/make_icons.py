#!/usr/bin/env python3
"""Draws Rasterkit's window icon: a small display showing a raster of coloured
pixels with a red capture frame over it.

Writes rasterkit-16.png and rasterkit-32.png (16-colour palette images) and
the scalable rasterkit.svg into the given folder (default: resources/ next to
this script's folder). Needs nothing beyond the Python standard library.

    make_icons.py [FOLDER]          write the icons
    make_icons.py --check [FOLDER]  exit 1 if the icons there differ from
                                    what this script draws
"""

import struct
import sys
import zlib
from pathlib import Path

# The 16 colours (red, green, blue, alpha). Entry 0 is transparent.
PALETTE = [
    (0x00, 0x00, 0x00, 0x00),  # 0 transparent
    (0x1B, 0x1E, 0x23, 0xFF),  # 1 outline
    (0x4A, 0x50, 0x58, 0xFF),  # 2 stand
    (0xA7, 0xAE, 0xB6, 0xFF),  # 3 bezel
    (0x0E, 0x16, 0x2B, 0xFF),  # 4 grid lines
    (0xFF, 0x00, 0x00, 0xFF),  # 5 capture frame
    (0x29, 0x62, 0xB8, 0xFF),  # 6 deep sky
    (0x5C, 0xA8, 0xF0, 0xFF),  # 7 light sky
    (0xFF, 0xD5, 0x2E, 0xFF),  # 8 sun
    (0xF5, 0x8A, 0x07, 0xFF),  # 9 sun rim
    (0x2E, 0x8B, 0x3A, 0xFF),  # 10 hill
    (0x6C, 0xC0, 0x4A, 0xFF),  # 11 meadow
    (0x8D, 0x5A, 0x2B, 0xFF),  # 12 earth
    (0xE8, 0xEC, 0xF0, 0xFF),  # 13 cloud
    (0x7B, 0x3F, 0xB5, 0xFF),  # 14 far hill
    (0x00, 0xA5, 0xB5, 0xFF),  # 15 water
]

# The picture on the display, one palette entry per displayed pixel.
SCENE = [
    [6, 6, 6, 7, 7, 7, 7, 6],
    [6, 13, 13, 7, 7, 9, 8, 9],
    [7, 7, 7, 7, 7, 8, 8, 8],
    [7, 14, 14, 7, 7, 9, 8, 9],
    [14, 14, 14, 14, 10, 10, 7, 7],
    [10, 11, 10, 10, 10, 11, 10, 10],
    [11, 11, 15, 15, 11, 11, 12, 11],
    [12, 11, 15, 15, 15, 11, 12, 12],
]


class Icon:
    """The shapes of one icon size, in pixels."""

    def __init__(self, size):
        self.size = size
        if size == 32:
            self.body = (1, 3, 30, 24)     # left, top, right, bottom (inclusive)
            self.screen = (4, 6, 27, 21)   # 24 x 16: the scene's cells are 3 x 2 pixels
            self.frame = (10, 9, 22, 18)
            self.neck = (13, 25, 18, 27)
            self.base = (8, 28, 23, 29)
        elif size == 16:
            self.body = (0, 1, 15, 12)
            self.screen = (2, 3, 13, 10)   # 12 x 8: the scene, sampled
            self.frame = (5, 4, 10, 9)
            self.neck = (7, 13, 8, 13)
            self.base = (4, 14, 11, 14)
        else:
            raise ValueError(f"no design for {size} x {size}")

    def pixels(self):
        size = self.size
        image = [[0] * size for _ in range(size)]

        def fill(box, colour):
            left, top, right, bottom = box
            for y in range(top, bottom + 1):
                for x in range(left, right + 1):
                    image[y][x] = colour

        def outline(box, colour):
            left, top, right, bottom = box
            for x in range(left, right + 1):
                image[top][x] = colour
                image[bottom][x] = colour
            for y in range(top, bottom + 1):
                image[y][left] = colour
                image[y][right] = colour

        fill(self.body, 3)
        outline(self.body, 1)
        left, top, right, bottom = self.screen
        width = right - left + 1
        height = bottom - top + 1
        for y in range(height):
            for x in range(width):
                row = y * len(SCENE) // height
                column = x * len(SCENE[0]) // width
                image[top + y][left + x] = SCENE[row][column]
        outline((left - 1, top - 1, right + 1, bottom + 1), 4)
        outline(self.frame, 5)
        fill(self.neck, 2)
        fill(self.base, 2)
        if size == 32:
            outline(self.base, 1)
        return image


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_bytes(pixels):
    """A 4-bit palette PNG of the given rows of palette indices."""
    height = len(pixels)
    width = len(pixels[0])
    header = struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0)
    palette = b"".join(bytes(colour[:3]) for colour in PALETTE)
    # Alpha for the entries up to the last transparent one; the rest are opaque.
    last_transparent = max(i for i, colour in enumerate(PALETTE) if colour[3] != 0xFF)
    alpha = bytes(colour[3] for colour in PALETTE[: last_transparent + 1])
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for x in range(0, width, 2):
            high = row[x]
            low = row[x + 1] if x + 1 < width else 0
            raw.append(high << 4 | low)
    return (
        b"\x89PNG\r\n\x1a\n"
        + png_chunk(b"IHDR", header)
        + png_chunk(b"PLTE", palette)
        + png_chunk(b"tRNS", alpha)
        + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + png_chunk(b"IEND", b"")
    )


def png_content(data):
    """The chunks of a PNG with the image data unpacked, to compare two PNGs
    without depending on how zlib happened to compress them."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    chunks = []
    idat = b""
    offset = 8
    while offset + 8 <= len(data):
        (length,) = struct.unpack(">I", data[offset : offset + 4])
        kind = data[offset + 4 : offset + 8]
        body = data[offset + 8 : offset + 8 + length]
        if kind == b"IDAT":
            idat += body
        else:
            chunks.append((kind, body))
        offset += 12 + length
    try:
        chunks.append((b"IDAT", zlib.decompress(idat)))
    except zlib.error:
        return None
    return chunks


def hex_colour(index):
    red, green, blue, _ = PALETTE[index]
    return f"#{red:02x}{green:02x}{blue:02x}"


def svg_text():
    """The 32-pixel design as vector shapes on a 32 x 32 canvas."""
    icon = Icon(32)
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        "  <title>Rasterkit</title>",
    ]

    def rect(box, fill=None, stroke=None, inset=0.0, radius=0.0):
        left, top, right, bottom = box
        x = left + inset
        y = top + inset
        width = right - left + 1 - 2 * inset
        height = bottom - top + 1 - 2 * inset
        attributes = f'x="{x:g}" y="{y:g}" width="{width:g}" height="{height:g}"'
        if radius:
            attributes += f' rx="{radius:g}"'
        attributes += f' fill="{hex_colour(fill)}"' if fill is not None else ' fill="none"'
        if stroke is not None:
            attributes += f' stroke="{hex_colour(stroke)}" stroke-width="1"'
        lines.append(f"  <rect {attributes}/>")

    rect(icon.neck, fill=2)
    rect(icon.base, fill=2, stroke=1, inset=0.5, radius=0.5)
    rect(icon.body, fill=3, stroke=1, inset=0.5, radius=1.5)
    left, top, right, bottom = icon.screen
    rect((left - 1, top - 1, right + 1, bottom + 1), fill=4)
    cell_width = (right - left + 1) / len(SCENE[0])
    cell_height = (bottom - top + 1) / len(SCENE)
    lines.append('  <g shape-rendering="crispEdges">')
    for row, colours in enumerate(SCENE):
        for column, colour in enumerate(colours):
            x = left + column * cell_width
            y = top + row * cell_height
            lines.append(
                f'    <rect x="{x:g}" y="{y:g}" width="{cell_width:g}" height="{cell_height:g}"'
                f' fill="{hex_colour(colour)}" stroke="{hex_colour(4)}" stroke-width="0.15"/>'
            )
    lines.append("  </g>")
    rect(icon.frame, stroke=5, inset=0.5)
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def outputs():
    return {
        "rasterkit-16.png": png_bytes(Icon(16).pixels()),
        "rasterkit-32.png": png_bytes(Icon(32).pixels()),
        "rasterkit.svg": svg_text().encode("utf-8"),
    }


def main(arguments):
    check = "--check" in arguments
    rest = [argument for argument in arguments if argument != "--check"]
    folder = Path(rest[0]) if rest else Path(__file__).resolve().parent.parent / "resources"
    stale = []
    for name, data in outputs().items():
        path = folder / name
        if check:
            try:
                existing = path.read_bytes()
            except OSError as error:
                stale.append(f"{path}: {error.strerror}")
                continue
            same = png_content(existing) == png_content(data) if name.endswith(".png") else existing == data
            if not same:
                stale.append(f"{path}: differs from what {Path(__file__).name} draws")
        else:
            path.write_bytes(data)
            print(f"wrote {path}")
    for message in stale:
        print(message, file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
