/* A stand-in for firmware that saves flash with the index and alpha formats.
 * The build made both headers with rasterkit_add_images() (CMakeLists.txt):
 * sample.h holds examples/sample.jpg as "Index 4" (a palette of 16 colours,
 * then half a byte a pixel), icon.h holds examples/icon.png, a ring with
 * soft edges, as "RGB 5:6:5 A8" (its colours, then its alphas). The program
 * decodes them with rasterkit_decode.h into framebuffers, as firmware fills
 * a display, and writes each framebuffer as a PPM picture:
 *
 *   rasterkit_example_device_formats PICTURE.ppm ICON.ppm SCENE.ppm
 *
 * PICTURE.ppm is the picture as the display shows it; ICON.ppm the icon
 * blended over F0F0F0, the background rasterkit-cli's preview shows alpha
 * pictures over; SCENE.ppm the icon blended over the middle of the
 * picture, as a firmware draws an icon over what the display already shows. */
#include "icon.h"
#include "ppm.h"
#include "rasterkit_decode.h"
#include "sample.h"

#include <stdio.h>

/* F0F0F0 as RGB 5:6:5: red 30, green 60, blue 30. */
#define PREVIEW_BACKGROUND 0xF79Eu

static uint16_t picture[sample_HEIGHT][sample_WIDTH];
static uint16_t iconFrame[icon_HEIGHT][icon_WIDTH];

/* Every row of the picture into the framebuffer. */
static int drawPicture(void)
{
    rk_decoder decoder;
    int y = 0;
    int rc = rk_decoder_init(&decoder, sample, sizeof sample, sample_FORMAT, sample_WIDTH, sample_HEIGHT,
        sample_LITTLE_ENDIAN ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN);
    while (rc == RK_OK && y < sample_HEIGHT && (rc = rk_decoder_row(&decoder, picture[y])) == RK_OK)
        ++y;
    if (rc == RK_OK && y == sample_HEIGHT)
        rc = rk_decoder_row(&decoder, picture[0]);
    if (rc != RK_DONE) {
        fprintf(stderr, "sample.h, row %d: %s\n", y, rc == RK_OK ? "more rows than the frame's" : rk_error_text(rc));
        return 0;
    }
    return 1;
}

/* The icon blended over the rectangle of a framebuffer `stride` pixels wide
 * whose top left pixel is at `corner`, row by row. */
static int drawIcon(uint16_t* corner, int stride)
{
    static uint16_t colours[icon_WIDTH];
    static uint8_t alphas[icon_WIDTH];
    rk_decoder decoder;
    int y = 0;
    int rc = rk_decoder_init(&decoder, icon, sizeof icon, icon_FORMAT, icon_WIDTH, icon_HEIGHT,
        icon_LITTLE_ENDIAN ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN);
    while (rc == RK_OK && y < icon_HEIGHT && (rc = rk_decoder_row_alpha(&decoder, colours, alphas)) == RK_OK)
        rk_blend_row(corner + (long)stride * y++, colours, alphas, icon_WIDTH);
    if (rc == RK_OK && y == icon_HEIGHT)
        rc = rk_decoder_row_alpha(&decoder, colours, alphas);
    if (rc != RK_DONE) {
        fprintf(stderr, "icon.h, row %d: %s\n", y, rc == RK_OK ? "more rows than the frame's" : rk_error_text(rc));
        return 0;
    }
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s PICTURE.ppm ICON.ppm SCENE.ppm\n", argv[0]);
        return 2;
    }
    if (!drawPicture() || !writePpm(argv[1], &picture[0][0], sample_WIDTH, sample_HEIGHT))
        return 1;
    for (int y = 0; y < icon_HEIGHT; ++y) {
        for (int x = 0; x < icon_WIDTH; ++x)
            iconFrame[y][x] = PREVIEW_BACKGROUND;
    }
    if (!drawIcon(&iconFrame[0][0], icon_WIDTH) || !writePpm(argv[2], &iconFrame[0][0], icon_WIDTH, icon_HEIGHT))
        return 1;
    /* The scene: the icon over the middle of the picture already drawn. */
    if (!drawIcon(&picture[(sample_HEIGHT - icon_HEIGHT) / 2][(sample_WIDTH - icon_WIDTH) / 2], sample_WIDTH)
        || !writePpm(argv[3], &picture[0][0], sample_WIDTH, sample_HEIGHT))
        return 1;
    return 0;
}
