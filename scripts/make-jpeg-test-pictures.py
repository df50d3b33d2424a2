#!/usr/bin/env python3
"""Writes the JPEG pictures of tests/data/jpeg: one small picture (97 x 61,
odd sizes, so that the last block row and column are partial) stored in each
layout the JPEG decoder must read exactly as Qt's reader does.

The picture is drawn here and compressed with ImageMagick's `convert`, and
once with a few lines of C over libjpeg for restart markers, which
ImageMagick cannot write (phone cameras do). Both are needed only to run this
script once: the results are committed and the build never runs it.

Usage: scripts/make-jpeg-test-pictures.py [repository root]
"""

import math
import os
import struct
import subprocess
import sys
import tempfile

WIDTH, HEIGHT = 97, 61

# name: ImageMagick options
LAYOUTS = {
    "baseline-420.jpg": ["-sampling-factor", "2x2"],
    "baseline-422.jpg": ["-sampling-factor", "2x1"],
    "baseline-440.jpg": ["-sampling-factor", "1x2"],
    "baseline-444.jpg": ["-sampling-factor", "1x1"],
    "progressive-420.jpg": ["-sampling-factor", "2x2", "-interlace", "JPEG"],
    "progressive-444.jpg": ["-sampling-factor", "1x1", "-interlace", "JPEG"],
    "grey.jpg": ["-colorspace", "Gray"],
    "progressive-grey.jpg": ["-colorspace", "Gray", "-interlace", "JPEG"],
    "cmyk.jpg": ["-colorspace", "CMYK"],  # ImageMagick stores CMYK as Adobe YCCK
}


def pixel(x, y):
    """Smooth gradients, hard colour edges and a fine checker, so that every
    kind of chroma upsampling and every block edge shows in the pixels."""
    red = 128 + 127 * math.sin(x / 5.0 + y / 11.0)
    green = 255 * y / (HEIGHT - 1)
    blue = 255 if (x // 8 + y // 6) % 2 else 40
    if (x + y) % 2 and 30 <= x < 60:
        red, green, blue = 255 - red, 255 - green, 255 - blue
    return bytes(int(max(0, min(255, value))) for value in (red, green, blue))


# Compresses a PPM picture as 4:2:0 at quality 85 with a restart marker
# every RESTART_INTERVAL blocks of 16 x 16 pixels.
RESTART_ENCODER = r"""
#include <stdio.h>
#include <stdlib.h>
#include <jpeglib.h>
int main(int argc, char **argv)
{
    int width, height, maximum;
    FILE *in = fopen(argv[1], "rb"), *out = fopen(argv[2], "wb");
    if (!in || !out || fscanf(in, "P6 %d %d %d", &width, &height, &maximum) != 3 || fgetc(in) == EOF)
        return 1;
    unsigned char *pixels = malloc((size_t)width * height * 3);
    if (!pixels || fread(pixels, 3, (size_t)width * height, in) != (size_t)width * height)
        return 1;
    struct jpeg_compress_struct info;
    struct jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    info.restart_interval = atoi(argv[3]);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels + (size_t)info.next_scanline * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return fclose(out) != 0;
}
"""
RESTART_INTERVAL = 3
FIRST_SCANS = 2


def exif_orientation_segment(orientation):
    """An APP1 segment whose EXIF data says the picture is to be rotated."""
    entry = struct.pack(">HHIHH", 0x0112, 3, 1, orientation, 0)
    tiff = b"MM" + struct.pack(">HI", 42, 8) + struct.pack(">H", 1) + entry + struct.pack(">I", 0)
    body = b"Exif\0\0" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    folder = os.path.join(root, "tests", "data", "jpeg")
    os.makedirs(folder, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "picture.ppm")
        with open(source, "wb") as out:
            out.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT))
            for y in range(HEIGHT):
                out.write(b"".join(pixel(x, y) for x in range(WIDTH)))
        for name, options in LAYOUTS.items():
            target = os.path.join(folder, name)
            subprocess.run(["convert", source, "-strip", "-quality", "85", *options, target], check=True)
        encoder = os.path.join(scratch, "restart")
        with open(encoder + ".c", "w") as code:
            code.write(RESTART_ENCODER)
        subprocess.run(["cc", "-O1", encoder + ".c", "-o", encoder, "-ljpeg"], check=True)
        subprocess.run([encoder, source, os.path.join(folder, "restart-interval.jpg"), str(RESTART_INTERVAL)], check=True)
    # The same picture with an EXIF orientation of 6 (turn a quarter to the
    # right): it must still come out as stored, 97 x 61.
    with open(os.path.join(folder, "baseline-420.jpg"), "rb") as plain:
        data = plain.read()
    with open(os.path.join(folder, "exif-rotated.jpg"), "wb") as rotated:
        rotated.write(data[:2] + exif_orientation_segment(6) + data[2:])
    # The progressive picture with only its first scans: decoders smooth the
    # coefficients still missing from each block's neighbours.
    with open(os.path.join(folder, "progressive-420.jpg"), "rb") as progressive:
        data = progressive.read()
    # Compressed data never holds 0xFF 0xDA, so every occurrence starts a scan.
    scans = [at for at in range(len(data) - 1) if data[at:at + 2] == b"\xff\xda"]
    with open(os.path.join(folder, "progressive-first-scans.jpg"), "wb") as first:
        first.write(data[:scans[FIRST_SCANS]] + b"\xff\xd9")


if __name__ == "__main__":
    main()
