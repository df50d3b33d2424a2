#include "picturefile.h"

#include "picturecheck.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdio>

namespace rasterkit {

namespace {

// Qt refuses to decode pictures above 128 MB by default, which turns away
// the 50-megapixel photos of today's phones. 1 GiB still refuses headers
// that claim absurd sizes.
constexpr int AllocationLimitMegabytes = 1024;
constexpr qint64 MaximumFileBytes = qint64(1) << 30;

// JPEG's decoder fills a picture whose file was cut short with grey and only
// logs a warning. While a picture is decoded, this catches that warning so
// that the cut picture is refused instead; every other message goes on to
// the handler that was installed before.
class JpegWarningCatcher {
public:
    JpegWarningCatcher()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&JpegWarningCatcher::handle);
    }
    ~JpegWarningCatcher()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    JpegWarningCatcher(const JpegWarningCatcher&) = delete;
    JpegWarningCatcher& operator=(const JpegWarningCatcher&) = delete;

    bool sawEndOfData() const { return m_sawEndOfData; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        JpegWarningCatcher* catcher = s_active;
        if (catcher != nullptr && QByteArrayView(context.category ? context.category : "").contains("jpeg")
            && message.contains(QLatin1String("premature end"), Qt::CaseInsensitive)) {
            catcher->m_sawEndOfData = true;
            return;
        }
        if (catcher != nullptr && catcher->m_previous != nullptr)
            catcher->m_previous(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }

    static inline thread_local JpegWarningCatcher* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    bool m_sawEndOfData = false;
};

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

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::setAllocationLimit(AllocationLimitMegabytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage decoded;
    bool decodedWhole = false;
    {
        const JpegWarningCatcher catcher;
        decodedWhole = reader.read(&decoded) && !decoded.isNull();
        if (decodedWhole && catcher.sawEndOfData())
            return fail(QStringLiteral("the file ends inside the picture's data"));
    }
    if (!decodedWhole) {
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
