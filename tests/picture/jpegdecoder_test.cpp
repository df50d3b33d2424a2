// The JPEG decoder against Qt's own JPEG reader, for every layout in
// tests/data/jpeg: whole pictures byte for byte, and partial decodes for
// frames at every edge and corner, outside the picture and at scales 0.1 to
// 5, whose samples must read exactly what the whole picture gives. Files cut
// short and absurd headers are refused.

#include "convert/reduceframe.h"
#include "platform/jpegdecoder.h"
#include "platform/qtpictures.h"

#include <QBuffer>
#include <QFile>
#include <QCoreApplication>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <ostream>
#include <span>
#include <vector>
#include <string>
#include <utility>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace rasterkit {
namespace {

const char* const Pictures[] = { "baseline-420.jpg", "baseline-422.jpg", "baseline-440.jpg", "baseline-444.jpg",
    "progressive-420.jpg", "progressive-444.jpg", "grey.jpg", "progressive-grey.jpg", "cmyk.jpg", "exif-rotated.jpg",
    "restart-interval.jpg", "progressive-first-scans.jpg" };

QString picturePath(const char* name)
{
    return QStringLiteral(RASTERKIT_TEST_DATA "/jpeg/") + QLatin1String(name);
}

QByteArray fileBytes(const char* name)
{
    QFile file(picturePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

JpegDecodeResult decode(const QByteArray& data, const JpegDecodeOptions& options = {})
{
    return decodeJpeg({ reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()) }, options);
}

// The picture as the program read it before it had a decoder of its own.
QImage qtReaderPicture(const char* name)
{
    QImageReader reader(picturePath(name));
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_RGBX8888);
}

std::string testName(const char* file)
{
    std::string name = file;
    name.erase(name.find('.'));
    std::erase(name, '-');
    return name;
}

class WholePictureTest : public testing::TestWithParam<const char*> { };

TEST_P(WholePictureTest, EqualsQtsReaderByteForByte)
{
    const JpegDecodeResult decoded = decode(fileBytes(GetParam()));
    ASSERT_TRUE(decoded.ok()) << decoded.reason(0).toStdString();
    const QImage expected = qtReaderPicture(GetParam());
    ASSERT_EQ(expected.size(), QSize(97, 61)); // as stored, also with an EXIF orientation
    ASSERT_EQ(imageOf(decoded.image).size(), expected.size());
    EXPECT_EQ(decoded.left, 0);
    EXPECT_EQ(decoded.top, 0);
    for (int y = 0; y < expected.height(); ++y)
        ASSERT_EQ(std::memcmp(decoded.image.constScanLine(y), expected.constScanLine(y), 97 * 4), 0) << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(Layouts, WholePictureTest, testing::ValuesIn(Pictures),
    [](const auto& info) { return testName(info.param); });

// A partial decode holds exactly the frame's sampled region, every pixel of
// it as in the whole picture, and the sampler reads from it what it reads
// from the whole picture.
void expectSameSamples(const QImage& whole, const FrameSettings& frame, const JpegDecodeResult& part)
{
    ASSERT_TRUE(part.ok()) << part.reason(0).toStdString();
    const PixelRect region = sampledRegion(frame, whole.width(), whole.height());
    ASSERT_EQ(part.image.isNull(), region.isEmpty());
    if (!region.isEmpty()) {
        ASSERT_EQ((PixelRect { part.left, part.top, part.image.width(), part.image.height() }), region);
        for (int y = 0; y < part.image.height(); ++y) {
            const uchar* expected = whole.constScanLine(static_cast<int>(part.top) + y) + part.left * 4;
            ASSERT_EQ(std::memcmp(part.image.constScanLine(y), expected, std::size_t(part.image.width()) * 4), 0)
                << "row " << part.top + y;
        }
    }
    const SourceImage some = sourceImageOf(part.image, QPoint(int(part.left), int(part.top)));
    for (const PixelFormat format : { PixelFormat::RGB565, PixelFormat::Y5x3 }) { // masked colours and grey levels, outside values included
        const ReductionRequest request { .frame = frame, .format = format };
        ASSERT_EQ(reduceFrame(some, request), reduceFrame(sourceImageOf(whole), request)) << formatIndex(format);
    }
}

struct FrameCase {
    const char* name;
    FrameSettings frame; // width, height, scale, left, top on the 97 x 61 pictures
};

const FrameCase Frames[] = {
    { "StartUp", { 320, 240, 1.0, 0, 0 } },
    { "TopLeftCorner", { 10, 8, 1.0, -1, -1 } },
    { "TopRightCorner", { 10, 8, 1.0, 90, -3 } },
    { "BottomLeftCorner", { 10, 8, 1.0, -4, 55 } },
    { "BottomRightCorner", { 10, 8, 1.0, 89, 54 } },
    { "LeftColumnOnBlockEdge", { 5, 5, 1.0, 15, 20 } },
    { "RightColumnOnBlockEdge", { 5, 5, 1.0, 26, 10 } },
    { "OneColumnOnBlockEdge", { 1, 70, 1.0, 47, -2 } },
    { "OnePixel", { 1, 1, 1.0, 40, 40 } },
    { "AllOutsideAboveLeft", { 20, 20, 1.0, -21, -21 } },
    { "ScaleTenth", { 60, 40, 0.1, 40, 25 } },
    { "ScaleHalf", { 200, 130, 0.5, 3, 2 } },
    { "ScaleOnePointThree", { 80, 50, 1.3, -20, -10 } },
    { "ScaleTwoAndAHalf", { 30, 20, 2.5, 10, 5 } },
    { "ScaleFiveAcrossEveryEdge", { 30, 20, 5.0, -37, -23 } },
};

void PrintTo(const FrameCase& row, std::ostream* out)
{
    *out << row.name;
}

class RegionDecodeTest : public testing::TestWithParam<std::tuple<const char*, FrameCase>> { };

TEST_P(RegionDecodeTest, SamplesReadWhatTheWholePictureGives)
{
    const auto& [picture, frameCase] = GetParam();
    expectSameSamples(qtReaderPicture(picture), frameCase.frame, decode(fileBytes(picture), { frameCase.frame }));
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndFrames, RegionDecodeTest,
    testing::Combine(testing::ValuesIn(Pictures), testing::ValuesIn(Frames)),
    [](const auto& info) { return testName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name; });

// Small frames at every origin across and around the picture, at several
// scales: every block boundary meets a frame edge somewhere.
TEST_P(WholePictureTest, SmallFramesEverywhereSampleAsTheWholePicture)
{
    const QByteArray data = fileBytes(GetParam());
    const QImage whole = qtReaderPicture(GetParam());
    for (const double scale : { 0.1, 1.0, 2.3, 5.0 }) {
        for (int left = -12; left < 97; left += 3) {
            for (int top = -10; top < 61; top += 5) {
                const FrameSettings frame { 9, 7, scale, left, top };
                SCOPED_TRACE(testing::Message() << "scale " << scale << " origin " << left << ", " << top);
                expectSameSamples(whole, frame, decode(data, { frame }));
                if (testing::Test::HasFatalFailure())
                    return;
            }
        }
    }
}

// Cut anywhere, even only the end-of-image marker, a picture is refused,
// whether decoded whole, in part above the cut, or not at all.
TEST_P(WholePictureTest, CutShortIsRefused)
{
    const QByteArray data = fileBytes(GetParam());
    for (const qsizetype kept : { qsizetype(100), data.size() / 2, data.size() * 9 / 10, data.size() - 2 }) {
        for (const std::optional<FrameSettings> frame :
            { std::optional<FrameSettings>(), std::optional(FrameSettings { 4, 3, 1.0, 0, 0 }),
                std::optional(FrameSettings { 4, 3, 1.0, -50, -50 }) }) {
            const JpegDecodeResult decoded = decode(data.first(kept), { frame });
            EXPECT_EQ(decoded.error, JpegError::CutShort)
                << kept << " bytes, " << (frame ? "frame" : "whole");
            EXPECT_TRUE(decoded.image.isNull());
        }
    }
}

// A device that cannot seek and hands out a few bytes a read, or fails once
// failAt bytes have been read: the decoder's reading meets the end of a
// piece everywhere.
class TrickleDevice : public QIODevice {
public:
    TrickleDevice(QByteArray data, qint64 piece, qint64 failAt = -1)
        : m_data(std::move(data))
        , m_piece(piece)
        , m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* into, qint64 most) override
    {
        if (m_failAt >= 0 && m_at >= m_failAt) {
            setErrorString(QStringLiteral("the disk went away"));
            return -1;
        }
        const qint64 count = std::min({ most, m_piece, qint64(m_data.size()) - m_at });
        std::memcpy(into, m_data.constData() + m_at, std::size_t(count));
        m_at += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_piece;
    qint64 m_failAt;
    qint64 m_at = 0;
};

// Read from a device, a block at a time, a picture decodes exactly as from
// memory: whole, in part, and cut short.
TEST_P(WholePictureTest, DeviceGivesWhatMemoryGives)
{
    const QByteArray data = fileBytes(GetParam());
    std::vector<std::optional<FrameSettings>> frames { std::nullopt };
    for (const FrameCase& row : Frames)
        frames.emplace_back(row.frame);
    for (const std::optional<FrameSettings>& frame : frames) {
        for (const qsizetype kept : { data.size(), qsizetype(100), data.size() / 2, data.size() - 2 }) {
            const JpegDecodeResult fromMemory = decode(data.first(kept), { frame });
            QBuffer seekable;
            seekable.setData(data.first(kept));
            seekable.open(QIODevice::ReadOnly);
            TrickleDevice trickle(data.first(kept), 7);
            for (QIODevice* device : { static_cast<QIODevice*>(&seekable), static_cast<QIODevice*>(&trickle) }) {
                SCOPED_TRACE(testing::Message() << (frame ? "frame" : "whole") << ", " << kept << " bytes, "
                                                << (device == &seekable ? "seekable" : "trickle"));
                const JpegDecodeResult fromDevice = decodeJpeg(*device, { frame });
                ASSERT_EQ(fromDevice.error, fromMemory.error);
                ASSERT_EQ(fromDevice.left, fromMemory.left);
                ASSERT_EQ(fromDevice.top, fromMemory.top);
                ASSERT_EQ(fromDevice.image, fromMemory.image);
            }
        }
    }
    // A failed read is the device's reason, wherever it happens.
    for (const qint64 failAt : { qint64(0), qint64(300), qint64(data.size() - 10) }) {
        TrickleDevice failing(data, 7, failAt);
        const JpegDecodeResult decoded = decodeJpeg(failing);
        EXPECT_EQ(decoded.error, JpegError::ReadFailed) << failAt;
        EXPECT_EQ(decoded.detail, QStringLiteral("the disk went away")) << failAt;
        EXPECT_TRUE(decoded.image.isNull());
    }
}

// Decoded a band of rows at a time, as the window opens a big photo, a
// picture holds exactly the whole decode's pixels, whatever the band; a file
// cut short, with or without an end-of-image marker put back after the cut,
// fails exactly when and as the whole decode fails. Only single-scan pictures
// whose data is followed by the marker count as ended.
TEST_P(WholePictureTest, BandsGiveWhatTheWholeDecodeGives)
{
    const QByteArray data = fileBytes(GetParam());
    const bool progressive = std::string(GetParam()).starts_with("progressive");
    const auto bytes = [](const QByteArray& from) {
        return std::span(reinterpret_cast<const std::uint8_t*>(from.constData()), std::size_t(from.size()));
    };
    std::vector<QByteArray> inputs { data };
    for (const qsizetype kept : { qsizetype(300), data.size() / 2, data.size() * 9 / 10 }) {
        inputs.push_back(data.first(kept));
        inputs.push_back(data.first(kept) + QByteArray("\xFF\xD9", 2));
    }
    for (const QByteArray& input : inputs) {
        const JpegDecodeResult whole = decode(input);
        for (const int band : { 1, 5, 16, 61 }) {
            SCOPED_TRACE(testing::Message() << input.size() << " bytes, bands of " << band);
            JpegRowDecoder decoder(bytes(input));
            JpegError error = decoder.start();
            QImage picture(97, 61, QImage::Format_RGBX8888);
            picture.fill(0);
            if (error == JpegError::None) {
                ASSERT_EQ(decoder.pictureWidth(), 97);
                ASSERT_EQ(decoder.pictureHeight(), 61);
                EXPECT_EQ(decoder.isSingleScanAndEnded(), !progressive && input.endsWith("\xFF\xD9"));
            }
            while (error == JpegError::None && !decoder.isComplete()) {
                const int from = decoder.decodedRows();
                error = decoder.decodeRows(picture.scanLine(from), picture.bytesPerLine(), band);
                if (error == JpegError::None) {
                    ASSERT_EQ(decoder.decodedRows(), std::min(from + band, 61));
                }
            }
            ASSERT_EQ(error, whole.error);
            EXPECT_EQ(decoder.failure().error, whole.error);
            EXPECT_EQ(decoder.decodeRows(picture.bits(), picture.bytesPerLine(), 1), whole.error); // and stays so
            if (whole.ok()) {
                EXPECT_EQ(picture, imageOf(whole.image));
            }
        }
    }
}

TEST(JpegHeaderTest, AbsurdSizesAreRefusedBeforeDecoding)
{
    // Past JPEG's own limit of 65500 a side, and within it but past 1 GiB decoded.
    for (const auto& [sizeBytes, size] :
        { std::pair("\xFF\xFF\xFF\xFF", "65535 x 65535"), std::pair("\x4E\x20\x4E\x20", "20000 x 20000") }) {
        QByteArray data = fileBytes("progressive-420.jpg");
        const qsizetype frameHeader = data.indexOf("\xFF\xC2");
        ASSERT_GT(frameHeader, 0);
        data.replace(frameHeader + 5, 4, sizeBytes, 4);
        const JpegDecodeResult absurd = decode(data);
        EXPECT_EQ(absurd.reason(std::int64_t(1) << 30),
            QStringLiteral("the picture claims %1 pixels, which would take more than the 1024 MB a picture may take "
                           "decoded")
                .arg(QLatin1String(size)));
        EXPECT_TRUE(absurd.image.isNull());
    }
    // The limit is the decoded size: four bytes a pixel.
    JpegDecodeOptions options;
    options.memoryLimitBytes = 97 * 61 * 4 - 1;
    EXPECT_EQ(decode(fileBytes("baseline-444.jpg"), options).error, JpegError::TooLarge);
    options.memoryLimitBytes += 1;
    EXPECT_TRUE(decode(fileBytes("baseline-444.jpg"), options).ok());
}

} // namespace
} // namespace rasterkit

int main(int argc, char* argv[])
{
    // Qt's reader finds its JPEG plugin through the application object.
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
