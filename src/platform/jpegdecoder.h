#pragma once

#include "convert/sampling.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace rasterkit {

// Whether the bytes start like a JPEG file (the start-of-image marker), the
// test Qt's own JPEG reader makes.
bool looksLikeJpeg(std::span<const std::uint8_t> data);

struct JpegDecodeOptions {
    // Only the pixels this frame's samples read are wanted (sampledRegion):
    // the rows above them are skipped, the rows below them never read, and
    // each row is decoded from the block column holding the leftmost to the
    // rightmost. When unset, the whole picture is decoded.
    std::optional<FrameSettings> frame;

    // Pictures that would take more than this many bytes decoded (four per
    // pixel) are refused from their header, before anything is allocated;
    // the decoder's own working memory is held to the same bound.
    std::int64_t memoryLimitBytes = std::int64_t(1) << 30;
};

struct JpegDecodeResult {
    // Format_RGBX8888: the whole picture, or exactly the pixels the frame
    // reads; null when the frame misses the picture.
    QImage image;
    // The picture's pixel that image's top-left pixel shows.
    std::int64_t left = 0;
    std::int64_t top = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    // Why the picture cannot be used, as a clause to follow the file's name
    // ("the file ends inside the picture's data"); empty on success.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// Decodes a JPEG picture held in memory exactly as Qt's JPEG reader does with
// its default settings: the same inverse transform (the accurate integer one)
// and the same smooth chroma upsampling, greyscale spread to red, green and
// blue, CMYK and YCCK turned to RGB as red = K x C / 255 (likewise green and
// blue), no EXIF rotation. Progressive pictures are read whole, though only
// the frame's region is turned into pixels. A file cut short is refused, also
// when the cut lies below the frame.
JpegDecodeResult decodeJpeg(std::span<const std::uint8_t> data, const JpegDecodeOptions& options = {});

} // namespace rasterkit
