/* A stand-in for firmware that plays an animation. The animation file is
 * what `rasterkit-cli convert anim.gif --frames -o anim.rkan -f FORMAT -W w
 * -H h` writes; firmware would hold it in flash, this program reads it into
 * a buffer of its own. rk_animation checks the whole file once, then hands
 * out the frames; each frame's rectangle (the whole screen, the part that
 * changed, or nothing) is decoded with rasterkit_decode.h into the
 * framebuffer at its place, as firmware draws onto a display, and every
 * played frame is written as a PPM picture:
 *
 *   rasterkit_example_device_animation [--byte-order little] ANIM.rkan FOLDER
 *
 * FOLDER/frame_000.ppm, frame_001.ppm ... one for each frame of the first
 * pass (the animation's loop count says how often firmware would play it
 * over again). --byte-order little: the file was converted with
 * `--byte-order little`; the frames' streams are read in that order. */
#include "ppm.h"
#include "rasterkit_decode.h"

#include <stdio.h>
#include <string.h>

/* The largest file and screen this stand-in takes. */
#define MAX_FILE (4L * 1024 * 1024)
#define MAX_PIXELS (480L * 320)

static uint8_t file[MAX_FILE];
static uint16_t framebuffer[MAX_PIXELS];

/* The file's bytes into `file`; their count, or -1. */
static long readFile(const char* path)
{
    FILE* stream = fopen(path, "rb");
    size_t size;
    if (!stream) {
        perror(path);
        return -1;
    }
    size = fread(file, 1, sizeof file, stream);
    if (ferror(stream) || fgetc(stream) != EOF) {
        fprintf(stderr, "%s: cannot be read, or is larger than %ld bytes\n", path, MAX_FILE);
        fclose(stream);
        return -1;
    }
    fclose(stream);
    return (long)size;
}

/* Decodes a frame's rectangle into the framebuffer (the screen's width a
 * row), each row straight into its place. */
static int drawFrame(const rk_animation* animation, const rk_frame* frame, int byteOrder, int index)
{
    rk_decoder decoder;
    uint16_t* row = framebuffer + (long)frame->y * animation->width + frame->x;
    int rows = 0;
    int rc;
    if (frame->size == 0)
        return 1; /* 0 x 0: the screen stays as it is */
    rc = rk_decoder_init(&decoder, frame->data, frame->size, animation->format, frame->width, frame->height, byteOrder);
    while (rc == RK_OK && rows < frame->height && (rc = rk_decoder_row(&decoder, row)) == RK_OK) {
        row += animation->width;
        ++rows;
    }
    if (rc == RK_OK)
        rc = rk_decoder_row(&decoder, framebuffer); /* RK_DONE: nothing is written */
    if (rc != RK_DONE) {
        fprintf(stderr, "frame %d, row %d: %s\n", index, rows, rc == RK_OK ? "more rows than the frame's" : rk_error_text(rc));
        return 0;
    }
    return 1;
}

int main(int argc, char** argv)
{
    const int little = argc == 5 && strcmp(argv[1], "--byte-order") == 0 && strcmp(argv[2], "little") == 0;
    const int byteOrder = little ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN;
    rk_animation animation;
    rk_frame frame;
    char path[4096];
    long size;
    int rc, index;
    if (argc != 3 + 2 * little) {
        fprintf(stderr, "usage: %s [--byte-order little] ANIM.rkan FOLDER\n", argv[0]);
        return 2;
    }
    size = readFile(argv[argc - 2]);
    if (size < 0)
        return 1;
    rc = rk_animation_init(&animation, file, (uint32_t)size);
    if (rc != RK_OK) {
        fprintf(stderr, "%s: frame %u: %s\n", argv[argc - 2], (unsigned)animation.frame, rk_error_text(rc));
        return 1;
    }
    if ((long)animation.width * animation.height > MAX_PIXELS) {
        fprintf(stderr, "%s: a %u x %u screen is larger than this program's framebuffer\n", argv[argc - 2],
            (unsigned)animation.width, (unsigned)animation.height);
        return 1;
    }
    memset(framebuffer, 0, sizeof framebuffer); /* the screen starts with every pixel 0 */
    for (index = 0; index < animation.frame_count; ++index) {
        if ((rc = rk_animation_next(&animation, &frame)) != RK_OK) {
            fprintf(stderr, "frame %d: %s\n", index, rk_error_text(rc));
            return 1;
        }
        if (!drawFrame(&animation, &frame, byteOrder, index))
            return 1;
        if (snprintf(path, sizeof path, "%s/frame_%03d.ppm", argv[argc - 1], index) >= (int)sizeof path) {
            fprintf(stderr, "%s: the path is too long\n", argv[argc - 1]);
            return 1;
        }
        if (!writePpm(path, framebuffer, animation.width, animation.height))
            return 1;
        /* firmware: show the framebuffer, then wait frame.delay milliseconds */
    }
    return 0;
}
