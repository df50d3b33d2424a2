#include "picturefile.h"

#include "jpegdecoder.h"
#include "picturecheck.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rasterkit {

namespace {

// Qt refuses to decode pictures above 128 MB by default, which turns away
// the 50-megapixel photos of today's phones. 1 GiB still refuses headers
// that claim absurd sizes.
constexpr int AllocationLimitMegabytes = 1024;
constexpr std::int64_t MaximumDecodedBytes = std::int64_t(AllocationLimitMegabytes) << 20;

// Files are read in blocks of this size, so that a device that never ends is
// given up as soon as the limit is passed.
constexpr qint64 ReadBlockBytes = qint64(1) << 20;

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
    if (size.width() <= 0 || height == 0 || size.width() * height * 4 > MaximumDecodedBytes)
        return {};
    QImage target(size.width(), static_cast<int>(height), reader.imageFormat());
    target.fill(0);
    return target;
}

PictureLoadResult failure(PictureError error, const QString& file, const QString& detail = {},
    std::array<qint64, 2> figures = {})
{
    PictureLoadResult result;
    result.error = error;
    result.file = file;
    result.detail = detail;
    result.figures = figures;
    return result;
}

QString byteSizeText(qint64 bytes)
{
    constexpr std::pair<qint64, const char*> units[] { { qint64(1) << 30, "GiB" }, { qint64(1) << 20, "MiB" },
        { qint64(1) << 10, "KiB" } };
    for (const auto& [unit, name] : units) {
        if (bytes >= unit && bytes % unit == 0)
            return QStringLiteral("%1 %2").arg(bytes / unit).arg(QLatin1String(name));
    }
    return QStringLiteral("%1 bytes").arg(bytes);
}

// Reads the device to its end in blocks, but never more than limit + 1
// bytes: one byte past the limit is enough to refuse the file.
PictureLoadResult readBounded(
    QIODevice& device, qint64 expectedSize, qint64 limit, const QString& shown, QByteArray& data)
{
    data.clear();
    if (expectedSize > 0)
        data.reserve(static_cast<qsizetype>(std::min(expectedSize, limit) + 1));
    while (data.size() <= limit) {
        const qsizetype before = data.size();
        qint64 wanted = std::min(ReadBlockBytes, limit + 1 - before);
        if (data.capacity() > before) // a file of known size fills what was reserved, then finds its end
            wanted = std::min<qint64>(wanted, data.capacity() - before);
        data.resize(before + static_cast<qsizetype>(wanted));
        const qint64 got = device.read(data.data() + before, wanted);
        if (got < 0) {
            data.clear();
            return failure(PictureError::CannotRead, shown, device.errorString());
        }
        data.resize(before + static_cast<qsizetype>(got));
        if (got == 0)
            break; // the end of the file
    }
    if (data.size() > limit) {
        data.clear();
        return failure(PictureError::TooLarge, shown, {}, { limit, 0 });
    }
    return {};
}

PictureLoadResult jpegFailure(const JpegDecodeResult& decoded, qint64 size, const QString& shown)
{
    switch (decoded.error) {
    case JpegError::None:
        break;
    case JpegError::CutShort:
        return failure(PictureError::CutShort, shown, {}, { size, 0 });
    case JpegError::TooLarge:
        return failure(PictureError::TooManyPixels, shown, {}, { decoded.pictureWidth, decoded.pictureHeight });
    case JpegError::OutOfMemory:
        return failure(PictureError::OutOfMemory, shown, {}, { decoded.pictureWidth, decoded.pictureHeight });
    case JpegError::ColourLayout:
        return failure(PictureError::ColourLayout, shown);
    case JpegError::ReadFailed:
        return failure(PictureError::CannotRead, shown, decoded.detail);
    case JpegError::Unreadable:
        break;
    }
    return failure(PictureError::CannotDecode, shown, decoded.detail);
}

PictureLoadResult jpegResult(JpegDecodeResult decoded, qint64 size, const QString& shown)
{
    if (!decoded.ok())
        return jpegFailure(decoded, size, shown);
    PictureLoadResult result;
    result.file = shown;
    result.image = std::move(decoded.image);
    result.origin = QPoint(static_cast<int>(decoded.left), static_cast<int>(decoded.top));
    return result;
}

} // namespace

