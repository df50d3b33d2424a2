/* SPDX-License-Identifier: MIT */
/*
 * rasterkit_decode.h - reads Rasterkit's raw pixel files on a microcontroller.
 *
 * Portable C99 (and C++), header only, no allocation, no global state, nothing
 * beyond <stdint.h> and <stddef.h>. Include it wherever it is used: every
 * function is static inline.
 *
 * WHAT IT READS
 *
 * A file written by Rasterkit holds the pixels of a width x height picture in
 * raster order (rows top to bottom, each row left to right) and nothing else:
 * no header, no size, no trailer. The width, height, format and byte order
 * are not in the file; the caller passes them (a header made by
 * `rasterkit-cli convert --c-array NAME` carries them as the macros
 * NAME_WIDTH, NAME_HEIGHT, NAME_FORMAT and NAME_LITTLE_ENDIAN).
 *
 *   format               unit (bits of a 16-bit word, 15 = most significant)
 *   0 RK_RGB565          one word per pixel: red 15-11, green 10-5, blue 4-0
 *   1 RK_RGB565X8        3-byte record: that word, then a run length byte 1..255
 *   2 RK_RGB544X3        one word per run: red 15-11, green 10-7, blue 6-3, run 2-0 (1..7)
 *   3 RK_RGB444X4        one word per run: red 15-12, green 11-8, blue 7-4, run 3-0 (1..15)
 *   4 RK_RGB333X7        one word per run: red 15-13, green 12-10, blue 9-7, run 6-0 (1..127)
 *   5 RK_RGB332          one byte per pixel: red 7-5, green 4-2, blue 1-0
 *   6 RK_RGB332X8        2-byte record: that byte, then a run length byte 1..255
 *   7 RK_Y5X3            one byte per run: grey level 7-3, run 2-0 (1..7)
 *  16 RK_I1 .. 19 RK_I8  "Index 1", "Index 2", "Index 4", "Index 8": a palette,
 *                        then rows of n-bit indices into it (n = 1, 2, 4, 8)
 *  20 RK_A8              one byte per pixel: its alpha, 0 transparent .. 255 opaque
 *  21 RK_RGB565A8        width x height RGB 5:6:5 words, then width x height
 *                        alpha bytes (the colour straight, not premultiplied)
 *
 * Formats 8 to 15 (one-bit, grey and 18- and 24-bit panels) are laid out as
 * the displays take them and are sent as they are; this header does not read
 * them.
 *
 * A run record stands for "run length" pixels of its colour; the run length
 * is the pixel count itself, never 0, and runs go on across row ends.
 *
 * An index file ("Index n") starts with its palette: 2^n entries, each an
 * RGB 5:6:5 word. The colours in use come first, each once, and the entries
 * after them are 0. Then come the rows: ceil(width x n / 8) bytes each, the
 * leftmost pixel in the highest bits of its byte; the padding bits at a row's
 * end are not looked at. A pixel's colour is the palette entry its index
 * names. The entries IN USE are those up to the palette's last non-zero entry
 * and the one after it: a black colour in use is stored as 0x0000 like an
 * unused entry, and as every colour is listed once, at most one black entry
 * can follow the last non-zero one (an all-zero palette has entry 0 in use:
 * a black picture). An index past the entries in use makes the file
 * malformed (RK_ERR_INDEX). No file Rasterkit writes is refused by this rule,
 * and no stricter rule can tell the black entry from an unused one.
 *
 * Byte order. RK_BIG_ENDIAN is the files' own order: every 16-bit word (each
 * "RGB 5:6:5" pixel, the colour word of each "RGB 5:6:5x8" record, each
 * record of "RGB 5:4:4x3", "RGB 4:4:4x4" and "RGB 3:3:3x7", each palette
 * entry of the index formats and each colour word of "RGB 5:6:5 A8") high
 * byte first. RK_LITTLE_ENDIAN is the same file with the two bytes of every
 * such word swapped, as `rasterkit-cli convert --byte-order little` writes
 * it. The run length byte of "RGB 5:6:5x8" stays last, and the one-byte units
 * of "RGB 3:3:2", "RGB 3:3:2x8" and "Y 5x3", the index rows and the alpha
 * bytes read the same in both orders.
 *
 * WHAT IT HANDS OUT
 *
 * Every pixel as a native uint16_t RGB 5:6:5 value (red in bits 15-11, green
 * 10-5, blue 4-0), ready for the usual display controllers. A channel stored
 * with k bits is widened to 8 bits by repeating its bit pattern (red 101 of
 * "RGB 3:3:2" becomes 10110110), and the top 5, 6 and 5 bits of the widened
 * channels form the value, so white stays white (0xFFFF) in every colour
 * format and black stays 0x0000. A "Y 5x3" grey level L is shown as the grey
 * 8 x L on each channel, as Rasterkit's preview shows it: L = 31 gives
 * 0xFFDF, L = 7 gives 0x39C7. The index formats hand out their palette
 * entries and "RGB 5:6:5 A8" its colour words, as stored.
 *
 * Every pixel also has an alpha, 0 (transparent) to 255 (opaque), which
 * rk_decoder_row_alpha hands out beside the colours: the stored alpha of
 * "A 8" and "RGB 5:6:5 A8", 255 for every other format. "A 8" stores no
 * colour: its pixels are white (0xFFFF), the colour an anti-aliased glyph or
 * icon is drawn in unless the firmware tints it by blending a row of its own
 * colour with the alphas. rk_decoder_row and rk_decoder_run hand out the
 * colours alone, so for the alpha formats the colour as stored, not blended.
 *
 * BLENDING
 *
 * rk_blend_row(dst, src, alpha, n) draws n pixels of colour src[i] and alpha
 * alpha[i] over dst[i] (RGB 5:6:5, as read back from a framebuffer or just
 * decoded for the background). Each channel c (red and blue 0..31, green
 * 0..63) becomes the integer nearest to
 *
 *     (src_c x alpha + dst_c x (255 - alpha)) / 255
 *
 * computed exactly with integers as (t + (t >> 8)) >> 8, t = src_c x alpha +
 * dst_c x (255 - alpha) + 128: never off by more than half a step, alpha 255
 * gives src and alpha 0 leaves dst as it was.
 *
 * CHOOSING THE FORMATS A FIRMWARE READS
 *
 * Every format is read unless RK_FORMATS is defined before the header is
 * included: a mask of RK_FORMAT_BIT(format) values. The code for the formats
 * left out is not compiled in, and rk_decoder_init refuses them with
 * RK_ERR_FORMAT. For a firmware that shows only an "Index 4" picture:
 *
 *   #define RK_FORMATS RK_FORMAT_BIT(RK_I4)
 *   #include "rasterkit_decode.h"
 *
 * USE
 *
 *   #include "logo.h"                 // made by rasterkit-cli convert --c-array logo
 *   #include "rasterkit_decode.h"
 *
 *   static uint16_t row[logo_WIDTH];
 *   rk_decoder d;
 *   int rc = rk_decoder_init(&d, logo, sizeof logo, logo_FORMAT, logo_WIDTH, logo_HEIGHT,
 *                            logo_LITTLE_ENDIAN ? RK_LITTLE_ENDIAN : RK_BIG_ENDIAN);
 *   while (rc == RK_OK && (rc = rk_decoder_row(&d, row)) == RK_OK)
 *       display_write_row(row, logo_WIDTH);
 *   if (rc != RK_DONE)
 *       log_error(rk_error_text(rc));
 *
 * or, for displays that fill a rectangle with one colour quickly, one run at
 * a time after setting the display's write window to the picture:
 *
 *   uint16_t colour;
 *   uint32_t count;
 *   while ((rc = rk_decoder_run(&d, &colour, &count)) == RK_OK)
 *       display_repeat(colour, count);
 *
 * or, for an icon with alpha drawn over what the framebuffer holds:
 *
 *   static uint16_t colours[icon_WIDTH];
 *   static uint8_t alphas[icon_WIDTH];
 *   for (y = 0; rc == RK_OK && (rc = rk_decoder_row_alpha(&d, colours, alphas)) == RK_OK; ++y)
 *       rk_blend_row(&framebuffer[top + y][left], colours, alphas, icon_WIDTH);
 *
 * ANIMATIONS
 *
 * `rasterkit-cli convert --frames` writes an animation file: every frame of
 * an animation in one format, walked in place with rk_animation. Its numbers
 * are big-endian: a 16-byte header ("RKAN", version 1, the format's number,
 * the screen's width and height, the frame count, the loop count, two zero
 * bytes), then per frame a 16-byte record (x, y, width, height, delay in
 * milliseconds, two zero bytes, then the 32-bit byte count of its data) and
 * that many bytes: the rectangle as a picture of its own in the format, read
 * with an rk_decoder as any picture (an index format's rectangle with its
 * own palette). A 0 x 0 rectangle at 0, 0 has no data: what is shown stays
 * for its delay. The screen starts with every pixel 0.
 *
 * rk_animation_init checks the whole file before it returns: the header, the
 * formats this header reads (formats 8 to 15 and those left out of
 * RK_FORMATS are refused with RK_ERR_FORMAT), every record, every rectangle
 * inside the screen (at most 8192 x 8192), every frame's stream with
 * rk_decoder_init's checks (a bad stream gets the decoder's code) and the
 * exact length. The streams are checked as stored in the files' own order,
 * big-endian, as Rasterkit reads them back; the firmware still passes the
 * order it converted with to rk_decoder_init, which checks each frame again.
 * rk_animation_next then hands out the frames in order and, after the last,
 * starts again from the first as the loop count says: 0 for ever, N for the
 * whole animation played N times, then RK_DONE.
 *
 *   rk_animation a;
 *   rk_frame f;
 *   int rc = rk_animation_init(&a, anim, sizeof anim);   // a.width, a.height, a.format, a.frame_count, a.loops
 *   while (rc == RK_OK && (rc = rk_animation_next(&a, &f)) == RK_OK) {
 *       if (f.size != 0) {                                 // else: nothing changed
 *           rk_decoder_init(&d, f.data, f.size, a.format, f.width, f.height, RK_BIG_ENDIAN);
 *           for (y = f.y; rk_decoder_row(&d, &framebuffer[y][f.x]) == RK_OK; ++y) {
 *           }
 *       }
 *       display_show(framebuffer);
 *       wait_ms(f.delay);
 *   }
 *
 * GUARANTEES
 *
 * - rk_decoder_init checks the whole stream before it returns: a malformed
 *   one (wrong length, a record cut short, run length 0, more or fewer pixels
 *   than width x height, an index past the palette's entries in use) is
 *   refused with its error code, so no pixel of it ever reaches the display.
 *   For run-length and index formats this reads every record or index once;
 *   for the other formats it counts the length.
 * - Nothing is read outside data[0 .. size-1], whatever the bytes, and
 *   rk_decoder_row writes row[0 .. width-1] and nothing else (so does
 *   rk_decoder_row_alpha with its two rows).
 * - The decoder is a small struct of plain values (28 bytes on a 32-bit
 *   machine) holding no pointer but the data pointer given to it; it may be
 *   copied, kept in a static variable, or dropped at any time. Decoders of
 *   different pictures are independent.
 * - No division, no floating point, no library call: it fits a Cortex-M0.
 *   Built with -mcpu=cortex-m0 -mthumb -Os, every format takes at most 2 KiB
 *   of code, and one format alone at most 700 bytes; the animation player
 *   adds at most 1 KiB (tests/device measures all three).
 * - rk_animation is a small struct of plain values like rk_decoder, holding
 *   no pointer but the file's; rk_animation_next reads nothing that
 *   rk_animation_init has not checked.
 */
