/* small_words: 5 x 7 pixels in the format "RGB 5:6:5", made by rasterkit-cli.
   16-bit units as numbers, stored in the target's own byte order. */
#ifndef RASTERKIT_small_words_H
#define RASTERKIT_small_words_H

#include <stdint.h>

#define small_words_WIDTH 5
#define small_words_HEIGHT 7
#define small_words_FORMAT 0
#define small_words_FORMAT_NAME "RGB 5:6:5"
#define small_words_SIZE 70

static const uint16_t small_words[small_words_SIZE / 2] = {
    0xA780, 0xADA0, 0xB3C0, 0xB9E0, 0xC800, 0x8F84, 0x95A4, 0xA3C4,
    0xA9E4, 0xB004, 0x7F89, 0x85A9, 0x8BC9, 0x91E9, 0xA009, 0x678D,
    0x6DAD, 0x7BCD, 0x81ED, 0x880D, 0x5792, 0x5DB2, 0x63D2, 0x69F2,
    0x7812, 0x3F96, 0x45B6, 0x53D6, 0x59F6, 0x6016, 0x2F9B, 0x35BB,
    0x3BDB, 0x41FB, 0x501B
};

#endif
