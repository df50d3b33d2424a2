// Animated GIFs through rasterkit-cli. The GIFs in tests/data/animations
// were made with ImageMagick, which also composed every frame of them
// (-coalesce: NAME-NNN.png) and listed their delays (NAME.delays): each
// frame convert --frames writes must be the conversion of ImageMagick's
// frame, byte for byte, in whole frames and in the animation file; the
// file's delays are ImageMagick's, and its frames of what changed (--delta)
// rebuild the whole frames exactly when decode --frames draws them.

#include "clirunner.h"
#include "knownpictures.h"

#include "convert/animation.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using namespace rasterkit;
using Bytes = std::vector<std::uint8_t>;

QString animationPath(const QString& name)
{
    return knownpictures::dataPath(u"animations/"_s + name);
}

// ImageMagick's delays of the GIF, in hundredths, one a line.
std::vector<int> delaysOf(const QString& gif)
{
    QFile file(animationPath(gif + u".delays"_s));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << gif.toStdString();
    std::vector<int> delays;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            delays.push_back(line.trimmed().toInt());
    }
    return delays;
}

struct FramesCase {
    const char* name;
    const char* gif; // in tests/data/animations, without ".gif"
    int loops;       // as browsers and ImageMagick count them
    QStringList options;
};

std::ostream& operator<<(std::ostream& out, const FramesCase& row)
{
    return out << row.name;
}

class FramesTest : public CliFolderTest, public testing::WithParamInterface<FramesCase> { };

TEST_P(FramesTest, EveryFrameIsTheConversionOfImageMagicksFrame)
{
    const FramesCase& row = GetParam();
    const QString gif = QString::fromLatin1(row.gif);
    const QString input = animationPath(gif + u".gif"_s);
    runSuccessfully(QStringList { u"convert"_s, input, u"--frames"_s, u"-o"_s, path(u"whole/"_s), u"-q"_s } + row.options);
    runSuccessfully(QStringList { u"convert"_s, input, u"--frames"_s, u"-o"_s, path(u"whole.rkan"_s), u"-q"_s } + row.options);
    runSuccessfully(QStringList { u"convert"_s, input, u"--frames"_s, u"--delta"_s, u"-o"_s, path(u"delta.rkan"_s),
                        u"-q"_s }
        + row.options);

    const std::vector<int> delays = delaysOf(gif);
    const Bytes wholeFile = readBytes(path(u"whole.rkan"_s));
    std::vector<Bytes> recorded;
    const AnimationReadResult read = readAnimation(wholeFile,
        [&recorded](int, const AnimationFrame&, std::span<const std::uint8_t> data, const PixelGrid&) {
            recorded.emplace_back(data.begin(), data.end());
            return true;
        });
    ASSERT_TRUE(read.ok()) << read.message();
    ASSERT_EQ(read.animation.frames.size(), delays.size());
    EXPECT_EQ(read.animation.loops, row.loops);
    for (std::size_t index = 0; index < delays.size(); ++index) {
        const QString frame = u"%1-%2"_s.arg(gif).arg(index, 3, 10, QLatin1Char('0'));
        runSuccessfully(QStringList { u"convert"_s, animationPath(frame + u".png"_s), u"-o"_s, path(frame + u".raw"_s),
                            u"-q"_s }
            + row.options);
        const Bytes expected = readBytes(path(frame + u".raw"_s));
        const Bytes whole = readBytes(path(u"whole/%1_%2.raw"_s.arg(gif).arg(index, 3, 10, QLatin1Char('0'))));
        EXPECT_EQ(whole, expected) << "frame " << index << " differs at byte " << firstDifference(whole, expected);
        EXPECT_EQ(recorded[index], expected) << "frame " << index << " of the animation file";
        EXPECT_EQ(read.animation.frames[index].delay, delays[index] <= 1 ? 100 : 10 * delays[index]) << index;
    }

    // The frames of what changed leave the screen the whole frames leave.
    QStringList order;
    if (const qsizetype at = row.options.indexOf(u"--byte-order"_s); at >= 0)
        order = row.options.mid(at, 2);
    runSuccessfully(QStringList { u"decode"_s, u"--frames"_s, path(u"whole.rkan"_s), u"-o"_s, path(u"shown-whole/"_s) } + order);
    runSuccessfully(QStringList { u"decode"_s, u"--frames"_s, path(u"delta.rkan"_s), u"-o"_s, path(u"shown-delta/"_s) } + order);
    for (std::size_t index = 0; index < delays.size(); ++index) {
        const QImage whole(path(u"shown-whole/whole_%1.png"_s.arg(index, 3, 10, QLatin1Char('0'))));
        const QImage delta(path(u"shown-delta/delta_%1.png"_s.arg(index, 3, 10, QLatin1Char('0'))));
        ASSERT_FALSE(whole.isNull());
        EXPECT_EQ(delta, whole) << "frame " << index;
    }
    EXPECT_LT(readBytes(path(u"delta.rkan"_s)).size(), wholeFile.size());
}

