// Picture quality as a choice: --filter and --dither of convert, and
// compare. The defaults write today's bytes in every format; flat colours
// stay flat; the dithered preview is what the raw file decodes to; compare's
// rows hold the sizes convert writes, and its JSON parses.

#include "clirunner.h"
#include "knownpictures.h"
#include "reference.h"

#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int FormatCount = 22;
const char* const ShortNames[FormatCount] = { "rgb565", "rgb565x8", "rgb544x3", "rgb444x4", "rgb333x7", "rgb332",
    "rgb332x8", "y5x3", "mono", "mono-lsb", "mono-pages", "grey2", "grey4", "grey8", "rgb666", "rgb888", "i1", "i2",
    "i4", "i8", "a8", "rgb565a8" };
const char* const FormatNames[FormatCount] = { "RGB 5:6:5", "RGB 5:6:5x8", "RGB 5:4:4x3", "RGB 4:4:4x4", "RGB 3:3:3x7",
    "RGB 3:3:2", "RGB 3:3:2x8", "Y 5x3", "Mono 1", "Mono 1 LSB", "Mono 1 pages", "Grey 2", "Grey 4", "Grey 8",
    "RGB 6:6:6", "RGB 8:8:8", "Index 1", "Index 2", "Index 4", "Index 8", "A 8", "RGB 5:6:5 A8" };
// Formats with 6 or 8 bits a channel: a plain gradient in them has almost no
// bands to lose; and "A 8", which keeps no colour to dither.
bool fineLevels(qsizetype format)
{
    const std::string_view name = ShortNames[format];
    return name == "grey8" || name == "rgb666" || name == "rgb888" || name == "a8";
}
// The indexed formats: their palette is chosen for the samples as they are,
// so on a plain gradient its colours lie inside the gradient's ends, which
// dithering then cannot reach (their own tests hold dithering to photos).
bool indexed(qsizetype format)
{
    return ShortNames[format][0] == 'i';
}
constexpr int DitherCount = 4;
const char* const DitherNames[DitherCount] = { "none", "ordered", "diffusion", "atkinson" };

class QualityTest : public CliFolderTest {
protected:
    CliRun run(const QStringList& arguments) const { return runSuccessfully(arguments); }

    // The raw file convert writes for the picture with the options.
    Bytes convert(const QString& picture, const QStringList& options)
    {
        QFile::remove(path(u"out.raw"_s));
        run(QStringList { u"convert"_s, picture, u"-o"_s, path(u"out.raw"_s), u"-q"_s } + options);
        return readBytes(path(u"out.raw"_s));
    }

    // compare's JSON, parsed; the run must succeed and print valid JSON.
    QJsonArray compareJson(const QString& picture, const QStringList& options)
    {
        const CliRun result = run(QStringList { u"compare"_s, picture, u"--json"_s } + options);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(result.standardOutput, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                         << result.standardOutput.toStdString();
        EXPECT_TRUE(document.isArray());
        return document.array();
    }

    // A picture of one colour, or of a gradient, saved as BMP.
    QString savedPicture(const QString& name, const QImage& image)
    {
        EXPECT_TRUE(image.save(path(name), "BMP"));
        return path(name);
    }

    QString flatPicture(QRgb colour)
    {
        QImage image(48, 36, QImage::Format_RGB32);
        image.fill(colour);
        return savedPicture(u"flat-%1.bmp"_s.arg(colour, 8, 16, QLatin1Char('0')), image);
    }

    QString skyPicture()
    {
        // A slow gradient, as a sky: every format bands it without dithering.
        QImage image(96, 64, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(40 + x / 2, 70 + y, 150 + (x + y) / 4));
        }
        return savedPicture(u"sky.bmp"_s, image);
    }
};

const QString Photo = knownpictures::dataPath(u"photo.jpg"_s);
const QString Known = knownpictures::dataPath(u"known.bmp"_s);

// ---------------------------------------------------------------------------
// --filter nearest --dither none is today's conversion, byte for byte: the
// same as no options and as the independent reference, in every format.

struct DefaultCase {
    const char* name;
    QString picture;
    reference::Frame frame;
};

void PrintTo(const DefaultCase& row, std::ostream* out) { *out << row.name; }

const DefaultCase DefaultCases[] = {
    { "KnownScaleOneAndAHalf", Known, { 40, 30, 1.5, -1, -2 } },
    { "KnownPastTheEdges", Known, { 40, 30, 1.0, 30, 25 } },
    { "PhotoStartUpFrame", Photo, { 320, 240, 1.0, 0, 0 } },
    { "PhotoPartScaleTwoAndAHalf", Photo, { 40, 30, 2.5, 20, 10 } },
};