PictureLoadResult decodePicture(const QByteArray& data, const PictureLoadOptions& options, const QString& shown)
{
    if (data.isEmpty())
        return failure(PictureError::Empty, shown);
    // Four bytes a pixel decoded; divided rather than multiplied, as a BMP's
    // sizes may take 31 bits each.
    if (const auto claimed = claimedPictureSize(data);
        claimed && claimed->width > 0 && claimed->height > 0 && claimed->width > MaximumDecodedBytes / 4 / claimed->height)
        return failure(PictureError::TooManyPixels, shown, {}, { claimed->width, claimed->height });
    if (const auto missing = missingPictureData(data))
        return failure(PictureError::CutShort, shown, {}, { missing->have, missing->need });
    if (pictureDataDamaged(data))
        return failure(PictureError::Damaged, shown);

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
        static_cast<std::size_t>(data.size()));
    if (looksLikeJpeg(bytes))
        return jpegResult(
            decodeJpeg(bytes, JpegDecodeOptions { options.frame, MaximumDecodedBytes }), data.size(), shown);

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    preparePictureReaders();
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QImage decoded = clearedBmpTarget(reader, data);
    if (!reader.read(&decoded) || decoded.isNull()) {
        if (reader.error() == QImageReader::UnsupportedFormatError)
            return failure(PictureError::NotAPicture, shown);
        return failure(PictureError::CannotDecode, shown, reader.errorString());
    }
    PictureLoadResult result;
    result.file = shown;
    result.image = flattenOverBackground(decoded, options.background);
    if (result.image.isNull())
        return failure(PictureError::OutOfMemory, shown, {}, { decoded.width(), decoded.height() });
    return result;
}

namespace {

PictureLoadResult readAndDecode(QFile& file, qint64 expectedSize, const PictureLoadOptions& options, const QString& shown)
{
    // A JPEG file is decoded as it is read, never held whole: a frame from a
    // big photo reads only down to the frame, through one small block.
    char start[2] = {};
    if (expectedSize >= qint64(sizeof start) && file.read(start, sizeof start) == qint64(sizeof start)
        && looksLikeJpeg({ reinterpret_cast<const std::uint8_t*>(start), sizeof start }) && file.seek(0)) {
        return jpegResult(
            decodeJpeg(file, JpegDecodeOptions { options.frame, MaximumDecodedBytes }), expectedSize, shown);
    }
    if (expectedSize > 0 && !file.seek(0))
        return failure(PictureError::CannotRead, shown, file.errorString());
    QByteArray data;
    if (PictureLoadResult read = readBounded(file, expectedSize, options.byteLimit, shown, data); !read.ok())
        return read;
    file.close();
    return decodePicture(data, options, shown);
}

} // namespace

void preparePictureReaders()
{
    // Written only when it differs, so that loads on several threads after
    // this call only ever read it.
    if (QImageReader::allocationLimit() != AllocationLimitMegabytes)
        QImageReader::setAllocationLimit(AllocationLimitMegabytes);
}

const char* pictureErrorText(PictureError error)
{
    switch (error) {
    case PictureError::None:
        return "no error";
    case PictureError::Missing:
        return "the file does not exist";
    case PictureError::IsFolder:
        return "it is a folder, not a picture";
    case PictureError::NotAFile:
        return "it is a device or a pipe, not a picture file";
    case PictureError::TooLarge:
        return "it is larger than %1";
    case PictureError::TooManyPixels:
        return "the picture claims %1 x %2 pixels, which would take more than 1 GiB decoded";
    case PictureError::CannotRead:
        return "it cannot be read";
    case PictureError::Empty:
        return "the file is empty";
    case PictureError::CutShort:
        return "the file ends inside the picture's data";
    case PictureError::Damaged:
        return "the picture's compressed data is damaged";
    case PictureError::NotAPicture:
        return "it is not a picture that can be read (JPEG, BMP and GIF are)";
    case PictureError::ColourLayout:
        return "its colour components are not a layout that can be shown (greyscale, YCbCr, RGB, CMYK and YCCK are)";
    case PictureError::CannotDecode:
        return "the picture cannot be decoded";
    case PictureError::OutOfMemory:
        return "not enough memory for a picture of %1 x %2 pixels";
    }
    return "unknown error";
}

QString PictureLoadResult::message() const
{
    QString reason = QString::fromLatin1(pictureErrorText(error));
    if (error == PictureError::TooLarge)
        reason = reason.arg(byteSizeText(figures[0]));
    else if (error == PictureError::OutOfMemory || error == PictureError::TooManyPixels)
        reason = reason.arg(figures[0]).arg(figures[1]);
    else if (error == PictureError::CutShort && figures[1] > 0)
        reason += QStringLiteral(" (it has %1 of %2 bytes)").arg(figures[0]).arg(figures[1]);
    if (!detail.isEmpty())
        reason += QStringLiteral(" (%1)").arg(detail);
    return QStringLiteral("Cannot open \"%1\": %2.").arg(file, reason);
}

