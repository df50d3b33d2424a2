// Pictures with transparency through rasterkit-cli: the formats that keep
// the alpha and the transparent key. The pictures are read here with Qt's
// own reader, so every alpha byte written is held to the picture's alpha at
// its sample: a GIF with a transparent colour and PNGs with soft edges, at
// frames inside, across the edges and outside, with the nearest pixel and
// the box filter. The colours beside the alpha are the straight colours
// (0 where a pixel is fully transparent), and decode of each file shows
// exactly the preview convert wrote beside it: the picture over F0F0F0. The
// key rule holds on a picture holding the key colour itself, in both byte
// orders and through run lengths; compare measures the alpha formats with
// the bytes convert writes; and the C headers and test patterns of these
// formats are held to golden files.

#include "clirunner.h"
#include "knownpictures.h"
#include "reference.h"

#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Qt::StringLiterals;
using Bytes = std::vector<std::uint8_t>;

// The picture as Qt reads it: straight colours and their alphas.
QImage straightPicture(const QString& file)
{
    QImageReader reader(knownpictures::dataPath(file));
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// The RGB 5:6:5 word of a colour.
int word565(QRgb colour)
{
    return (qRed(colour) >> 3) << 11 | (qGreen(colour) >> 2) << 5 | (qBlue(colour) >> 3);
}

// A colour over a background at alpha, as pictures are blended.
int blendChannel(int channel, int alpha, int background)
{
    return (channel * alpha + background * (255 - alpha) + 127) / 255;
}

QRgb blendOver(QRgb colour, int alpha, QRgb background)
{
    return qRgb(blendChannel(qRed(colour), alpha, qRed(background)),
        blendChannel(qGreen(colour), alpha, qGreen(background)), blendChannel(qBlue(colour), alpha, qBlue(background)));
}

constexpr QRgb PreviewBackground = 0xFFF0F0F0u;

class TransparencyTest : public CliFolderTest {
protected:
    CliRun run(const QStringList& arguments) const { return runSuccessfully(arguments); }
};

// ---------------------------------------------------------------------------
// The alpha formats: each sample's alpha, its straight colour, and decode
// showing the preview.

struct AlphaPicture {
    const char* name;
    const char* file; // in tests/data
};

struct AlphaFrame {
    const char* name;
    int width;
    int height;
    int left;
    int top;
};

// With the nearest pixel the step is 1.5, so that positions round; with the
// box filter 3, so that each cell covers 3 x 3 whole pixels and its alpha is
// their plain mean.
const AlphaPicture AlphaPictures[] = {
    { "TransparentGif", "transparent.gif" },
    { "SoftIcon", "png/rgba-8-soft-icon.png" },
    { "GreySoftIcon", "png/grey-alpha-8-soft-icon.png" },
    { "Rgba", "png/rgba-8.png" },
};
const AlphaFrame AlphaFrames[] = {
    { "Inside", 4, 3, -1, 0 },
    { "AcrossTheEdges", 12, 10, -5, -4 },
    { "Outside", 3, 2, 100, 90 },
};
const char* const AlphaFormats[] = { "a8", "rgb565a8" };
const char* const Filters[] = { "nearest", "box" };

// The expected alpha of a sample, and how far it may lie from the exact
// mean (more than half only at a tie of the rounding).
struct ExpectedSample {
    double alpha = 0;      // exact: the pixel's, or the cell's mean
    QRgb colour = 0;       // the pixel's straight colour, or the cell's when all its visible pixels share one
    bool oneColour = true; // the visible pixels share one colour
};

ExpectedSample expectedSample(const QImage& picture, bool box, double step, int left, int top, int column, int row)
{
    ExpectedSample sample;
    if (!box) {
        const long long x = reference::pixelAt(left + step * column);
        const long long y = reference::pixelAt(top + step * row);
        if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height()) {
            const QRgb pixel = picture.pixel(int(x), int(y));
            sample.alpha = qAlpha(pixel);
            sample.colour = pixel;
        }
        return sample;
    }
    // The 3 x 3 pixels around the whole centre; those outside do not count.
    const int centreX = left + 3 * column;
    const int centreY = top + 3 * row;
    int count = 0;
    int sum = 0;
    bool seen = false;
    for (int y = centreY - 1; y <= centreY + 1; ++y) {
        for (int x = centreX - 1; x <= centreX + 1; ++x) {
            if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height())
                continue;
            const QRgb pixel = picture.pixel(x, y);
            ++count;
            sum += qAlpha(pixel);
            if (qAlpha(pixel) == 0)
                continue;
            if (seen && (pixel & 0xFFFFFFu) != (sample.colour & 0xFFFFFFu))
                sample.oneColour = false;
            sample.colour = pixel;
            seen = true;
        }
    }
    sample.alpha = count == 0 ? 0.0 : double(sum) / count;
    return sample;
}

