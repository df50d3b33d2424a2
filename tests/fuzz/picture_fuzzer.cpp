// Fuzz target for the picture path. The first bytes choose a frame, a sample
// filter and a dithering (see settingsOf); the rest is a picture file,
// decoded as the programs decode one: whole, and for the frame alone. A
// refused picture must name the file and leave no image; one that decodes
// whole must decode for the frame too. For every format the frame is sampled
// as the window samples it, from the frame's part the same as from the whole
// picture, and with the chosen filter and dithering; each grid must come back
// unchanged through the format's encoder and decoder. Pictures whose header
// claims more than LargestSide pixels a side are skipped: they would only
// measure memory. A JPEG is also decoded a band of rows at a time, as the
// window opens a tall photo. A PNG has its chunks' CRCs made right first, as
// libFuzzer's changes would nearly always break one; one that both the
// program's decoder and Qt's reader decode must give the same pixels. Read
// with its alpha kept, a picture must decode exactly when it decodes
// blended, and blended afterwards give the same pixels; the formats that
// keep alpha, and a transparent key (its colour from the settings' bytes),
// are then checked as the others are. Qt's image readers, its GIF and JPEG
// plugins included, need no application object.

#include "replay.h"

#include "convert/reduceframe.h"
#include "convert/boxfilter.h"
#include "convert/decoders.h"
#include "convert/dither.h"
#include "convert/encoders.h"
#include "convert/transparency.h"
#include "platform/jpegdecoder.h"
#include "platform/picturecheck.h"
#include "platform/pngdecoder.h"
#include "platform/qtpictures.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

using namespace rasterkit;

constexpr int LargestSide = 2048;
constexpr std::size_t SettingsBytes = 8;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "picture fuzzer: %s\n", what);
        std::abort();
    }
}

struct Settings {
    FrameSettings frame;
    SampleFilter filter = SampleFilter::Nearest;
    Dither dither = Dither::None;
    Orientation orientation;
    LevelOptions levels;
};

// Width and height 1..96; a step from 1/16 to 12 in sixteenths, or 0.1, or
// coarse steps up to 100; the corner anywhere in -32768..32767; then the
// filter and the dithering (the low three bits of byte 7), how the panel is
// turned, its colour order and whether one bit is inverted (its other bits);
// the threshold from the corner's bytes.
Settings settingsOf(const std::uint8_t* bytes)
{
    Settings settings;
    FrameSettings& frame = settings.frame;
    frame.targetWidth = 1 + bytes[0] % 96;
    frame.targetHeight = 1 + bytes[1] % 96;
    frame.sampleStep = bytes[2] == 0 ? 0.1 : bytes[2] < 192 ? bytes[2] / 16.0 : std::min(100.0, (bytes[2] - 191) * 1.6);
    frame.frameLeft = static_cast<std::int16_t>(bytes[3] << 8 | bytes[4]);
    frame.frameTop = static_cast<std::int16_t>(bytes[5] << 8 | bytes[6]);
    settings.filter = AllSampleFilters[bytes[7] % AllSampleFilters.size()];
    settings.dither = AllDithers[bytes[7] / AllSampleFilters.size() % AllDithers.size()];
    const int mount = bytes[7] >> 3; // 0..31
    settings.orientation = { AllRotations[std::size_t(mount % 4)], AllMirrors[std::size_t(mount / 4 % 3)] };
    settings.levels.colourOrder = mount >= 12 ? ColourOrder::Bgr : ColourOrder::Rgb;
    settings.levels.invert = mount >= 24;
    settings.levels.threshold = (bytes[3] ^ bytes[5]) + (bytes[4] == 0xFF ? 1 : 0); // 0..256
    return settings;
}

