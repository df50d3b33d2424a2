#include "decodeCommand.h"

#include "framesConvert.h"
#include "paletteFile.h"
#include "sheet.h"

#include "convert/animation.h"
#include "convert/byteorder.h"
#include "convert/decoders.h"
#include "output/previewimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace rasterkit::cli {

namespace {

const QString Output = QStringLiteral("output");
const QString Frames = QStringLiteral("frames");
const QString Sheet = QStringLiteral("sheet");
constexpr int SheetColumns = 8;

struct RawFile {
    OutputBytes bytes;
    QString error;
};

// Reads at most limit bytes: a file longer than any valid one of its size and
// format is refused by what those bytes hold already.
RawFile readRaw(const QString& path, qint64 limit)
{
    RawFile raw;
    QFile file;
    QString shown;
    if (path == StandardStream) {
        shown = QStringLiteral("standard input");
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            raw.error = QStringLiteral("Cannot read standard input: %1.").arg(file.errorString());
            return raw;
        }
    } else {
        const QFileInfo info(path);
        shown = QStringLiteral("\"%1\"").arg(info.absoluteFilePath());
        if (!info.exists()) {
            raw.error = QStringLiteral("Cannot open %1: the file does not exist.").arg(shown);
            return raw;
        }
        if (info.isDir()) {
            raw.error = QStringLiteral("Cannot open %1: it is a folder, not a raw pixel file.").arg(shown);
            return raw;
        }
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly)) {
            raw.error = QStringLiteral("Cannot open %1: %2.").arg(shown, file.errorString());
            return raw;
        }
    }
    // In blocks, so that a short file of a large picture reserves no more
    // than it holds.
    constexpr qint64 BlockBytes = qint64(1) << 20;
    while (qint64(raw.bytes.size()) < limit) {
        const QByteArray block = file.read(std::min(BlockBytes, limit - qint64(raw.bytes.size())));
        if (file.error() != QFileDevice::NoError) {
            raw.error = QStringLiteral("Cannot read %1: %2.").arg(shown, file.errorString());
            return raw;
        }
        if (block.isEmpty())
            break;
        raw.bytes.insert(raw.bytes.end(), block.begin(), block.end());
    }
    return raw;
}

// decode --frames: the animation file gives the format and the size.
std::variant<DecodeOptions, Reply> parseFramesDecode(const CommandLine& line, DecodeOptions& options)
{
    options.frames = true;
    for (const FrameOptionId id : { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height,
             FrameOptionId::Palette }) {
        const FrameOption& option = frameOption(id);
        if (line.isSet(option.definition.names.first())) {
            return line.failure(QStringLiteral("%1 does not apply with --frames: the animation file gives its "
                                               "format, its size and each frame's palette.")
                                    .arg((option.definition.names.first().size() == 1 ? QStringLiteral("-")
                                                                                        : QStringLiteral("--"))
                                        + option.definition.names.first()));
        }
    }
    if (!line.isSet(Output) && !line.isSet(Sheet)) {
        return line.failure(QStringLiteral("--frames needs -o FOLDER/ (one PNG a frame), --sheet FILE.png (every "
                                           "frame on one picture), or both."));
    }
    if (line.isSet(Output)) {
        options.outputPath = line.value(Output);
        if (options.outputPath.isEmpty() || options.outputPath == StandardStream)
            return line.failure(QStringLiteral("-o names a folder with --frames: one PNG a frame goes into it."));
        if (sameFile(options.outputPath, options.inputPath)) {
            return line.failure(QStringLiteral("-o \"%1\" names the animation file: choose a folder for the frames.")
                                    .arg(options.outputPath));
        }
    }
    if (auto reply = line.readPath(Sheet, "sheet picture", false, options.sheetPath,
            { { options.inputPath, "animation file", false }, { options.outputPath, "frames' folder" } }))
        return *reply;
    // The options left: the pixel data's byte order and colour order.
    for (const FrameOptionId id : { FrameOptionId::ByteOrder, FrameOptionId::ColourOrder }) {
        const FrameOption& option = frameOption(id);
        if (!line.isSet(option.definition.names.first()))
            continue;
        if (const QString problem = option.apply(line.value(option.definition.names.first()), options.request);
            !problem.isEmpty())
            return line.failure(problem);
    }
    return options;
}

QString shownPath(const QString& path)
{
    return path == StandardStream ? QStringLiteral("standard input")
                                  : QStringLiteral("\"%1\"").arg(QFileInfo(path).absoluteFilePath());
}

// The frames' stem: the file's name without its extension.
QString framesStem(const QString& path)
{
    const QString stem = path == StandardStream ? QString() : QFileInfo(path).completeBaseName();
    return stem.isEmpty() ? QStringLiteral("frame") : stem;
}

