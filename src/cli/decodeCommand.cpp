#include "decodeCommand.h"

#include "paletteFile.h"

#include "convert/byteorder.h"
#include "convert/decoders.h"
#include "output/previewimage.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace rasterkit::cli {

namespace {

const QString Output = QStringLiteral("output");

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
                QStringLiteral("The picture to write, as PNG. Replaced if it exists; - writes standard output.") },
        },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::ByteOrder,
            FrameOptionId::ColourOrder, FrameOptionId::Palette },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height },
        QStringLiteral("rasterkit-cli decode logo.raw -f %1 -W 128 -H 64 --byte-order little -o check.png")
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
    if (auto reply = line.readPath(Output, "picture", true, options.outputPath, { { options.inputPath, "raw file", false } }))
        return *reply;
    if (auto reply = line.readFrame(options.request))
        return *reply;
    return options;
}

RunOutcome runDecode(const DecodeOptions& options)
{
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
            return RunOutcome { ExitFileError, file.error, {} };
        palette = file.palette;
    }
    // The longest valid file: every pixel a record, or the plain layout's size.
    const qint64 longest = info.runLength() ? qint64(width) * height * info.recordWidth
        : rowsOnly                          ? plainSize(info, width, height) - info.paletteBytes()
                                            : plainSize(info, width, height);
    RawFile raw = readRaw(options.inputPath, longest + (info.runLength() ? info.recordWidth : 1));
    if (!raw.error.isEmpty())
        return RunOutcome { ExitFileError, raw.error, {} };

    if (!rowsOnly)
        applyByteOrder(request.format, raw.bytes, request.byteOrder); // back to the files' own order
    const DecodeResult decoded = rowsOnly ? decodeIndexRows(request.format, raw.bytes, width, height, palette)
                                          : decode(request.format, raw.bytes, width, height);
    if (!decoded.ok()) {
        QString problem = fromView(decoded.message());
        if (decoded.error == DecodeError::WrongLength)
            problem += QStringLiteral("; %1 x %2 pixels take %3 bytes").arg(width).arg(height).arg(longest);
        return RunOutcome { ExitFileError,
            QStringLiteral("Cannot decode \"%1\" as %2 x %3 pixels of \"%4\": %5.")
                .arg(options.inputPath == StandardStream ? QStringLiteral("standard input")
                                                         : QFileInfo(options.inputPath).absoluteFilePath())
                .arg(width)
                .arg(height)
                .arg(fromView(info.name), problem),
            {} };
    }

    const RgbxPicture picture = previewImage(decoded.grid, request.format, request.levels.colourOrder);
    if (const QString error = writePicture(options.outputPath, picture); !error.isEmpty())
        return RunOutcome { ExitFileError, error, {} };
    return {};
}

} // namespace rasterkit::cli