class AlphaFormatTest : public TransparencyTest,
                        public testing::WithParamInterface<std::tuple<AlphaPicture, const char*, AlphaFrame, const char*>> {
};

TEST_P(AlphaFormatTest, AlphaIsThePicturesColoursAreStraightAndDecodeShowsThePreview)
{
    const auto& [picture, format, frame, filter] = GetParam();
    const bool box = QLatin1String(filter) == QLatin1String("box");
    const bool withColour = QLatin1String(format) == QLatin1String("rgb565a8");
    const double step = box ? 3.0 : 1.5;
    const QStringList size { u"-W"_s, QString::number(frame.width), u"-H"_s, QString::number(frame.height) };
    run(QStringList { u"convert"_s, knownpictures::dataPath(QString::fromLatin1(picture.file)), u"-o"_s,
            path(u"out.raw"_s), u"--preview"_s, path(u"preview.png"_s), u"-q"_s, u"-f"_s, QString::fromLatin1(format),
            u"-s"_s, QString::number(step), u"--origin"_s, u"%1,%2"_s.arg(frame.left).arg(frame.top), u"--filter"_s,
            QString::fromLatin1(filter) }
        + size);
    const Bytes bytes = readBytes(path(u"out.raw"_s));
    const int pixels = frame.width * frame.height;
    ASSERT_EQ(bytes.size(), std::size_t(pixels * (withColour ? 3 : 1)));
    const std::size_t alphaOffset = withColour ? std::size_t(2 * pixels) : 0;

    const QImage source = straightPicture(QString::fromLatin1(picture.file));
    ASSERT_FALSE(source.isNull());
    const QImage preview = QImage(path(u"preview.png"_s)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(preview.size(), QSize(frame.width, frame.height));
    for (int row = 1; row <= frame.height; ++row) {
        for (int column = 1; column <= frame.width; ++column) {
            SCOPED_TRACE(testing::Message() << "sample (" << column << ", " << row << ")");
            const std::size_t index = std::size_t((row - 1) * frame.width + column - 1);
            const ExpectedSample expected = expectedSample(source, box, step, frame.left, frame.top, column, row);
            const int alpha = bytes[alphaOffset + index];
            EXPECT_LE(std::abs(alpha - expected.alpha), 0.5 + 1e-9) << "expected " << expected.alpha;
            QRgb shown = qRgb(0, 0, 0); // "A 8": black ink
            if (withColour) {
                const int word = bytes[2 * index] << 8 | bytes[2 * index + 1];
                if (alpha == 0) {
                    EXPECT_EQ(word, 0);
                } else if (expected.oneColour) {
                    EXPECT_EQ(word, word565(expected.colour)) << std::hex << expected.colour;
                }
                shown = qRgb((word >> 11) << 3, ((word >> 5) & 0x3F) << 2, (word & 0x1F) << 3);
            }
            EXPECT_EQ(preview.pixel(column - 1, row - 1), blendOver(shown, alpha, PreviewBackground));
        }
    }

    run(QStringList { u"decode"_s, path(u"out.raw"_s), u"-f"_s, QString::fromLatin1(format), u"-o"_s,
            path(u"decoded.png"_s) }
        + size);
    EXPECT_EQ(QImage(path(u"decoded.png"_s)).convertToFormat(QImage::Format_RGB32), preview);
}

INSTANTIATE_TEST_SUITE_P(PicturesFormatsFramesFilters, AlphaFormatTest,
    testing::Combine(testing::ValuesIn(AlphaPictures), testing::ValuesIn(AlphaFormats), testing::ValuesIn(AlphaFrames),
        testing::ValuesIn(Filters)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param) + "_"
            + std::get<2>(info.param).name + "_" + std::get<3>(info.param);
    });

