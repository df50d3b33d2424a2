// Byte-exact output of rasterkit-cli convert: hand-worked expectations for a
// flat picture and a tiny picture of runs, and the independent reference for
// pictures with known pixels, frames placed by --origin and --center, scales
// and frames reaching outside the picture.

#include "clirunner.h"
#include "knownpictures.h"
#include "reference.h"

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const FormatShortNames[8] = { "rgb565", "rgb565x8", "rgb544x3", "rgb444x4", "rgb333x7", "rgb332",
    "rgb332x8", "y5x3" };

class ConversionTest : public testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    // Runs the conversion and returns the output file's bytes; the run must succeed.
    Bytes convert(const QString& picture, const QStringList& options, std::string* printed = nullptr)
    {
        const CliRun run = runCli(QStringList { QStringLiteral("convert"), picture, QStringLiteral("-o"),
                                      QStringLiteral("out.bin") }
                + options,
            m_folder.path());
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
        if (printed)
            *printed = run.standardOutput.toStdString();
        return readBytes(path(QStringLiteral("out.bin")));
    }

    static QStringList frameOptions(const reference::Frame& frame, int format)
    {
        return { QStringLiteral("-f"), QString::number(format), QStringLiteral("-W"), QString::number(frame.width),
            QStringLiteral("-H"), QString::number(frame.height), QStringLiteral("-s"), QString::number(frame.step, 'g', 17),
            QStringLiteral("--origin"), QStringLiteral("%1,%2").arg(frame.left).arg(frame.top) };
    }

    void expectReference(const QString& pictureFile, const reference::Picture& picture, const reference::Frame& frame,
        int format)
    {
        std::string printed;
        const Bytes actual = convert(pictureFile, frameOptions(frame, format), &printed);
        const Bytes expected = reference::convert(picture, frame, format);
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_EQ(firstDifference(actual, expected), -1)
            << "actual   " << hexText(actual) << "\nexpected " << hexText(expected);
        std::string expectedPrinted = reference::report(format, frame, expected.size());
        std::string plain;
        for (const char character : expectedPrinted) {
            if (character != '\r')
                plain += character;
        }
        if (plain.back() != '\n')
            plain += '\n';
        EXPECT_EQ(printed, plain);
    }

    QTemporaryDir m_folder;
};

Bytes repeated(const Bytes& unit, int count, const Bytes& last = {})
{
    Bytes bytes;
    for (int index = 0; index < count; ++index)
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    bytes.insert(bytes.end(), last.begin(), last.end());
    return bytes;
}

// ---------------------------------------------------------------------------
// flat.gif: 320 x 240 pixels of (0x5A, 0xA5, 0x3C). With the frame's corner at
// (-1, -1), columns 1..320 sample source x 0..319, so every sample is that
// colour. The record bytes are worked out by hand from the record layouts.

struct FlatCase {
    const char* formatArgument; // each row spells the format another way
    Bytes unit;                 // repeated count times
    int count;
    Bytes last;                 // the final record, when it differs
    std::size_t size;
    const char* report;
};

void PrintTo(const FlatCase& row, std::ostream* out)
{
    *out << row.formatArgument;
}

class FlatPictureTest : public ConversionTest, public testing::WithParamInterface<FlatCase> {};

