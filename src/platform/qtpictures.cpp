#include "qtpictures.h"

#include <QBuffer>
#include <QImageReader>

#include <memory>
#include <utility>

namespace rasterkit {

namespace {

// Qt refuses to decode pictures above 128 MB by default, which turns away
// the 50-megapixel photos of today's phones. 1 GiB still refuses headers
// that claim absurd sizes.
constexpr int AllocationLimitMegabytes = int(MaximumPictureBytes >> 20);

QImage flattenOverBackground(const QImage& decoded, QRgb backgroundColour)
{
    if (!decoded.hasAlphaChannel())
        return decoded.convertToFormat(QImage::Format_RGBX8888);
    QImage picture = decoded.convertToFormat(QImage::Format_RGBA8888);
    const unsigned background[3] = { unsigned(qRed(backgroundColour)), unsigned(qGreen(backgroundColour)),
        unsigned(qBlue(backgroundColour)) };
    for (int y = 0; y < picture.height(); ++y) {
        uchar* pixel = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha != 255) {
                for (int channel = 0; channel < 3; ++channel)
                    pixel[channel] = static_cast<uchar>(
                        (pixel[channel] * alpha + background[channel] * (255 - alpha) + 127) / 255);
                pixel[3] = 255;
            }
        }
    }
    return picture.convertToFormat(QImage::Format_RGBX8888);
}

// The picture with its straight alpha in each pixel's fourth byte: Qt's
// Format_RGBA8888 has RgbxPicture's layout (null if memory runs out).
RgbxPicture straightPictureOf(const QImage& decoded)
{
    QImage image = decoded.convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull())
        return {};
    auto owner = std::make_shared<QImage>(std::move(image));
    return RgbxPicture(owner, owner->bits(), owner->width(), owner->height(), owner->bytesPerLine());
}

// Qt's BMP reader leaves the pixels that a run-length picture skips, and
// those after its data stops, as whatever memory held. It reads into the
// picture it is given when that has the size and format it reads, so a BMP
// is read into one made and cleared beforehand: those pixels come out as
// colour 0, the same every time. Within the allocation limit only, which
// the reader does not check on a picture it is given.
QImage clearedBmpTarget(QImageReader& reader, const QByteArray& data)
{
    if (!data.startsWith("BM"))
        return {};
    const QSize size = reader.size(); // the height as stored: negative for rows stored top-down
    const qint64 height = qAbs(qint64(size.height()));
    if (size.width() <= 0 || height == 0 || size.width() * height * 4 > MaximumPictureBytes)
        return {};
    QImage target(size.width(), static_cast<int>(height), reader.imageFormat());
    target.fill(0);
    return target;
}

} // namespace

void preparePictureReaders()
{
    // Written only when it differs, so that loads on several threads after
    // this call only ever read it.
    if (QImageReader::allocationLimit() != AllocationLimitMegabytes)
        QImageReader::setAllocationLimit(AllocationLimitMegabytes);
}

PictureLoadResult recogniseWithQtReaders(const QByteArray& start, const QString& shown)
{
    QBuffer buffer;
    buffer.setData(start);
    buffer.open(QIODevice::ReadOnly);
    if (QImageReader::imageFormat(&buffer).isEmpty())
        return PictureLoadResult::failure(PictureError::NotAPicture, shown);
    return {};
}

PictureLoadResult decodeWithQtReaders(const QByteArray& data, const PictureBlending& blending, const QString& shown)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    preparePictureReaders();
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage decoded = clearedBmpTarget(reader, data);
    if (!reader.read(&decoded) || decoded.isNull()) {
        if (reader.error() == QImageReader::UnsupportedFormatError)
            return PictureLoadResult::failure(PictureError::NotAPicture, shown);
        return PictureLoadResult::failure(PictureError::CannotDecode, shown, reader.errorString());
    }
    PictureLoadResult result;
    result.file = shown;
    result.image = blending.keepAlpha ? straightPictureOf(decoded) : pictureOf(flattenOverBackground(decoded, blending.background));
    if (result.image.isNull())
        return PictureLoadResult::failure(PictureError::OutOfMemory, shown, {}, { decoded.width(), decoded.height() });
    return result;
}

RgbxPicture pictureOf(QImage image)
{
    if (image.format() != QImage::Format_RGBX8888)
        image = image.convertToFormat(QImage::Format_RGBX8888);
    if (image.isNull())
        return {};
    // bits() on the only reference to the pixels takes no copy.
    auto owner = std::make_shared<QImage>(std::move(image));
    return RgbxPicture(owner, owner->bits(), owner->width(), owner->height(), owner->bytesPerLine());
}

QImage imageOf(const RgbxPicture& picture)
{
    if (picture.isNull())
        return {};
    // The image keeps a copy of the picture, which keeps the pixels, until
    // its last copy goes. Read-only: drawing on it copies the pixels first.
    auto* keeper = new RgbxPicture(picture);
    QImage image(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(),
        QImage::Format_RGBX8888, [](void* kept) { delete static_cast<RgbxPicture*>(kept); }, keeper);
    if (image.isNull())
        delete keeper; // the clean-up runs only for an image that was made
    return image;
}

SourceImage sourceImageOf(const QImage& picture, QPoint origin)
{
    SourceImage view;
    if (picture.isNull() || picture.format() != QImage::Format_RGBX8888)
        return view;
    view.width = picture.width();
    view.height = picture.height();
    view.bytes = picture.constBits();
    view.bytesPerLine = picture.bytesPerLine();
    view.left = origin.x();
    view.top = origin.y();
    return view;
}

QByteArray pngBytes(const RgbxPicture& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !imageOf(picture).save(&buffer, "PNG"))
        return {};
    return bytes;
}

QStringList pictureReaderFormats()
{
    QStringList formats;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        formats << QString::fromLatin1(format);
    return formats;
}

} // namespace rasterkit