class DefaultBytesTest : public QualityTest, public testing::WithParamInterface<std::tuple<DefaultCase, int>> { };

TEST_P(DefaultBytesTest, NearestWithoutDitherIsTodaysConversion)
{
    const auto& [row, format] = GetParam();
    const QStringList frame { u"-f"_s, QString::number(format), u"-W"_s, QString::number(row.frame.width), u"-H"_s,
        QString::number(row.frame.height), u"-s"_s, QString::number(row.frame.step), u"--origin"_s,
        u"%1,%2"_s.arg(row.frame.left).arg(row.frame.top) };
    const Bytes plain = convert(row.picture, frame);
    const Bytes spelled
        = convert(row.picture, frame + QStringList { u"--filter"_s, u"nearest"_s, u"--dither"_s, u"none"_s });
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(firstDifference(spelled, plain), -1);
    QImageReader reader(row.picture);
    reader.setAutoTransform(false);
    const Bytes expected = reference::convert(reference::fromImage(reader.read()), row.frame, format);
    EXPECT_EQ(firstDifference(plain, expected), -1) << hexText(plain) << "\n" << hexText(expected);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DefaultBytesTest,
    testing::Combine(testing::ValuesIn(DefaultCases), testing::Range(0, 8)),
    [](const testing::TestParamInfo<DefaultBytesTest::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + ShortNames[std::get<1>(info.param)];
    });

// The golden C headers come out the same with the defaults spelled out.
TEST_F(QualityTest, GoldenHeadersWithDefaultsSpelledOut)
{
    const QString small = knownpictures::dataPath(u"small.bmp"_s);
    const struct {
        QStringList options;
        const char* golden;
    } rows[] = {
        { { "-f", "3", "-W", "7", "-H", "5", "--origin", "-1,-1", "--byte-order", "little", "--c-array", "small_444",
              "--c-attribute", "PROGMEM" },
            "small-rgb444x4-little.h" },
        { { "-f", "rgb332", "-W", "7", "-H", "5", "--c-array", "_small" }, "small-rgb332.h" },
    };
    for (const auto& row : rows) {
        const Bytes actual = convert(small, row.options + QStringList { u"--filter=NEAREST"_s, u"--dither=None"_s });
        const Bytes expected = readBytes(knownpictures::dataPath(u"golden/"_s + QString::fromLatin1(row.golden)));
        ASSERT_FALSE(expected.empty()) << row.golden;
        EXPECT_EQ(firstDifference(actual, expected), -1) << row.golden;
    }
}

// At a scale of 1 or less the box filter is the nearest pixel.
TEST_F(QualityTest, BoxAtScaleOneIsNearest)
{
    for (const char* scale : { "1", "0.5" }) {
        const QStringList frame { u"-f"_s, u"1"_s, u"-W"_s, u"50"_s, u"-H"_s, u"40"_s, u"-s"_s,
            QString::fromLatin1(scale) };
        EXPECT_EQ(convert(Known, frame + QStringList { u"--filter"_s, u"box"_s }), convert(Known, frame)) << scale;
    }
}

// ---------------------------------------------------------------------------
// Flat white stays flat in every format, filter and dither mode: white is
// the top level of every channel (level 31 of "Y 5x3"), so nothing is
// dithered and the runs are the ones the default writes.

class FlatWhiteDitherTest : public QualityTest, public testing::WithParamInterface<int> { };