TEST_P(FlatPictureTest, WholeFileAndReport)
{
    const FlatCase& row = GetParam();
    std::string printed;
    const Bytes actual = convert(knownpictures::dataPath(QStringLiteral("flat.gif")),
        { QStringLiteral("-f"), QString::fromUtf8(row.formatArgument), QStringLiteral("--origin"), QStringLiteral("-1,-1") },
        &printed);
    const Bytes expected = repeated(row.unit, row.count, row.last);
    ASSERT_EQ(expected.size(), row.size);
    EXPECT_EQ(actual.size(), row.size);
    EXPECT_EQ(firstDifference(actual, expected), -1) << hexText(actual);
    EXPECT_EQ(printed, row.report);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FlatPictureTest,
    testing::Values(
        // 5:6:5 word: red 0x5A >> 3 = 11, green 0xA5 >> 2 = 41, blue 0x3C >> 3 = 7 -> 0x5D27.
        FlatCase { "0", { 0x5D, 0x27 }, 76800, {}, 153600,
            "Конвертирование завершено.\nРазмер файла : 153600\n" },
        // 301 records of 255 and a final record of 45 (0x2D).
        FlatCase { "RGB 5:6:5x8", { 0x5D, 0x27, 0xFF }, 301, { 0x5D, 0x27, 0x2D }, 906,
            "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 906\nCжато в: 169.53 раза\n" },
        // 11 << 11 | (0xA5 >> 4 = 10) << 7 | (0x3C >> 4 = 3) << 3 | run: 10971 x run 7, then run 3.
        FlatCase { "rgb544x3", { 0x5D, 0x1F }, 10971, { 0x5D, 0x1B }, 21944,
            "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 21944\nCжато в: 6.99 раза\n" },
        // 5 << 12 | 10 << 8 | 3 << 4 | 15: 5120 full records.
        FlatCase { "3", { 0x5A, 0x3F }, 5120, {}, 10240,
            "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 10240\nCжато в: 15 раза\n" },
        // 2 << 13 | 5 << 10 | 1 << 7 | run: 604 x 127, then 92 (0x5C).
        FlatCase { "RGB 3:3:3x7", { 0x54, 0xFF }, 604, { 0x54, 0xDC }, 1210,
            "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 1210\nCжато в: 126.94 раза\n" },
        // 2 << 5 | 5 << 2 | 0 = 0x54.
        FlatCase { "rgb332", { 0x54 }, 76800, {}, 76800,
            "Конвертирование завершено.\nРазмер файла : 76800\n" },
        FlatCase { "6", { 0x54, 0xFF }, 301, { 0x54, 0x2D }, 604,
            "Результат компрессии:\nБез сжатия:  76800 байт\nПосле сжатия: 604\nCжато в: 127.15 раза\n" },
        // Grey: red 2.81 + green 5.12 + blue 1.87 + 7 = 16.8 -> 17; 17 x 8 + 7 = 0x8F, final run 3 = 0x8B.
        FlatCase { "y5x3", { 0x8F }, 10971, { 0x8B }, 10972,
            "Результат компрессии:\nБез сжатия:  76800 байт\nПосле сжатия: 10972\nCжато в: 6.99 раза\n" }),
    [](const testing::TestParamInfo<FlatCase>& info) { return std::string(FormatShortNames[info.index]); });

// flat-white.gif: 320 x 240 white pixels, converted at the start-up frame
// (corner 0, 0). The last column and row fall outside the picture and read
// as the mask, which for white is the same reduced value as the picture's,
// so the whole frame is one colour: the sizes a display's flat screen gives.
struct FlatWhiteCase {
    const char* format;
    std::size_t size;
    const char* lastLine;
};

class FlatWhiteTest : public ConversionTest, public testing::WithParamInterface<FlatWhiteCase> {};

