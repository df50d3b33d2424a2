// The indexed formats through rasterkit-cli: every format on a photo, a GIF
// and a BMP in every dither mode writes the file its layout gives for the
// palette it holds (checked against a model that reads the palette part and
// packs the preview's colours as indices), decode shows exactly the preview,
// and a frame of no more colours than the palette holds is the "RGB 5:6:5"
// picture exactly. --palette and its refusals, --shared-palette in a batch
// and its headers, the test pattern, and the quality floor on the
// repository's photos.

#include "clirunner.h"
#include "knownpictures.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

namespace {

using namespace Qt::StringLiterals;
using Bytes = std::vector<std::uint8_t>;

struct IndexedFormat {
    const char* shortName;
    int bits;
};

const IndexedFormat IndexedFormats[] = { { "i1", 1 }, { "i2", 2 }, { "i4", 4 }, { "i8", 8 } };
const char* const DitherModes[] = { "none", "ordered", "diffusion", "atkinson" };

struct PictureCase {
    const char* name;
    const char* file;
    int width;
    int height;
    const char* origin;
};

const PictureCase Pictures[] = {
    { "Photo", "photo.jpg", 48, 36, "20,10" },
    { "Gif", "known.gif", 50, 40, "-1,-1" }, // the whole picture: 16 colours
    { "Bmp", "known.bmp", 40, 30, "10,8" },
};

unsigned wordOf(QRgb colour)
{
    return unsigned(qRed(colour) >> 3) << 11 | unsigned(qGreen(colour) >> 2) << 5 | unsigned(qBlue(colour) >> 3);
}

// The model of an indexed file: the palette part's words, its entries in
// use (up to the last that is not 0, at least one), and the index rows.
struct IndexedFile {
    std::vector<unsigned> words;
    std::size_t inUse = 0;
};

IndexedFile paletteOf(const Bytes& bytes, int bits, bool little)
{
    IndexedFile file;
    for (int entry = 0; entry < (1 << bits); ++entry) {
        const unsigned first = bytes[std::size_t(2 * entry)];
        const unsigned second = bytes[std::size_t(2 * entry + 1)];
        file.words.push_back(little ? second << 8 | first : first << 8 | second);
        if (file.words.back() != 0 || entry == 0)
            file.inUse = std::size_t(entry) + 1;
    }
    return file;
}

// The index rows of a picture of palette colours, packed from the highest bits.
Bytes indexRowsOf(const QImage& picture, const std::vector<unsigned>& palette, int bits)
{
    const int stride = (picture.width() * bits + 7) / 8;
    Bytes rows(std::size_t(stride * picture.height()), 0);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const auto found = std::find(palette.begin(), palette.end(), wordOf(picture.pixel(x, y)));
            if (found == palette.end())
                return {};
            const int place = x * bits;
            rows[std::size_t(y * stride + place / 8)] |= std::uint8_t((found - palette.begin()) << (8 - bits - place % 8));
        }
    }
    return rows;
}

std::set<unsigned> wordsOf(const QImage& picture)
{
    std::set<unsigned> words;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            words.insert(wordOf(picture.pixel(x, y)));
    }
    return words;
}

class PaletteTest : public CliFolderTest {
protected:
    QImage image(const QString& name) const { return QImage(path(name)).convertToFormat(QImage::Format_RGB32); }
};

class IndexedFileTest : public PaletteTest,
                        public testing::WithParamInterface<std::tuple<PictureCase, IndexedFormat, const char*>> { };

