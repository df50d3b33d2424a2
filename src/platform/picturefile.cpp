#include "picturefile.h"

#include "convert/animation.h"

#include "jpegdecoder.h"
#include "picturecheck.h"
#include "pngdecoder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <span>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rasterkit {

namespace {

// Files are read in blocks of this size, so that a device that never ends is
// given up as soon as the limit is passed.
constexpr qint64 ReadBlockBytes = qint64(1) << 20;

// Reads from the device until data holds `until` bytes or the device ends,
// in blocks. A file of known size (data reserved for it) fills what was
// reserved, then finds its end.
PictureLoadResult readUntil(QIODevice& device, qint64 until, const QString& shown, QByteArray& data)
{
    while (data.size() < until) {
        const qsizetype before = data.size();
        qint64 wanted = std::min(ReadBlockBytes, until - before);
        if (data.capacity() > before)
            wanted = std::min<qint64>(wanted, data.capacity() - before);
        data.resize(before + static_cast<qsizetype>(wanted));
        const qint64 got = device.read(data.data() + before, wanted);
        if (got < 0)
            return PictureLoadResult::failure(PictureError::CannotRead, shown, device.errorString());
        data.resize(before + static_cast<qsizetype>(got));
        if (got == 0)
            break; // the end of the file
    }
    return {};
}

// Whether the first bytes of a file may start a picture: a JPEG, PNG, BMP or
// GIF signature, or a picture the other reader recognises. ok() if so.
PictureLoadResult recognisePicture(const QByteArray& start, const OtherPictureReader& reader, const QString& shown)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(start.constData()),
        static_cast<std::size_t>(start.size()));
    if (start.isEmpty() || looksLikeJpeg(bytes) || looksLikePng(bytes) || hasBmpOrGifSignature(start))
        return {};
    if (reader.recognise == nullptr || reader.decode == nullptr)
        return PictureLoadResult::failure(PictureError::NoReader, shown);
    return reader.recognise(start, shown);
}

// Reads the device to its end, but never more than the limit + 1 bytes: one
// byte past the limit is enough to refuse the file. What is no picture is
// refused from its first bytes (PictureSignatureBytes), so that a device or a
// large file of something else is not read to the limit.
PictureLoadResult readPictureBytes(
    QIODevice& device, qint64 expectedSize, const PictureLoadOptions& options, const QString& shown, QByteArray& data)
{
    const qint64 limit = options.byteLimit;
    data.clear();
    if (expectedSize > 0)
        data.reserve(static_cast<qsizetype>(std::min(expectedSize, limit) + 1));
    PictureLoadResult read = readUntil(device, std::min<qint64>(PictureSignatureBytes, limit + 1), shown, data);
    if (read.ok())
        read = recognisePicture(data, options.otherReader, shown);
    if (read.ok())
        read = readUntil(device, limit + 1, shown, data);
    if (read.ok() && data.size() > limit)
        read = PictureLoadResult::failure(PictureError::TooLarge, shown, {}, { limit, 0 });
    if (!read.ok())
        data.clear();
    return read;
}