const FramesCase FramesCases[] = {
    { "DisposalsRgb565", "disposals", 3, { u"-f"_s, u"rgb565"_s, u"-W"_s, u"40"_s, u"-H"_s, u"30"_s } },
    { "DisposalsIndex4Diffused", "disposals", 3,
        { u"-f"_s, u"i4"_s, u"-W"_s, u"40"_s, u"-H"_s, u"30"_s, u"--dither"_s, u"diffusion"_s } },
    { "DisposalsRgb565x8LittleEndianCentred", "disposals", 3,
        { u"-f"_s, u"rgb565x8"_s, u"-W"_s, u"32"_s, u"-H"_s, u"20"_s, u"--center"_s, u"20,15"_s, u"--byte-order"_s,
            u"little"_s } },
    { "PalettesInterlacedRgb565x8Box", "palettes", 0,
        { u"-f"_s, u"rgb565x8"_s, u"-W"_s, u"16"_s, u"-H"_s, u"12"_s, u"-s"_s, u"2"_s, u"--filter"_s, u"box"_s } },
    { "PalettesGrey4Turned", "palettes", 0,
        { u"-f"_s, u"grey4"_s, u"-W"_s, u"32"_s, u"-H"_s, u"24"_s, u"--rotate"_s, u"90"_s } },
    { "TransparentRgb565a8", "transparent", 0, { u"-f"_s, u"rgb565a8"_s, u"-W"_s, u"24"_s, u"-H"_s, u"24"_s } },
    { "TransparentMonoPagesOverBlack", "transparent", 0,
        { u"-f"_s, u"mono-pages"_s, u"-W"_s, u"24"_s, u"-H"_s, u"24"_s, u"--background"_s, u"000000"_s } },
    { "TransparentKey", "transparent", 0,
        { u"-f"_s, u"rgb565"_s, u"-W"_s, u"24"_s, u"-H"_s, u"24"_s, u"--transparent-key"_s, u"FF00FF"_s } },
    { "SpinnerY5x3", "spinner", 0, { u"-f"_s, u"y5x3"_s, u"-W"_s, u"48"_s, u"-H"_s, u"48"_s } },
    { "SpinnerA8", "spinner", 0, { u"-f"_s, u"a8"_s, u"-W"_s, u"48"_s, u"-H"_s, u"48"_s } },
};