TEST_P(FlatWhiteDitherTest, EveryModeWritesTheDefaultBytes)
{
    const int format = GetParam();
    const QString white = knownpictures::dataPath(u"flat-white.gif"_s);
    const QStringList frame { u"-f"_s, QString::number(format), u"--origin"_s, u"-1,-1"_s };
    const Bytes plain = convert(white, frame);
    ASSERT_FALSE(plain.empty());
    for (const char* filter : { "nearest", "box" }) {
        for (const char* dither : DitherNames) {
            for (const char* scale : { "1", "1.5" }) {
                const Bytes bytes = convert(white,
                    frame
                        + QStringList {
                            u"--filter"_s, QString::fromLatin1(filter), u"--dither"_s, QString::fromLatin1(dither) });
                const Bytes scaledPlain = convert(white, frame + QStringList { u"-s"_s, QString::fromLatin1(scale) });
                const Bytes scaled = convert(white,
                    frame
                        + QStringList { u"-s"_s, QString::fromLatin1(scale), u"--filter"_s, QString::fromLatin1(filter),
                            u"--dither"_s, QString::fromLatin1(dither) });
                EXPECT_EQ(firstDifference(bytes, plain), -1) << filter << " " << dither;
                EXPECT_EQ(firstDifference(scaled, scaledPlain), -1) << filter << " " << dither << " scale " << scale;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FlatWhiteDitherTest, testing::Range(0, 8),
    [](const testing::TestParamInfo<int>& info) { return std::string(ShortNames[info.param]); });

// ---------------------------------------------------------------------------
// A dithered file decodes to exactly the preview convert writes beside it,
// and that preview is dithered: it differs from the plain one.

class DitheredPreviewTest : public QualityTest,
                            public testing::WithParamInterface<std::tuple<int, const char*, const char*>> { };

TEST_P(DitheredPreviewTest, RawFileDecodesToThePreview)
{
    const auto& [format, dither, filter] = GetParam();
    const QString sky = skyPicture();
    const QStringList frame { u"-f"_s, QString::number(format), u"-W"_s, u"60"_s, u"-H"_s, u"40"_s, u"-s"_s, u"1.5"_s,
        u"--origin"_s, u"-1,-1"_s, u"--filter"_s, QString::fromLatin1(filter) };
    const auto previewWith = [&](const char* mode, const QString& name) {
        run(QStringList { u"convert"_s, sky, u"-o"_s, path(name + u".raw"_s), u"--preview"_s, path(name + u".png"_s),
                u"--dither"_s, QString::fromLatin1(mode), u"-q"_s }
            + frame);
        return QImage(path(name + u".png"_s)).convertToFormat(QImage::Format_RGB32);
    };
    const QImage dithered = previewWith(dither, u"dithered"_s);
    const QImage plain = previewWith("none", u"plain"_s);
    run({ u"decode"_s, path(u"dithered.raw"_s), u"-f"_s, QString::number(format), u"-W"_s, u"60"_s, u"-H"_s, u"40"_s,
        u"-o"_s, path(u"decoded.png"_s) });
    const QImage decoded = QImage(path(u"decoded.png"_s)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(dithered.size(), QSize(60, 40));
    EXPECT_EQ(decoded, dithered);
    EXPECT_NE(dithered, plain);
}

INSTANTIATE_TEST_SUITE_P(Modes, DitheredPreviewTest,
    testing::Combine(testing::Range(0, 8), testing::Values("ordered", "diffusion"), testing::Values("nearest", "box")),
    [](const testing::TestParamInfo<DitheredPreviewTest::ParamType>& info) {
        return std::string(ShortNames[std::get<0>(info.param)]) + "_" + std::get<1>(info.param) + "_"
            + std::get<2>(info.param);
    });

// A JPEG is decoded only in the part the frame reads; a dithered or
// box-filtered frame of that part is the frame of the whole picture.
TEST_F(QualityTest, PartOfAJpegAsTheWholePicture)
{
    QImageReader reader(Photo);
    reader.setAutoTransform(false);
    const QString bmp = savedPicture(u"photo.bmp"_s, reader.read());
    for (const QStringList& options : { QStringList { "--dither", "diffusion" }, QStringList { "--filter", "box" },
             QStringList { "--filter", "box", "--dither", "ordered", "-s", "2.7" } }) {
        const QStringList frame = QStringList {
            u"-f"_s, u"0"_s, u"-W"_s, u"40"_s, u"-H"_s, u"30"_s, u"-s"_s, u"1.5"_s, u"--origin"_s, u"60,40"_s
        } + options;
        EXPECT_EQ(firstDifference(convert(Photo, frame), convert(bmp, frame)), -1) << options.join(u' ').toStdString();
    }
}

// ---------------------------------------------------------------------------
// compare

void expectRowKeys(const QJsonObject& row)
{
    QStringList keys = row.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList { "banding_psnr", "bytes", "dither", "filter", "format", "index", "psnr", "ratio" }));
}

// Every row names a format and a mode once, in order, and its bytes are the
// size of the file convert writes with the same options; the ratio is the
// one convert's report gives.
TEST_F(QualityTest, CompareRowsHoldTheBytesConvertWrites)
{
    const struct {
        QStringList options;
        std::vector<const char*> dithers;
        const char* filter;
    } cases[] = {
        { {}, { "none" }, "nearest" },
        { { "--dither", "all", "--filter", "box", "-s", "2.5", "-W", "50", "-H", "40", "--origin", "10,5" },
            { "none", "ordered", "diffusion", "atkinson" }, "box" },
        { { "--dither", "ORDERED", "-W", "64", "-H", "48", "--center", "100,75" }, { "ordered" }, "nearest" },
    };
    for (const auto& testCase : cases) {
        const QJsonArray rows = compareJson(Photo, testCase.options);
        ASSERT_EQ(rows.size(), qsizetype(FormatCount * testCase.dithers.size()));
        QStringList frame;
        for (qsizetype index = 0; index + 1 < testCase.options.size(); index += 2) {
            if (testCase.options[index] != QLatin1String("--dither"))
                frame << testCase.options[index] << testCase.options[index + 1];
        }
        for (qsizetype index = 0; index < rows.size(); ++index) {
            const QJsonObject row = rows[index].toObject();
            expectRowKeys(row);
            const int format = int(index / qsizetype(testCase.dithers.size()));
            const char* dither = testCase.dithers[std::size_t(index % qsizetype(testCase.dithers.size()))];
            EXPECT_EQ(row[u"index"_s].toInt(-1), format);
            EXPECT_EQ(row[u"format"_s].toString(), QString::fromLatin1(FormatNames[format]));
            EXPECT_EQ(row[u"dither"_s].toString(), QString::fromLatin1(dither));
            EXPECT_EQ(row[u"filter"_s].toString(), QString::fromLatin1(testCase.filter));
            // "RGB 8:8:8" keeps every bit of a sample: nothing differs, the figures are null.
            const bool keepsEveryBit = format == 15;
            EXPECT_EQ(row[u"psnr"_s].isDouble(), !keepsEveryBit) << FormatNames[format];
            EXPECT_EQ(row[u"banding_psnr"_s].isDouble(), !keepsEveryBit) << FormatNames[format];

            std::string report;
            const CliRun converted = run(QStringList { u"convert"_s, Photo, u"-o"_s, path(u"row.raw"_s), u"-f"_s,
                                             QString::number(format), u"--dither"_s, QString::fromLatin1(dither) }
                + frame);
            const auto bytes = readBytes(path(u"row.raw"_s)).size();
            EXPECT_EQ(row[u"bytes"_s].toInteger(-1), qint64(bytes)) << FormatNames[format] << " " << dither;
            // "Cжато в: 3.5 раза" in the report of a run-length format.
            const QString printed = QString::fromUtf8(converted.standardOutput);
            const qsizetype at = printed.indexOf(u"Cжато в: "_s);
            const double ratio = row[u"ratio"_s].toDouble();
            if (at >= 0)
                EXPECT_DOUBLE_EQ(ratio, printed.mid(at + 9).section(u' ', 0, 0).toDouble()) << FormatNames[format];
            else
                EXPECT_DOUBLE_EQ(ratio, 1.0) << FormatNames[format];
        }
    }
}

// A flat picture that every format holds exactly (black; "Y 5x3" measured
// against the grey, black's level 7) has no error in any mode: null, both
// figures. Dithering a gradient wins on the banding figure in every format
// without a palette.
TEST_F(QualityTest, CompareFiguresOfFlatAndGradientPictures)
{
    const QJsonArray black = compareJson(flatPicture(qRgb(0, 0, 0)), { "-W", "40", "-H", "30", "--dither", "all" });
    ASSERT_EQ(black.size(), FormatCount * DitherCount);
    for (const QJsonValue& value : black) {
        const QJsonObject row = value.toObject();
        EXPECT_TRUE(row[u"psnr"_s].isNull()) << row[u"format"_s].toString().toStdString();
        EXPECT_TRUE(row[u"banding_psnr"_s].isNull());
    }

    const QJsonArray sky
        = compareJson(skyPicture(), { "-W", "90", "-H", "60", "--origin", "-1,-1", "--dither", "all" });
    ASSERT_EQ(sky.size(), FormatCount * DitherCount);
    for (qsizetype format = 0; format < FormatCount; ++format) {
        if (fineLevels(format) || indexed(format))
            continue;
        const QJsonObject plain = sky[format * DitherCount].toObject();
        const double plainBanding = plain[u"banding_psnr"_s].toDouble();
        ASSERT_TRUE(std::isfinite(plainBanding)) << FormatNames[format];
        for (const qsizetype mode : { 1, 2 }) {
            const QJsonObject dithered = sky[format * DitherCount + mode].toObject();
            EXPECT_GT(dithered[u"banding_psnr"_s].toDouble(), plainBanding + 3.0)
                << FormatNames[format] << " " << DitherNames[mode];
        }
    }
}

// The table: a heading and a row a format, every line as long as the
// heading, inf where nothing differs.
TEST_F(QualityTest, CompareTable)
{
    const CliRun result = run({ u"compare"_s, flatPicture(qRgb(0, 0, 0)), u"-W"_s, u"20"_s, u"-H"_s, u"10"_s });
    const QStringList lines = QString::fromUtf8(result.standardOutput).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), FormatCount + 1);
    EXPECT_EQ(lines[0].simplified(), u"index format dither filter bytes ratio psnr banding_psnr"_s);
    for (int format = 0; format < FormatCount; ++format) {
        const QString& line = lines[format + 1];
        EXPECT_EQ(line.size(), lines[0].size()) << line.toStdString();
        EXPECT_TRUE(line.contains(QString::fromLatin1(FormatNames[format]))) << line.toStdString();
        EXPECT_TRUE(line.simplified().endsWith(u" none nearest %1 %2 inf inf"_s.arg(
            line.simplified().section(u' ', -4, -4), line.simplified().section(u' ', -3, -3))))
            << line.toStdString();
        EXPECT_TRUE(line.startsWith(u"%1  "_s.arg(format, 5))) << line.toStdString();
    }
    EXPECT_TRUE(result.standardError.isEmpty());
}

