/*
 * Firmware-like use of rasterkit_decode.h: every format, both byte orders,
 * every way of reading, blending, and the error texts. Compiled as C99 and as
 * C++ with every warning an error, and for a Cortex-M0, where it must call
 * nothing outside itself (the header's own size is measured with
 * every_function.c).
 *
 * With ONE_FORMAT defined (a format number) it is a firmware that reads that
 * format alone, compiled with RK_FORMATS naming only it: row by row into a
 * framebuffer, or for the alpha formats row by row blended over it; no runs,
 * no error texts. For a Cortex-M0 its whole object, the firmware's own code
 * included, is what that format costs.
 */
#ifdef ONE_FORMAT
#define RK_FORMATS RK_FORMAT_BIT(ONE_FORMAT)
#define ALPHA_FORMAT (ONE_FORMAT == RK_A8 || ONE_FORMAT == RK_RGB565A8)
#endif
#include "rasterkit_decode.h"

#if !defined ONE_FORMAT || !ALPHA_FORMAT

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
#endif

#if !defined ONE_FORMAT || ALPHA_FORMAT
/* Draws a picture over what a framebuffer of width x height holds. */
int draw_over(const void *data, size_t size, int format, int byte_order, uint16_t width, uint16_t height,
    uint16_t *framebuffer)
{
    static uint16_t colours[64];
    static uint8_t alphas[64];
    rk_decoder d;
    int rc = width <= 64 ? rk_decoder_init(&d, data, size, format, width, height, byte_order) : RK_ERR_SIZE;
    while (rc == RK_OK && (rc = rk_decoder_row_alpha(&d, colours, alphas)) == RK_OK) {
        rk_blend_row(framebuffer, colours, alphas, width);
        framebuffer += width;
    }
    return rc;
}
#endif

#ifndef ONE_FORMAT
/* "RGB 5:6:5x8", 4 x 2: red x 3, blue x 3, white x 2. */
static const unsigned char picture[] = { 0xF8, 0x00, 0x03, 0x00, 0x1F, 0x03, 0xFF, 0xFF, 0x02 };

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

/* Each format in turn, in both orders and every way: the count of calls that
   ended well, and the last error's text. */
int draw_all(const void *const streams[RK_FORMAT_LIMIT], const size_t sizes[RK_FORMAT_LIMIT], uint16_t width,
    uint16_t height, uint16_t *framebuffer, const char **last_error)
{
    int format, byte_order, rc, done = 0;
    for (format = RK_RGB565; format <= RK_RGB565A8; ++format) {
        for (byte_order = RK_BIG_ENDIAN; byte_order <= RK_LITTLE_ENDIAN; ++byte_order) {
            rc = draw_rows(streams[format], sizes[format], format, byte_order, width, height, framebuffer);
            if (rc == RK_DONE)
                rc = draw_runs(streams[format], sizes[format], format, byte_order, width, height, framebuffer);
            if (rc == RK_DONE)
                rc = draw_over(streams[format], sizes[format], format, byte_order, width, height, framebuffer);
            if (rc == RK_DONE)
                ++done;
            else
                *last_error = rk_error_text(rc);
        }
    }
    return done + draw_rows(picture, sizeof picture, RK_RGB565X8, RK_BIG_ENDIAN, 4, 2, framebuffer);
}
#endif
