#pragma once

// Pictures over Qt Gui, the library rasterkit::picture_qt: Qt's readers for
// every picture that is not a JPEG or PNG, PNG files written, and
// RgbxPicture shown as QImage. rasterkit-cli loads these at run time, from a
// module, only when a run needs them.

#include "picturefile.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QStringList>

#include <cstdint>

namespace rasterkit {

// Whether Qt's readers know the format of a file from its first bytes (a
// PictureRecogniser): ok(), or NotAPicture.
PictureLoadResult recogniseWithQtReaders(const QByteArray& start, const QString& shown);

// Decodes a picture that is not a JPEG or PNG with Qt's readers (BMP, GIF and any
// other format Qt reads): its first frame, exactly as stored (no EXIF
// rotation), transparent pixels blended over the background, or with
// keepAlpha their straight alpha kept in each pixel's fourth byte.
PictureLoadResult decodeWithQtReaders(const QByteArray& data, const PictureBlending& blending, const QString& shown);

// Qt's readers as the reader of pictures that are not JPEG, for
// PictureLoadOptions::otherReader: the window's, and the tests'.
inline constexpr OtherPictureReader QtPictureReader { recogniseWithQtReaders, decodeWithQtReaders };

// Sets what Qt's readers may allocate, a setting of the whole process.
// decodeWithQtReaders calls it itself; call it once before decoding on
// several threads at once.
void preparePictureReaders();

// The picture a QImage holds, as RgbxPicture: sharing the pixels of a
// Format_RGBX8888 one, converted from any other format (null if memory runs
// out).
RgbxPicture pictureOf(QImage image);

// Shows a picture as a QImage (Format_RGBX8888) that shares its pixels,
// without a copy.
QImage imageOf(const RgbxPicture& picture);

// A view of a Format_RGBX8888 QImage for sampling; origin is the picture's
// pixel that the image's top-left pixel shows.
SourceImage sourceImageOf(const QImage& picture, QPoint origin = {});

// The picture as the bytes of a PNG file, for saving whole; empty if it
// cannot be encoded.
QByteArray pngBytes(const RgbxPicture& picture);

// The formats Qt's readers know, by the file name extensions they go by:
// "bmp", "gif", "jpeg", "jpg", ...
QStringList pictureReaderFormats();

} // namespace rasterkit