#ifndef RASTERKIT_DECODE_H
#define RASTERKIT_DECODE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Byte orders of the 16-bit units (see above). */
#define RK_BIG_ENDIAN 0
#define RK_LITTLE_ENDIAN 1

/* Formats, numbered as Rasterkit's format list and rasterkit-cli -f number them. */
#define RK_RGB565 0    /* "RGB 5:6:5" */
#define RK_RGB565X8 1  /* "RGB 5:6:5x8" */
#define RK_RGB544X3 2  /* "RGB 5:4:4x3" */
#define RK_RGB444X4 3  /* "RGB 4:4:4x4" */
#define RK_RGB333X7 4  /* "RGB 3:3:3x7" */
#define RK_RGB332 5    /* "RGB 3:3:2" */
#define RK_RGB332X8 6  /* "RGB 3:3:2x8" */
#define RK_Y5X3 7      /* "Y 5x3" */
#define RK_I1 16       /* "Index 1" */
#define RK_I2 17       /* "Index 2" */
#define RK_I4 18       /* "Index 4" */
#define RK_I8 19       /* "Index 8" */
#define RK_A8 20       /* "A 8" */
#define RK_RGB565A8 21 /* "RGB 5:6:5 A8" */
#define RK_FORMAT_COUNT 8  /* the window's formats, 0 .. 7, numbered without a gap */
#define RK_FORMAT_LIMIT 22 /* every format this header reads is numbered below this */

