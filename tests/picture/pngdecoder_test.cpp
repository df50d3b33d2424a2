// The PNG decoder against Qt's PNG reader, on the pictures of tests/data/png
// (scripts/make-png-test-pictures.py): every colour type at every bit depth,
// transparency, interlacing, colour chunks, odd sizes. Each is loaded as the
// programs load it, from memory and from its file, with no reader of other
// pictures, and must give exactly the pixels of Qt's reading blended over
// the background as the window blends it; a frame keeps exactly its part of
// them. Read with the alpha kept, each gives Qt's alphas and straight
// colours, and blended afterwards exactly what it gives blended as it is
// read. Damaged files are refused, as Qt's reader refuses them, with the
// error that says what is wrong.

#include "platform/pngdecoder.h"
#include "platform/qtpictures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <span>
#include <string>
#include <utility>

namespace rasterkit {
namespace {

QString picturePath(const char* name)
{
    return QStringLiteral(RASTERKIT_TEST_DATA "/png/") + QLatin1String(name);
}

QByteArray fileBytes(const char* name)
{
    QFile file(picturePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "rgba-8-gama-chrm.png" -> "rgba_8_gama_chrm"
std::string testName(const char* file)
{
    std::string name = file;
    name.erase(name.rfind('.'));
    for (char& character : name)
        character = character == '-' ? '_' : character;
    return name;
}

// Where two pictures differ first, or nothing when they are the same.
std::string difference(const RgbxPicture& picture, const RgbxPicture& expected)
{
    if (picture.width() != expected.width() || picture.height() != expected.height())
        return std::to_string(picture.width()) + " x " + std::to_string(picture.height()) + " pixels, expected "
            + std::to_string(expected.width()) + " x " + std::to_string(expected.height());
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) != expected.pixel(x, y)) {
                char text[80];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is #%06X, expected #%06X", x, y,
                    unsigned(picture.pixel(x, y) & 0xFFFFFF), unsigned(expected.pixel(x, y) & 0xFFFFFF));
                return text;
            }
        }
    }
    return {};
}

struct SoundPicture {
    const char* file;
    // The file whose reading by Qt the picture must equal, when Qt reads
    // the picture's own file wrong.
    const char* qtReads = nullptr;
};

void PrintTo(const SoundPicture& row, std::ostream* out)
{
    *out << row.file;
}

const SoundPicture SoundPictures[] = {
    { "grey-1.png" }, { "grey-2.png" }, { "grey-4.png" }, { "grey-8.png" }, { "grey-16.png" },
    { "grey-1-trns.png" }, { "grey-2-trns.png" }, { "grey-4-trns.png" }, { "grey-8-trns.png" }, { "grey-16-trns.png" },
    { "grey-alpha-8.png" }, { "grey-alpha-16.png" },
    { "rgb-8.png" }, { "rgb-16.png" }, { "rgb-8-trns.png" },
    // Qt 6.4 takes the rows of a 16-bit RGB picture with tRNS for rows of
    // four channels; the same picture with an alpha channel shows what the
    // picture holds.
    { "rgb-16-trns.png", "rgb-16-trns-as-rgba.png" },
    { "rgba-8.png" }, { "rgba-16.png" }, { "rgba-8-transparent-red.png" },
    { "palette-1.png" }, { "palette-2.png" }, { "palette-4.png" }, { "palette-8.png" },
    { "palette-1-trns.png" }, { "palette-8-trns.png" }, { "palette-4-index-past-palette.png" },
    { "rgba-8-interlaced.png" }, { "palette-4-interlaced.png" }, { "grey-16-interlaced.png" },
    { "grey-alpha-8-interlaced-7x5.png" }, { "rgb-8-interlaced-1x1.png" },
    { "rgba-8-1x1.png" }, { "palette-8-7x5.png" },
    { "rgb-8-gama.png" }, { "rgba-8-gama-chrm.png" }, { "rgba-16-gama.png" }, { "palette-4-gama.png" },
    { "rgba-8-srgb.png" }, { "rgb-8-iccp.png" }, { "grey-8-iccp.png" },
    { "rgb-8-many-idat.png" }, { "apng-first-frame.png" },
    { "rgba-8-soft-icon.png" }, { "grey-alpha-8-soft-icon.png" }, { "rgba-8-key-colours.png" },
};

// The window's light grey, and a colour whose channels all differ.
constexpr std::uint32_t Backgrounds[] = { PictureBackground, 0xFF0A80FFu };

class SoundPictureTest : public testing::TestWithParam<SoundPicture> { };

