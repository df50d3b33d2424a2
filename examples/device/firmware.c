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
#include "ppm.h"
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
    return writePpm(argv[argc - 1], &framebuffer[0][0], WIDTH, HEIGHT) ? 0 : 1;
}