TEST_P(IndexedFileTest, LayoutDecodeAndLosslessFrames)
{
    const auto& [picture, format, dither] = GetParam();
    // Every other row little-endian: the palette's words swap, the indices do not.
    const bool little = (format.bits + int(std::string(dither).size())) % 2 == 1;
    const QStringList frame { u"-W"_s, QString::number(picture.width), u"-H"_s, QString::number(picture.height),
        u"--origin"_s, QString::fromLatin1(picture.origin) };
    const QString input = knownpictures::dataPath(QString::fromLatin1(picture.file));
    const QString formatName = QString::fromLatin1(format.shortName);
    const QString byteOrder = little ? u"little"_s : u"big"_s;
    const CliRun converted = run(QStringList { u"convert"_s, input, u"-o"_s, path(u"out.raw"_s), u"-f"_s, formatName,
                                     u"--dither"_s, QString::fromLatin1(dither), u"--byte-order"_s, byteOrder,
                                     u"--preview"_s, path(u"preview.png"_s), u"-q"_s }
        + frame);
    ASSERT_EQ(converted.exitCode, 0) << converted.standardError.toStdString();
    const Bytes bytes = readBytes(path(u"out.raw"_s));
    const int paletteBytes = 2 << format.bits;
    const int stride = (picture.width * format.bits + 7) / 8;
    ASSERT_EQ(bytes.size(), std::size_t(paletteBytes + stride * picture.height));

    // The palette: its colours in use in ascending order of their words, 0s after.
    const IndexedFile file = paletteOf(bytes, format.bits, little);
    for (std::size_t entry = 1; entry < file.words.size(); ++entry) {
        if (entry < file.inUse)
            EXPECT_LT(file.words[entry - 1], file.words[entry]) << "entry " << entry;
        else
            EXPECT_EQ(file.words[entry], 0u) << "entry " << entry;
    }
    // The rows: each preview pixel's index into it.
    const QImage preview = image(u"preview.png"_s);
    ASSERT_EQ(preview.size(), QSize(picture.width, picture.height));
    const std::vector<unsigned> inUse(file.words.begin(), file.words.begin() + std::ptrdiff_t(file.inUse));
    EXPECT_EQ(wordsOf(preview).size(), file.inUse) << "every colour of the palette in use";
    const Bytes rows = indexRowsOf(preview, inUse, format.bits);
    ASSERT_FALSE(rows.empty()) << "a preview colour the palette does not hold";
    EXPECT_EQ(firstDifference(Bytes(bytes.begin() + paletteBytes, bytes.end()), rows), -1);

    const CliRun decoded = run({ u"decode"_s, path(u"out.raw"_s), u"-f"_s, formatName, u"-W"_s,
        QString::number(picture.width), u"-H"_s, QString::number(picture.height), u"--byte-order"_s, byteOrder, u"-o"_s,
        path(u"decoded.png"_s) });
    ASSERT_EQ(decoded.exitCode, 0) << decoded.standardError.toStdString();
    EXPECT_EQ(image(u"decoded.png"_s), preview);

    // A frame of at most 2^N 5:6:5 colours is kept exactly, in every mode.
    ASSERT_EQ(run(QStringList { u"convert"_s, input, u"-o"_s, path(u"plain.raw"_s), u"-f"_s, u"rgb565"_s, u"--preview"_s,
                      path(u"plain.png"_s), u"-q"_s }
                  + frame)
                  .exitCode,
        0);
    const QImage plain = image(u"plain.png"_s);
    if (wordsOf(plain).size() <= std::size_t(1) << format.bits) {
        EXPECT_EQ(preview, plain) << "lossless";
    }
}

INSTANTIATE_TEST_SUITE_P(FormatsPicturesAndDithers, IndexedFileTest,
    testing::Combine(testing::ValuesIn(Pictures), testing::ValuesIn(IndexedFormats), testing::ValuesIn(DitherModes)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).shortName + "_"
            + std::get<2>(info.param);
    });