TEST_P(SoundPictureTest, EqualsQtsReaderBlendedAsTheWindowBlends)
{
    const SoundPicture& row = GetParam();
    const QByteArray data = fileBytes(row.file);
    ASSERT_FALSE(data.isEmpty());
    for (const std::uint32_t background : Backgrounds) {
        SCOPED_TRACE(testing::Message() << "background #" << std::hex << (background & 0xFFFFFF));
        const PictureLoadResult expected = decodeWithQtReaders(
            fileBytes(row.qtReads != nullptr ? row.qtReads : row.file), background, QStringLiteral("Qt's"));
        ASSERT_TRUE(expected.ok()) << expected.message().toStdString();
        const PictureLoadOptions options { .background = background };
        const PictureLoadResult fromMemory = decodePicture(data, options, QStringLiteral("memory"));
        const PictureLoadResult fromFile = loadPicture(picturePath(row.file), options);
        for (const PictureLoadResult* decoded : { &fromMemory, &fromFile }) {
            ASSERT_TRUE(decoded->ok()) << decoded->message().toStdString();
            EXPECT_EQ(decoded->origin, QPoint());
            EXPECT_EQ(difference(decoded->image, expected.image), "") << decoded->file.toStdString();
        }
    }
}

// A frame inside the picture, across its top-left and bottom-right edges, at
// scales below and above 1, and one that misses it.
const FrameSettings Frames[] = {
    { 5, 4, 1.0, 3, 2 },
    { 8, 8, 1.0, -3, -2 },
    { 6, 5, 2.0, 8, 7 },
    { 9, 9, 0.5, -1, 1 },
    { 4, 4, 1.0, 40, 40 },
};

TEST_P(SoundPictureTest, FrameKeepsExactlyItsRegion)
{
    const QByteArray data = fileBytes(GetParam().file);
    const PictureLoadResult whole = decodePicture(data, {}, QStringLiteral("whole"));
    ASSERT_TRUE(whole.ok()) << whole.message().toStdString();
    for (const FrameSettings& frame : Frames) {
        SCOPED_TRACE(testing::Message() << frame.targetWidth << " x " << frame.targetHeight << " at " << frame.frameLeft
                                        << ", " << frame.frameTop << ", step " << frame.sampleStep);
        const PictureLoadResult part = decodePicture(data, { .frame = frame }, QStringLiteral("part"));
        ASSERT_TRUE(part.ok()) << part.message().toStdString();
        const PixelRect region = sampledRegion(frame, whole.image.width(), whole.image.height());
        ASSERT_EQ(part.image.isNull(), region.isEmpty());
        if (region.isEmpty())
            continue;
        EXPECT_EQ(part.origin, QPoint(int(region.left), int(region.top)));
        EXPECT_EQ(difference(part.image,
                      whole.image.copy(int(region.left), int(region.top), int(region.width), int(region.height))),
            "");
    }
}

// Where two pictures with alpha differ first: in the alpha, or in the colour
// of a pixel that is not fully transparent (a transparent pixel's colour
// shows nowhere, and readers differ in it); nothing when they are the same.
std::string alphaDifference(const RgbxPicture& picture, const RgbxPicture& expected)
{
    if (picture.width() != expected.width() || picture.height() != expected.height())
        return difference(picture, expected);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t* got = picture.constScanLine(y) + 4 * x;
            const std::uint8_t* wanted = expected.constScanLine(y) + 4 * x;
            if (got[3] != wanted[3] || (got[3] != 0 && std::memcmp(got, wanted, 3) != 0)) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %02X %02X %02X %02X, expected %02X %02X %02X %02X",
                    x, y, got[0], got[1], got[2], got[3], wanted[0], wanted[1], wanted[2], wanted[3]);
                return text;
            }
        }
    }
    return {};
}

