// What users take to their firmware: the byte order, C headers that compile
// and hold the raw bytes, decode back to the preview, malformed raw files,
// the test pattern, and small golden files compared byte for byte.

#include "clirunner.h"
#include "knownpictures.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* const ShortNames[8] = { "rgb565", "rgb565x8", "rgb544x3", "rgb444x4", "rgb333x7", "rgb332", "rgb332x8",
    "y5x3" };

// known.bmp with a frame reaching past its right and bottom edges, so that
// outside samples are part of every file.
const QStringList KnownFrame { QStringLiteral("-W"), QStringLiteral("40"), QStringLiteral("-H"), QStringLiteral("30"),
    QStringLiteral("--origin"), QStringLiteral("30,25"), QStringLiteral("-q") };

class FirmwareTest : public testing::Test {
protected:
    QString path(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    // Runs rasterkit-cli; the run must succeed.
    void run(const QStringList& arguments)
    {
        const CliRun result = runCli(arguments, m_folder.path());
        ASSERT_TRUE(result.finished);
        ASSERT_EQ(result.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << result.standardError.toStdString();
    }

    Bytes convertKnown(int format, const QStringList& options)
    {
        run(QStringList { QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("known.bmp")),
                QStringLiteral("-o"), path("out.raw"), QStringLiteral("-f"), QString::number(format) }
            + KnownFrame + options);
        return readBytes(path("out.raw"));
    }

    QTemporaryDir m_folder;
};

// ---------------------------------------------------------------------------
// --byte-order little swaps the two bytes at the word offset of every record
// (or pixel); the one-byte formats stay as they are.

struct ByteOrderCase {
    int format;
    std::size_t recordWidth;
    int wordOffset; // -1: nothing to swap
};

void PrintTo(const ByteOrderCase& row, std::ostream* out)
{
    *out << ShortNames[row.format];
}

class ByteOrderTest : public FirmwareTest, public testing::WithParamInterface<ByteOrderCase> {};

TEST_P(ByteOrderTest, LittleSwapsTheWordOfEveryRecord)
{
    const ByteOrderCase& row = GetParam();
    const Bytes big = convertKnown(row.format, {});
    Bytes expected = big;
    ASSERT_EQ(expected.size() % row.recordWidth, 0u);
    for (std::size_t record = 0; row.wordOffset >= 0 && record < expected.size(); record += row.recordWidth)
        std::swap(expected[record + std::size_t(row.wordOffset)], expected[record + std::size_t(row.wordOffset) + 1]);
    EXPECT_EQ(row.wordOffset < 0, expected == big);
    const Bytes little = convertKnown(row.format, { QStringLiteral("--byte-order"), QStringLiteral("little") });
    EXPECT_EQ(firstDifference(little, expected), -1) << hexText(little) << "\n" << hexText(expected);
    EXPECT_EQ(convertKnown(row.format, { QStringLiteral("--byte-order"), QStringLiteral("big") }), big);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ByteOrderTest,
    testing::Values(ByteOrderCase { 0, 2, 0 }, ByteOrderCase { 1, 3, 0 }, ByteOrderCase { 2, 2, 0 },
        ByteOrderCase { 3, 2, 0 }, ByteOrderCase { 4, 2, 0 }, ByteOrderCase { 5, 1, -1 }, ByteOrderCase { 6, 2, -1 },
        ByteOrderCase { 7, 1, -1 }),
    [](const testing::TestParamInfo<ByteOrderCase>& info) { return std::string(ShortNames[info.param.format]); });

// ---------------------------------------------------------------------------
// convert --preview and decode give the same picture, byte for byte, in every
// format and byte order; outside samples show as the mask's colour.

class RoundTripTest : public FirmwareTest, public testing::WithParamInterface<std::tuple<int, const char*>> {};

TEST_P(RoundTripTest, DecodeEqualsThePreview)
{
    const auto [format, order] = GetParam();
    convertKnown(format, { QStringLiteral("--byte-order"), QString::fromLatin1(order), QStringLiteral("--preview"),
                             path("preview.png") });
    run({ QStringLiteral("decode"), path("out.raw"), QStringLiteral("-f"), QString::fromLatin1(ShortNames[format]),
        QStringLiteral("-W"), QStringLiteral("40"), QStringLiteral("-H"), QStringLiteral("30"),
        QStringLiteral("--byte-order"), QString::fromLatin1(order), QStringLiteral("-o"), path("decoded.png") });
    const Bytes preview = readBytes(path("preview.png"));
    ASSERT_FALSE(preview.empty());
    EXPECT_EQ(readBytes(path("decoded.png")), preview);

    const QImage picture(path("preview.png"));
    ASSERT_EQ(picture.size(), QSize(40, 30));
    // Column 40 samples x = 70, past the picture's 64 columns: the mask.
    const QRgb outside[8] = { qRgb(248, 252, 248), qRgb(248, 252, 248), qRgb(248, 240, 240), qRgb(240, 240, 240),
        qRgb(224, 224, 224), qRgb(224, 224, 192), qRgb(224, 224, 192), qRgb(248, 248, 248) };
    EXPECT_EQ(picture.pixel(39, 0), outside[format]);
    // (1, 1) samples known.bmp (31, 26), reduced.
    const reference::Rgb source = knownpictures::knownBmp().at(31, 26);
    const int kept[8][3] = { { 5, 6, 5 }, { 5, 6, 5 }, { 5, 4, 4 }, { 4, 4, 4 }, { 3, 3, 3 }, { 3, 3, 2 }, { 3, 3, 2 },
        { 8, 8, 8 } };
    const auto top = [](int channel, int bits) { return channel & (0xFF << (8 - bits)) & 0xFF; };
    const QRgb expected = format == 7 ? qRgb(8 * reference::greyLevel(source), 8 * reference::greyLevel(source),
                                            8 * reference::greyLevel(source))
                                      : qRgb(top(source.red, kept[format][0]), top(source.green, kept[format][1]),
                                            top(source.blue, kept[format][2]));
    EXPECT_EQ(picture.pixel(0, 0), expected);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RoundTripTest, testing::Combine(testing::Range(0, 8), testing::Values("big", "little")),
    [](const testing::TestParamInfo<RoundTripTest::ParamType>& info) {
        return std::string(ShortNames[std::get<0>(info.param)]) + "_" + std::get<1>(info.param);
    });

// ---------------------------------------------------------------------------
// Malformed raw files: exit 1, the file, the byte offset and the problem
// named, and nothing written.

struct MalformedCase {
    const char* name;
    const char* format;
    int width;
    int height;
    QByteArray bytes;
    const char* problem; // a piece of the message, offset included
};

void PrintTo(const MalformedCase& row, std::ostream* out)
{
    *out << row.name;
}

class MalformedTest : public FirmwareTest, public testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedTest, RefusedWithTheOffsetAndNothingWritten)
{
    const MalformedCase& row = GetParam();
    writeBytes(path("bad.raw"), row.bytes);
    writeBytes(path("earlier.png"), "earlier");
    const QStringList before = folderEntries(m_folder.path());
    const CliRun result = runCli({ QStringLiteral("decode"), path("bad.raw"), QStringLiteral("-f"),
                                     QString::fromLatin1(row.format), QStringLiteral("-W"), QString::number(row.width),
                                     QStringLiteral("-H"), QString::number(row.height), QStringLiteral("-o"),
                                     path("earlier.png") },
        m_folder.path());
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    const std::string message = result.standardError.toStdString();
    EXPECT_NE(message.find(path("bad.raw").toStdString()), std::string::npos) << message;
    EXPECT_NE(message.find(row.problem), std::string::npos) << message;
    EXPECT_EQ(folderEntries(m_folder.path()), before);
    EXPECT_EQ(readBytes(path("earlier.png")), Bytes({ 'e', 'a', 'r', 'l', 'i', 'e', 'r' }));
}

