#pragma once

// Pictures over Qt Gui, the library rasterkit::picture_qt: Qt's readers for
// every picture that is not a JPEG, PNG files, and RgbxPicture shown as
// QImage (imageOf, declared with the rest of the picture files in
// picturefile.h). rasterkit-cli loads these at run time, from a module, only
// when a run needs them.

#include "picturefile.h"

#include <QByteArray>
#include <QImage>
#include <QStringList>

#include <cstdint>

namespace rasterkit {

// Decodes a picture that is not a JPEG with Qt's readers (BMP, GIF and any
// other format Qt reads): its first frame, exactly as stored (no EXIF
// rotation), transparent pixels blended over the background. The decoder
// that registerQtPictureReaders registers.
PictureLoadResult decodeWithQtReaders(const QByteArray& data, std::uint32_t background, const QString& shown);

// Sets what Qt's readers may allocate, a setting of the whole process.
// decodeWithQtReaders calls it itself; call it once before decoding on
// several threads at once.
void preparePictureReaders();

// The picture a QImage holds, as RgbxPicture: sharing the pixels of a
// Format_RGBX8888 one, converted from any other format (null if memory runs
// out).
RgbxPicture pictureOf(QImage image);

// The picture as the bytes of a PNG file, for saving whole; empty if it
// cannot be encoded.
QByteArray pngBytes(const RgbxPicture& picture);

// The formats Qt's readers know, by the file name extensions they go by:
// "bmp", "gif", "jpeg", "jpg", ...
QStringList pictureReaderFormats();

} // namespace rasterkit