PictureLoadResult jpegFailure(const JpegDecodeResult& decoded, qint64 size, const QString& shown)
{
    switch (decoded.error) {
    case JpegError::None:
        break;
    case JpegError::CutShort:
        return PictureLoadResult::failure(PictureError::CutShort, shown, {}, { size, 0 });
    case JpegError::TooLarge:
        return PictureLoadResult::failure(PictureError::TooManyPixels, shown, {}, { decoded.pictureWidth, decoded.pictureHeight });
    case JpegError::OutOfMemory:
        return PictureLoadResult::failure(PictureError::OutOfMemory, shown, {}, { decoded.pictureWidth, decoded.pictureHeight });
    case JpegError::ColourLayout:
        return PictureLoadResult::failure(PictureError::ColourLayout, shown);
    case JpegError::ReadFailed:
        return PictureLoadResult::failure(PictureError::CannotRead, shown, decoded.detail);
    case JpegError::Unreadable:
        break;
    }
    return PictureLoadResult::failure(PictureError::CannotDecode, shown, decoded.detail);
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
        return PictureLoadResult::failure(PictureError::Empty, shown);
    // Four bytes a pixel decoded; divided rather than multiplied, as a BMP's
    // sizes may take 31 bits each.
    if (const auto claimed = claimedPictureSize(data);
        claimed && claimed->width > 0 && claimed->height > 0 && claimed->width > MaximumPictureBytes / 4 / claimed->height)
        return PictureLoadResult::failure(PictureError::TooManyPixels, shown, {}, { claimed->width, claimed->height });
    if (const auto missing = missingPictureData(data))
        return PictureLoadResult::failure(PictureError::CutShort, shown, {}, { missing->have, missing->need });
    if (pictureDataDamaged(data))
        return PictureLoadResult::failure(PictureError::Damaged, shown);

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
        static_cast<std::size_t>(data.size()));
    if (looksLikeJpeg(bytes))
        return jpegResult(
            decodeJpeg(bytes, JpegDecodeOptions { options.frame, MaximumPictureBytes }), data.size(), shown);
    if (looksLikePng(bytes))
        return decodePng(bytes, PngDecodeOptions { options.frame, MaximumPictureBytes, options.background, options.keepAlpha },
            shown);

    if (options.otherReader.decode == nullptr)
        return PictureLoadResult::failure(PictureError::NoReader, shown);
    return options.otherReader.decode(data, PictureBlending(options.background, options.keepAlpha), shown);
}

namespace {

PictureLoadResult readAndDecode(QFile& file, qint64 expectedSize, const PictureLoadOptions& options, const QString& shown)
{
    // A JPEG or PNG file is decoded as it is read, never held whole: a
    // frame from a big JPEG photo reads only down to the frame, through one
    // small block.
    std::array<char, 8> start {};
    const qint64 got = expectedSize >= 2 ? file.read(start.data(), qint64(start.size())) : 0;
    const std::span<const std::uint8_t> startBytes(
        reinterpret_cast<const std::uint8_t*>(start.data()), static_cast<std::size_t>(std::max<qint64>(got, 0)));
    if (looksLikeJpeg(startBytes) && file.seek(0))
        return jpegResult(
            decodeJpeg(file, JpegDecodeOptions { options.frame, MaximumPictureBytes }), expectedSize, shown);
    if (looksLikePng(startBytes) && file.seek(0))
        return decodePng(file, PngDecodeOptions { options.frame, MaximumPictureBytes, options.background, options.keepAlpha },
            shown);
    if (expectedSize > 0 && !file.seek(0))
        return PictureLoadResult::failure(PictureError::CannotRead, shown, file.errorString());
    QByteArray data;
    if (PictureLoadResult read = readPictureBytes(file, expectedSize, options, shown, data); !read.ok())
        return read;
    file.close();
    return decodePicture(data, options, shown);
}

// Why a picture cannot be used, in both languages. In the texts %1 and %2
// stand for the result's figures, %3 for the first figure as a size in
// bytes, %4 for the most a decoded picture may take.
struct PictureErrorText {
    PictureError value;
    Bilingual reason;
    Bilingual figuresNote {}; // follows the reason when the second figure is known
};

constexpr std::array<PictureErrorText, 18> PictureErrorTexts { {
    { PictureError::None, { "no error", "ошибки нет" } },
    { PictureError::Missing, { "the file does not exist", "такого файла нет" } },
    { PictureError::IsFolder, { "it is a folder, not a picture", "это папка, а не рисунок" } },
    { PictureError::NotAFile,
        { "it is a device or a pipe, not a picture file", "это устройство или канал, а не файл рисунка" } },
    { PictureError::TooLarge, { "it is larger than %3", "файл больше %3" } },
    { PictureError::TooManyPixels,
        { "the picture claims %1 x %2 pixels, which would take more than %4 decoded",
            "в рисунке заявлено %1 × %2 точек, в памяти это заняло бы больше %4" } },
    { PictureError::CannotRead, { "it cannot be read", "файл не читается" } },
    { PictureError::Empty, { "the file is empty", "файл пустой" } },
    { PictureError::CutShort, { "the file ends inside the picture's data", "файл обрывается посреди рисунка" },
        { " (it has %1 of %2 bytes)", " (в нём %1 байт из %2)" } },
    { PictureError::Damaged, { "the picture's compressed data is damaged", "сжатые данные рисунка повреждены" } },
    { PictureError::NotAPicture,
        { "it is not a picture that can be read (JPEG, PNG, BMP and GIF are)",
            "это не рисунок или рисунок неизвестного вида (читаются JPEG, PNG, BMP и GIF)" } },
    { PictureError::ColourLayout,
        { "its colour components are not a layout that can be shown (greyscale, YCbCr, RGB, CMYK and YCCK are)",
            "цвета рисунка записаны так, что их нельзя показать (можно оттенки серого, YCbCr, RGB, CMYK и YCCK)" } },
    { PictureError::CannotDecode, { "the picture cannot be decoded", "рисунок не удаётся разобрать" } },
    { PictureError::OutOfMemory,
        { "not enough memory for a picture of %1 x %2 pixels", "не хватает памяти для рисунка %1 × %2 точек" } },
    { PictureError::NoReader,
        { "it is not a JPEG or PNG, and the reader of other pictures is not available",
            "это не JPEG и не PNG, а рисунки других видов читать нечем" } },
    { PictureError::FrameDamaged, { "frame %1 is damaged", "кадр %1 повреждён" } },
    { PictureError::FrameOutside,
        { "frame %1 does not lie inside the animation's screen", "кадр %1 выходит за пределы экрана анимации" } },
    { PictureError::TooManyFrames,
        { "its %1 frames would take more than %4 decoded, or number more than %5",
            "его %1 кадров заняли бы в памяти больше %4, или их больше %5" } },
} };
static_assert(followsEnumOrder(PictureErrorTexts) && PictureErrorTexts.back().value == PictureError::TooManyFrames);

} // namespace