// The size the picture's header claims. Qt's GIF reader says the first
// frame's size but decodes onto the logical screen, whose size is at bytes 6
// to 9.
QSize claimedSize(const QByteArray& file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    QSize size = QImageReader(&buffer).size();
    if (file.startsWith("GIF") && file.size() >= 10) {
        const auto byte = [&file](int at) { return static_cast<std::uint8_t>(file[at]); };
        size = size.expandedTo(QSize(byte(6) | byte(7) << 8, byte(8) | byte(9) << 8));
    }
    return size;
}

void checkRoundTrip(PixelFormat format, const PixelGrid& grid, int width, int height)
{
    check(grid.width() == width && grid.height() == height, "the grid has the wrong size");
    const OutputBytes bytes = encode(format, grid);
    const auto& info = formatInfo(format);
    check(info.runLength() || std::int64_t(bytes.size()) == plainSize(info, width, height),
        "a plain file has the wrong length");
    const DecodeResult decoded = decode(format, bytes, width, height);
    check(decoded.ok(), "an encoded grid does not decode");
    check(decoded.grid == grid, "decode(encode(grid)) differs from the sampled grid");
}

// A JPEG decoded a band of rows at a time, as the window opens a tall photo,
// must fail exactly when the whole decode fails, and otherwise hold its
// pixels, whatever the band.
void checkBands(const QByteArray& file, const PictureLoadResult& whole, int band)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file.constData()),
        static_cast<std::size_t>(file.size()));
    if (!looksLikeJpeg(bytes))
        return;
    JpegRowDecoder decoder(bytes);
    JpegError error = decoder.start();
    const std::ptrdiff_t bytesPerLine = std::ptrdiff_t(decoder.pictureWidth()) * 4;
    std::vector<std::uint8_t> lines;
    if (error == JpegError::None)
        lines.resize(std::size_t(bytesPerLine) * std::size_t(decoder.pictureHeight()));
    while (error == JpegError::None && !decoder.isComplete())
        error = decoder.decodeRows(lines.data() + decoder.decodedRows() * bytesPerLine, bytesPerLine, band);
    check((error == JpegError::None) == whole.ok(), "decoding in bands fails where the whole decode does not");
    if (!whole.ok())
        return;
    const SourceImage picture = sourceImageOf(whole.image, whole.origin);
    check(picture.width == decoder.pictureWidth() && picture.height == decoder.pictureHeight(),
        "decoding in bands gives another size");
    for (int row = 0; row < picture.height; ++row) {
        check(std::memcmp(lines.data() + row * bytesPerLine, picture.bytes + row * picture.bytesPerLine,
                  std::size_t(bytesPerLine)) == 0,
            "decoding in bands gives other pixels");
    }
}

// The CRC-32 of a chunk's type and data, bit by bit.
std::uint32_t chunkCrc(const std::uint8_t* bytes, std::size_t count)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t index = 0; index < count; ++index) {
        crc ^= bytes[index];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Both readers refuse a PNG whose chunk has a wrong CRC, and libpng's own
// comparisons are not instrumented for libFuzzer to learn from: each whole
// chunk of the PNG gets its right CRC back, so that changed headers,
// palettes and pixel data reach the decoders.
void mendCrcs(std::vector<std::uint8_t>& png)
{
    std::size_t at = 8; // after the signature
    while (png.size() - at >= 12) {
        const std::uint32_t length = std::uint32_t(png[at]) << 24 | std::uint32_t(png[at + 1]) << 16
            | std::uint32_t(png[at + 2]) << 8 | png[at + 3];
        if (length > png.size() - at - 12)
            break;
        const std::uint32_t crc = chunkCrc(png.data() + at + 4, std::size_t(length) + 4);
        for (std::size_t index = 0; index < 4; ++index)
            png[at + 8 + length + index] = static_cast<std::uint8_t>(crc >> (24 - 8 * index));
        at += 12 + std::size_t(length);
    }
}

// A PNG that the program's decoder and Qt's reader both decode must give the
// same pixels, blended over the same background. Not for 16-bit RGB
// pictures, whose tRNS colour Qt 6.4's reader does not read right.
void checkPngAgainstQt(const QByteArray& file, const PictureLoadResult& whole)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.constData());
    if (!whole.ok() || !looksLikePng({ bytes, std::size_t(file.size()) }))
        return;
    constexpr int BitDepthAt = 24;
    constexpr int ColourTypeAt = 25;
    if (file.size() > ColourTypeAt && bytes[BitDepthAt] == 16 && bytes[ColourTypeAt] == 2)
        return;
    const PictureLoadResult qt = decodeWithQtReaders(file, PictureBackground, QStringLiteral("fuzz input"));
    check(!qt.ok() || qt.image == whole.image, "a PNG decodes to other pixels than Qt's reader gives");
}

