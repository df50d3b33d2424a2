/*
 * Firmware-like use of rasterkit_decode.h: every format, both byte orders,
 * both ways of reading. Compiled as C99 and as C++ with every warning an
 * error, and for a Cortex-M0, where its object file's size is checked.
 */
#include "rasterkit_decode.h"

/* "RGB 5:6:5x8", 4 x 2: red x 3, blue x 3, white x 2. */
static const unsigned char picture[] = { 0xF8, 0x00, 0x03, 0x00, 0x1F, 0x03, 0xFF, 0xFF, 0x02 };

/* Draws a picture row by row into a framebuffer of width x height. */
int draw_rows(const void *data, size_t size, int format, int byte_order, uint16_t width, uint16_t height,
    uint16_t *framebuffer)
{
    rk_decoder d;
    int rc = rk_decoder_init(&d, data, size, format, width, height, byte_order);
    while (rc == RK_OK && (rc = rk_decoder_row(&d, framebuffer)) == RK_OK)
        framebuffer += width;
    return rc;
}

/* Draws the same picture run by run. */
int draw_runs(const void *data, size_t size, int format, int byte_order, uint16_t width, uint16_t height,
    uint16_t *framebuffer)
{
    rk_decoder d;
    uint16_t colour;
    uint32_t count;
    int rc = rk_decoder_init(&d, data, size, format, width, height, byte_order);
    while (rc == RK_OK && (rc = rk_decoder_run(&d, &colour, &count)) == RK_OK) {
        while (count-- != 0)
            *framebuffer++ = colour;
    }
    return rc;
}

/* Each of the eight formats in turn, in both orders and both ways: the
   count of calls that ended well, and the last error's text. */
int draw_all(const void *const streams[RK_FORMAT_COUNT], const size_t sizes[RK_FORMAT_COUNT], uint16_t width,
    uint16_t height, uint16_t *framebuffer, const char **last_error)
{
    int format, byte_order, rc, done = 0;
    for (format = RK_RGB565; format <= RK_Y5X3; ++format) {
        for (byte_order = RK_BIG_ENDIAN; byte_order <= RK_LITTLE_ENDIAN; ++byte_order) {
            rc = draw_rows(streams[format], sizes[format], format, byte_order, width, height, framebuffer);
            if (rc == RK_DONE)
                rc = draw_runs(streams[format], sizes[format], format, byte_order, width, height, framebuffer);
            if (rc == RK_DONE)
                ++done;
            else
                *last_error = rk_error_text(rc);
        }
    }
    return done + draw_rows(picture, sizeof picture, RK_RGB565X8, RK_BIG_ENDIAN, 4, 2, framebuffer);
}