QString PictureLoadResult::message(Language language) const
{
    const PictureErrorText& text = rowOf(PictureErrorTexts, error);
    QString reason = QString::fromUtf8(text.reason.in(language));
    if (figures[1] > 0)
        reason += QString::fromUtf8(text.figuresNote.in(language));
    reason.replace(QLatin1String("%1"), QString::number(figures[0]))
        .replace(QLatin1String("%2"), QString::number(figures[1]))
        .replace(QLatin1String("%3"), QString::fromStdString(byteSizeText(figures[0], language)))
        .replace(QLatin1String("%4"), QString::fromStdString(byteSizeText(MaximumPictureBytes, language)))
        .replace(QLatin1String("%5"), QString::number(MaximumAnimationFrames));
    if (!detail.isEmpty())
        reason += QStringLiteral(" (%1)").arg(detail);
    return QString::fromUtf8(Bilingual { "Cannot open \"%1\": %2.", "Не удалось открыть файл «%1»: %2." }.in(language))
        .arg(file, reason);
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
            return PictureLoadResult::failure(PictureError::Missing, shown);
        return PictureLoadResult::failure(PictureError::CannotRead, shown, qt_error_string(errno));
    }
    if (S_ISDIR(status.st_mode))
        return PictureLoadResult::failure(PictureError::IsFolder, shown);
    const bool regular = S_ISREG(status.st_mode);
    if (!regular && !options.readStreams)
        return PictureLoadResult::failure(PictureError::NotAFile, shown);
    if (regular && status.st_size > options.byteLimit)
        return PictureLoadResult::failure(PictureError::TooLarge, shown, {}, { options.byteLimit, 0 });

    // Without streams, the file is opened without waiting and checked again,
    // in case it was swapped for a FIFO meanwhile.
    int descriptor = -1;
    do
        descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC | (options.readStreams ? 0 : O_NONBLOCK));
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        const PictureError error = errno == ENOENT ? PictureError::Missing : PictureError::CannotRead;
        return PictureLoadResult::failure(error, shown, qt_error_string(errno));
    }
    if (!options.readStreams) {
        if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(descriptor);
            return PictureLoadResult::failure(PictureError::NotAFile, shown);
        }
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    }
    if (!file.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return PictureLoadResult::failure(PictureError::CannotRead, shown, file.errorString());
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
    m_decoder = std::make_unique<JpegRowDecoder>(bytes, MaximumPictureBytes);
    if (m_decoder->start() != JpegError::None || !m_decoder->isSingleScanAndEnded()
        || m_decoder->pictureHeight() <= firstRows)
        return false;
    m_picture = RgbxPicture::allocate(m_decoder->pictureWidth(), m_decoder->pictureHeight());
    if (m_picture.isNull())
        return false;
    return decodeMore(firstRows);
}