TEST_P(FlatWhiteTest, StartUpFrameSizesAndRatio)
{
    const FlatWhiteCase& row = GetParam();
    std::string printed;
    const Bytes actual = convert(knownpictures::dataPath(QStringLiteral("flat-white.gif")),
        { QStringLiteral("-f"), QString::fromUtf8(row.format) }, &printed);
    EXPECT_EQ(actual.size(), row.size);
    EXPECT_NE(printed.find(row.lastLine), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FlatWhiteTest,
    testing::Values(FlatWhiteCase { "RGB 5:6:5", 153600, "Размер файла : 153600" },
        FlatWhiteCase { "RGB 5:6:5x8", 906, "Cжато в: 169.53 раза" },
        FlatWhiteCase { "RGB 5:4:4x3", 21944, "Cжато в: 6.99 раза" },
        FlatWhiteCase { "RGB 4:4:4x4", 10240, "Cжато в: 15 раза" },
        FlatWhiteCase { "RGB 3:3:3x7", 1210, "Cжато в: 126.94 раза" },
        FlatWhiteCase { "RGB 3:3:2", 76800, "Размер файла : 76800" },
        FlatWhiteCase { "RGB 3:3:2x8", 604, "Cжато в: 127.15 раза" },
        FlatWhiteCase { "Y 5x3", 10972, "Cжато в: 6.99 раза" }),
    [](const testing::TestParamInfo<FlatWhiteCase>& info) { return std::string(FormatShortNames[info.index]); });

// At the start-up frame (corner 0, 0) column i samples source x = i, so the
// last column and the last row of a 320 x 240 frame fall outside a 320 x 240
// picture and hold the mask: white, 0xFFFF in "RGB 5:6:5".
TEST_F(ConversionTest, StartUpFrameMissesSourceColumnAndRowZero)
{
    const Bytes actual = convert(knownpictures::dataPath(QStringLiteral("flat.gif")), {});
    Bytes expected;
    for (int row = 1; row <= 240; ++row) {
        for (int column = 1; column <= 320; ++column) {
            const bool inside = row < 240 && column < 320;
            expected.push_back(inside ? 0x5D : 0xFF);
            expected.push_back(inside ? 0x27 : 0xFF);
        }
    }
    EXPECT_EQ(actual.size(), 153600u);
    EXPECT_EQ(firstDifference(actual, expected), -1);
}

// ---------------------------------------------------------------------------
// A 4 x 2 picture: red, red, red, blue / blue, blue, white, white with red
// (224, 0, 0), blue (0, 0, 224) and white (224, 224, 224). The runs are
// red x 3, blue x 3 across the row end, white x 2.

struct RunsCase {
    int format;
    Bytes bytes;
    const char* report; // as printed, plain line ends
};

void PrintTo(const RunsCase& row, std::ostream* out)
{
    *out << FormatShortNames[row.format];
}

class RunsPictureTest : public ConversionTest, public testing::WithParamInterface<RunsCase> {};

TEST_P(RunsPictureTest, HandWorkedRecords)
{
    const RunsCase& row = GetParam();
    QImage image(4, 2, QImage::Format_RGB32);
    const QRgb red = qRgb(224, 0, 0);
    const QRgb blue = qRgb(0, 0, 224);
    const QRgb white = qRgb(224, 224, 224);
    const QRgb pixels[2][4] = { { red, red, red, blue }, { blue, blue, white, white } };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, pixels[y][x]);
    }
    ASSERT_TRUE(image.save(path(QStringLiteral("runs.bmp")), "BMP"));
    std::string printed;
    const Bytes actual = convert(path(QStringLiteral("runs.bmp")),
        { QStringLiteral("-f"), QString::number(row.format), QStringLiteral("-W"), QStringLiteral("4"), QStringLiteral("-H"),
            QStringLiteral("2"), QStringLiteral("--origin"), QStringLiteral("-1,-1") },
        &printed);
    EXPECT_EQ(hexText(actual), hexText(row.bytes));
    EXPECT_EQ(printed, row.report);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RunsPictureTest,
    testing::Values(
        RunsCase { 0, { 0xE0, 0x00, 0xE0, 0x00, 0xE0, 0x00, 0x00, 0x1C, 0x00, 0x1C, 0x00, 0x1C, 0xE7, 0x1C, 0xE7, 0x1C },
            "Конвертирование завершено.\nРазмер файла : 16\n" },
        RunsCase { 1, { 0xE0, 0x00, 0x03, 0x00, 0x1C, 0x03, 0xE7, 0x1C, 0x02 },
            "Результат компрессии:\nБез сжатия:  16 байт\nПосле сжатия: 9\nCжато в: 1.77 раза\n" },
        RunsCase { 2, { 0xE0, 0x03, 0x00, 0x73, 0xE7, 0x72 },
            "Результат компрессии:\nБез сжатия:  16 байт\nПосле сжатия: 6\nCжато в: 2.66 раза\n" },
        RunsCase { 3, { 0xE0, 0x03, 0x00, 0xE3, 0xEE, 0xE2 },
            "Результат компрессии:\nБез сжатия:  16 байт\nПосле сжатия: 6\nCжато в: 2.66 раза\n" },
        RunsCase { 4, { 0xE0, 0x03, 0x03, 0x83, 0xFF, 0x82 },
            "Результат компрессии:\nБез сжатия:  16 байт\nПосле сжатия: 6\nCжато в: 2.66 раза\n" },
        RunsCase { 5, { 0xE0, 0xE0, 0xE0, 0x03, 0x03, 0x03, 0xFF, 0xFF },
            "Конвертирование завершено.\nРазмер файла : 8\n" },
        // Blue 224 keeps only its top two bits: 192.
        RunsCase { 6, { 0xE0, 0x03, 0x03, 0x03, 0xFF, 0x02 },
            "Результат компрессии:\nБез сжатия:  8 байт\nПосле сжатия: 6\nCжато в: 1.33 раза\n" },
        // Red and blue share the grey level 4 + 2 + 1 + 7 = 14, so their six
        // pixels are one run (14 x 8 + 6); white is 3 x 7 + 7 = 28.
        RunsCase { 7, { 0x76, 0xE2 },
            "Результат компрессии:\nБез сжатия:  8 байт\nПосле сжатия: 2\nCжато в: 4 раза\n" }),
    [](const testing::TestParamInfo<RunsCase>& info) { return std::string(FormatShortNames[info.param.format]); });