INSTANTIATE_TEST_SUITE_P(Files, MalformedTest,
    testing::Values(
        MalformedCase { "PlainShort", "rgb565", 2, 2, QByteArray(7, '\0'), "not exactly width x height pixels long (at byte 7); 2 x 2 pixels take 8 bytes" },
        MalformedCase { "PlainLong", "rgb332", 2, 2, QByteArray(5, '\0'), "(at byte 4)" },
        MalformedCase { "Empty", "rgb332x8", 3, 1, {}, "fewer pixels than width x height (at byte 0)" },
        MalformedCase { "ZeroRun", "rgb565x8", 2, 2, QByteArray("\xF8\x00\x02\xF8\x00\x00", 6), "run length 0 (at byte 3)" },
        MalformedCase { "TruncatedRecord", "rgb565x8", 2, 2, QByteArray("\xF8\x00\x02\xF8\x00", 5), "ends inside a run record (at byte 3)" },
        MalformedCase { "RunPastTheEnd", "rgb444x4", 2, 2, QByteArray("\xFF\x03\xFF\x02", 4), "more pixels than width x height (at byte 2)" },
        MalformedCase { "RunsShort", "y5x3", 2, 2, QByteArray("\xFB", 1), "fewer pixels than width x height (at byte 1)" },
        MalformedCase { "ZeroGreyRun", "y5x3", 2, 2, QByteArray("\xF8", 1), "run length 0 (at byte 0)" },
        // Far longer than any 2 x 1 file: refused at the first record past the pixels.
        MalformedCase { "HugeFile", "rgb333x7", 2, 1, QByteArray(100000, '\x01'), "more pixels than width x height (at byte 4)" }),
    [](const testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST_F(FirmwareTest, DecodeOfAMissingFileNamesIt)
{
    const CliRun result = runCli({ QStringLiteral("decode"), path("none.raw"), QStringLiteral("-f"), QStringLiteral("0"),
                                     QStringLiteral("-W"), QStringLiteral("2"), QStringLiteral("-H"), QStringLiteral("2"),
                                     QStringLiteral("-o"), path("out.png") },
        m_folder.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains(path("none.raw").toUtf8() + "\": the file does not exist"));
    EXPECT_TRUE(folderEntries(m_folder.path()).isEmpty());
}

// ---------------------------------------------------------------------------
// C headers compile warning-free as C99 and as C++17 and hold exactly the
// raw file's bytes.

struct CompilerCase {
    const char* name;
    const char* compiler;
    QStringList flags;
    const char* attribute;
};

void PrintTo(const CompilerCase& row, std::ostream* out)
{
    *out << row.name;
}

class CHeaderTest : public FirmwareTest, public testing::WithParamInterface<CompilerCase> {};

TEST_P(CHeaderTest, CompilesAndHoldsTheRawBytes)
{
    const CompilerCase& row = GetParam();
    const Bytes raw = convertKnown(1, { QStringLiteral("--byte-order"), QStringLiteral("little") });
    QStringList options { QStringLiteral("--byte-order"), QStringLiteral("little"), QStringLiteral("-o"),
        path("known.h"), QStringLiteral("--c-array"), QStringLiteral("known_image") };
    if (*row.attribute)
        options << QStringLiteral("--c-attribute") << QString::fromLatin1(row.attribute);
    convertKnown(1, options);
    writeBytes(path("main.c"),
        "#include <stdio.h>\n#include \"known.h\"\n"
        "int main(void)\n{\n"
        "    printf(\"%d %d %d %s %d %d\\n\", known_image_WIDTH, known_image_HEIGHT, known_image_FORMAT,\n"
        "        known_image_FORMAT_NAME, known_image_BIG_ENDIAN, known_image_LITTLE_ENDIAN);\n"
        "    return fwrite(known_image, 1, sizeof known_image, stdout) == known_image_SIZE ? 0 : 1;\n}\n");
    QProcess compiler;
    compiler.setWorkingDirectory(m_folder.path());
    compiler.start(QString::fromLatin1(row.compiler),
        row.flags + QStringList { QStringLiteral("-Wall"), QStringLiteral("-Wextra"), QStringLiteral("-pedantic"),
            QStringLiteral("-Werror"), QStringLiteral("main.c"), QStringLiteral("-o"), QStringLiteral("show") });
    ASSERT_TRUE(compiler.waitForFinished(60000));
    const QByteArray diagnostics = compiler.readAllStandardError();
    ASSERT_EQ(compiler.exitCode(), 0) << diagnostics.toStdString();
    EXPECT_TRUE(diagnostics.isEmpty()) << diagnostics.toStdString();

    QProcess program;
    program.start(path("show"), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    const QByteArray printed = program.readAllStandardOutput();
    const QByteArray firstLine = "40 30 1 RGB 5:6:5x8 0 1\n";
    ASSERT_TRUE(printed.startsWith(firstLine)) << printed.left(40).toStdString();
    EXPECT_EQ(Bytes(printed.begin() + firstLine.size(), printed.end()), raw);
}

INSTANTIATE_TEST_SUITE_P(Compilers, CHeaderTest,
    testing::Values(CompilerCase { "C99", RASTERKIT_C_COMPILER, { QStringLiteral("-std=c99") }, "" },
        CompilerCase { "Cxx17", RASTERKIT_CXX_COMPILER, { QStringLiteral("-std=c++17"), QStringLiteral("-xc++") }, "" },
        CompilerCase { "C99WithAttribute", RASTERKIT_C_COMPILER, { QStringLiteral("-std=c99") },
            "__attribute__((aligned(4)))" },
        CompilerCase { "Cxx17WithAttribute", RASTERKIT_CXX_COMPILER, { QStringLiteral("-std=c++17"), QStringLiteral("-xc++") },
            "__attribute__((aligned(4)))" }),
    [](const testing::TestParamInfo<CompilerCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Golden files, checked in and compared byte for byte.

struct GoldenCase {
    const char* name;
    QStringList arguments; // "OUT" stands for the file written
    const char* golden;    // in tests/data/golden
};

void PrintTo(const GoldenCase& row, std::ostream* out)
{
    *out << row.name;
}

class GoldenTest : public FirmwareTest, public testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenTest, SameBytes)
{
    const GoldenCase& row = GetParam();
    QStringList arguments = row.arguments;
    arguments.replaceInStrings(QStringLiteral("SMALL"), knownpictures::dataPath(QStringLiteral("small.bmp")));
    arguments << QStringLiteral("-o") << path("out");
    run(arguments);
    const Bytes expected = readBytes(knownpictures::dataPath(QStringLiteral("golden/") + QString::fromLatin1(row.golden)));
    ASSERT_FALSE(expected.empty()) << row.golden;
    const Bytes actual = readBytes(path("out"));
    EXPECT_EQ(firstDifference(actual, expected), -1) << hexText(actual) << "\n" << hexText(expected);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenTest,
    testing::Values(
        GoldenCase { "PatternRgb565", { "pattern", "-f", "rgb565", "-W", "16", "-H", "12" }, "pattern-rgb565-16x12.raw" },
        GoldenCase { "PatternRgb565x8Little", { "pattern", "-f", "1", "-W", "16", "-H", "12", "--byte-order", "little" },
            "pattern-rgb565x8-16x12-little.raw" },
        GoldenCase { "PatternY5x3", { "pattern", "-f", "Y 5x3", "-W", "16", "-H", "12" }, "pattern-y5x3-16x12.raw" },
        GoldenCase { "HeaderRgb444x4Little",
            { "convert", "SMALL", "-f", "3", "-W", "7", "-H", "5", "--origin", "-1,-1", "--byte-order", "little",
                "--c-array", "small_444", "--c-attribute", "PROGMEM", "-q" },
            "small-rgb444x4-little.h" },
        GoldenCase { "HeaderRgb332", { "convert", "SMALL", "-f", "rgb332", "-W", "7", "-H", "5", "--c-array", "_small", "-q" },
            "small-rgb332.h" },
        GoldenCase { "PatternMonoPages", { "pattern", "-f", "mono-pages", "-W", "16", "-H", "12" },
            "pattern-mono-pages-16x12.raw" },
        GoldenCase { "PatternGrey4Turned", { "pattern", "-f", "grey4", "-W", "16", "-H", "12", "--rotate", "90" },
            "pattern-grey4-16x12-turned.raw" },
        GoldenCase { "HeaderMonoInverted",
            { "convert", "SMALL", "-f", "mono", "-W", "7", "-H", "5", "--origin", "-1,-1", "--threshold", "100",
                "--invert", "--c-array", "small_mono", "-q" },
            "small-mono-inverted.h" },
        GoldenCase { "HeaderRgb565WordsTurnedBgr",
            { "convert", "SMALL", "-f", "rgb565", "-W", "7", "-H", "5", "--origin", "-1,-1", "--rotate", "90",
                "--colour-order", "bgr", "--c-array", "small_words", "--c-type", "uint16", "-q" },
            "small-rgb565-words-turned.h" }),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

// The pattern holds what it promises, read back through decode: the border,
// the gap, the corner mark, the bars and the ends of the grey ramp.
TEST_F(FirmwareTest, PatternShowsBorderMarkBarsAndRamps)
{
    run({ QStringLiteral("pattern"), QStringLiteral("-f"), QStringLiteral("0"), QStringLiteral("-o"), path("p.raw") });
    EXPECT_EQ(readBytes(path("p.raw")).size(), 320u * 240u * 2u); // the start-up size
    run({ QStringLiteral("decode"), path("p.raw"), QStringLiteral("-f"), QStringLiteral("0"), QStringLiteral("-W"),
        QStringLiteral("320"), QStringLiteral("-H"), QStringLiteral("240"), QStringLiteral("-o"), path("p.png") });
    const QImage picture(path("p.png"));
    ASSERT_EQ(picture.size(), QSize(320, 240));
    const QRgb white = qRgb(248, 252, 248);
    const struct {
        int x;
        int y;
        QRgb colour;
    } points[] = {
        { 0, 0, white }, { 319, 239, white }, { 160, 0, white }, { 0, 120, white }, // border
        { 1, 1, qRgb(0, 0, 0) }, { 318, 238, qRgb(0, 0, 0) },                       // gap
        { 2, 2, qRgb(248, 252, 0) }, { 2 + 2 * 39 - 1, 2 + 39 - 1, qRgb(248, 252, 0) }, // mark: 78 x 39
        { 2 + 78, 2, qRgb(248, 0, 0) }, { 2, 2 + 39, qRgb(248, 0, 0) },              // red bar around it
        { 100, 100, qRgb(0, 252, 0) }, { 180, 100, qRgb(0, 0, 248) }, { 300, 100, white },
        { 2, 120, qRgb(0, 0, 0) }, { 317, 120, white },                               // grey ramp ends
        { 2, 230, qRgb(248, 0, 0) }, { 317, 230, qRgb(248, 0, 0) },                   // hue ramp ends
    };
    for (const auto& point : points)
        EXPECT_EQ(picture.pixel(point.x, point.y), point.colour) << point.x << ", " << point.y;
}

// In a pipeline "-" reads standard input and writes standard output: the
// pattern piped into decode gives the picture that files give.
TEST_F(FirmwareTest, PatternIntoDecodeThroughAPipe)
{
    const QStringList size { QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("32"),
        QStringLiteral("-H"), QStringLiteral("24") };
    run(QStringList { QStringLiteral("pattern"), QStringLiteral("-o"), path("p.raw") } + size);
    run(QStringList { QStringLiteral("decode"), path("p.raw"), QStringLiteral("-o"), path("p.png") } + size);
    const CliRun piped = runCli({}, m_folder.path(), { { QStringLiteral("CLI"), QStringLiteral(RASTERKIT_CLI_PATH) } },
        [](QProcess& process) {
            process.setProgram(QStringLiteral("bash"));
            process.setArguments({ QStringLiteral("-c"),
                QStringLiteral(R"("$CLI" pattern -f 1 -W 32 -H 24 -o - | "$CLI" decode - -f 1 -W 32 -H 24 -o -)") });
        });
    ASSERT_EQ(piped.exitCode, 0) << piped.standardError.toStdString();
    EXPECT_EQ(Bytes(piped.standardOutput.begin(), piped.standardOutput.end()), readBytes(path("p.png")));
}

// --background sets the colour transparent pixels are blended over.
TEST_F(FirmwareTest, BackgroundColourOfTransparentPixels)
{
    const struct {
        QStringList option;
        Bytes firstPixel; // transparent.gif (0, 0), "RGB 5:6:5"
    } rows[] = {
        { {}, { 0xF7, 0x9E } },
        { { QStringLiteral("--background"), QStringLiteral("000000") }, { 0x00, 0x00 } },
        { { QStringLiteral("--background"), QStringLiteral("#ff0000") }, { 0xF8, 0x00 } },
        { { QStringLiteral("--background"), QStringLiteral("0000FF") }, { 0x00, 0x1F } },
    };
    for (const auto& row : rows) {
        run(QStringList { QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("transparent.gif")),
                QStringLiteral("-o"), path("t.raw"), QStringLiteral("--origin"), QStringLiteral("-1,-1"),
                QStringLiteral("-W"), QStringLiteral("4"), QStringLiteral("-H"), QStringLiteral("1"), QStringLiteral("-q") }
            + row.option);
        const Bytes bytes = readBytes(path("t.raw"));
        ASSERT_EQ(bytes.size(), 8u);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 2), row.firstPixel) << row.option.join(u' ').toStdString();
    }
}

} // namespace