RunOutcome runFramesDecode(const DecodeOptions& options)
{
    const FrameRequest& request = options.request;
    const RawFile raw = readRaw(options.inputPath, MaximumPictureBytes + 1);
    if (!raw.error.isEmpty())
        return RunOutcome::fileFailure(raw.error);
    const QString shown = shownPath(options.inputPath);
    if (qint64(raw.bytes.size()) > MaximumPictureBytes) {
        return RunOutcome::fileFailure(
            QStringLiteral("Cannot read %1: it is larger than %2.")
                .arg(shown, QString::fromStdString(byteSizeText(MaximumPictureBytes, Language::English))));
    }
    // Checked whole first: nothing is written from a damaged file.
    const AnimationReadResult checked = readAnimation(raw.bytes, {}, request.byteOrder);
    if (!checked.ok()) {
        return RunOutcome::fileFailure(
            QStringLiteral("Cannot read the animation file %1: %2.").arg(shown, fromView(checked.message())));
    }
    const Animation& animation = checked.animation;
    const int frameCount = static_cast<int>(animation.frames.size());
    constexpr int LabelLines = 2;
    const int columns = std::min(frameCount, SheetColumns);
    if (!options.sheetPath.isEmpty()) {
        if (!sheetFits(frameCount, columns, animation.width, animation.height, LabelLines)) {
            return RunOutcome::fileFailure(
                QStringLiteral("Cannot make the sheet \"%1\": %2 frames of %3 x %4 pixels do not fit in one "
                               "picture of at most %5 pixels a side.")
                    .arg(options.sheetPath)
                    .arg(frameCount)
                    .arg(animation.width)
                    .arg(animation.height)
                    .arg(MaximumSheetSide));
        }
        if (const QString problem = destinationProblem(options.sheetPath); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }
    const QString folder = options.outputPath;
    if (!folder.isEmpty() && !QDir().mkpath(folder)) {
        return RunOutcome::fileFailure(
            QStringLiteral("Cannot create the folder \"%1\".").arg(QFileInfo(folder).absoluteFilePath()));
    }

    const QString stem = framesStem(options.inputPath);
    PixelGrid screen(animation.width, animation.height);
    std::vector<SheetTile> tiles;
    QString error;
    readAnimation(
        raw.bytes,
        [&](int index, const AnimationFrame& record, std::span<const std::uint8_t>, const PixelGrid& grid) {
            if (!record.rectangle.isEmpty())
                drawRectangle(screen, grid, record.rectangle);
            RgbxPicture picture = previewImage(screen, animation.format, request.levels.colourOrder);
            if (!folder.isEmpty()) {
                const QString path = QDir(folder).filePath(frameFileName(stem, index, frameCount, QStringLiteral(".png")));
                error = writePicture(path, picture);
                if (!error.isEmpty())
                    return false;
            }
            if (!options.sheetPath.isEmpty()) {
                const ScreenRectangle& place = record.rectangle;
                tiles.push_back({ std::move(picture),
                    { QStringLiteral("%1: %2 ms").arg(index).arg(record.delay),
                        QStringLiteral("%1,%2 %3x%4").arg(place.x).arg(place.y).arg(place.width).arg(place.height) } });
            }
            return true;
        },
        request.byteOrder);
    if (!error.isEmpty())
        return RunOutcome::fileFailure(error);
    if (!options.sheetPath.isEmpty()) {
        const RgbxPicture sheet = contactSheet(tiles, columns);
        if (sheet.isNull()) {
            return RunOutcome::fileFailure(
                QStringLiteral("Cannot make the sheet \"%1\": not enough memory.").arg(options.sheetPath));
        }
        if (const QString problem = writePicture(options.sheetPath, sheet); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }
    return {};
}

} // namespace

const CommandSpec& decodeCommand()
{
    static const CommandSpec definition {
        QStringLiteral("decode"),
        QStringLiteral("decode RAW -f F -W N -H N -o FILE.png [options]"),
        QStringLiteral("Turn a raw pixel file back into a picture, to check it."),
        QStringLiteral("Decodes the raw pixel file RAW, width x height pixels of the format F, into the picture "
                       "that the window's preview shows for it, and writes that as PNG. A malformed file (wrong "
                       "length, a record cut short, a run of 0, runs past or short of width x height) is refused "
                       "with the byte offset and the problem, and nothing is written. RAW may be a pipe; - reads "
                       "standard input. An indexed format's file is its palette and its index rows; with --palette "
                       "FILE, RAW is the index rows alone, as --shared-palette writes them, and FILE (such as "
                       "the palette.raw beside them) gives the palette. An index past the palette's colours in use "
                       "is malformed."),
        {
            { { QStringLiteral("o"), Output }, QStringLiteral("FILE.png"),
                QStringLiteral("The picture to write, as PNG. Replaced if it exists; - writes standard output. With "
                               "--frames, a folder (made if missing) for one PNG a frame.") },
            { { Frames }, {},
                QStringLiteral("RAW is an animation file (convert --frames -o FILE, whole frames or --delta): check "
                               "all of it, then write every frame as the display shows it, each drawn over the "
                               "frames before it, into the folder -o names as NAME_000.png, NAME_001.png, ... "
                               "(NAME: RAW's file name without its extension). The file gives the format and the "
                               "size, so -f, -W, -H and --palette are not given; --byte-order tells its pixel "
                               "data's order.") },
            { { Sheet }, QStringLiteral("FILE.png"),
                QStringLiteral("With --frames: also, or instead of -o, write every frame side by side on one "
                               "contact sheet, each labelled with its number, delay and rectangle.") },
        },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::ByteOrder,
            FrameOptionId::ColourOrder, FrameOptionId::Palette },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height },
        QStringLiteral("rasterkit-cli decode logo.raw -f %1 -W 128 -H 64 --byte-order little -o check.png\n"
                       "rasterkit-cli decode --frames spinner.rkan -o frames/ --sheet spinner-sheet.png")
            .arg(shortNameOf(PixelFormat::RGB565x8)),
    };
    return definition;
}

