#include "picturefile.h"

#include <QFileInfo>
#include <QImageReader>

namespace rasterkit {

namespace {

// Qt refuses to decode pictures above 128 MB by default, which turns away
// the 50-megapixel photos of today's phones. 1 GiB still refuses headers
// that claim absurd sizes.
constexpr int AllocationLimitMegabytes = 1024;

QImage flattenOverBackground(const QImage& decoded)
{
    if (!decoded.hasAlphaChannel())
        return decoded.convertToFormat(QImage::Format_RGBX8888);
    QImage picture = decoded.convertToFormat(QImage::Format_RGBA8888);
    constexpr unsigned background = 0xF0;
    for (int y = 0; y < picture.height(); ++y) {
        uchar* pixel = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha != 255) {
                for (int channel = 0; channel < 3; ++channel)
                    pixel[channel] = static_cast<uchar>((pixel[channel] * alpha + background * (255 - alpha) + 127) / 255);
                pixel[3] = 255;
            }
        }
    }
    return picture.convertToFormat(QImage::Format_RGBX8888);
}

} // namespace

PictureLoadResult loadPicture(const QString& path)
{
    PictureLoadResult result;
    const QString shown = QFileInfo(path).absoluteFilePath();
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("Cannot open \"%1\": the file does not exist.").arg(shown);
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("Cannot open \"%1\": it is a folder, not a picture.").arg(shown);
        return result;
    }
    QImageReader::setAllocationLimit(AllocationLimitMegabytes);
    QImageReader reader(path);
    reader.setAutoTransform(false);
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        QString reason = reader.errorString();
        if (reader.error() == QImageReader::UnsupportedFormatError)
            reason = QStringLiteral("it is not a picture that can be read (JPEG, BMP and GIF are)");
        result.error = QStringLiteral("Cannot open \"%1\": %2.").arg(shown, reason);
        return result;
    }
    result.image = flattenOverBackground(decoded);
    if (result.image.isNull()) {
        result.error = QStringLiteral("Cannot open \"%1\": not enough memory for a picture of %2 x %3 pixels.")
                           .arg(shown)
                           .arg(decoded.width())
                           .arg(decoded.height());
    }
    return result;
}

SourceImage sourceImageOf(const QImage& picture)
{
    SourceImage view;
    if (picture.isNull() || picture.format() != QImage::Format_RGBX8888)
        return view;
    view.width = picture.width();
    view.height = picture.height();
    view.bytes = picture.constBits();
    view.bytesPerLine = picture.bytesPerLine();
    return view;
}

} // namespace rasterkit