/* The formats a firmware reads (see "CHOOSING THE FORMATS" above). */
#define RK_FORMAT_BIT(format) (1UL << (format))
#define RK_ALL_FORMATS 0x3F00FFUL /* 0 .. 7 and 16 .. 21 */
#ifndef RK_FORMATS
#define RK_FORMATS RK_ALL_FORMATS
#endif

/* Results. RK_OK and RK_DONE are successes; every error is negative. */
#define RK_OK 0              /* a row or a run was handed out; init: ready */
#define RK_DONE 1            /* every pixel has been handed out */
#define RK_ERR_ARGUMENT (-1) /* a null pointer was passed */
#define RK_ERR_FORMAT (-2)   /* not a format this header reads, or one left out of RK_FORMATS */
#define RK_ERR_BYTE_ORDER (-3) /* the byte order is neither RK_BIG_ENDIAN nor RK_LITTLE_ENDIAN */
#define RK_ERR_SIZE (-4)     /* the width or the height is 0 */
#define RK_ERR_LENGTH (-5)   /* a file without runs whose length is not what width x height pixels take */
#define RK_ERR_TRUNCATED (-6) /* the data ends inside a run record */
#define RK_ERR_ZERO_RUN (-7) /* a run record has run length 0 */
#define RK_ERR_TOO_MANY (-8) /* the runs hold more pixels than width x height */
#define RK_ERR_TOO_FEW (-9)  /* the runs hold fewer pixels than width x height */
#define RK_ERR_INDEX (-10)   /* an index past the palette's entries in use */
/* Animation files (rk_animation_init; a bad frame stream gets the decoder's code above). */
#define RK_ERR_NOT_ANIMATION (-11) /* the file does not start with "RKAN" and version 1 */
#define RK_ERR_CUT (-12)           /* the file ends inside its header, a frame's record or a frame's data */
#define RK_ERR_SCREEN (-13)        /* the screen's width or height is 0 or above 8192, or the frame count is 0 */
#define RK_ERR_RESERVED (-14)      /* a reserved byte of the header or a record is not 0 */
#define RK_ERR_RECTANGLE (-15)     /* a frame's rectangle does not lie inside the screen (or is 0 x 0 but not at 0, 0) */
#define RK_ERR_EMPTY_DATA (-16)    /* a 0 x 0 frame has data */
#define RK_ERR_TRAILING (-17)      /* bytes follow the last frame */

/*
 * The decoder's state. Treat the fields as read-only; only `position` is
 * meant for callers: after an error it is the byte offset of the record at
 * fault (the data's size for RK_ERR_TOO_FEW; for RK_ERR_LENGTH the smaller
 * of the data's size and the size width x height pixels take; for
 * RK_ERR_INDEX the byte holding the index), for a message such as
 * "logo: a run record has run length 0 at byte 1234".
 */
typedef struct rk_decoder {
    const uint8_t *data; /* the stream, as given to rk_decoder_init */
    size_t size;         /* its length in bytes */
    size_t position;     /* byte offset of the next record; index formats: of the current row;
                            "RGB 5:6:5 A8": of the next colour word (grows for "A 8" too) */
    uint32_t remaining;  /* pixels not yet handed out */
    uint16_t width;      /* pixels per row */
    uint16_t column;     /* column of the next pixel, 0 .. width - 1 */
    uint16_t colour;     /* colour of the current run, RGB 5:6:5 */
    uint16_t used;       /* index formats: the palette's entries in use */
    uint8_t pending;     /* pixels of the current run not yet handed out */
    uint8_t format;      /* RK_RGB565 .. RK_RGB565A8 */
    uint8_t byte_order;  /* RK_BIG_ENDIAN or RK_LITTLE_ENDIAN */
    int8_t status;       /* 0, or the error that stopped the decoder */
} rk_decoder;

