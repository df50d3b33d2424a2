#pragma once

#include "convert/sampling.h"

#include <QImage>
#include <QPoint>
#include <QString>

namespace rasterkit {

// The background that transparent pixels are blended over: the light grey of
// the window's picture box.
inline constexpr unsigned PictureBackground = 0xF0F0F0; // as 0xRRGGBB; grey, so the same either way

struct PictureLoadResult {
    QImage image;   // Format_RGBX8888, every pixel opaque
    QPoint origin;  // the picture's pixel that image's top-left pixel shows: (0, 0) unless only a part was decoded
    QString error;  // names the file and the reason; empty on success

    bool ok() const { return error.isEmpty(); }
};

// Decodes a JPEG, BMP, GIF (its first frame) or any other picture Qt reads,
// exactly as stored: no automatic EXIF rotation. Transparent pixels are
// blended over PictureBackground. Pictures of up to 1 GiB decoded are
// accepted; absurd headers are refused with a message.
PictureLoadResult loadPicture(const QString& path);

// Loads what a conversion with this frame reads. A JPEG is decoded only in
// the rectangle the frame's samples read, and not at all when the frame
// misses the picture; other pictures are decoded whole. Sampling the result
// (sourceImageOf with its origin) gives what sampling the whole picture would.
PictureLoadResult loadPictureForFrame(const QString& path, const FrameSettings& frame);

// A view of a picture made by loadPicture, for sampling; origin is the
// picture's pixel that the image's top-left pixel shows. The picture must
// outlive the view.
SourceImage sourceImageOf(const QImage& picture, QPoint origin = {});

} // namespace rasterkit