// ---------------------------------------------------------------------------
// The transparent key, on a picture that holds the key colours themselves
// and colours that reduce to their words.

struct KeyCase {
    const char* name;
    const char* key;  // RRGGBB
    int keyWord;      // its 5:6:5 word
    const char* format;
    const char* byteOrder;
    const char* dither;
};

const KeyCase KeyCases[] = {
    { "MagentaWords", "FF00FF", 0xF81F, "rgb565", "big", "none" },
    { "MagentaWordsLittle", "FF00FF", 0xF81F, "rgb565", "little", "none" },
    { "MagentaRuns", "FF00FF", 0xF81F, "rgb565x8", "big", "none" },
    { "GreenAtTheTopRunsLittle", "00FF00", 0x07E0, "rgb565x8", "little", "none" },
    { "GreenAtTheTopWords", "00FF00", 0x07E0, "rgb565", "big", "none" },
    { "MagentaWordsDiffused", "FF00FF", 0xF81F, "rgb565", "big", "diffusion" },
    { "GreenRunsOrdered", "00FF00", 0x07E0, "rgb565x8", "little", "ordered" },
};

void PrintTo(const KeyCase& row, std::ostream* out)
{
    *out << row.name;
}

// The file's words, pixel by pixel: one a pixel, or run records expanded.
std::vector<int> wordsOf(const Bytes& bytes, bool runs, bool little)
{
    std::vector<int> words;
    const std::size_t record = runs ? 3 : 2;
    for (std::size_t at = 0; at + record <= bytes.size(); at += record) {
        const int word = little ? bytes[at + 1] << 8 | bytes[at] : bytes[at] << 8 | bytes[at + 1];
        const int count = runs ? bytes[at + 2] : 1;
        words.insert(words.end(), std::size_t(count), word);
    }
    return words;
}

class KeyTest : public TransparencyTest, public testing::WithParamInterface<KeyCase> { };

