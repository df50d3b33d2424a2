#pragma once

#include "convert/sampling.h"

#include <QImage>
#include <QString>

namespace rasterkit {

// The background that transparent pixels are blended over: the light grey of
// the window's picture box.
inline constexpr unsigned PictureBackground = 0xF0F0F0; // as 0xRRGGBB; grey, so the same either way

struct PictureLoadResult {
    QImage image;   // Format_RGBX8888, every pixel opaque
    QString error;  // names the file and the reason; empty on success

    bool ok() const { return error.isEmpty(); }
};

// Decodes a JPEG, BMP, GIF (its first frame) or any other picture Qt reads,
// exactly as stored: no automatic EXIF rotation. Transparent pixels are
// blended over PictureBackground. Pictures of up to 1 GiB decoded are
// accepted; absurd headers are refused with a message.
PictureLoadResult loadPicture(const QString& path);

// A view of a picture made by loadPicture, for sampling. The picture must
// outlive the view.
SourceImage sourceImageOf(const QImage& picture);

} // namespace rasterkit