INSTANTIATE_TEST_SUITE_P(Animations, FramesTest, testing::ValuesIn(FramesCases),
    [](const testing::TestParamInfo<FramesCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Bad animations and options: a clear message, the exit status, and nothing
// written.

struct RefusalCase {
    const char* name;
    QStringList arguments; // OUT stands for the output's path
    int exitCode;
    const char* message;   // in standard error
};

std::ostream& operator<<(std::ostream& out, const RefusalCase& row)
{
    return out << row.name;
}

class RefusalTest : public CliFolderTest, public testing::WithParamInterface<RefusalCase> { };

TEST_P(RefusalTest, IsRefusedAndWritesNothing)
{
    const RefusalCase& row = GetParam();
    // A damaged animation file: the spinner's, cut inside its last frame.
    runSuccessfully({ u"convert"_s, animationPath(u"spinner.gif"_s), u"--frames"_s, u"--delta"_s, u"-o"_s,
        path(u"spinner.rkan"_s), u"-q"_s });
    Bytes spinner = readBytes(path(u"spinner.rkan"_s));
    spinner.resize(spinner.size() - 3);
    writeBytes(path(u"cut.rkan"_s), QByteArray(reinterpret_cast<const char*>(spinner.data()), qsizetype(spinner.size())));
    const QStringList before = folderEntries(m_folder.path());

    QStringList arguments;
    for (const QString& argument : row.arguments) {
        QString given = argument;
        given.replace(u"DATA/"_s, animationPath({}));
        given.replace(u"OUT"_s, path(u"out"_s));
        arguments << given;
    }
    const CliRun result = run(arguments);
    EXPECT_EQ(result.exitCode, row.exitCode) << result.standardError.toStdString();
    EXPECT_TRUE(result.standardError.contains(row.message)) << result.standardError.toStdString();
    EXPECT_EQ(folderEntries(m_folder.path()), before);
}

const RefusalCase RefusalCases[] = {
    { "FrameOutsideTheScreen", { u"convert"_s, u"DATA/outside.gif"_s, u"--frames"_s, u"-o"_s, u"OUT/"_s }, 1,
        "frame 2 does not lie inside the animation's screen (its 12 x 8 pixels at 35,10" },
    { "LaterFrameCut", { u"convert"_s, u"DATA/cut-later.gif"_s, u"--frames"_s, u"-o"_s, u"OUT"_s }, 1,
        "frame 6 is damaged (the file ends inside it)" },
    { "LaterFrameOfBadCodes", { u"convert"_s, u"DATA/bad-codes.gif"_s, u"--frames"_s, u"--delta"_s, u"-o"_s, u"OUT"_s },
        1, "frame 3 is damaged" },
    { "FramesPastOneGibibyte", { u"convert"_s, u"DATA/many-frames.gif"_s, u"--frames"_s, u"-o"_s, u"OUT"_s }, 1,
        "its 17 frames would take more than 1 GiB decoded" },
    { "DeltaWithoutFrames", { u"convert"_s, u"DATA/spinner.gif"_s, u"--delta"_s, u"-o"_s, u"OUT"_s }, 2,
        "--delta needs --frames" },
    { "DeltaIntoAFolder", { u"convert"_s, u"DATA/spinner.gif"_s, u"--frames"_s, u"--delta"_s, u"-o"_s, u"OUT/"_s }, 2,
        "--delta is for an animation file" },
    { "RunsInsideLittleEndianWords",
        { u"convert"_s, u"DATA/spinner.gif"_s, u"--frames"_s, u"-f"_s, u"rgb544x3"_s, u"--byte-order"_s, u"little"_s,
            u"-o"_s, u"OUT"_s },
        2, "its run lengths lie inside its 16-bit words" },
    { "PreviewWithFrames", { u"convert"_s, u"DATA/spinner.gif"_s, u"--frames"_s, u"-o"_s, u"OUT"_s, u"--preview"_s,
                               u"OUT.png"_s },
        2, "--preview does not apply with --frames" },
    { "CutAnimationFile", { u"decode"_s, u"--frames"_s, u"cut.rkan"_s, u"-o"_s, u"OUT/"_s, u"--sheet"_s, u"OUT.png"_s },
        1, "frame 11: the file ends inside the frame's data" },
    { "NotAnAnimationFile", { u"decode"_s, u"--frames"_s, u"DATA/spinner.gif"_s, u"-o"_s, u"OUT/"_s }, 1,
        "it is not an animation file" },
    { "SizeGivenToDecodeFrames", { u"decode"_s, u"--frames"_s, u"cut.rkan"_s, u"-W"_s, u"4"_s, u"-o"_s, u"OUT/"_s }, 2,
        "-W does not apply with --frames" },
    { "PlanFramesIntoCMake", { u"plan"_s, u"DATA/spinner.gif"_s, u"--frames"_s, u"--budget"_s, u"1MiB"_s,
                                 u"--cmake"_s, u"OUT.cmake"_s },
        2, "--cmake does not apply with --frames" },
};

INSTANTIATE_TEST_SUITE_P(Animations, RefusalTest, testing::ValuesIn(RefusalCases),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The rest of a user's path: a still picture, the C array, the contact
// sheet, and compare's bytes.

class AnimationPathTest : public CliFolderTest { };

TEST_F(AnimationPathTest, StillPictureIsOneFrameAndSaysSo)
{
    const CliRun result = runSuccessfully({ u"convert"_s, knownpictures::dataPath(u"small.bmp"_s), u"--frames"_s,
        u"-o"_s, path(u"still/"_s), u"-W"_s, u"8"_s, u"-H"_s, u"8"_s });
    EXPECT_TRUE(result.standardError.contains("is a still picture: it is converted as one frame"));
    runSuccessfully({ u"convert"_s, knownpictures::dataPath(u"small.bmp"_s), u"-o"_s, path(u"still.raw"_s), u"-W"_s,
        u"8"_s, u"-H"_s, u"8"_s, u"-q"_s });
    EXPECT_EQ(folderEntries(path(u"still"_s)), QStringList { u"small_000.raw"_s });
    EXPECT_EQ(readBytes(path(u"still/small_000.raw"_s)), readBytes(path(u"still.raw"_s)));
}

TEST_F(AnimationPathTest, CArrayHoldsTheAnimationFile)
{
    const QStringList frame { u"-f"_s, u"rgb565x8"_s, u"-W"_s, u"40"_s, u"-H"_s, u"30"_s, u"-q"_s };
    runSuccessfully(QStringList { u"convert"_s, animationPath(u"disposals.gif"_s), u"--frames"_s, u"-o"_s,
                        path(u"anim.rkan"_s) }
        + frame);
    runSuccessfully(QStringList { u"convert"_s, animationPath(u"disposals.gif"_s), u"--frames"_s, u"-o"_s,
                        path(u"anim.h"_s), u"--c-array"_s, u"spin"_s }
        + frame);
    QFile header(path(u"anim.h"_s));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const QByteArray text = header.readAll();
    const QByteArray size = QByteArray::number(qsizetype(readBytes(path(u"anim.rkan"_s)).size()));
    for (const QByteArray& macro : { "#define spin_FRAME_COUNT 7\n"_ba, "#define spin_LOOPS 3\n"_ba,
             "#define spin_WIDTH 40\n"_ba, "#define spin_HEIGHT 30\n"_ba, "#define spin_SIZE "_ba + size + "\n"_ba,
             "static const unsigned char spin[spin_SIZE] = {\n    0x52, 0x4B, 0x41, 0x4E, 0x01, 0x01,"_ba }) {
        EXPECT_TRUE(text.contains(macro)) << macro.toStdString() << "\n" << text.left(900).toStdString();
    }
}

TEST_F(AnimationPathTest, SheetShowsEveryFrame)
{
    runSuccessfully({ u"convert"_s, animationPath(u"spinner.gif"_s), u"--frames"_s, u"--delta"_s, u"-o"_s,
        path(u"spinner.rkan"_s), u"-W"_s, u"48"_s, u"-H"_s, u"48"_s, u"-q"_s });
    runSuccessfully({ u"decode"_s, u"--frames"_s, path(u"spinner.rkan"_s), u"-o"_s, path(u"frames/"_s), u"--sheet"_s,
        path(u"sheet.png"_s) });
    const QImage sheet(path(u"sheet.png"_s));
    ASSERT_FALSE(sheet.isNull());
    // Eight frames a row: two rows of 48-pixel frames under their labels.
    EXPECT_GE(sheet.width(), 8 * 48);
    EXPECT_GE(sheet.height(), 2 * 48);
    const QImage last(path(u"frames/spinner_011.png"_s));
    ASSERT_EQ(last.size(), QSize(48, 48));
    // The last frame appears on the sheet as it is.
    bool found = false;
    const QImage sheetPixels = sheet.convertToFormat(QImage::Format_RGB32);
    const QImage lastPixels = last.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + 48 <= sheet.height() && !found; ++y) {
        for (int x = 0; x + 48 <= sheet.width() && !found; ++x)
            found = sheetPixels.copy(x, y, 48, 48) == lastPixels;
    }
    EXPECT_TRUE(found);
}

// compare --frames: each row's bytes are the frames' bytes convert writes,
// whole or as what changed.
TEST_F(AnimationPathTest, CompareCountsEveryFrame)
{
    const QStringList frame { u"-W"_s, u"40"_s, u"-H"_s, u"30"_s };
    for (const bool delta : { false, true }) {
        for (const QString& format : { u"rgb565x8"_s, u"i2"_s }) {
            const QString file = path(u"%1-%2.rkan"_s.arg(format).arg(delta));
            QStringList convert { u"convert"_s, animationPath(u"disposals.gif"_s), u"--frames"_s, u"-o"_s, file,
                u"-f"_s, format, u"-q"_s };
            QStringList compare { u"compare"_s, animationPath(u"disposals.gif"_s), u"--frames"_s, u"--formats"_s,
                format, u"--json"_s };
            if (delta) {
                convert << u"--delta"_s;
                compare << u"--delta"_s;
            }
            runSuccessfully(convert + frame);
            const CliRun measured = runSuccessfully(compare + frame);
            const QJsonArray rows = QJsonDocument::fromJson(measured.standardOutput).array();
            ASSERT_EQ(rows.size(), 1);
            const AnimationReadResult read = readAnimation(readBytes(file));
            ASSERT_TRUE(read.ok());
            const qint64 frames = qint64(read.animation.frames.size());
            const qint64 dataBytes = qint64(readBytes(file).size()) - 16 - 16 * frames;
            EXPECT_EQ(rows.at(0).toObject().value(u"bytes"_s).toInteger(), dataBytes) << format.toStdString() << delta;
        }
    }
}

} // namespace