/* One frame of an animation, as rk_animation_next hands it out. */
typedef struct rk_frame {
    uint16_t x, y;          /* the rectangle's top left pixel on the screen */
    uint16_t width, height; /* its size; 0 x 0: nothing to draw this time */
    uint16_t delay;         /* milliseconds to show the screen once the rectangle is drawn */
    const uint8_t *data;    /* the rectangle as a picture of its own, for rk_decoder_init */
    uint32_t size;          /* its length in bytes; 0 for a 0 x 0 rectangle */
} rk_frame;

/*
 * An animation file being played. Treat the fields as read-only; format,
 * width, height, frame_count and loops are the header's, for callers. After
 * an error `frame` is the frame at fault (0 for a fault of the header, the
 * frame count for bytes after the last frame) and `position` the byte offset
 * of its record (0: the header; for RK_ERR_TRAILING where the extra bytes
 * start).
 */
typedef struct rk_animation {
    const uint8_t *data;  /* the file, as given to rk_animation_init */
    uint32_t size;        /* its length in bytes */
    uint32_t position;    /* byte offset of the next frame's record */
    uint16_t width;       /* the screen's width in pixels */
    uint16_t height;      /* and its height */
    uint16_t frame_count; /* frames in one pass, at least 1 */
    uint16_t loops;       /* passes to play; 0: for ever */
    uint16_t frame;       /* the next frame, 0 .. frame_count */
    uint16_t played;      /* passes finished (counted only when loops is not 0) */
    uint8_t format;       /* RK_RGB565 .. RK_RGB565A8 */
    int8_t status;        /* 0, or the error found by rk_animation_init */
} rk_animation;

/* ---- internals: names starting rk_detail_ may change in any release ---- */

/* Whether any format of a mask is compiled in: a constant, so that the code
   of the formats left out is dropped. */
#define RK_DETAIL_HAS(mask) ((RK_FORMATS & (mask)) != 0)
#define RK_DETAIL_WINDOW_FORMATS 0xFFUL   /* 0 .. 7 */
#define RK_DETAIL_RUN_FORMATS 0xDEUL      /* 1, 2, 3, 4, 6, 7 */
#define RK_DETAIL_PIXEL_FORMATS 0x3F0000UL /* 16 .. 21: one unit a pixel, checked by length */
#define RK_DETAIL_INDEX_FORMATS 0xF0000UL /* 16 .. 19 */
#define RK_DETAIL_IS(format) (RK_FORMATS == RK_FORMAT_BIT(format) ? (format) :
/* The one format RK_FORMATS names, or -1 when it names several. */
#define RK_DETAIL_ONLY \
    (RK_DETAIL_IS(0) RK_DETAIL_IS(1) RK_DETAIL_IS(2) RK_DETAIL_IS(3) RK_DETAIL_IS(4) RK_DETAIL_IS(5) RK_DETAIL_IS(6) \
     RK_DETAIL_IS(7) RK_DETAIL_IS(16) RK_DETAIL_IS(17) RK_DETAIL_IS(18) RK_DETAIL_IS(19) RK_DETAIL_IS(20) \
     RK_DETAIL_IS(21) -1)))))))))))))))

/*
 * The layout of one of formats 0 .. 7's records: bytes in its colour unit (1,
 * or 2 for a 16-bit word read in the chosen byte order), bytes in the whole
 * record, the run length's mask within the unit (0: the run length is the
 * byte after the unit, or for plain formats every record is one pixel), and
 * where red, green and blue sit in the unit, each as (lowest bit << 4 |
 * number of bits).
 */
enum { RK_DETAIL_UNIT, RK_DETAIL_RECORD, RK_DETAIL_RUN_MASK, RK_DETAIL_RED };

static inline const uint8_t *rk_detail_layout(unsigned format)
{
    static const uint8_t layouts[RK_FORMAT_COUNT][6] = {
        { 2, 2, 0x00, 0xB5, 0x56, 0x05 }, /* RGB 5:6:5   */
        { 2, 3, 0x00, 0xB5, 0x56, 0x05 }, /* RGB 5:6:5x8 */
        { 2, 2, 0x07, 0xB5, 0x74, 0x34 }, /* RGB 5:4:4x3 */
        { 2, 2, 0x0F, 0xC4, 0x84, 0x44 }, /* RGB 4:4:4x4 */
        { 2, 2, 0x7F, 0xD3, 0xA3, 0x73 }, /* RGB 3:3:3x7 */
        { 1, 1, 0x00, 0x53, 0x23, 0x02 }, /* RGB 3:3:2   */
        { 1, 2, 0x00, 0x53, 0x23, 0x02 }, /* RGB 3:3:2x8 */
        { 1, 1, 0x07, 0x35, 0x35, 0x35 }, /* Y 5x3: the grey level on every channel */
    };
    return layouts[format];
}

/* The decoder's format: a constant when RK_FORMATS names one format, so
   that only its code is compiled in. */
static inline unsigned rk_detail_format(const rk_decoder *d)
{
    return RK_DETAIL_ONLY >= 0 ? (unsigned)RK_DETAIL_ONLY : d->format;
}

/* A 16-bit word in the chosen byte order. */
static inline unsigned rk_detail_word(const uint8_t *bytes, unsigned byte_order)
{
    return byte_order == RK_LITTLE_ENDIAN ? ((unsigned)bytes[1] << 8) | bytes[0]
                                          : ((unsigned)bytes[0] << 8) | bytes[1];
}

