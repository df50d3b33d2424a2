/* Checks the headers rasterkit_add_images() made: their macros give the frame
 * asked for, the ATTRIBUTE text reached the array, each array holds exactly
 * the bytes rasterkit-cli writes with the same options (the .raw files in the
 * folder named by the first argument), and the device decoder reads every
 * array to its last row. */
#include "_8_bit.h"
#include "flat_white.h"
#include "int_.h"
#include "known.h"
#include "photo.h"
#include "rasterkit_decode.h"
#include "small.h"
#include "transparent.h"

#include <stdio.h>
#include <string.h>

_Static_assert(photo_WIDTH == 40 && photo_HEIGHT == 30 && photo_FORMAT == 1, "photo.h: the splash frame");
_Static_assert(flat_white_WIDTH == 40 && flat_white_HEIGHT == 30 && flat_white_FORMAT == 1, "flat_white.h: the splash frame");
_Static_assert(_8_bit_WIDTH == 16 && _8_bit_HEIGHT == 12 && _8_bit_FORMAT == 7, "_8_bit.h: the icon frame");
_Static_assert(int__WIDTH == 8 && int__HEIGHT == 6 && int__FORMAT == 5 && !int__LITTLE_ENDIAN, "int_.h: FORMAT given by index");
_Static_assert(photo_LITTLE_ENDIAN == flat_white_LITTLE_ENDIAN && photo_LITTLE_ENDIAN == SPLASH_LITTLE_ENDIAN, "the splash BYTE_ORDER");
_Static_assert(__alignof__(photo) == 64 && __alignof__(flat_white) == 64, "ATTRIBUTE reaches the arrays");
_Static_assert(small_WIDTH == 13 && small_HEIGHT == 9 && small_STRIDE == 2 && small_SIZE == 18, "small.h: the one-bit frame");
_Static_assert(transparent_WIDTH == 6 && transparent_HEIGHT == 10 && transparent_SIZE == 120, "transparent.h: turned, 6 x 10");
_Static_assert(sizeof transparent == 120 && sizeof transparent[0] == 2, "transparent.h: uint16_t numbers");
_Static_assert(known_FORMAT == 18 && known_PALETTE_ENTRIES == 16 && known_INDEX_OFFSET == 32 && known_STRIDE == 10
        && known_SIZE == 32 + 150 && known_LITTLE_ENDIAN,
    "known.h: an indexed picture, its palette before its rows");

static unsigned char reference[8192];

struct picture {
    const char* name;
    const unsigned char* bytes;
    size_t size;
    int format;
    int width;
    int height;
    int order;
};

static const struct picture pictures[] = {
#define PICTURE(name) { #name, name, sizeof name, name##_FORMAT, name##_WIDTH, name##_HEIGHT, name##_LITTLE_ENDIAN ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN }
    PICTURE(photo),
    PICTURE(flat_white),
    PICTURE(_8_bit),
    PICTURE(int_),
#undef PICTURE
};

/* An array the device decoder does not read: its bytes, or its 16-bit
 * numbers against the reference file's words (high byte first). */
static int same(const char* name, const unsigned char* bytes, const uint16_t* words, size_t size, const char* folder)
{
    char path[4096];
    snprintf(path, sizeof path, "%s/%s.raw", folder, name);
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "%s: cannot open the reference file\n", path);
        return 0;
    }
    const size_t read = fread(reference, 1, sizeof reference, file);
    fclose(file);
    int equal = read == size;
    for (size_t index = 0; equal && index < size; ++index) {
        const unsigned byte = words ? (index % 2 ? words[index / 2] & 0xFFu : words[index / 2] >> 8) : bytes[index];
        equal = byte == reference[index];
    }
    if (!equal)
        fprintf(stderr, "%s.h: the array differs from %s\n", name, path);
    return equal;
}

static uint16_t row[64];

static int check(const struct picture* picture, const char* folder)
{
    char path[4096];
    snprintf(path, sizeof path, "%s/%s.raw", folder, picture->name);
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "%s: cannot open the reference file\n", path);
        return 0;
    }
    const size_t size = fread(reference, 1, sizeof reference, file);
    fclose(file);
    if (size != picture->size || memcmp(reference, picture->bytes, size) != 0) {
        fprintf(stderr, "%s.h: the array (%zu bytes) differs from %s (%zu bytes)\n", picture->name, picture->size, path, size);
        return 0;
    }

    rk_decoder decoder;
    int rows = 0;
    int rc = rk_decoder_init(&decoder, picture->bytes, picture->size, picture->format, picture->width, picture->height, picture->order);
    if (rc == RK_OK) {
        while ((rc = rk_decoder_row(&decoder, row)) == RK_OK)
            ++rows;
    }
    if (rc != RK_DONE || rows != picture->height) {
        fprintf(stderr, "%s.h: decoding stopped after %d of %d rows: %s\n", picture->name, rows, picture->height, rk_error_text(rc));
        return 0;
    }
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: check_pictures REFERENCE_FOLDER\n");
        return 2;
    }
    int passed = 1;
    for (size_t index = 0; index < sizeof pictures / sizeof pictures[0]; ++index)
        passed &= check(&pictures[index], argv[1]);
    passed &= same("small", small, NULL, sizeof small, argv[1]);
    passed &= same("transparent", NULL, transparent, sizeof transparent, argv[1]);
    passed &= same("known", known, NULL, sizeof known, argv[1]);
    return passed ? 0 : 1;
}
