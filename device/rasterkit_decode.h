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
 *
 * A run record stands for "run length" pixels of its colour; the run length
 * is the pixel count itself, never 0, and runs go on across row ends.
 *
 * Byte order. RK_BIG_ENDIAN is the files' own order: every 16-bit word (each
 * "RGB 5:6:5" pixel, the colour word of each "RGB 5:6:5x8" record, each
 * record of "RGB 5:4:4x3", "RGB 4:4:4x4" and "RGB 3:3:3x7") high byte first.
 * RK_LITTLE_ENDIAN is the same file with the two bytes of every such word
 * swapped, as `rasterkit-cli convert --byte-order little` writes it. The run
 * length byte of "RGB 5:6:5x8" stays last, and the one-byte units of
 * "RGB 3:3:2", "RGB 3:3:2x8" and "Y 5x3" read the same in both orders.
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
 * 0xFFDF, L = 7 gives 0x39C7.
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
 * GUARANTEES
 *
 * - rk_decoder_init checks the whole stream before it returns: a malformed
 *   one (wrong length, a record cut short, run length 0, more or fewer pixels
 *   than width x height) is refused with its error code, so no pixel of it
 *   ever reaches the display. For run-length formats this reads every record
 *   once; for plain formats it is one length comparison.
 * - Nothing is read outside data[0 .. size-1], whatever the bytes, and
 *   rk_decoder_row writes row[0 .. width-1] and nothing else.
 * - The decoder is a small struct of plain values (28 bytes on a 32-bit
 *   machine) holding no pointer but the data pointer given to it; it may be
 *   copied, kept in a static variable, or dropped at any time. Decoders of
 *   different pictures are independent.
 * - No division, no floating point, no library call: it fits a Cortex-M0.
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
#define RK_RGB565 0   /* "RGB 5:6:5" */
#define RK_RGB565X8 1 /* "RGB 5:6:5x8" */
#define RK_RGB544X3 2 /* "RGB 5:4:4x3" */
#define RK_RGB444X4 3 /* "RGB 4:4:4x4" */
#define RK_RGB333X7 4 /* "RGB 3:3:3x7" */
#define RK_RGB332 5   /* "RGB 3:3:2" */
#define RK_RGB332X8 6 /* "RGB 3:3:2x8" */
#define RK_Y5X3 7     /* "Y 5x3" */
#define RK_FORMAT_COUNT 8

/* Results. RK_OK and RK_DONE are successes; every error is negative. */
#define RK_OK 0              /* a row or a run was handed out; init: ready */
#define RK_DONE 1            /* every pixel has been handed out */
#define RK_ERR_ARGUMENT (-1) /* a null pointer was passed */
#define RK_ERR_FORMAT (-2)   /* the format is not 0..7 */
#define RK_ERR_BYTE_ORDER (-3) /* the byte order is neither RK_BIG_ENDIAN nor RK_LITTLE_ENDIAN */
#define RK_ERR_SIZE (-4)     /* the width or the height is 0 */
#define RK_ERR_LENGTH (-5)   /* a plain file whose length is not width x height pixels */
#define RK_ERR_TRUNCATED (-6) /* the data ends inside a run record */
#define RK_ERR_ZERO_RUN (-7) /* a run record has run length 0 */
#define RK_ERR_TOO_MANY (-8) /* the runs hold more pixels than width x height */
#define RK_ERR_TOO_FEW (-9)  /* the runs hold fewer pixels than width x height */

/*
 * The decoder's state. Treat the fields as read-only; only `position` is
 * meant for callers: after an error it is the byte offset of the record at
 * fault (the data's size for RK_ERR_TOO_FEW; for RK_ERR_LENGTH the smaller
 * of the data's size and the size width x height pixels take), for a message
 * such as "logo: a run record has run length 0 at byte 1234".
 */