/*
 * One channel of a unit, widened to 8 bits by repeating its bit pattern
 * (or, for a grey level, shifted to 8 x level), then cut to its top
 * `wanted` bits.
 */
static inline unsigned rk_detail_channel(unsigned unit, unsigned field, unsigned wanted, int grey)
{
    const unsigned bits = field & 15u;
    unsigned wide = ((unit >> (field >> 4)) << (8u - bits)) & 0xFFu;
    unsigned filled;
    for (filled = grey ? 8u : bits; filled < 8u; filled += bits)
        wide |= wide >> bits;
    return wide >> (8u - wanted);
}

/*
 * Formats 16 .. 21: the colours and alphas of columns x .. end - 1 of the
 * current row into colours[x ..] and alphas[x ..] (either may be null), the
 * last colour into the current run; then on past them.
 * rk_decoder_init checked the length; an index past the palette's entries
 * in use stops it with RK_ERR_INDEX.
 */
static inline int rk_detail_pixels(rk_decoder *d, uint16_t *colours, uint8_t *alphas, unsigned x, unsigned end)
{
    const uint8_t *data = d->data, *row = data + d->position, *word;
    const unsigned format = rk_detail_format(d), shift = (format - RK_I1) & 3u; /* index formats: log2 n */
    const unsigned bits = 1u << shift, mask = (1u << bits) - 1u;
    const size_t alpha_at = d->size - d->remaining - x; /* + column: the alpha bytes end the file */
    unsigned column, colour = 0, alpha = 255u, index;
    uint32_t bit;

    for (column = x; column != end; ++column) {
        if (RK_DETAIL_HAS(RK_DETAIL_INDEX_FORMATS) && format <= RK_I8) {
            bit = (uint32_t)column << shift;
            index = ((unsigned)row[bit >> 3] >> (8u - bits - (unsigned)(bit & 7u))) & mask;
            if (index >= d->used) {
                d->position += (size_t)(bit >> 3);
                return RK_ERR_INDEX;
            }
            word = data + 2u * index;
        } else {
            alpha = data[alpha_at + column];
            word = format == RK_RGB565A8 ? row + 2u * column : NULL;
        }
        colour = word != NULL ? rk_detail_word(word, d->byte_order) : 0xFFFFu; /* "A 8": white */
        if (colours != NULL)
            colours[column] = (uint16_t)colour;
        if (alphas != NULL)
            alphas[column] = (uint8_t)alpha;
    }
    d->colour = (uint16_t)colour;
    d->remaining -= end - x;
    d->column = (uint16_t)end;
    if (end == d->width) { /* on to the next row */
        d->column = 0;
        d->position += format <= RK_I8 ? (((size_t)d->width << shift) + 7u) >> 3 : 2u * (size_t)d->width;
    }
    return RK_OK;
}

/*
 * Formats 0 .. 7: reads the next record into the current run. It is checked
 * in the order: whole, run length not 0, not more pixels than remain. With
 * no data left it answers RK_DONE if every pixel was handed out, else
 * RK_ERR_TOO_FEW.
 */
static inline int rk_detail_next_run(rk_decoder *d)
{
    const unsigned format = rk_detail_format(d);
    const uint8_t *layout;
    size_t left;
    const uint8_t *record;
    unsigned unit, run;
    int grey;

    if (!RK_DETAIL_HAS(RK_DETAIL_WINDOW_FORMATS))
        return RK_DONE; /* not reached: formats 16 .. 21 read their pixels with rk_detail_pixels */
    layout = rk_detail_layout(format);
    left = d->size - d->position;
    if (left == 0)
        return d->remaining != 0 ? RK_ERR_TOO_FEW : RK_DONE;
    if (left < layout[RK_DETAIL_RECORD])
        return RK_ERR_TRUNCATED;
    record = d->data + d->position;
    unit = layout[RK_DETAIL_UNIT] == 2 ? rk_detail_word(record, d->byte_order) : record[0];
    if (layout[RK_DETAIL_RECORD] > layout[RK_DETAIL_UNIT])
        run = record[layout[RK_DETAIL_UNIT]];
    else if (layout[RK_DETAIL_RUN_MASK] != 0)
        run = unit & layout[RK_DETAIL_RUN_MASK];
    else
        run = 1;
    if (run == 0)
        return RK_ERR_ZERO_RUN;
    if (run > d->remaining)
        return RK_ERR_TOO_MANY;

    grey = format == RK_Y5X3;
    d->colour = (uint16_t)((rk_detail_channel(unit, layout[RK_DETAIL_RED], 5u, grey) << 11)
        | (rk_detail_channel(unit, layout[RK_DETAIL_RED + 1], 6u, grey) << 5)
        | rk_detail_channel(unit, layout[RK_DETAIL_RED + 2], 5u, grey));
    d->pending = (uint8_t)run;
    d->position += layout[RK_DETAIL_RECORD];
    return RK_OK;
}

/* Passes a result on; an error also stops the decoder for good. */
static inline int rk_detail_stop(rk_decoder *d, int rc)
{
    if (rc < 0)
        d->status = (int8_t)rc;
    return rc;
}

