/* A stand-in for a 128 x 64 SSD1306 OLED and its driver. sample.h was made
 * from examples/sample.jpg by the build (rasterkit_add_images() in
 * CMakeLists.txt) in the format "Mono 1 pages": pages of 8 rows, one byte a
 * column, the top pixel of the page in bit 0, which is how the controller
 * keeps its display RAM. The driver sends the array as a firmware driver
 * would, a page at a time in page addressing mode, and the controller stores
 * each data byte at the page and column it points at, the column moving on
 * after each byte. The program then writes what the panel shows, a lit pixel
 * white, an unlit one black, as a PGM picture to look at on the host.
 *
 *   rasterkit_example_oled OUTPUT.pgm */
#include "sample.h"

#include <stdio.h>

#define COLUMNS 128
#define PAGES 8

#if sample_WIDTH != COLUMNS || sample_HEIGHT != PAGES * 8 || sample_STRIDE != COLUMNS
#error "sample.h is not a 128 x 64 picture in pages of 128 bytes"
#endif

/* The controller: its display RAM and the page and column it writes to. */
static unsigned char displayRam[PAGES][COLUMNS];
static unsigned page;
static unsigned column;

/* The commands of page addressing mode a driver sends before a page's data:
 * 0xB0 + page, then the column's low and high nibbles (0x00 + low, 0x10 +
 * high). */
static void command(unsigned char byte)
{
    if (byte >= 0xB0 && byte <= 0xB7)
        page = byte - 0xB0u;
    else if (byte <= 0x0F)
        column = (column & 0xF0u) | byte;
    else if (byte >= 0x10 && byte <= 0x1F)
        column = (column & 0x0Fu) | ((byte - 0x10u) << 4);
}

static void data(unsigned char byte)
{
    displayRam[page][column] = byte;
    column = (column + 1) % COLUMNS; /* page mode: the page stays */
}

int main(int argc, char** argv)
{
    unsigned p;
    unsigned x;
    unsigned y;
    FILE* out;
    if (argc != 2) {
        fprintf(stderr, "usage: rasterkit_example_oled OUTPUT.pgm\n");
        return 2;
    }
    /* The driver: each page from column 0. */
    for (p = 0; p < PAGES; ++p) {
        command((unsigned char)(0xB0 + p));
        command(0x00);
        command(0x10);
        for (x = 0; x < COLUMNS; ++x)
            data(sample[p * sample_STRIDE + x]);
    }
    /* What the panel shows: pixel (x, y) is bit y % 8 of page y / 8. */
    out = fopen(argv[1], "wb");
    if (out == NULL) {
        perror(argv[1]);
        return 1;
    }
    fprintf(out, "P5\n%d %d\n255\n", COLUMNS, PAGES * 8);
    for (y = 0; y < PAGES * 8; ++y) {
        for (x = 0; x < COLUMNS; ++x)
            fputc((displayRam[y / 8][x] >> (y % 8)) & 1u ? 255 : 0, out);
    }
    if (fclose(out) != 0) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
