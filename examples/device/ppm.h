/* Writes a framebuffer of RGB 5:6:5 values as a PPM picture, so that what a
 * display would show can be looked at on the host. Shared by the example
 * firmware programs. */
#ifndef RASTERKIT_EXAMPLE_PPM_H
#define RASTERKIT_EXAMPLE_PPM_H

#include <stdint.h>
#include <stdio.h>

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

/* The width x height pixels at framebuffer, rows one after the other.
 * Written beside the output and renamed over it, so a failed run leaves an
 * existing file as it was. */
static int writePpm(const char* path, const uint16_t* framebuffer, int width, int height)
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
    int written = fprintf(file, "P6\n%d %d\n255\n", width, height) > 0;
    for (int y = 0; y < height && written; ++y) {
        unsigned char rgb[3];
        for (int x = 0; x < width && written; ++x) {
            widen(framebuffer[y * width + x], rgb);
            written = fwrite(rgb, sizeof rgb, 1, file) == 1;
        }
    }
    if (fclose(file) != 0 || !written || rename(temporary, path) != 0) {
        perror(path);
        remove(temporary);
        return 0;
    }
    return 1;
}

#endif