// The sheet: every preview at its place, the first one at the top left
// under its two label lines, the same pixels convert's preview shows.
TEST_F(QualityTest, CompareSheetHoldsThePreviews)
{
    const QStringList frame { u"-W"_s, u"64"_s, u"-H"_s, u"48"_s, u"--origin"_s, u"-1,-1"_s };
    const CliRun result
        = run(QStringList { u"compare"_s, Known, u"--sheet"_s, path(u"sheet.png"_s), u"--dither"_s, u"all"_s } + frame);
    EXPECT_FALSE(result.standardOutput.isEmpty()); // the table as well
    const QImage sheet = QImage(path(u"sheet.png"_s)).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(sheet.isNull());
    run(QStringList {
            u"convert"_s, Known, u"-o"_s, path(u"first.raw"_s), u"--preview"_s, path(u"first.png"_s), u"-q"_s }
        + frame);
    const QImage first = QImage(path(u"first.png"_s)).convertToFormat(QImage::Format_RGB32);
    // 8 pixels of margin, then two label lines of 14 pixels and 4 below each.
    EXPECT_EQ(sheet.copy(8, 8 + 2 * 18, 64, 48), first);
    // Four modes of two formats a row: 8 columns, a row for every two formats.
    const int sheetRows = (FormatCount + 1) / 2;
    EXPECT_GE(sheet.width(), 8 + 8 * (64 + 8));
    EXPECT_GE(sheet.height(), 8 + sheetRows * (2 * 18 + 48 + 8));
    EXPECT_LT(sheet.height(), 8 + (sheetRows + 1) * (2 * 18 + 48 + 8));
}

