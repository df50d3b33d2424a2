/* A stand-in for firmware. sample.h was made from examples/sample.jpg by the
 * build (rasterkit_add_images() in CMakeLists.txt), exactly as
 * `rasterkit-cli convert --c-array sample` writes it. The program decodes the
 * array with rasterkit_decode.h into a framebuffer, the way firmware fills a
 * display, and writes the framebuffer out as a PPM picture so that it can be
 * looked at on the host.
 *
 *   rasterkit_example_device [--runs] OUTPUT.ppm
 *
 * By default it decodes row by row (rows sent to a display one at a time);
 * with --runs it asks for one run at a time and fills each as a horizontal
 * line, as firmware does with a display's rectangle fill. Both give the same
 * framebuffer. */
#include "rasterkit_decode.h"
#include "sample.h"

#include <stdio.h>
#include <string.h>

#define WIDTH sample_WIDTH
#define HEIGHT sample_HEIGHT

static uint16_t framebuffer[HEIGHT][WIDTH];

/* Each row as a display driver would take it, copied into the framebuffer. */
static int decodeRows(rk_decoder* decoder)
{
    static uint16_t row[WIDTH];
    int y = 0;
    int rc = RK_OK;
    while (y < HEIGHT && (rc = rk_decoder_row(decoder, row)) == RK_OK)
        memcpy(framebuffer[y++], row, sizeof row);
    if (y == HEIGHT)
        rc = rk_decoder_row(decoder, row);
    if (rc != RK_DONE) {
        fprintf(stderr, "sample.h, row %d: %s\n", y, rc == RK_OK ? "more rows than the frame's" : rk_error_text(rc));
        return 0;
    }
    return 1;
}

/* Each run as a horizontal line; runs go on across row ends. */
static int decodeRuns(rk_decoder* decoder)
{
    const uint32_t pixels = (uint32_t)WIDTH * HEIGHT;
    uint32_t position = 0;
    uint16_t colour;
    uint32_t count;
    int rc;
    while ((rc = rk_decoder_run(decoder, &colour, &count)) == RK_OK) {
        if (count > pixels - position) {
            fprintf(stderr, "sample.h, pixel %lu: a run goes past the frame\n", (unsigned long)position);
            return 0;
        }
        for (const uint32_t end = position + count; position < end; ++position)
            framebuffer[position / WIDTH][position % WIDTH] = colour;
    }
    if (rc != RK_DONE || position != pixels) {
        fprintf(stderr, "sample.h, pixel %lu: %s\n", (unsigned long)position,
            rc == RK_DONE ? "the runs end before the frame does" : rk_error_text(rc));
        return 0;
    }
    return 1;
}

/* RGB 5:6:5 widened to 8 bits a channel by repeating each channel's bit
 * pattern, so that full intensity stays 255. */
static void widen(uint16_t pixel, unsigned char* rgb)
{
    const unsigned red = pixel >> 11;
    const unsigned green = (pixel >> 5) & 0x3Fu;
    const unsigned blue = pixel & 0x1Fu;
    rgb[0] = (unsigned char)(red << 3 | red >> 2);
    rgb[1] = (unsigned char)(green << 2 | green >> 4);
    rgb[2] = (unsigned char)(blue << 3 | blue >> 2);
}

/* Written beside the output and renamed over it, so a failed run leaves an
 * existing file as it was. */
static int writePpm(const char* path)
{
    char temporary[4096];
    if (snprintf(temporary, sizeof temporary, "%s.part", path) >= (int)sizeof temporary) {
        fprintf(stderr, "%s: the path is too long\n", path);
        return 0;
    }
    FILE* file = fopen(temporary, "wb");
    if (!file) {
        perror(temporary);
        return 0;
    }
    int written = fprintf(file, "P6\n%d %d\n255\n", WIDTH, HEIGHT) > 0;
    for (int y = 0; y < HEIGHT && written; ++y) {
        unsigned char line[WIDTH * 3];
        for (int x = 0; x < WIDTH; ++x)
            widen(framebuffer[y][x], &line[3 * x]);
        written = fwrite(line, sizeof line, 1, file) == 1;
    }
    if (fclose(file) != 0 || !written || rename(temporary, path) != 0) {
        perror(path);
        remove(temporary);
        return 0;
    }
    return 1;
}

int main(int argc, char** argv)
{
    const int byRuns = argc == 3 && strcmp(argv[1], "--runs") == 0;
    if (argc != 2 + byRuns) {
        fprintf(stderr, "usage: %s [--runs] OUTPUT.ppm\n", argv[0]);
        return 2;
    }
    rk_decoder decoder;
    const int rc = rk_decoder_init(&decoder, sample, sizeof sample, sample_FORMAT, WIDTH, HEIGHT,
        sample_LITTLE_ENDIAN ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN);
    if (rc != RK_OK) {
        fprintf(stderr, "sample.h: %s\n", rk_error_text(rc));
        return 1;
    }
    if (!(byRuns ? decodeRuns(&decoder) : decodeRows(&decoder)))
        return 1;
    return writePpm(argv[argc - 1]) ? 0 : 1;
}