/* rk_decoder_row and rk_decoder_row_alpha: either row may be null. */
static inline int rk_detail_row(rk_decoder *d, uint16_t *colours, uint8_t *alphas)
{
    unsigned x, n, end, colour;
    int rc;

    if (d->status != 0)
        return d->status;
    x = d->column;
    if (RK_DETAIL_HAS(RK_DETAIL_PIXEL_FORMATS) && rk_detail_format(d) >= RK_I1) {
        if (d->remaining == 0)
            return RK_DONE;
        return rk_detail_stop(d, rk_detail_pixels(d, colours, alphas, x, d->width));
    }
    if (d->remaining == 0)
        return rk_detail_stop(d, rk_detail_next_run(d)); /* RK_DONE, or bytes after the last pixel */
    while (x < d->width) {
        if (d->pending == 0 && (rc = rk_detail_next_run(d)) != RK_OK)
            return rk_detail_stop(d, rc);
        n = d->width - x;
        if (n > d->pending)
            n = d->pending;
        d->pending = (uint8_t)(d->pending - n);
        d->remaining -= n;
        colour = d->colour; /* a copy: the rows' stores cannot change it */
        for (end = x + n; x != end; ++x) {
            if (colours != NULL)
                colours[x] = (uint16_t)colour;
            if (alphas != NULL)
                alphas[x] = 255; /* formats 0 .. 7 are opaque */
        }
    }
    d->column = 0;
    return RK_OK;
}

/* One channel of rk_blend_row, in its place: the integer nearest to
   (src x alpha + dst x (255 - alpha)) / 255, as (t + (t >> 8)) >> 8. */
static inline unsigned rk_detail_blend(unsigned src, unsigned dst, unsigned alpha, unsigned shift, unsigned mask)
{
    const unsigned t = ((src >> shift) & mask) * alpha + ((dst >> shift) & mask) * (255u - alpha) + 128u;
    return ((t + (t >> 8)) >> 8) << shift;
}

/* ---- the interface ---- */

/*
 * Hands out the next run: `*count` pixels (1 or more) of `*colour`, in raster
 * order. Runs are the file's records as stored: a record may cover the end of
 * one row and the start of the next, records of the same colour are not
 * merged, and formats without runs give runs of 1. After rk_decoder_row has
 * handed out part of a record, the run is the rest of it. Alphas are not
 * handed out this way (see rk_decoder_row_alpha).
 *
 * Returns RK_OK with a run, RK_DONE (and nothing) once every pixel has been
 * handed out, or a negative RK_ERR_... code; an error stops the decoder and
 * every later call returns it again.
 */
static inline int rk_decoder_run(rk_decoder *d, uint16_t *colour, uint32_t *count)
{
    unsigned column;
    int rc;

    if (d == NULL || colour == NULL || count == NULL)
        return RK_ERR_ARGUMENT;
    if (d->status != 0)
        return d->status;
    if (RK_DETAIL_HAS(RK_DETAIL_PIXEL_FORMATS) && rk_detail_format(d) >= RK_I1) {
        if (d->remaining == 0)
            return RK_DONE;
        if ((rc = rk_detail_pixels(d, NULL, NULL, d->column, d->column + 1u)) != RK_OK)
            return rk_detail_stop(d, rc);
        *colour = d->colour;
        *count = 1;
        return RK_OK;
    }
    if (d->pending == 0 && (rc = rk_detail_next_run(d)) != RK_OK)
        return rk_detail_stop(d, rc);
    *colour = d->colour;
    *count = d->pending;
    d->remaining -= d->pending;
    column = (unsigned)d->column + d->pending;
    while (column >= d->width)
        column -= d->width;
    d->column = (uint16_t)column;
    d->pending = 0;
    return RK_OK;
}

/*
 * Fills row[0 .. width-1] with the next row's colours. `row` must have room
 * for `width` values; nothing outside them is written. If rk_decoder_run has
 * already handed out the first c pixels of this row, only row[c .. width-1]
 * are filled.
 *
 * Returns RK_OK for each row, RK_DONE (writing nothing) after the last one,
 * or a negative RK_ERR_... code; an error stops the decoder and every later
 * call returns it again.
 */
static inline int rk_decoder_row(rk_decoder *d, uint16_t *row)
{
    if (d == NULL || row == NULL)
        return RK_ERR_ARGUMENT;
    return rk_detail_row(d, row, NULL);
}

/*
 * As rk_decoder_row, and fills alphas[0 .. width-1] with the pixels' alphas
 * (255 for the formats without alpha). `colours` may be null when only the
 * alphas are wanted, as for "A 8", whose colours are all white.
 */
static inline int rk_decoder_row_alpha(rk_decoder *d, uint16_t *colours, uint8_t *alphas)
{
    if (d == NULL || alphas == NULL)
        return RK_ERR_ARGUMENT;
    return rk_detail_row(d, colours, alphas);
}

/*
 * Prepares `d` to read `size` bytes at `data` as a width x height picture in
 * `format` (one of the RK_... formats above, and in RK_FORMATS) and
 * `byte_order` (RK_BIG_ENDIAN or RK_LITTLE_ENDIAN). The data is read in place
 * and must stay where it is while the decoder is used; it is never written.
 *
 * Width and height may be 1 to 65535 each (Rasterkit writes at most 8192).
 * The row buffers given to rk_decoder_row and rk_decoder_row_alpha need
 * `width` entries; nothing else needs memory.
 *
 * Returns RK_OK when the stream is well formed, otherwise a negative
 * RK_ERR_... code (d->position tells where the fault lies); after an error
 * every call on `d` returns that code. Checks, in this order: d not null,
 * data not null unless size is 0, the format, the byte order, width and
 * height at least 1, then the stream itself: its length (formats without
 * runs), then each record or index.
 */
