/*
 * Every function of rasterkit_decode.h, each called once from a function of
 * its own, with every format compiled in: the header's code as a firmware
 * that uses all of it holds it, and nothing else. Cross-compiled for a
 * Cortex-M0, where its object file's size is the header's size. With
 * WITHOUT_ANIMATION the animation player's functions are left out: the
 * difference is what the player costs.
 */
#include "rasterkit_decode.h"

int every_init(rk_decoder *d, const void *data, size_t size, int format, uint16_t width, uint16_t height, int byte_order)
{
    return rk_decoder_init(d, data, size, format, width, height, byte_order);
}

int every_row(rk_decoder *d, uint16_t *row)
{
    return rk_decoder_row(d, row);
}

int every_row_alpha(rk_decoder *d, uint16_t *colours, uint8_t *alphas)
{
    return rk_decoder_row_alpha(d, colours, alphas);
}

int every_run(rk_decoder *d, uint16_t *colour, uint32_t *count)
{
    return rk_decoder_run(d, colour, count);
}

void every_blend(uint16_t *dst, const uint16_t *src, const uint8_t *alpha, size_t n)
{
    rk_blend_row(dst, src, alpha, n);
}

const char *every_error_text(int rc)
{
    return rk_error_text(rc);
}

#ifndef WITHOUT_ANIMATION
int every_animation_init(rk_animation *a, const uint8_t *data, uint32_t size)
{
    return rk_animation_init(a, data, size);
}

int every_animation_next(rk_animation *a, rk_frame *f)
{
    return rk_animation_next(a, f);
}
#endif