// --palette FILE: a picture's colours or a raw file's palette part, used
// in their order; the files it refuses, naming them.
TEST_F(PaletteTest, GivenPaletteIsUsedAsItIs)
{
    const QString known = knownpictures::dataPath(u"known.gif"_s);
    const QString photo = knownpictures::dataPath(u"photo.jpg"_s);
    const QStringList frame { u"-W"_s, u"40"_s, u"-H"_s, u"30"_s };
    // The GIF's 16 colours are the palette of an "Index 4" photo.
    ASSERT_EQ(run(QStringList { u"convert"_s, known, u"-o"_s, path(u"own.raw"_s), u"-f"_s, u"i4"_s, u"-W"_s, u"50"_s,
                  u"-H"_s, u"40"_s, u"--origin"_s, u"-1,-1"_s, u"-q"_s })
                  .exitCode,
        0);
    const Bytes own = readBytes(path(u"own.raw"_s));
    for (const QString& palette : { known, path(u"own.raw"_s) }) {
        const CliRun converted = run(QStringList { u"convert"_s, photo, u"-o"_s, path(u"photo.raw"_s), u"-f"_s, u"i4"_s,
                                         u"--palette"_s, palette, u"--dither"_s, u"diffusion"_s, u"-q"_s }
            + frame);
        ASSERT_EQ(converted.exitCode, 0) << converted.standardError.toStdString();
        const Bytes bytes = readBytes(path(u"photo.raw"_s));
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 32), Bytes(own.begin(), own.begin() + 32)) << palette.toStdString();
    }
    // Little-endian: the raw palette is read in that order.
    ASSERT_EQ(run({ u"convert"_s, known, u"-o"_s, path(u"little.raw"_s), u"-f"_s, u"i4"_s, u"-W"_s, u"50"_s, u"-H"_s,
                  u"40"_s, u"--origin"_s, u"-1,-1"_s, u"--byte-order"_s, u"little"_s, u"-q"_s })
                  .exitCode,
        0);
    ASSERT_EQ(run(QStringList { u"convert"_s, photo, u"-o"_s, path(u"again.raw"_s), u"-f"_s, u"i4"_s, u"--palette"_s,
                      path(u"little.raw"_s), u"--byte-order"_s, u"little"_s, u"-q"_s }
                  + frame)
                  .exitCode,
        0);
    const Bytes again = readBytes(path(u"again.raw"_s));
    const Bytes little = readBytes(path(u"little.raw"_s));
    EXPECT_EQ(Bytes(again.begin(), again.begin() + 32), Bytes(little.begin(), little.begin() + 32));
}

struct RefusedPalette {
    const char* name;
    const char* format;
    const char* palette; // a file in tests/data, or in the test's folder when it starts with '+'
    const char* message;
};

void PrintTo(const RefusedPalette& row, std::ostream* out)
{
    *out << row.name;
}

class RefusedPaletteTest : public PaletteTest, public testing::WithParamInterface<RefusedPalette> { };

TEST_P(RefusedPaletteTest, ExitsOneNamingTheFile)
{
    const RefusedPalette& row = GetParam();
    writeBytes(path(u"short.raw"_s), QByteArray(31, '\x01'));
    const QString palette = row.palette[0] == '+' ? path(QString::fromLatin1(row.palette + 1))
                                                  : knownpictures::dataPath(QString::fromLatin1(row.palette));
    const QString message = QString::fromUtf8(row.message).arg(QFileInfo(palette).absoluteFilePath());
    const QStringList options { u"-f"_s, QString::fromLatin1(row.format), u"--palette"_s, palette };
    const CliRun converted = run(QStringList { u"convert"_s, knownpictures::dataPath(u"known.bmp"_s), u"-o"_s,
                                     path(u"out.raw"_s) }
        + options);
    EXPECT_EQ(converted.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(converted.standardError).trimmed(), u"rasterkit-cli: "_s + message);
    EXPECT_FALSE(QFileInfo::exists(path(u"out.raw"_s)));
    const CliRun decoded = run(QStringList { u"decode"_s, path(u"short.raw"_s), u"-W"_s, u"2"_s, u"-H"_s, u"2"_s,
                                   u"-o"_s, path(u"out.png"_s) }
        + options);
    EXPECT_EQ(decoded.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(decoded.standardError).trimmed(), u"rasterkit-cli: "_s + message);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedPaletteTest,
    testing::Values(RefusedPalette { "TooManyColours", "i4", "known.bmp",
                        "Cannot use \"%1\" as the palette: it holds 1342 colours; i4 holds 16." },
        RefusedPalette { "SixteenForFour", "i2", "known.gif", "Cannot use \"%1\" as the palette: it holds 16 colours; i2 holds 4." },
        RefusedPalette { "Missing", "i8", "absent.raw", "Cannot open the palette \"%1\": the file does not exist." },
        RefusedPalette { "Folder", "i8", "jpeg", "Cannot open the palette \"%1\": it is a folder, not a file." },
        RefusedPalette { "RawTooShort", "i4", "+short.raw",
            "Cannot use \"%1\" as the palette: it is not a picture, and at 31 bytes too short for a raw file of "
            "\"Index 4\", whose palette takes 32 bytes." }),
    [](const testing::TestParamInfo<RefusedPalette>& info) { return std::string(info.param.name); });

