/* small_mono: 7 x 5 pixels in the format "Mono 1", made by rasterkit-cli.
   Single bytes: the byte order does not change them. */
#ifndef RASTERKIT_small_mono_H
#define RASTERKIT_small_mono_H

#define small_mono_WIDTH 7
#define small_mono_HEIGHT 5
#define small_mono_FORMAT 8
#define small_mono_FORMAT_NAME "Mono 1"
#define small_mono_BIG_ENDIAN 1
#define small_mono_LITTLE_ENDIAN 0
#define small_mono_STRIDE 1
#define small_mono_SIZE 5

static const unsigned char small_mono[small_mono_SIZE] = {
    0xFE, 0xFC, 0xC0, 0x00, 0x00
};

#endif
