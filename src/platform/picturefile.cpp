#include "picturefile.h"

#include "jpegdecoder.h"
#include "picturecheck.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdint>
#include <optional>
#include <span>

namespace rasterkit {

namespace {

// Qt refuses to decode pictures above 128 MB by default, which turns away
// the 50-megapixel photos of today's phones. 1 GiB still refuses headers
// that claim absurd sizes.
constexpr int AllocationLimitMegabytes = 1024;
constexpr std::int64_t MaximumDecodedBytes = std::int64_t(AllocationLimitMegabytes) << 20;
constexpr qint64 MaximumFileBytes = qint64(1) << 30;

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

PictureLoadResult loadPictureFile(const QString& path, const std::optional<FrameSettings>& frame)
{
    PictureLoadResult result;
    const QString shown = QFileInfo(path).absoluteFilePath();
    const auto fail = [&](const QString& reason) {
        result.error = QStringLiteral("Cannot open \"%1\": %2.").arg(shown, reason);
        return result;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("the file does not exist"));
    if (info.isDir())
        return fail(QStringLiteral("it is a folder, not a picture"));
    if (info.size() > MaximumFileBytes)
        return fail(QStringLiteral("the file is larger than 1 GiB"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (data.isEmpty())
        return fail(QStringLiteral("the file is empty"));
    if (const QString missing = missingPictureData(data); !missing.isEmpty())
        return fail(missing);

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
        static_cast<std::size_t>(data.size()));
    if (looksLikeJpeg(bytes)) {
        JpegDecodeResult decoded = decodeJpeg(bytes, JpegDecodeOptions { frame, MaximumDecodedBytes });
        if (!decoded.ok())
            return fail(decoded.reason(MaximumDecodedBytes));
        result.image = std::move(decoded.image);
        result.origin = QPoint(static_cast<int>(decoded.left), static_cast<int>(decoded.top));
        return result;
    }

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::setAllocationLimit(AllocationLimitMegabytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull()) {
        QString reason = reader.errorString();
        if (reader.error() == QImageReader::UnsupportedFormatError)
            reason = QStringLiteral("it is not a picture that can be read (JPEG, BMP and GIF are)");
        return fail(reason);
    }
    result.image = flattenOverBackground(decoded);
    if (result.image.isNull()) {
        return fail(QStringLiteral("not enough memory for a picture of %1 x %2 pixels")
                        .arg(decoded.width())
                        .arg(decoded.height()));
    }
    return result;
}

} // namespace

PictureLoadResult loadPicture(const QString& path)
{
    return loadPictureFile(path, std::nullopt);
}

PictureLoadResult loadPictureForFrame(const QString& path, const FrameSettings& frame)
{
    return loadPictureFile(path, frame);
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

} // namespace rasterkit