typedef struct rk_decoder {
    const uint8_t *data; /* the stream, as given to rk_decoder_init */
    size_t size;         /* its length in bytes */
    size_t position;     /* byte offset of the next record */
    uint32_t remaining;  /* pixels not yet handed out */
    uint16_t width;      /* pixels per row */
    uint16_t column;     /* column of the next pixel, 0 .. width - 1 */
    uint16_t colour;     /* colour of the current run, RGB 5:6:5 */
    uint8_t pending;     /* pixels of the current run not yet handed out */
    uint8_t format;      /* RK_RGB565 .. RK_Y5X3 */
    uint8_t byte_order;  /* RK_BIG_ENDIAN or RK_LITTLE_ENDIAN */
    int8_t status;       /* 0, or the error that stopped the decoder */
} rk_decoder;

/* ---- internals: names starting rk_detail_ may change in any release ---- */

/*
 * The layout of one format's record: bytes in its colour unit (1, or 2 for a
 * 16-bit word read in the chosen byte order), bytes in the whole record, the
 * run length's mask within the unit (0: the run length is the byte after the
 * unit, or for plain formats every record is one pixel), and where red, green
 * and blue sit in the unit, each as (lowest bit << 4 | number of bits).
 */
enum { RK_DETAIL_UNIT, RK_DETAIL_RECORD, RK_DETAIL_RUN_MASK, RK_DETAIL_RED };

static inline const uint8_t *rk_detail_layout(int format)
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