TEST_P(KeyTest, TransparentIsTheKeyAndNoVisiblePixelIs)
{
    const KeyCase& row = GetParam();
    const reference::Frame frame { 20, 15, 1.0, -2, -1 }; // the 16 x 12 picture and a border around it
    const QString picture = u"png/rgba-8-key-colours.png"_s;
    run({ u"convert"_s, knownpictures::dataPath(picture), u"-o"_s, path(u"out.raw"_s), u"-q"_s, u"-f"_s,
        QString::fromLatin1(row.format), u"-W"_s, QString::number(frame.width), u"-H"_s,
        QString::number(frame.height), u"--origin"_s, u"%1,%2"_s.arg(frame.left).arg(frame.top),
        u"--transparent-key"_s, QString::fromLatin1(row.key), u"--byte-order"_s, QString::fromLatin1(row.byteOrder),
        u"--dither"_s, QString::fromLatin1(row.dither) });
    const bool runs = QLatin1String(row.format) == QLatin1String("rgb565x8");
    const std::vector<int> words
        = wordsOf(readBytes(path(u"out.raw"_s)), runs, QLatin1String(row.byteOrder) == QLatin1String("little"));
    ASSERT_EQ(words.size(), std::size_t(frame.width * frame.height));
    const QImage source = straightPicture(picture);
    const bool dithered = QLatin1String(row.dither) != QLatin1String("none");
    int keyColoured = 0; // visible pixels of the picture that reduce to the key's word
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const int px = frame.left + 1 + x; // step 1: sample i reads pixel left + i
            const int py = frame.top + 1 + y;
            const bool inside = px >= 0 && py >= 0 && px < source.width() && py < source.height();
            const QRgb pixel = inside ? source.pixel(px, py) : 0;
            const int word = words[std::size_t(y * frame.width + x)];
            SCOPED_TRACE(testing::Message() << "pixel (" << px << ", " << py << ") #" << std::hex << pixel);
            if (qAlpha(pixel) < 128) {
                EXPECT_EQ(word, row.keyWord);
                continue;
            }
            EXPECT_NE(word, row.keyWord);
            if (dithered)
                continue;
            // Blended over the background, reduced, and moved one green step
            // off the key's word (down from the top of green).
            int expected = word565(blendOver(pixel, qAlpha(pixel), PreviewBackground));
            if (expected == row.keyWord) {
                ++keyColoured;
                const int green = (expected >> 5) & 0x3F;
                expected = (expected & ~(0x3F << 5)) | ((green == 0x3F ? green - 1 : green + 1) << 5);
            }
            EXPECT_EQ(word, expected);
        }
    }
    if (!dithered) {
        EXPECT_GT(keyColoured, 2) << "the picture holds the key colour";
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTest, testing::ValuesIn(KeyCases),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

// The header of a keyed file names the key's word, and that of a colour and
// alpha file where its alphas start (the picture's first pixel, the first
// sampled, is opaque); both compile warning-free as C99.
TEST_F(TransparencyTest, HeadersCompileWithTheKeyAndTheAlphaOffset)
{
    const QString picture = knownpictures::dataPath(u"png/rgba-8-key-colours.png"_s);
    run({ u"convert"_s, picture, u"-o"_s, path(u"keyed.h"_s), u"-q"_s, u"-f"_s, u"rgb565x8"_s, u"-W"_s, u"16"_s,
        u"-H"_s, u"12"_s, u"--transparent-key"_s, u"FF00FF"_s, u"--c-array"_s, u"keyed"_s });
    run({ u"convert"_s, picture, u"-o"_s, path(u"icon.h"_s), u"-q"_s, u"-f"_s, u"rgb565a8"_s, u"-W"_s, u"5"_s, u"-H"_s,
        u"3"_s, u"--origin"_s, u"-1,-1"_s, u"--c-array"_s, u"icon"_s });
    writeBytes(path(u"main.c"_s),
        "#include <stdio.h>\n#include \"keyed.h\"\n#include \"icon.h\"\n"
        "int main(void)\n{\n"
        "    printf(\"%X %d %d %d\\n\", keyed_TRANSPARENT_KEY, icon_ALPHA_OFFSET, icon_STRIDE, icon_SIZE);\n"
        "    return sizeof icon == icon_SIZE && icon[icon_ALPHA_OFFSET] == 255 ? 0 : 1;\n}\n");
    QProcess compiler;
    compiler.setWorkingDirectory(m_folder.path());
    compiler.start(QStringLiteral(RASTERKIT_C_COMPILER),
        { u"-std=c99"_s, u"-Wall"_s, u"-Wextra"_s, u"-pedantic"_s, u"-Werror"_s, u"main.c"_s, u"-o"_s, u"show"_s });
    ASSERT_TRUE(compiler.waitForFinished(60000));
    ASSERT_EQ(compiler.exitCode(), 0) << compiler.readAllStandardError().toStdString();
    QProcess program;
    program.start(path(u"show"_s), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(program.readAllStandardOutput(), QByteArray("F81F 30 10 45\n"));
}

// ---------------------------------------------------------------------------
// compare: the alpha formats' rows hold the bytes convert writes; reading the
// picture with its alpha for them changes nothing for the other formats;
// --background leaves them out, or is refused with them.

QJsonArray compareRows(const CliRun& result)
{
    return QJsonDocument::fromJson(result.standardOutput).array();
}

TEST_F(TransparencyTest, CompareMeasuresTheAlphaFormatsAndLeavesTheOthersAsTheyWere)
{
    const QString gif = knownpictures::dataPath(u"transparent.gif"_s);
    const QStringList frame { u"-W"_s, u"10"_s, u"-H"_s, u"7"_s, u"-s"_s, u"2.5"_s, u"--origin"_s, u"-3,-2"_s,
        u"--filter"_s, u"box"_s };
    const QJsonArray rows = compareRows(
        run(QStringList { u"compare"_s, gif, u"--json"_s, u"--dither"_s, u"all"_s, u"--formats"_s, u"a8,rgb565a8,rgb565x8"_s }
            + frame));
    ASSERT_EQ(rows.size(), 12);
    const QJsonArray alone = compareRows(
        run(QStringList { u"compare"_s, gif, u"--json"_s, u"--dither"_s, u"all"_s, u"--formats"_s, u"rgb565x8"_s } + frame));
    ASSERT_EQ(alone.size(), 4);
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const QJsonObject row = rows[index].toObject();
        const QString format = row[u"format"_s].toString();
        const QString dither = row[u"dither"_s].toString();
        run(QStringList { u"convert"_s, gif, u"-o"_s, path(u"row.raw"_s), u"-q"_s, u"-f"_s, format, u"--dither"_s, dither }
            + frame);
        EXPECT_EQ(row[u"bytes"_s].toInteger(-1), qint64(readBytes(path(u"row.raw"_s)).size()))
            << format.toStdString() << " " << dither.toStdString();
        if (index >= 8) {
            EXPECT_EQ(row, alone[index - 8].toObject()) << dither.toStdString();
        }
    }

    const QJsonArray blended = compareRows(run({ u"compare"_s, gif, u"--json"_s, u"--background"_s, u"FFFFFF"_s }));
    for (const QJsonValue& row : blended)
        EXPECT_FALSE(row[u"format"_s].toString().contains(u"A8"_s) || row[u"format"_s].toString() == u"A 8"_s);
    EXPECT_FALSE(blended.isEmpty());
    const CliRun refused
        = runCli({ u"compare"_s, gif, u"--formats"_s, u"rgb565,a8"_s, u"--background"_s, u"FFFFFF"_s }, m_folder.path());
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.standardError.contains("--background does not apply to \"A 8\"")) << refused.standardError.toStdString();
}

