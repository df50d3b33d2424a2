#pragma once

// PNG pictures through libpng, with the pixels Qt's PNG reader gives once the
// picture is blended over the background as the window blends it: no gamma,
// sRGB or ICC profile is applied (Qt's reader only notes them), 16-bit
// channels are rounded to the nearest 8-bit value, and a picture's
// transparency (an alpha channel, tRNS, a palette's alphas) blends each pixel
// over the background colour.

#include "picturefile.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

class QIODevice;

namespace rasterkit {

// Whether the bytes start with the eight bytes of PNG's signature.
bool looksLikePng(std::span<const std::uint8_t> data);

struct PngDecodeOptions {
    // Only the rows holding the pixels this frame's samples read are kept
    // (sampledRegion), and of them only those columns; the whole file is
    // still read and checked. When unset, the whole picture is kept.
    std::optional<FrameSettings> frame;
    // Pictures that would take more than this many bytes decoded (four per
    // pixel) are refused from their header, before anything is allocated.
    std::int64_t memoryLimitBytes = MaximumPictureBytes;
    // The colour transparent pixels are blended over, 0xAARRGGBB; its alpha
    // is ignored.
    std::uint32_t background = PictureBackground;
    // Blend nothing: each pixel's straight alpha in its fourth byte, 255
    // where the picture has no transparency.
    bool keepAlpha = false;
};

// Decodes a PNG held in memory: its picture (the first frame of an animated
// PNG), exactly as stored, every pixel opaque. A file cut short, or missing
// its IEND chunk, is refused as CutShort (its figures: the bytes it has, and
// 0 for those needed, which are not known); a bad CRC in a critical chunk,
// compressed data zlib cannot read or whose checksum is wrong, too little
// data for the picture and unknown row filters as Damaged, with libpng's
// reason as the detail; a header libpng refuses as CannotDecode with its
// reason; a picture larger than the memory limit as TooManyPixels. The
// result's origin is the picture's pixel that the image's top-left pixel
// shows; the image is null when the frame misses the picture. Messages name
// the file `shown`.
PictureLoadResult decodePng(std::span<const std::uint8_t> data, const PngDecodeOptions& options, const QString& shown);

// The same, reading the file from the device's current position a block at
// a time, so that the file is never held whole in memory. A failed read is
// refused as CannotRead with the device's reason.
PictureLoadResult decodePng(QIODevice& device, const PngDecodeOptions& options, const QString& shown);

} // namespace rasterkit