// ---------------------------------------------------------------------------
// Frames entirely outside the picture: every sample is the mask itself, which
// every format writes as white (grey level 31 for "Y 5x3").

struct OutsideCase {
    int format;
    Bytes bytes;
};

void PrintTo(const OutsideCase& row, std::ostream* out)
{
    *out << FormatShortNames[row.format];
}

class OutsideFrameTest : public ConversionTest, public testing::WithParamInterface<OutsideCase> {};

TEST_P(OutsideFrameTest, MaskValueEverywhere)
{
    const OutsideCase& row = GetParam();
    const Bytes actual = convert(knownpictures::dataPath(QStringLiteral("small.bmp")),
        { QStringLiteral("-f"), QString::number(row.format), QStringLiteral("-W"), QStringLiteral("8"), QStringLiteral("-H"),
            QStringLiteral("1"), QStringLiteral("--origin"), QStringLiteral("1000,-1000") });
    EXPECT_EQ(hexText(actual), hexText(row.bytes));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, OutsideFrameTest,
    testing::Values(OutsideCase { 0, repeated({ 0xFF, 0xFF }, 8) },
        OutsideCase { 1, { 0xFF, 0xFF, 0x08 } },
        OutsideCase { 2, { 0xFF, 0xFF, 0xFF, 0xF9 } },       // 0xF0F0F8: run 7, then run 1
        OutsideCase { 3, { 0xFF, 0xF8 } },                   // 0xF0F0F0: one run of 8
        OutsideCase { 4, { 0xFF, 0x88 } },                   // blue bit 5 set, run 8
        OutsideCase { 5, repeated({ 0xFF }, 8) },
        OutsideCase { 6, { 0xFF, 0x08 } },
        OutsideCase { 7, { 0xFF, 0xF9 } }),                  // grey 31: run 7, then run 1
    [](const testing::TestParamInfo<OutsideCase>& info) { return std::string(FormatShortNames[info.param.format]); });

// ---------------------------------------------------------------------------
// Pictures with known pixels against the reference, in every format.

struct FrameCase {
    const char* name;
    reference::Frame frame;
};

void PrintTo(const FrameCase& row, std::ostream* out)
{
    *out << row.name;
}

const FrameCase BmpFrames[] = {
    { "WholePicture", { 64, 48, 1.0, -1, -1 } },
    { "InnerBlock", { 20, 30, 1.0, 10, 5 } },
    { "ScaleOneAndAHalf", { 40, 30, 1.5, -1, -2 } },
    { "ScaleTwo", { 32, 24, 2.0, -2, -2 } },
    { "ScaleOneTenth", { 30, 20, 0.1, 20, 3 } },
    { "OutsideOnAllSides", { 100, 90, 1.0, -30, -20 } },
};

class KnownBmpTest : public ConversionTest, public testing::WithParamInterface<std::tuple<FrameCase, int>> {};

TEST_P(KnownBmpTest, MatchesReference)
{
    const auto& [frameCase, format] = GetParam();
    expectReference(knownpictures::dataPath(QStringLiteral("known.bmp")), knownpictures::knownBmp(), frameCase.frame,
        format);
}

INSTANTIATE_TEST_SUITE_P(Frames, KnownBmpTest, testing::Combine(testing::ValuesIn(BmpFrames), testing::Range(0, 8)),
    [](const testing::TestParamInfo<KnownBmpTest::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + FormatShortNames[std::get<1>(info.param)];
    });