/* Plain formats: every unit is one pixel, and the file's length says it all. */
static inline int rk_detail_is_plain(const uint8_t *layout)
{
    return layout[RK_DETAIL_UNIT] == layout[RK_DETAIL_RECORD] && layout[RK_DETAIL_RUN_MASK] == 0;
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
 * Reads the record at `position` into the current run, checking it in the
 * order: whole, run length not 0, not more pixels than remain. With no data
 * left it answers RK_DONE if every pixel was handed out, else RK_ERR_TOO_FEW.
 */
static inline int rk_detail_next_run(rk_decoder *d)
{
    const uint8_t *layout = rk_detail_layout(d->format);
    const size_t left = d->size - d->position;
    const uint8_t *record;
    unsigned unit, run;
    int grey;

    if (left == 0)
        return d->remaining != 0 ? RK_ERR_TOO_FEW : RK_DONE;
    if (left < layout[RK_DETAIL_RECORD])
        return RK_ERR_TRUNCATED;
    record = d->data + d->position;
    unit = record[0];
    if (layout[RK_DETAIL_UNIT] == 2)
        unit = d->byte_order == RK_LITTLE_ENDIAN ? ((unsigned)record[1] << 8) | unit : (unit << 8) | record[1];
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

    grey = d->format == RK_Y5X3;
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

/* ---- the interface ---- */

/*
 * Hands out the next run: `*count` pixels (1 or more) of `*colour`, in raster
 * order. Runs are the file's records as stored: a record may cover the end of
 * one row and the start of the next, records of the same colour are not
 * merged, and plain formats give runs of 1. After rk_decoder_row has handed
 * out part of a record, the run is the rest of it.
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
 * Fills row[0 .. width-1] with the next row's pixels. `row` must have room for
 * `width` values; nothing outside them is written. If rk_decoder_run has
 * already handed out the first c pixels of this row, only row[c .. width-1]
 * are filled.
 *
 * Returns RK_OK for each row, RK_DONE (writing nothing) after the last one,
 * or a negative RK_ERR_... code; an error stops the decoder and every later
 * call returns it again.
 */
static inline int rk_decoder_row(rk_decoder *d, uint16_t *row)
{
    unsigned x, n;
    int rc;

    if (d == NULL || row == NULL)
        return RK_ERR_ARGUMENT;
    if (d->status != 0)
        return d->status;
    if (d->remaining == 0)
        return rk_detail_stop(d, rk_detail_next_run(d)); /* RK_DONE, or bytes after the last pixel */
    for (x = d->column; x < d->width;) {
        if (d->pending == 0 && (rc = rk_detail_next_run(d)) != RK_OK)
            return rk_detail_stop(d, rc);
        n = d->width - x;
        if (n > d->pending)
            n = d->pending;
        d->pending = (uint8_t)(d->pending - n);
        d->remaining -= n;
        while (n-- != 0)
            row[x++] = d->colour;
    }
    d->column = 0;
    return RK_OK;
}

/*
 * Prepares `d` to read `size` bytes at `data` as a width x height picture in
 * `format` (RK_RGB565 .. RK_Y5X3) and `byte_order` (RK_BIG_ENDIAN or
 * RK_LITTLE_ENDIAN). The data is read in place and must stay where it is
 * while the decoder is used; it is never written.
 *
 * Width and height may be 1 to 65535 each (Rasterkit writes at most 8192).
 * The row buffer given to rk_decoder_row needs `width` entries; nothing else
 * needs memory.
 *
 * Returns RK_OK when the stream is well formed, otherwise a negative
 * RK_ERR_... code (d->position tells where the fault lies); after an error
 * every call on `d` returns that code. Checks, in this order: d not null,
 * data not null unless size is 0, the format, the byte order, width and
 * height at least 1, then the stream itself.
 */
static inline int rk_decoder_init(rk_decoder *d, const void *data, size_t size, int format, uint16_t width,
    uint16_t height, int byte_order)
{
    const uint8_t *layout = rk_detail_layout(format & 7);
    rk_decoder probe;
    uint16_t colour;
    uint32_t count;
    size_t units;
    int rc = RK_OK;

    if (d == NULL)
        return RK_ERR_ARGUMENT;
    d->data = (const uint8_t *)data;
    d->size = size;
    d->position = 0;
    d->remaining = (uint32_t)width * height;
    d->width = width;
    d->column = 0;
    d->colour = 0;
    d->pending = 0;
    d->format = (uint8_t)(format & 7);
    d->byte_order = (uint8_t)(byte_order & 1);
    d->status = 0;

    if (data == NULL && size != 0) {
        rc = RK_ERR_ARGUMENT;
    } else if (format < 0 || format >= RK_FORMAT_COUNT) {
        rc = RK_ERR_FORMAT;
    } else if (byte_order != RK_BIG_ENDIAN && byte_order != RK_LITTLE_ENDIAN) {
        rc = RK_ERR_BYTE_ORDER;
    } else if (width == 0 || height == 0) {
        rc = RK_ERR_SIZE;
    } else if (rk_detail_is_plain(layout)) {
        /* units of 1 or 2 bytes: shifts, no division */
        const unsigned shift = layout[RK_DETAIL_UNIT] - 1u;
        units = size >> shift;
        if (units != d->remaining || (size & shift) != 0) {
            rc = RK_ERR_LENGTH;
            d->position = units < d->remaining ? size : (size_t)d->remaining << shift;
        }
    } else {
        probe = *d;
        while ((rc = rk_decoder_run(&probe, &colour, &count)) == RK_OK) {
        }
        if (rc == RK_DONE)
            rc = RK_OK;
        else
            d->position = probe.position;
    }
    return rk_detail_stop(d, rc);
}

/* A short English text for any result code, e.g. for a log line. */
static inline const char *rk_error_text(int rc)
{
    static const char *const texts[] = {
        "every pixel has been read",
        "no error",
        "a null pointer was passed",
        "the format is not 0 to 7",
        "unknown byte order",
        "the width or height is 0",
        "the data is not width x height pixels long",
        "the data ends inside a run record",
        "a run record has run length 0",
        "the runs hold more pixels than width x height",
        "the runs hold fewer pixels than width x height",
    };
    if (rc > RK_DONE || rc < RK_ERR_TOO_FEW)
        return "unknown result code";
    return texts[RK_DONE - rc];
}

#ifdef __cplusplus
}
#endif

#endif /* RASTERKIT_DECODE_H */