static inline int rk_decoder_init(rk_decoder *d, const void *data, size_t size, int format, uint16_t width,
    uint16_t height, int byte_order)
{
    const uint8_t *bytes = (const uint8_t *)data;
    uint32_t rows;
    size_t left, need, stride, start;
    unsigned bits = 0, entries = 0, entry, used;
    int rc = RK_OK;

    if (d == NULL)
        return RK_ERR_ARGUMENT;
    d->data = bytes;
    d->size = size;
    d->position = 0;
    d->remaining = (uint32_t)width * height;
    d->width = width;
    d->column = 0;
    d->colour = 0;
    d->used = 0;
    d->pending = 0;
    d->format = 0;
    d->byte_order = (uint8_t)(byte_order & 1);
    d->status = 0;

    if (data == NULL && size != 0) {
        rc = RK_ERR_ARGUMENT;
    } else if (format < 0 || format >= RK_FORMAT_LIMIT || ((RK_FORMATS >> format) & 1u) == 0) {
        rc = RK_ERR_FORMAT;
    } else if (byte_order != RK_BIG_ENDIAN && byte_order != RK_LITTLE_ENDIAN) {
        rc = RK_ERR_BYTE_ORDER;
    } else if (width == 0 || height == 0) {
        rc = RK_ERR_SIZE;
    } else {
        d->format = (uint8_t)format;
        if (RK_DETAIL_ONLY >= 0)
            format = RK_DETAIL_ONLY; /* a constant */
        /* Bits a pixel of the formats without runs, whose length says it
           all; an index file's palette comes first. */
        if (RK_DETAIL_HAS(RK_DETAIL_PIXEL_FORMATS) && format >= RK_I1) {
            if (RK_DETAIL_HAS(RK_DETAIL_INDEX_FORMATS) && format <= RK_I8) {
                bits = 1u << (format - RK_I1);
                entries = 1u << bits;
            } else {
                bits = format == RK_A8 ? 8u : 24u;
            }
        } else if (format == RK_RGB565 || format == RK_RGB332) {
            bits = format == RK_RGB565 ? 16u : 8u;
        }
        if (bits != 0) {
            /* the palette, then `height` rows of `stride` bytes: counted, no multiplication to overflow */
            stride = ((size_t)width * bits + 7u) >> 3;
            left = size;
            need = 2u * entries;
            for (rows = (uint32_t)height + 1u; rows != 0 && left >= need; --rows) {
                left -= need;
                need = stride;
            }
            if (rows != 0 || left != 0) {
                rc = RK_ERR_LENGTH;
                d->position = rows != 0 ? size : size - left;
            }
        }
        if (rc == RK_OK && entries != 0) {
            /* the entries in use: up to the last non-zero one, and one more that may be black */
            used = 1;
            for (entry = 0; entry < entries; ++entry) {
                if ((bytes[2u * entry] | bytes[2u * entry + 1u]) != 0)
                    used = entry + 2u;
            }
            d->used = (uint16_t)(used < entries ? used : entries);
            d->position = 2u * entries;
        }
        if (RK_DETAIL_HAS(RK_DETAIL_RUN_FORMATS | RK_DETAIL_INDEX_FORMATS) && rc == RK_OK
            && (bits == 0 || entries != 0)) {
            /* every record or index read once, row by row; then back to the start */
            start = d->position;
            while ((rc = rk_detail_row(d, NULL, NULL)) == RK_OK) {
            }
            if (rc == RK_DONE) {
                rc = RK_OK;
                d->position = start;
                d->remaining = (uint32_t)width * height;
            }
        }
    }
    return rk_detail_stop(d, rc);
}

/* A 32-bit big-endian number. */
static inline uint32_t rk_detail_number32(const uint8_t *bytes)
{
    return ((uint32_t)rk_detail_word(bytes, RK_BIG_ENDIAN) << 16) | rk_detail_word(bytes + 2, RK_BIG_ENDIAN);
}

/*
 * Prepares `a` to play the `size` bytes at `data` as an animation file (see
 * "ANIMATIONS" above), read in place: they must stay where they are while
 * `a` is used. Returns RK_OK when the whole file is well formed, otherwise a
 * negative RK_ERR_... code (a->frame and a->position tell where), which
 * every later rk_animation_next returns again. Checks, in this order: a not
 * null, data not null unless size is 0, the header (its length, "RKAN" and
 * version 1, the format, the screen's size and the frame count, the
 * reserved bytes), then each frame (its record's length, reserved bytes,
 * rectangle, the byte count against the rectangle and the file's end, its
 * stream), then that no byte follows the last frame.
 */