bool PictureStages::decodeMore(int rows)
{
    if (!m_failure.ok())
        return false;
    if (m_decoder == nullptr || m_decoder->isComplete())
        return true;
    const int from = m_decoder->decodedRows();
    if (m_decoder->decodeRows(m_picture.scanLine(from), m_picture.bytesPerLine(), rows) == JpegError::None)
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
    if (PictureLoadResult read = readPictureBytes(file, size, options, shown, data); !read.ok()) {
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

PictureLoadResult readPictureFile(const QString& path, const PictureLoadOptions& options, QByteArray& data)
{
    QFile file;
    qint64 size = 0;
    QString shown;
    PictureLoadResult read;
    if (path == QLatin1String("-")) {
        shown = QStringLiteral("standard input");
        if (!file.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            read = PictureLoadResult::failure(PictureError::CannotRead, shown, file.errorString());
    } else {
        shown = QFileInfo(path).absoluteFilePath();
        read = openPictureFile(path, options, shown, file, size);
    }
    if (read.ok())
        read = readPictureBytes(file, size, options, shown, data);
    if (read.ok() && data.isEmpty())
        read = PictureLoadResult::failure(PictureError::Empty, shown);
    read.file = shown;
    return read;
}

PictureLoadResult loadPictureFromStandardInput(const PictureLoadOptions& options)
{
    const QString shown = QStringLiteral("standard input");
    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return PictureLoadResult::failure(PictureError::CannotRead, shown, input.errorString());
    return readAndDecode(input, 0, options, shown);
}

SourceImage sourceImageOf(const RgbxPicture& picture, QPoint origin, bool straightAlpha)
{
    SourceImage view = picture.view(origin.x(), origin.y());
    view.straightAlpha = straightAlpha;
    return view;
}

RgbxPicture flattenedPicture(const RgbxPicture& picture, std::uint32_t background)
{
    RgbxPicture flattened = picture.copy(0, 0, picture.width(), picture.height());
    if (flattened.isNull())
        return flattened;
    const Colour over = makeColour((background >> 16) & 0xFFu, (background >> 8) & 0xFFu, background & 0xFFu);
    for (int y = 0; y < flattened.height(); ++y) {
        std::uint8_t* pixel = flattened.scanLine(y);
        for (int x = 0; x < flattened.width(); ++x, pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha == 255)
                continue;
            const Colour blended = blendOver(makeColour(pixel[0], pixel[1], pixel[2]), alpha, over);
            pixel[0] = static_cast<std::uint8_t>(redOf(blended));
            pixel[1] = static_cast<std::uint8_t>(greenOf(blended));
            pixel[2] = static_cast<std::uint8_t>(blueOf(blended));
            pixel[3] = 0xFF;
        }
    }
    return flattened;
}

} // namespace rasterkit
