// Every format with the panel options (--rotate, --mirror, --colour-order,
// --threshold, --invert) on real pictures, at frames inside, across the
// edges and outside: the bytes are the independent reference's, and decode
// of the file shows exactly the preview convert wrote beside it.

#include "clirunner.h"
#include "knownpictures.h"
#include "reference.h"

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using namespace Qt::StringLiterals;

constexpr int FormatCount = 16;
const char* const ShortNames[FormatCount] = { "rgb565", "rgb565x8", "rgb544x3", "rgb444x4", "rgb333x7", "rgb332",
    "rgb332x8", "y5x3", "mono", "mono-lsb", "mono-pages", "grey2", "grey4", "grey8", "rgb666", "rgb888" };

bool isMono(int format)
{
    return format >= reference::Mono && format <= reference::MonoPages;
}

bool isGrey(int format)
{
    return format == reference::Y5x3 || (format >= reference::Mono && format <= reference::Grey8);
}

struct PanelCase {
    const char* name;
    reference::Picture (*picture)();
    const char* file;
    reference::Frame frame;
    reference::Options options; // bgr and threshold/invert apply only where the format takes them
};

reference::Picture photo()
{
    QImageReader reader(knownpictures::dataPath(u"photo.jpg"_s));
    reader.setAutoTransform(false);
    return reference::fromImage(reader.read());
}

const PanelCase PanelCases[] = {
    { "PhotoInsideAsItIs", photo, "photo.jpg", { 37, 21, 1.5, 20, 10 }, {} },
    { "PhotoTurned90MirroredBgr", photo, "photo.jpg", { 37, 21, 1.0, 5, 3 }, { true, 1, 90, 100, true } },
    { "BmpAcrossEdgesTurned270", knownpictures::knownBmp, "known.bmp", { 29, 17, 1.3, 50, -4 }, { true, 0, 270, 200, false } },
    { "TransparentGifHalfTurnVertical", knownpictures::transparentGif, "transparent.gif", { 30, 20, 1.0, -3, -2 },
        { false, 2, 180, 128, true } },
    { "GifOutsideTurned90", knownpictures::knownGif, "known.gif", { 11, 9, 1.0, -40, -30 }, { true, 2, 90, 256, false } },
};

class PanelTest : public CliFolderTest, public testing::WithParamInterface<std::tuple<PanelCase, int>> { };

TEST_P(PanelTest, BytesAreTheReferencesAndDecodeShowsThePreview)
{
    const auto& [row, format] = GetParam();
    reference::Options options = row.options;
    options.bgr = options.bgr && !isGrey(format);
    QStringList arguments { u"-f"_s, QString::number(format), u"--rotate"_s, QString::number(options.rotate),
        u"--mirror"_s, QStringList { u"none"_s, u"horizontal"_s, u"vertical"_s }.at(options.mirror) };
    if (options.bgr)
        arguments << u"--colour-order"_s << u"bgr"_s;
    if (isMono(format)) {
        arguments << u"--threshold"_s << QString::number(options.threshold);
        if (options.invert)
            arguments << u"--invert"_s;
    } else {
        options.threshold = 128;
        options.invert = false;
    }
    const reference::Frame& frame = row.frame;
    const CliRun converted = runCli(QStringList { u"convert"_s, knownpictures::dataPath(QString::fromLatin1(row.file)),
                                        u"-o"_s, path(u"out.raw"_s), u"--preview"_s, path(u"preview.png"_s), u"-q"_s,
                                        u"-W"_s, QString::number(frame.width), u"-H"_s, QString::number(frame.height),
                                        u"-s"_s, QString::number(frame.step), u"--origin"_s,
                                        u"%1,%2"_s.arg(frame.left).arg(frame.top) }
            + arguments,
        m_folder.path());
    ASSERT_EQ(converted.exitCode, 0) << converted.standardError.toStdString();
    const std::vector<std::uint8_t> bytes = readBytes(path(u"out.raw"_s));
    const std::vector<std::uint8_t> expected = reference::convert(row.picture(), frame, format, options);
    EXPECT_EQ(firstDifference(bytes, expected), -1) << hexText(bytes) << "\n" << hexText(expected);

    const auto [width, height] = reference::rasterSize(frame, options);
    QStringList decodeArguments { u"decode"_s, path(u"out.raw"_s), u"-f"_s, QString::number(format), u"-W"_s,
        QString::number(width), u"-H"_s, QString::number(height), u"-o"_s, path(u"decoded.png"_s) };
    if (options.bgr)
        decodeArguments << u"--colour-order"_s << u"bgr"_s;
    const CliRun decoded = runCli(decodeArguments, m_folder.path());
    ASSERT_EQ(decoded.exitCode, 0) << decoded.standardError.toStdString();
    const QImage preview = QImage(path(u"preview.png"_s)).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(preview.size(), QSize(width, height));
    EXPECT_EQ(QImage(path(u"decoded.png"_s)).convertToFormat(QImage::Format_RGB32), preview);
}

INSTANTIATE_TEST_SUITE_P(FormatsAndMounts, PanelTest,
    testing::Combine(testing::ValuesIn(PanelCases), testing::Range(0, FormatCount)),
    [](const auto& info) {
        std::string name = std::get<0>(info.param).name;
        name += '_';
        for (const char character : std::string(ShortNames[std::get<1>(info.param)]))
            name += character == '-' ? '_' : character;
        return name;
    });

} // namespace