std::variant<DecodeOptions, Reply> parseDecode(const QStringList& arguments)
{
    CommandLine line(decodeCommand());
    if (auto reply = line.parse(arguments))
        return *reply;
    const QStringList operands = line.operands();
    if (operands.isEmpty() || operands.at(0).isEmpty())
        return line.failure(QStringLiteral("missing RAW: name the raw pixel file to decode."));
    if (operands.size() > 1) {
        return line.failure(QStringLiteral("unexpected argument \"%1\": decode takes one RAW file (\"%2\").")
                                .arg(operands.at(1), operands.at(0)));
    }
    DecodeOptions options;
    options.inputPath = operands.at(0);
    if (line.isSet(Frames))
        return parseFramesDecode(line, options);
    if (line.isSet(Sheet))
        return line.failure(QStringLiteral("--sheet needs --frames: it shows an animation file's frames."));
    if (auto reply = line.readPath(Output, "picture", true, options.outputPath, { { options.inputPath, "raw file", false } }))
        return *reply;
    if (auto reply = line.readFrame(options.request))
        return *reply;
    return options;
}

RunOutcome runDecode(const DecodeOptions& options)
{
    if (options.frames)
        return runFramesDecode(options);
    const FrameRequest& request = options.request;
    const PixelFormatInfo& info = formatInfo(request.format);
    const int width = request.frame.targetWidth;
    const int height = request.frame.targetHeight;
    // The index rows alone, through a palette given.
    const bool rowsOnly = !request.palettePath.isEmpty();
    Palette palette;
    if (rowsOnly) {
        const PaletteFile file = readPaletteFile(request.palettePath, request);
        if (!file.ok())
            return RunOutcome::fileFailure(file.error);
        palette = file.palette;
    }
    // The longest valid file: every pixel a record, or the plain layout's size.
    const qint64 longest = info.runLength() ? qint64(width) * height * info.recordWidth
        : rowsOnly                          ? plainSize(info, width, height) - info.paletteBytes()
                                            : plainSize(info, width, height);
    RawFile raw = readRaw(options.inputPath, longest + (info.runLength() ? info.recordWidth : 1));
    if (!raw.error.isEmpty())
        return RunOutcome::fileFailure(raw.error);

    if (!rowsOnly)
        applyByteOrder(request.format, raw.bytes, request.byteOrder); // back to the files' own order
    const DecodeResult decoded = rowsOnly ? decodeIndexRows(request.format, raw.bytes, width, height, palette)
                                          : decode(request.format, raw.bytes, width, height);
    if (!decoded.ok()) {
        QString problem = fromView(decoded.message());
        if (decoded.error == DecodeError::WrongLength)
            problem += QStringLiteral("; %1 x %2 pixels take %3 bytes").arg(width).arg(height).arg(longest);
        return RunOutcome::fileFailure(
            QStringLiteral("Cannot decode \"%1\" as %2 x %3 pixels of \"%4\": %5.")
                .arg(options.inputPath == StandardStream ? QStringLiteral("standard input")
                                                         : QFileInfo(options.inputPath).absoluteFilePath())
                .arg(width)
                .arg(height)
                .arg(fromView(info.name), problem));
    }

    const RgbxPicture picture = previewImage(decoded.grid, request.format, request.levels.colourOrder);
    if (const QString error = writePicture(options.outputPath, picture); !error.isEmpty())
        return RunOutcome::fileFailure(error);
    return {};
}

} // namespace rasterkit::cli