// --shared-palette: one palette.raw (or palette.h), each picture its index
// rows alone: exactly the rows of converting it on its own with that
// palette, and decode --palette shows its preview.
TEST_F(PaletteTest, SharedPaletteInABatch)
{
    const QStringList inputs { knownpictures::dataPath(u"photo.jpg"_s), knownpictures::dataPath(u"known.gif"_s),
        knownpictures::dataPath(u"small.bmp"_s) };
    const QStringList options { u"-f"_s, u"i4"_s, u"-W"_s, u"24"_s, u"-H"_s, u"18"_s, u"--byte-order"_s, u"little"_s,
        u"--dither"_s, u"ordered"_s };
    const CliRun batch = run(QStringList { u"convert"_s } + inputs
        + QStringList { u"-o"_s, path(u"out/"_s), u"--shared-palette"_s, u"-j"_s, u"2"_s } + options);
    ASSERT_EQ(batch.exitCode, 0) << batch.standardError.toStdString();
    EXPECT_EQ(folderEntries(path(u"out"_s)), (QStringList { u"known.raw"_s, u"palette.raw"_s, u"photo.raw"_s, u"small.raw"_s }));
    EXPECT_EQ(readBytes(path(u"out/palette.raw"_s)).size(), 32u);
    for (const QString& input : inputs) {
        const QString stem = QFileInfo(input).completeBaseName();
        const Bytes rows = readBytes(path(u"out/%1.raw"_s.arg(stem)));
        ASSERT_EQ(rows.size(), 12u * 18u);
        ASSERT_EQ(run(QStringList { u"convert"_s, input, u"-o"_s, path(u"alone.raw"_s), u"--palette"_s,
                          path(u"out/palette.raw"_s), u"--preview"_s, path(u"alone.png"_s), u"-q"_s }
                      + options)
                      .exitCode,
            0);
        const Bytes alone = readBytes(path(u"alone.raw"_s));
        EXPECT_EQ(Bytes(alone.begin() + 32, alone.end()), rows) << stem.toStdString();
        EXPECT_EQ(Bytes(alone.begin(), alone.begin() + 32), readBytes(path(u"out/palette.raw"_s)));
        const CliRun decoded = run({ u"decode"_s, path(u"out/%1.raw"_s.arg(stem)), u"-f"_s, u"i4"_s, u"-W"_s, u"24"_s,
            u"-H"_s, u"18"_s, u"--byte-order"_s, u"little"_s, u"--palette"_s, path(u"out/palette.raw"_s), u"-o"_s,
            path(u"decoded.png"_s) });
        ASSERT_EQ(decoded.exitCode, 0) << decoded.standardError.toStdString();
        EXPECT_EQ(image(u"decoded.png"_s), image(u"alone.png"_s)) << stem.toStdString();
    }

    // Headers: palette.h with the palette's array, the pictures' rows
    // naming it; they compile together.
    const CliRun headers = run(QStringList { u"convert"_s } + inputs
        + QStringList { u"-o"_s, path(u"headers/"_s), u"--shared-palette"_s, u"--c-array"_s, u"pic"_s } + options);
    ASSERT_EQ(headers.exitCode, 0) << headers.standardError.toStdString();
    writeBytes(path(u"headers/main.c"_s),
        "#include \"palette.h\"\n#include \"photo.h\"\n#include \"known.h\"\n"
        "typedef char palette_size[sizeof pic_palette == 2 * pic_palette_PALETTE_ENTRIES ? 1 : -1];\n"
        "typedef char rows_alone[pic_photo_INDEX_OFFSET == 0 && pic_photo_PALETTE_ENTRIES == 16 ? 1 : -1];\n"
        "typedef char rows_size[sizeof pic_known == pic_known_STRIDE * pic_known_HEIGHT ? 1 : -1];\n"
        "int main(void) { return pic_palette[0] + pic_photo[0] + pic_known[0] > 1000; }\n");
    QProcess compiler;
    compiler.setWorkingDirectory(path(u"headers"_s));
    compiler.start(QStringLiteral(RASTERKIT_C_COMPILER),
        { u"-std=c99"_s, u"-Wall"_s, u"-Wextra"_s, u"-pedantic"_s, u"-Werror"_s, u"-Wno-unused-local-typedefs"_s,
            u"-c"_s, u"main.c"_s, u"-o"_s, u"main.o"_s });
    ASSERT_TRUE(compiler.waitForFinished(60000));
    EXPECT_EQ(compiler.exitCode(), 0) << compiler.readAllStandardError().toStdString();
    const QString photoHeader = QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(readBytes(path(u"headers/photo.h"_s)).data()), 200));
    EXPECT_TRUE(photoHeader.contains(u"The index rows alone"_s)) << photoHeader.toStdString();
}