const FrameCase GifFrames[] = {
    { "WholePicture", { 50, 40, 1.0, -1, -1 } },
    { "ScaleOneAndAHalfPastTheEdge", { 40, 30, 1.5, 5, 4 } },
};

class KnownGifTest : public ConversionTest, public testing::WithParamInterface<std::tuple<FrameCase, int>> {};

TEST_P(KnownGifTest, MatchesReference)
{
    const auto& [frameCase, format] = GetParam();
    expectReference(knownpictures::dataPath(QStringLiteral("known.gif")), knownpictures::knownGif(), frameCase.frame,
        format);
}

INSTANTIATE_TEST_SUITE_P(Frames, KnownGifTest, testing::Combine(testing::ValuesIn(GifFrames), testing::Range(0, 8)),
    [](const testing::TestParamInfo<KnownGifTest::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + FormatShortNames[std::get<1>(info.param)];
    });

// Transparent pixels are blended over the light grey 0xF0F0F0 and reduced
// like any other colour.
class TransparentGifTest : public ConversionTest, public testing::WithParamInterface<int> {};

TEST_P(TransparentGifTest, TransparentPixelsAreLightGrey)
{
    expectReference(knownpictures::dataPath(QStringLiteral("transparent.gif")), knownpictures::transparentGif(),
        { 24, 16, 1.0, -1, -1 }, GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TransparentGifTest, testing::Range(0, 8),
    [](const testing::TestParamInfo<int>& info) { return std::string(FormatShortNames[info.param]); });

TEST_F(ConversionTest, TransparentPixelIsF0F0F0InRgb565)
{
    const Bytes actual = convert(knownpictures::dataPath(QStringLiteral("transparent.gif")),
        { QStringLiteral("-W"), QStringLiteral("24"), QStringLiteral("-H"), QStringLiteral("16"), QStringLiteral("--origin"),
            QStringLiteral("-1,-1") });
    ASSERT_EQ(actual.size(), 24u * 16u * 2u);
    // (240, 240, 240): red 30 << 11 | green 60 << 5 | blue 30 = 0xF79E.
    ASSERT_TRUE(knownpictures::isTransparent(0, 0));
    EXPECT_EQ(actual[0], 0xF7);
    EXPECT_EQ(actual[1], 0x9E);
    // (4, 0) is palette entry 1, (20, 180, 60): 2 << 11 | 45 << 5 | 7 = 0x15A7.
    ASSERT_FALSE(knownpictures::isTransparent(4, 0));
    EXPECT_EQ(actual[8], 0x15);
    EXPECT_EQ(actual[9], 0xA7);
}

// The JPEG is decoded here with Qt's reader, as stored (no EXIF rotation),
// and its pixels fed to the reference.
class PhotoTest : public ConversionTest, public testing::WithParamInterface<std::tuple<FrameCase, int>> {};

TEST_P(PhotoTest, MatchesReferenceOnDecodedPixels)
{
    const auto& [frameCase, format] = GetParam();
    QImageReader reader(knownpictures::dataPath(QStringLiteral("photo.jpg")));
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    ASSERT_EQ(image.size(), QSize(200, 150));
    expectReference(knownpictures::dataPath(QStringLiteral("photo.jpg")), reference::fromImage(image), frameCase.frame,
        format);
}

const FrameCase PhotoFrames[] = {
    { "StartUpFrame", { 320, 240, 1.0, 0, 0 } },
    { "Centre176x132ScaleOneAndAHalf", { 176, 132, 1.5, -32, -49 } },
};

INSTANTIATE_TEST_SUITE_P(Frames, PhotoTest, testing::Combine(testing::ValuesIn(PhotoFrames), testing::Range(0, 8)),
    [](const testing::TestParamInfo<PhotoTest::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + FormatShortNames[std::get<1>(info.param)];
    });

// ---------------------------------------------------------------------------
// --center X,Y places the frame as a left-button drag to (X, Y) does: the
// corner is X - S x W / 2, Y - S x H / 2 with X and Y single-precision
// floats, rounded to nearest with halves to even. The expected corners are
// worked out by hand.

struct CenterCase {
    const char* name;
    const char* center;
    int width;
    int height;
    const char* scale;
    int expectedLeft;
    int expectedTop;
};

void PrintTo(const CenterCase& row, std::ostream* out)
{
    *out << row.name;
}

class CenterTest : public ConversionTest, public testing::WithParamInterface<CenterCase> {};

TEST_P(CenterTest, SamplesFromTheRoundedCorner)
{
    const CenterCase& row = GetParam();
    const QStringList size { QStringLiteral("-W"), QString::number(row.width), QStringLiteral("-H"),
        QString::number(row.height), QStringLiteral("-s"), QString::fromLatin1(row.scale) };
    const Bytes byCenter = convert(knownpictures::dataPath(QStringLiteral("known.bmp")),
        size + QStringList { QStringLiteral("--center"), QString::fromLatin1(row.center) });
    const reference::Frame frame { row.width, row.height, QString::fromLatin1(row.scale).toDouble(), row.expectedLeft,
        row.expectedTop };
    const Bytes expected = reference::convert(knownpictures::knownBmp(), frame, reference::RGB565);
    EXPECT_EQ(firstDifference(byCenter, expected), -1) << hexText(byCenter) << "\n" << hexText(expected);

    // The neighbouring corners give other bytes, so the rounding is really seen.
    for (const int shift : { -1, 1 }) {
        const reference::Frame shifted { row.width, row.height, frame.step, row.expectedLeft + shift, row.expectedTop };
        EXPECT_NE(reference::convert(knownpictures::knownBmp(), shifted, reference::RGB565), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Ties, CenterTest,
    testing::Values(
        CenterCase { "HalfRoundsDownToEven", "100,50", 131, 40, "1", 34, 30 },      // 34.5 -> 34
        CenterCase { "HalfRoundsUpToEven", "101,50", 131, 40, "1", 36, 30 },        // 35.5 -> 36
        CenterCase { "NegativeHalf", "32.5,24.25", 64, 48, "1.5", -16, -12 },       // -15.5 -> -16, -11.75 -> -12
        CenterCase { "ScaleTwo", "20.25,10", 33, 17, "2", -13, -7 },                // -12.75 -> -13, -7
        CenterCase { "PlainCentre", "32,24", 64, 48, "1", 0, 0 },
        // 2.5000001 is 2.5 as a float, so the corner is 0.5 -> 0, where
        // double precision would give 0.5000001 -> 1.
        CenterCase { "SinglePrecisionCentre", "2.5000001,10", 4, 2, "1", 0, 9 }),
    [](const testing::TestParamInfo<CenterCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

// The data files hold exactly the pixels the formulas describe.
TEST(KnownPictures, FilesHoldTheFormulaPixels)
{
    const struct {
        const char* file;
        reference::Picture expected;
    } rows[] = {
        { "known.bmp", knownpictures::knownBmp() },
        { "known.gif", knownpictures::knownGif() },
        { "small.bmp", knownpictures::smallBmp() },
    };
    for (const auto& row : rows) {
        QImageReader reader(knownpictures::dataPath(QString::fromLatin1(row.file)));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << row.file;
        const reference::Picture decoded = reference::fromImage(image);
        EXPECT_EQ(decoded.width, row.expected.width) << row.file;
        EXPECT_EQ(decoded.height, row.expected.height) << row.file;
        EXPECT_TRUE(decoded.pixels == row.expected.pixels) << row.file;
    }
}

TEST(KnownPictures, ReferenceGreyLevels)
{
    // Black 7, white 31, mid grey 19, pure red 15 (14.93), red 16 8 (7.5 to
    // even), red 48 8 (8.5 to even), red 1 7 (bit 0 ignored).
    EXPECT_EQ(reference::greyLevel({ 0, 0, 0 }), 7);
    EXPECT_EQ(reference::greyLevel({ 255, 255, 255 }), 31);
    EXPECT_EQ(reference::greyLevel({ 128, 128, 128 }), 19);
    EXPECT_EQ(reference::greyLevel({ 255, 0, 0 }), 15);
    EXPECT_EQ(reference::greyLevel({ 16, 0, 0 }), 8);
    EXPECT_EQ(reference::greyLevel({ 48, 0, 0 }), 8);
    EXPECT_EQ(reference::greyLevel({ 1, 0, 0 }), 7);
}

} // namespace