TEST_P(SoundPictureTest, AlphaKeptIsQtsStraightAlphaAndBlendsAsReadingBlends)
{
    const SoundPicture& row = GetParam();
    const QByteArray data = fileBytes(row.file);
    const PictureLoadResult expected = decodeWithQtReaders(fileBytes(row.qtReads != nullptr ? row.qtReads : row.file),
        PictureBlending(PictureBackground, true), QStringLiteral("Qt's"));
    ASSERT_TRUE(expected.ok()) << expected.message().toStdString();
    const PictureLoadOptions options { .keepAlpha = true };
    const PictureLoadResult fromMemory = decodePicture(data, options, QStringLiteral("memory"));
    const PictureLoadResult fromFile = loadPicture(picturePath(row.file), options);
    for (const PictureLoadResult* decoded : { &fromMemory, &fromFile }) {
        ASSERT_TRUE(decoded->ok()) << decoded->message().toStdString();
        EXPECT_EQ(alphaDifference(decoded->image, expected.image), "") << decoded->file.toStdString();
    }
    for (const std::uint32_t background : Backgrounds) {
        SCOPED_TRACE(testing::Message() << "background #" << std::hex << (background & 0xFFFFFF));
        const PictureLoadResult blended = decodePicture(data, { .background = background }, QStringLiteral("blended"));
        ASSERT_TRUE(blended.ok());
        EXPECT_EQ(flattenedPicture(fromMemory.image, background), blended.image) << difference(flattenedPicture(fromMemory.image, background), blended.image);
    }
    for (const FrameSettings& frame : Frames) {
        const PictureLoadResult part = decodePicture(data, { .frame = frame, .keepAlpha = true }, QStringLiteral("part"));
        ASSERT_TRUE(part.ok());
        const PixelRect region = sampledRegion(frame, fromMemory.image.width(), fromMemory.image.height());
        if (region.isEmpty())
            continue;
        EXPECT_EQ(part.image, fromMemory.image.copy(int(region.left), int(region.top), int(region.width), int(region.height)));
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, SoundPictureTest, testing::ValuesIn(SoundPictures),
    [](const auto& info) { return testName(info.param.file); });

struct DamagedPicture {
    const char* file;
    PictureError error;
    const char* reason; // as the English message gives it
};

void PrintTo(const DamagedPicture& row, std::ostream* out)
{
    *out << row.file;
}

const DamagedPicture DamagedPictures[] = {
    { "bad-cut-in-header.png", PictureError::CutShort, "the file ends inside the picture's data" },
    { "bad-cut-in-data.png", PictureError::CutShort, "the file ends inside the picture's data" },
    { "bad-cut-after-data.png", PictureError::CutShort, "the file ends inside the picture's data" },
    { "bad-no-iend.png", PictureError::CutShort, "the file ends inside the picture's data" },
    { "bad-crc.png", PictureError::Damaged, "the picture's compressed data is damaged (IDAT: CRC error)" },
    { "bad-zlib.png", PictureError::Damaged, "the picture's compressed data is damaged (IDAT: invalid block type)" },
    { "bad-zlib-short.png", PictureError::Damaged, "the picture's compressed data is damaged (Not enough image data)" },
    { "bad-zlib-adler32.png", PictureError::Damaged,
        "the picture's compressed data is damaged (IDAT: incorrect data check)" },
    { "bad-filter.png", PictureError::Damaged, "the picture's compressed data is damaged (bad adaptive filter value)" },
    { "bad-ihdr.png", PictureError::CannotDecode, "the picture cannot be decoded (Invalid IHDR data)" },
    { "bad-absurd-size.png", PictureError::TooManyPixels,
        "the picture claims 65535 x 65535 pixels, which would take more than 1 GiB decoded" },
};

class DamagedPictureTest : public testing::TestWithParam<DamagedPicture> { };

TEST_P(DamagedPictureTest, IsRefusedAsQtsReaderRefusesIt)
{
    const DamagedPicture& row = GetParam();
    const QByteArray data = fileBytes(row.file);
    ASSERT_FALSE(data.isEmpty());
    EXPECT_FALSE(decodeWithQtReaders(data, PictureBackground, QStringLiteral("Qt's")).ok());
    const PictureLoadResult fromMemory = decodePicture(data, {}, QStringLiteral("memory"));
    const PictureLoadResult fromFile = loadPicture(picturePath(row.file));
    for (const PictureLoadResult* decoded : { &fromMemory, &fromFile }) {
        EXPECT_EQ(decoded->error, row.error);
        EXPECT_EQ(decoded->message(), QStringLiteral("Cannot open \"%1\": %2.").arg(decoded->file, QLatin1String(row.reason)));
        EXPECT_TRUE(decoded->image.isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedPictureTest, testing::ValuesIn(DamagedPictures),
    [](const auto& info) { return testName(info.param.file); });

// The limit is the decoded size, four bytes a pixel, checked from the header.
TEST(PngLimitTest, PicturesLargerThanTheLimitAreRefused)
{
    const QByteArray data = fileBytes("rgba-8.png"); // 13 x 11
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
    PngDecodeOptions options;
    options.memoryLimitBytes = 13 * 11 * 4 - 1;
    const PictureLoadResult refused = decodePng(bytes, options, QStringLiteral("limit"));
    EXPECT_EQ(refused.error, PictureError::TooManyPixels);
    EXPECT_EQ(refused.figures, (std::array<qint64, 2> { 13, 11 }));
    options.memoryLimitBytes += 1;
    EXPECT_TRUE(decodePng(bytes, options, QStringLiteral("limit")).ok());
}

// A device whose reads fail after the first bytes: the device's reason is
// the error.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(QByteArray start)
        : m_start(std::move(start))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* into, qint64 most) override
    {
        if (m_start.isEmpty()) {
            setErrorString(QStringLiteral("the disk went away"));
            return -1;
        }
        const qint64 count = std::min<qint64>(most, m_start.size());
        std::memcpy(into, m_start.constData(), std::size_t(count));
        m_start.remove(0, count);
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_start;
};

TEST(PngDeviceTest, AFailedReadIsTheDevicesReason)
{
    FailingDevice device(fileBytes("rgba-8.png").first(100));
    const PictureLoadResult decoded = decodePng(device, {}, QStringLiteral("device"));
    EXPECT_EQ(decoded.error, PictureError::CannotRead);
    EXPECT_EQ(decoded.detail, QStringLiteral("the disk went away"));
    EXPECT_TRUE(decoded.image.isNull());
}

} // namespace
} // namespace rasterkit