namespace {

// Opens the file for reading as loadPicture reads it: a folder, a missing
// file and, without readStreams, anything but a regular file are refused.
// size is the file's size, or 0 for a stream.
PictureLoadResult openPictureFile(
    const QString& path, const PictureLoadOptions& options, const QString& shown, QFile& file, qint64& size)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        if (errno == ENOENT)
            return failure(PictureError::Missing, shown);
        return failure(PictureError::CannotRead, shown, qt_error_string(errno));
    }
    if (S_ISDIR(status.st_mode))
        return failure(PictureError::IsFolder, shown);
    const bool regular = S_ISREG(status.st_mode);
    if (!regular && !options.readStreams)
        return failure(PictureError::NotAFile, shown);
    if (regular && status.st_size > options.byteLimit)
        return failure(PictureError::TooLarge, shown, {}, { options.byteLimit, 0 });

    // Without streams, the file is opened without waiting and checked again,
    // in case it was swapped for a FIFO meanwhile.
    int descriptor = -1;
    do
        descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC | (options.readStreams ? 0 : O_NONBLOCK));
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const PictureError error = errno == ENOENT ? PictureError::Missing : PictureError::CannotRead;
        return failure(error, shown, qt_error_string(errno));
    }
    if (!options.readStreams) {
        if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(descriptor);
            return failure(PictureError::NotAFile, shown);
        }
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    }
    if (!file.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failure(PictureError::CannotRead, shown, file.errorString());
    }
    size = S_ISREG(status.st_mode) ? status.st_size : 0;
    return {};
}

} // namespace

PictureLoadResult loadPicture(const QString& path, const PictureLoadOptions& options)
{
    const QString shown = QFileInfo(path).absoluteFilePath();
    QFile file;
    qint64 size = 0;
    if (PictureLoadResult opened = openPictureFile(path, options, shown, file, size); !opened.ok())
        return opened;
    return readAndDecode(file, size, options, shown);
}

PictureStages::PictureStages(QByteArray data, QString shown)
    : m_data(std::move(data))
    , m_shown(std::move(shown))
{
}

PictureStages::~PictureStages() = default;

bool PictureStages::begin(int firstRows)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(m_data.constData()),
        static_cast<std::size_t>(m_data.size()));
    if (!looksLikeJpeg(bytes))
        return false;
    m_decoder = std::make_unique<JpegRowDecoder>(bytes, MaximumDecodedBytes);
    if (m_decoder->start() != JpegError::None || !m_decoder->isSingleScanAndEnded()
        || m_decoder->pictureHeight() <= firstRows)
        return false;
    m_picture = QImage(m_decoder->pictureWidth(), m_decoder->pictureHeight(), QImage::Format_RGBX8888);
    if (m_picture.isNull())
        return false;
    m_lines = m_picture.bits(); // before any copy is made, so it is the pixels every copy shows
    return decodeMore(firstRows);
}

bool PictureStages::decodeMore(int rows)
{
    if (!m_failure.ok())
        return false;
    if (m_decoder == nullptr || m_decoder->isComplete())
        return true;
    const int from = m_decoder->decodedRows();
    if (m_decoder->decodeRows(m_lines + qsizetype(from) * m_picture.bytesPerLine(), m_picture.bytesPerLine(), rows)
        == JpegError::None)
        return true;
    m_failure = jpegFailure(m_decoder->failure(), m_data.size(), m_shown);
    return false;
}

bool PictureStages::isComplete() const
{
    return m_decoder != nullptr && m_decoder->isComplete();
}

int PictureStages::decodedRows() const
{
    return m_decoder != nullptr ? m_decoder->decodedRows() : 0;
}

StagedPictureLoad loadPictureInStages(const QString& path, int firstRows, const PictureLoadOptions& options)
{
    StagedPictureLoad load;
    const QString shown = QFileInfo(path).absoluteFilePath();
    QFile file;
    qint64 size = 0;
    if (PictureLoadResult opened = openPictureFile(path, options, shown, file, size); !opened.ok()) {
        load.first = std::move(opened);
        return load;
    }
    QByteArray data;
    if (PictureLoadResult read = readBounded(file, size, options.byteLimit, shown, data); !read.ok()) {
        load.first = std::move(read);
        return load;
    }
    file.close();
    auto stages = std::make_unique<PictureStages>(std::move(data), shown);
    if (options.frame.has_value() || !stages->begin(firstRows)) {
        load.first = decodePicture(stages->data(), options, shown);
        return load;
    }
    load.first.file = shown;
    load.first.image = stages->picture();
    load.rest = std::move(stages);
    return load;
}

PictureLoadResult loadPictureFromStandardInput(const PictureLoadOptions& options)
{
    const QString shown = QStringLiteral("standard input");
    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return failure(PictureError::CannotRead, shown, input.errorString());
    return readAndDecode(input, 0, options, shown);
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