// --sheet - writes the PNG to standard output and the table to standard error.
TEST_F(QualityTest, CompareSheetOnStandardOutput)
{
    const CliRun result = run({ u"compare"_s, Known, u"--sheet"_s, u"-"_s, u"-W"_s, u"16"_s, u"-H"_s, u"12"_s });
    QImage sheet;
    EXPECT_TRUE(sheet.loadFromData(result.standardOutput, "PNG"));
    EXPECT_TRUE(QString::fromUtf8(result.standardError).startsWith(u"index"_s));
}

// A missing picture and a sheet too large for one picture end with exit
// status 1 and a message naming the file; nothing is written.
TEST_F(QualityTest, CompareFileErrors)
{
    const struct {
        QStringList arguments;
        const char* named;
        const char* reason;
    } rows[] = {
        { { u"compare"_s, path(u"missing.jpg"_s) }, "missing.jpg", "" },
        { { u"compare"_s, Known, u"-W"_s, u"8192"_s, u"-H"_s, u"8192"_s, u"--sheet"_s, path(u"huge.png"_s) }, "huge.png",
            "choose a smaller frame" },
    };
    for (const auto& row : rows) {
        const CliRun result = runCli(row.arguments, m_folder.path());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.standardError.contains(row.named)) << result.standardError.toStdString();
        EXPECT_TRUE(result.standardError.contains(row.reason)) << result.standardError.toStdString();
        EXPECT_TRUE(result.standardOutput.isEmpty());
    }
    EXPECT_TRUE(folderEntries(m_folder.path()).isEmpty());
}

} // namespace