// The picture read with its alpha kept: decoded exactly when blended, the
// same pixels once blended, and the conversions that keep alpha, or take a
// key, sampling the frame's part as the whole and the frame row by row as
// compare samples it whole, each grid coming back through its format.
void checkAlphaKept(const QByteArray& file, const Settings& settings, const PictureLoadResult& whole,
    const PictureLoadResult& framed)
{
    const QString name = QStringLiteral("fuzz input");
    const FrameSettings& frame = settings.frame;
    const PictureLoadResult wholeKept
        = decodePicture(file, PictureLoadOptions { .keepAlpha = true, .otherReader = QtPictureReader }, name);
    const PictureLoadResult framedKept = decodePicture(
        file, PictureLoadOptions { .frame = frame, .keepAlpha = true, .otherReader = QtPictureReader }, name);
    check(wholeKept.ok() == whole.ok() && framedKept.ok() == framed.ok(),
        "keeping the alpha changes whether a picture decodes");
    if (whole.ok())
        check(flattenedPicture(wholeKept.image, PictureBackground) == whole.image,
            "a picture read with its alpha and blended differs from the picture read blended");
    if (!framed.ok())
        return;
    check(framedKept.origin == framed.origin && flattenedPicture(framedKept.image, PictureBackground) == framed.image,
        "a frame's part read with its alpha and blended differs from the part read blended");
    const SourceImage part = sourceImageOf(framedKept.image, framedKept.origin, true);
    const SourceImage picture = sourceImageOf(wholeKept.image, wholeKept.origin, true);
    const SampledFrame sampled
        = whole.ok() ? sampleColoursAndAlphas(picture, frame, settings.filter) : SampledFrame {};
    const Colour key = makeColour(settings.levels.threshold & 0xFF, static_cast<unsigned>(frame.frameLeft),
        static_cast<unsigned>(frame.frameTop));
    for (const PixelFormat format : AllPixelFormats) {
        const PixelFormatInfo& info = formatInfo(format);
        if (!info.keepsAlpha() && !takesTransparentKey(info))
            continue;
        ReductionRequest nearest { .frame = frame, .format = format };
        if (!info.keepsAlpha())
            nearest.transparentKey = key;
        const PixelGrid grid = reduceFrame(part, nearest);
        checkRoundTrip(format, grid, frame.targetWidth, frame.targetHeight);
        if (!whole.ok())
            continue;
        check(grid == reduceFrame(picture, nearest), "the frame's part of the picture samples differently from the whole");
        ReductionRequest request = nearest;
        request.filter = settings.filter;
        request.dither = settings.dither;
        request.levels = settings.levels;
        if (info.grey())
            request.levels.colourOrder = ColourOrder::Rgb;
        request.orientation = settings.orientation;
        const PixelGrid reduced = orient(reduceSampledFrame(sampled, request), settings.orientation);
        check(reduced == reduceFrame(picture, request),
            "samples with alphas reduced as a whole differ from the frame reduced row by row");
        checkRoundTrip(format, reduced, request.outputWidth(), request.outputHeight());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < SettingsBytes)
        return 0;
    // Not copied, so that the sanitizers see any read past the input's end;
    // a PNG mended in a copy of exactly its size.
    std::span<const std::uint8_t> input(data + SettingsBytes, size - SettingsBytes);
    std::vector<std::uint8_t> mended;
    if (looksLikePng(input)) {
        mended.assign(input.begin(), input.end());
        mendCrcs(mended);
        input = mended;
    }
    const QByteArray file
        = QByteArray::fromRawData(reinterpret_cast<const char*>(input.data()), static_cast<qsizetype>(input.size()));
    if (const QSize claimed = claimedSize(file); claimed.width() > LargestSide || claimed.height() > LargestSide)
        return 0;

    // Decoded whole, as the window does, and for the frame alone, as
    // rasterkit-cli does: a JPEG then only in the part the frame samples.
    const QString name = QStringLiteral("fuzz input");
    const Settings settings = settingsOf(data);
    const FrameSettings& frame = settings.frame;
    // BMP, GIF and the rest through Qt's readers.
    const PictureLoadResult whole = decodePicture(file, PictureLoadOptions { .otherReader = QtPictureReader }, name);
    const PictureLoadResult framed
        = decodePicture(file, PictureLoadOptions { .frame = frame, .otherReader = QtPictureReader }, name);
    for (const PictureLoadResult* picture : { &whole, &framed }) {
        if (picture->ok()) {
            check(!picture->image.isNull() || picture == &framed, "a picture decoded whole is empty");
        } else {
            check(picture->image.isNull(), "a refused picture left an image");
            check(picture->message().startsWith(QLatin1String("Cannot open \"fuzz input\": "))
                    && picture->message(Language::Russian).startsWith(QStringLiteral("Не удалось открыть файл «fuzz input»: ")),
                "the message does not name the file");
        }
    }
    check(framed.ok() || !whole.ok(), "a picture that decodes whole is refused for a frame");
    // A file is refused from its first bytes when they show no picture:
    // never one that decodes.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.constData());
    const std::span<const std::uint8_t> fileBytes { bytes, std::size_t(file.size()) };
    check(!whole.ok() || looksLikeJpeg(fileBytes) || looksLikePng(fileBytes) || hasBmpOrGifSignature(file)
            || recogniseWithQtReaders(file.left(PictureSignatureBytes), name).ok(),
        "a picture that decodes is refused from its first bytes");
    checkPngAgainstQt(file, whole);
    checkBands(file, whole, frame.targetHeight);
    if (!framed.ok())
        return 0;

    const SourceImage part = sourceImageOf(framed.image, framed.origin);
    const SourceImage picture = sourceImageOf(whole.image, whole.origin);
    const PixelGrid colours = whole.ok() ? sampleColours(picture, frame, settings.filter) : PixelGrid();
    for (const PixelFormat format : AllPixelFormats) {
        const PixelGrid grid = reduceFrame(part, ReductionRequest { .frame = frame, .format = format });
        checkRoundTrip(format, grid, frame.targetWidth, frame.targetHeight);
        if (!whole.ok())
            continue;
        check(grid == reduceFrame(picture, ReductionRequest { .frame = frame, .format = format }),
            "the frame's part of the picture samples differently from the whole");
        // The panel's options, as far as the format takes them.
        LevelOptions levels = settings.levels;
        if (formatInfo(format).grey())
            levels.colourOrder = ColourOrder::Rgb;
        const ReductionRequest request { frame, format, settings.filter, settings.dither, levels, settings.orientation };
        const PixelGrid reduced = orient(reduceColours(colours, format, settings.dither, levels), settings.orientation);
        check(reduced == reduceFrame(picture, request),
            "sampled colours turned and reduced as a whole differ from the frame reduced row by row");
        checkRoundTrip(format, reduced, request.outputWidth(), request.outputHeight());
    }
    checkAlphaKept(file, settings, whole, framed);
    return 0;
}