static inline int rk_animation_init(rk_animation *a, const uint8_t *data, uint32_t size)
{
    const uint8_t *record;
    uint32_t position = 16, count = 0;
    unsigned frame, x, y, width, height;
    rk_decoder d;
    int rc = RK_OK;

    if (a == NULL)
        return RK_ERR_ARGUMENT;
    a->data = data;
    a->size = size;
    a->position = 0;
    a->width = a->height = a->frame_count = a->loops = 0;
    a->frame = 0;
    a->played = 0;
    a->format = 0;
    if (data == NULL && size != 0) {
        rc = RK_ERR_ARGUMENT;
    } else if (size < 16) {
        rc = RK_ERR_CUT;
    } else if (data[0] != 'R' || data[1] != 'K' || data[2] != 'A' || data[3] != 'N' || data[4] != 1) {
        rc = RK_ERR_NOT_ANIMATION;
    } else if (data[5] >= RK_FORMAT_LIMIT || ((RK_FORMATS >> data[5]) & 1u) == 0) {
        rc = RK_ERR_FORMAT;
    } else {
        a->format = data[5];
        a->width = (uint16_t)rk_detail_word(data + 6, RK_BIG_ENDIAN);
        a->height = (uint16_t)rk_detail_word(data + 8, RK_BIG_ENDIAN);
        a->frame_count = (uint16_t)rk_detail_word(data + 10, RK_BIG_ENDIAN);
        a->loops = (uint16_t)rk_detail_word(data + 12, RK_BIG_ENDIAN);
        if (a->width == 0 || a->height == 0 || a->width > 8192u || a->height > 8192u || a->frame_count == 0)
            rc = RK_ERR_SCREEN;
        else if ((data[14] | data[15]) != 0)
            rc = RK_ERR_RESERVED;
        for (frame = 0; rc == RK_OK && frame < a->frame_count; ++frame) {
            a->frame = (uint16_t)frame;
            a->position = position;
            if (size - position < 16u) {
                rc = RK_ERR_CUT;
                break;
            }
            record = data + position;
            x = rk_detail_word(record, RK_BIG_ENDIAN);
            y = rk_detail_word(record + 2, RK_BIG_ENDIAN);
            width = rk_detail_word(record + 4, RK_BIG_ENDIAN);
            height = rk_detail_word(record + 6, RK_BIG_ENDIAN);
            count = rk_detail_number32(record + 12);
            position += 16u;
            if ((record[10] | record[11]) != 0)
                rc = RK_ERR_RESERVED;
            else if (width == 0 || height == 0 ? (x | y | width | height) != 0
                                               : x + width > a->width || y + height > a->height)
                rc = RK_ERR_RECTANGLE;
            else if (width == 0 && count != 0)
                rc = RK_ERR_EMPTY_DATA;
            else if (count > size - position)
                rc = RK_ERR_CUT;
            else if (width != 0)
                rc = rk_decoder_init(&d, data + position, count, a->format, (uint16_t)width, (uint16_t)height,
                    RK_BIG_ENDIAN);
            position += count; /* within size unless rc says otherwise */
        }
        if (rc == RK_OK && position != size) {
            rc = RK_ERR_TRAILING;
            a->frame = a->frame_count;
            a->position = position;
        } else if (rc == RK_OK) {
            a->frame = 0;
            a->position = 16;
        }
    }
    a->status = (int8_t)rc;
    return rc;
}

/*
 * Fills `f` with the next frame: its rectangle, its delay, and the data to
 * read with rk_decoder_init (a 0 x 0 frame has none). After the last frame
 * it starts again from the first while the loop count allows another pass.
 *
 * Returns RK_OK with a frame, RK_DONE (and nothing) once every pass has been
 * played, rk_animation_init's error if it found one, or RK_ERR_ARGUMENT for
 * a null pointer.
 */
static inline int rk_animation_next(rk_animation *a, rk_frame *f)
{
    const uint8_t *record;

    if (a == NULL || f == NULL)
        return RK_ERR_ARGUMENT;
    if (a->status != 0)
        return a->status;
    if (a->frame == a->frame_count) {
        if (a->loops != 0 && a->played + 1u >= a->loops)
            return RK_DONE;
        if (a->loops != 0)
            ++a->played;
        a->frame = 0;
        a->position = 16;
    }
    record = a->data + a->position;
    f->x = (uint16_t)rk_detail_word(record, RK_BIG_ENDIAN);
    f->y = (uint16_t)rk_detail_word(record + 2, RK_BIG_ENDIAN);
    f->width = (uint16_t)rk_detail_word(record + 4, RK_BIG_ENDIAN);
    f->height = (uint16_t)rk_detail_word(record + 6, RK_BIG_ENDIAN);
    f->delay = (uint16_t)rk_detail_word(record + 8, RK_BIG_ENDIAN);
    f->size = rk_detail_number32(record + 12);
    f->data = record + 16;
    a->position += 16u + f->size;
    ++a->frame;
    return RK_OK;
}

/*
 * Draws n pixels of colour src[i] with alpha alpha[i] over dst[i], all RGB
 * 5:6:5: each channel becomes the integer nearest to (src x alpha + dst x
 * (255 - alpha)) / 255 (see "BLENDING" above). dst and src may be the same.
 */
static inline void rk_blend_row(uint16_t *dst, const uint16_t *src, const uint8_t *alpha, size_t n)
{
    size_t i;

    for (i = 0; i < n; ++i) {
        dst[i] = (uint16_t)(rk_detail_blend(src[i], dst[i], alpha[i], 11u, 0x1Fu)
            | rk_detail_blend(src[i], dst[i], alpha[i], 5u, 0x3Fu) | rk_detail_blend(src[i], dst[i], alpha[i], 0u, 0x1Fu));
    }
}

/* A short English text for any result code, e.g. for a log line. */
static inline const char *rk_error_text(int rc)
{
    static const char *const texts[] = {
        "every pixel has been read",
        "no error",
        "a null pointer was passed",
        "a format it does not read",
        "unknown byte order",
        "the width or height is 0",
        "the data is not width x height pixels long",
        "the data ends inside a run record",
        "a run record has run length 0",
        "the runs hold more pixels than width x height",
        "the runs hold fewer pixels than width x height",
        "an index past the palette's colours",
        "not an RKAN version 1 file",
        "the file ends too soon",
        "a bad screen size or no frames",
        "a reserved byte is not 0",
        "a frame's rectangle leaves the screen",
        "a 0 x 0 frame has data",
        "bytes follow the last frame",
    };
    if (rc > RK_DONE || rc < RK_ERR_TRAILING)
        return "unknown result code";
    return texts[RK_DONE - rc];
}

#ifdef __cplusplus
}
#endif

#endif /* RASTERKIT_DECODE_H */