struct RefusedSharing {
    const char* name;
    QStringList arguments; // after "convert"; IN: names a picture of tests/data, OUT a file in the test's folder
    const char* message;
};

void PrintTo(const RefusedSharing& row, std::ostream* out)
{
    *out << row.name;
}

class RefusedSharingTest : public PaletteTest, public testing::WithParamInterface<RefusedSharing> { };

// Refused before anything is read or written, with --check alike.
TEST_P(RefusedSharingTest, ExitsTwo)
{
    const RefusedSharing& row = GetParam();
    // A picture whose file would be written where the palette goes.
    QTemporaryDir pictures;
    QFile::copy(knownpictures::dataPath(u"known.gif"_s), pictures.filePath(u"palette.gif"_s));
    QStringList arguments;
    for (const QString& argument : row.arguments) {
        if (argument == u"PALETTE.GIF"_s)
            arguments << pictures.filePath(u"palette.gif"_s);
        else if (argument.startsWith(u"IN:"_s))
            arguments << knownpictures::dataPath(argument.mid(3));
        else if (argument.startsWith(u"OUT"_s))
            arguments << path(argument.mid(3));
        else
            arguments << argument;
    }
    for (const bool check : { false, true }) {
        const CliRun result = run(QStringList { u"convert"_s } + (check ? QStringList { u"--check"_s } : QStringList {}) + arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(QString::fromUtf8(result.standardError).contains(QString::fromUtf8(row.message)))
            << result.standardError.toStdString();
    }
    EXPECT_TRUE(folderEntries(m_folder.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, RefusedSharingTest,
    testing::Values(RefusedSharing { "OnePicture", { "IN:photo.jpg", "-o", "OUTone.raw", "-f", "i4", "--shared-palette" },
                        "--shared-palette needs several pictures converted into a folder (-o FOLDER/): this call converts 1." },
        RefusedSharing { "OnePictureIntoAFolder", { "IN:photo.jpg", "-o", "OUTout/", "-f", "i4", "--shared-palette" },
            "--shared-palette needs several pictures" },
        RefusedSharing { "NotIndexed", { "IN:photo.jpg", "IN:known.gif", "-o", "OUTout/", "-f", "rgb565x8", "--shared-palette" },
            "--shared-palette does not apply to \"RGB 5:6:5x8\": it is for the indexed formats (i1, i2, i4 and i8)." },
        RefusedSharing { "PictureNamedPalette", { "IN:photo.jpg", "PALETTE.GIF", "-o", "OUTout/", "-f", "i8", "--shared-palette" },
            "where --shared-palette writes the palette: rename it or convert it in another call." }),
    [](const testing::TestParamInfo<RefusedSharing>& info) { return std::string(info.param.name); });

// The test pattern in every indexed format decodes to its bars exactly in
// "Index 4" and "Index 8" (red, green, blue and white across the upper half).
TEST_F(PaletteTest, PatternBarsAreExact)
{
    for (const IndexedFormat& format : IndexedFormats) {
        const QString name = QString::fromLatin1(format.shortName);
        ASSERT_EQ(run({ u"pattern"_s, u"-f"_s, name, u"-W"_s, u"84"_s, u"-H"_s, u"44"_s, u"-o"_s, path(u"p.raw"_s) }).exitCode, 0);
        EXPECT_EQ(readBytes(path(u"p.raw"_s)).size(), std::size_t((2 << format.bits) + (84 * format.bits + 7) / 8 * 44));
        ASSERT_EQ(run({ u"decode"_s, path(u"p.raw"_s), u"-f"_s, name, u"-W"_s, u"84"_s, u"-H"_s, u"44"_s, u"-o"_s,
                      path(u"p.png"_s) })
                      .exitCode,
            0);
        if (format.bits < 4)
            continue;
        const QImage pattern = image(u"p.png"_s);
        const QRgb bars[] = { qRgb(0xF8, 0, 0), qRgb(0, 0xFC, 0), qRgb(0, 0, 0xF8), qRgb(0xF8, 0xFC, 0xF8) };
        for (int bar = 0; bar < 4; ++bar)
            EXPECT_EQ(pattern.pixel(2 + 10 + 20 * bar, 2 + 15), bars[bar]) << name.toStdString() << " bar " << bar;
        EXPECT_EQ(pattern.pixel(0, 0), qRgb(0xF8, 0xFC, 0xF8));
        EXPECT_EQ(pattern.pixel(3, 3), qRgb(0xF8, 0xFC, 0)); // the yellow mark
    }
}

// The palettes chosen for the repository's photos are at least as close
// as ImageMagick's (-colors N +dither, reduced to 5:6:5 alike): its figures,
// measured by bench/palette-quality.sh, are the floor.
TEST_F(PaletteTest, PhotosScoreAtLeastImageMagicksPsnr)
{
    const struct {
        const char* file;
        int width;
        int height;
        double index8;
        double index4;
    } photos[] = {
        { "photo.jpg", 200, 150, 29.50, 21.50 },
        { "jpeg/baseline-444.jpg", 97, 61, 29.13, 19.52 },
        { "jpeg/grey.jpg", 97, 61, 36.67, 29.20 },
        { "jpeg/progressive-first-scans.jpg", 97, 61, 31.90, 23.07 },
    };
    for (const auto& photo : photos) {
        const CliRun compared = run({ u"compare"_s, knownpictures::dataPath(QString::fromLatin1(photo.file)), u"-W"_s,
            QString::number(photo.width), u"-H"_s, QString::number(photo.height), u"--formats"_s, u"i8,i4"_s, u"--json"_s });
        ASSERT_EQ(compared.exitCode, 0) << compared.standardError.toStdString();
        const QJsonArray rows = QJsonDocument::fromJson(compared.standardOutput).array();
        ASSERT_EQ(rows.size(), 2);
        EXPECT_GE(rows[0].toObject()[u"psnr"_s].toDouble(), photo.index8) << photo.file;
        EXPECT_GE(rows[1].toObject()[u"psnr"_s].toDouble(), photo.index4) << photo.file;
    }
}

} // namespace