// ---------------------------------------------------------------------------
// Golden files of the alpha formats and the key: headers and test patterns.

struct GoldenCase {
    const char* name;
    QStringList arguments; // DATA/ stands for tests/data/
    const char* golden;    // in tests/data/golden
};

void PrintTo(const GoldenCase& row, std::ostream* out)
{
    *out << row.name;
}

class TransparencyGoldenTest : public TransparencyTest, public testing::WithParamInterface<GoldenCase> { };

TEST_P(TransparencyGoldenTest, SameBytes)
{
    const GoldenCase& row = GetParam();
    QStringList arguments = row.arguments;
    arguments.replaceInStrings(u"DATA/"_s, knownpictures::dataPath(QString()));
    run(arguments + QStringList { u"-o"_s, path(u"out"_s) });
    const Bytes expected = readBytes(knownpictures::dataPath(u"golden/"_s + QString::fromLatin1(row.golden)));
    ASSERT_FALSE(expected.empty()) << row.golden;
    const Bytes actual = readBytes(path(u"out"_s));
    EXPECT_EQ(firstDifference(actual, expected), -1) << hexText(actual) << "\n" << hexText(expected);
}

INSTANTIATE_TEST_SUITE_P(Files, TransparencyGoldenTest,
    testing::Values(
        GoldenCase { "HeaderA8Box",
            { "convert", "DATA/png/rgba-8-soft-icon.png", "-f", "a8", "-W", "10", "-H", "8", "-s", "2", "--origin",
                "-1,-1", "--filter", "box", "--c-array", "icon_a8", "-q" },
            "soft-icon-a8-box.h" },
        GoldenCase { "HeaderRgb565A8Little",
            { "convert", "DATA/transparent.gif", "-f", "rgb565a8", "-W", "8", "-H", "6", "--origin", "-2,-1",
                "--byte-order", "little", "--c-array", "gif_icon", "-q" },
            "transparent-gif-rgb565a8-little.h" },
        GoldenCase { "HeaderKeyedRunsLittle",
            { "convert", "DATA/png/rgba-8-key-colours.png", "-f", "rgb565x8", "-W", "16", "-H", "12",
                "--transparent-key", "FF00FF", "--byte-order", "little", "--c-array", "keyed", "-q" },
            "key-colours-rgb565x8-keyed-little.h" },
        GoldenCase { "PatternA8", { "pattern", "-f", "a8", "-W", "16", "-H", "12" }, "pattern-a8-16x12.raw" },
        GoldenCase { "PatternRgb565A8Bgr", { "pattern", "-f", "rgb565a8", "-W", "16", "-H", "12", "--colour-order", "bgr" },
            "pattern-rgb565a8-16x12-bgr.raw" }),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

} // namespace
