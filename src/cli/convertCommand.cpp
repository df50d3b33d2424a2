#include "convertCommand.h"

#include "convert/byteorder.h"
#include "convert/encoders.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/cheader.h"
#include "output/previewimage.h"
#include "platform/picturefile.h"

#include <QRegularExpression>

#include <cstdint>

namespace rasterkit::cli {

namespace {

const QString Output = QStringLiteral("output");
const QString CArray = QStringLiteral("c-array");
const QString CAttribute = QStringLiteral("c-attribute");
const QString Preview = QStringLiteral("preview");
const QString Background = QStringLiteral("background");
const QString Report = QStringLiteral("report");
const QString Quiet = QStringLiteral("quiet");

std::optional<QRgb> parseColour(QString text)
{
    if (text.startsWith(QLatin1Char('#')))
        text.remove(0, 1);
    static const QRegularExpression sixHexDigits(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    if (!sixHexDigits.match(text).hasMatch())
        return std::nullopt;
    return QRgb(0xFF000000u | text.toUInt(nullptr, 16));
}

RunOutcome fileFailure(const QString& error)
{
    return RunOutcome { ExitFileError, error, {} };
}

} // namespace

const CommandSpec& convertCommand()
{
    static const CommandSpec definition {
        QStringLiteral("convert"),
        QStringLiteral("convert INPUT -o OUTPUT [options]"),
        QStringLiteral("Convert a picture into a raw pixel file or a C header."),
        QStringLiteral("Converts the picture INPUT (JPEG, BMP, GIF) exactly as the Rasterkit window does: samples "
                       "the capture frame, reduces every sample to the format's colour depth, writes the pixels to "
                       "OUTPUT with no header and prints the window's report (which --byte-order does not change). "
                       "Every file is replaced whole or not at all. INPUT may be a pipe; - reads standard input."),
        {
            { { QStringLiteral("o"), Output }, QStringLiteral("OUTPUT"),
                QStringLiteral("The file to write: the raw pixels, or a C header with --c-array. Replaced if it "
                               "exists; a device or FIFO is written, never replaced; - writes standard output (the "
                               "report then goes to standard error).") },
            { { CArray }, QStringLiteral("NAME"),
                QStringLiteral("Write a C header instead of the raw bytes: the macros NAME_WIDTH, NAME_HEIGHT, "
                               "NAME_FORMAT, NAME_FORMAT_NAME, NAME_BIG_ENDIAN, NAME_LITTLE_ENDIAN and NAME_SIZE, "
                               "and static const unsigned char NAME[] holding exactly the raw file's bytes. NAME "
                               "must be a C identifier.") },
            { { CAttribute }, QStringLiteral("TEXT"),
                QStringLiteral("Put TEXT before the array: PROGMEM, a section attribute, an alignment. Needs "
                               "--c-array.") },
            { { Preview }, QStringLiteral("FILE.png"),
                QStringLiteral("Also write the reduced picture as the window's preview shows it, one pixel per "
                               "output pixel, as PNG.") },
            { { Background }, QStringLiteral("RRGGBB"),
                QStringLiteral("The colour transparent pixels are blended over, six hexadecimal digits. Default "
                               "F0F0F0, as in the window.") },
            { { Report }, QStringLiteral("FILE"),
                QStringLiteral("Also write the report (UTF-8, CR LF line ends) to FILE.") },
            { { QStringLiteral("q"), Quiet }, {}, QStringLiteral("Do not print the report.") },
        },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::Scale,
            FrameOptionId::Origin, FrameOptionId::Center, FrameOptionId::ByteOrder },
        {},
        QStringLiteral("rasterkit-cli convert photo.jpg -o photo.raw -f rgb565x8 -W 176 -H 132 -s 1.5\n"
                       "rasterkit-cli convert logo.gif -o logo.h --c-array logo --c-attribute PROGMEM \\\n"
                       "    -W 128 -H 64 --center 400,300 --byte-order little --preview logo-preview.png"),
    };
    return definition;
}

std::variant<ConvertOptions, Reply> parseConvert(const QStringList& arguments)
{
    CommandLine line(convertCommand());
    if (auto reply = line.parse(arguments))
        return *reply;

    const QStringList operands = line.operands();
    if (operands.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: name the picture to convert (JPEG, BMP or GIF)."));
    if (operands.size() > 1) {
        return line.failure(QStringLiteral("unexpected argument \"%1\": convert takes one INPUT picture (\"%2\").")
                                .arg(operands.at(1), operands.at(0)));
    }
    ConvertOptions options;
    options.inputPath = operands.at(0);
    if (options.inputPath.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: the picture's name is empty."));

    const QString& input = options.inputPath;
    if (auto reply = line.readPath(Output, "output file", true, options.outputPath, { { input, "input picture", false } }))
        return *reply;
    if (auto reply = line.readPath(Report, "report file", false, options.reportPath,
            { { input, "input picture", false }, { options.outputPath, "output file" } }))
        return *reply;
    if (auto reply = line.readPath(Preview, "preview picture", false, options.previewPath,
            { { input, "input picture", false }, { options.outputPath, "output file" }, { options.reportPath, "report file" } }))
        return *reply;

    if (line.isSet(CArray)) {
        options.arrayName = line.value(CArray);
        if (!isCIdentifier(options.arrayName.toStdString())) {
            return line.failure(QStringLiteral("--c-array \"%1\" is not a C identifier: expected a letter or '_' "
                                               "followed by letters, digits and '_', and no keyword of C or C++.")
                                    .arg(options.arrayName));
        }
    }
    if (line.isSet(CAttribute)) {
        if (options.arrayName.isEmpty())
            return line.failure(QStringLiteral("--c-attribute needs --c-array NAME: it goes before the array."));
        options.arrayAttribute = line.value(CAttribute);
        for (const QChar character : options.arrayAttribute) {
            if (character.category() == QChar::Other_Control) {
                return line.failure(QStringLiteral("--c-attribute \"%1\" holds a line break or another control "
                                                   "character: give one line of text.")
                                        .arg(options.arrayAttribute));
            }
        }
    }

    options.background = PictureBackground;
    if (line.isSet(Background)) {
        const QString text = line.value(Background);
        const std::optional<QRgb> colour = parseColour(text);
        if (!colour) {
            return line.failure(QStringLiteral("bad colour \"%1\" for --background: expected RRGGBB, six "
                                               "hexadecimal digits, e.g. --background FFFFFF.")
                                    .arg(text));
        }
        options.background = *colour;
    }

    if (auto reply = line.readFrame(options.request))
        return *reply;
    options.quiet = line.isSet(Quiet);
    return options;
}

RunOutcome runConvert(const ConvertOptions& options, std::string_view decimalSeparator)
{
    const FrameRequest& request = options.request;
    const FrameSettings& frame = request.frame;
    // Pipes and FIFOs (process substitution, "-") are read as streams, within
    // the size limit; only the pixels the frame samples are decoded, where
    // the format allows it.
    const PictureLoadOptions load { .readStreams = true, .frame = frame, .background = options.background };
    const PictureLoadResult picture = options.inputPath == StandardStream ? loadPictureFromStandardInput(load)
                                                                        : loadPicture(options.inputPath, load);
    if (!picture.ok())
        return fileFailure(picture.message());

    // The failures that can be seen before anything is written. Checking
    // every file first keeps a bad report path from failing the run after
    // the output was replaced.
    for (const QString& destination : { options.outputPath, options.previewPath, options.reportPath }) {
        if (destination.isEmpty())
            continue;
        if (const QString problem = destinationProblem(destination); !problem.isEmpty())
            return fileFailure(problem);
    }

    const PixelGrid grid
        = sampleFrame(sourceImageOf(picture.image, picture.origin), frame, formatIndex(request.format));
    OutputBytes bytes = encode(request.format, grid);
    const std::string report = conversionReport(request.format, frame.targetWidth, frame.targetHeight,
        static_cast<std::int64_t>(bytes.size()), decimalSeparator);
    applyByteOrder(request.format, bytes, request.byteOrder);

    std::string header;
    if (!options.arrayName.isEmpty()) {
        header = cHeader({ options.arrayName.toStdString(), options.arrayAttribute.toStdString(), frame.targetWidth,
                             frame.targetHeight, request.format, request.byteOrder },
            bytes);
    }
    const std::span<const std::uint8_t> written = header.empty() ? std::span<const std::uint8_t>(bytes) : byteSpan(header);
    if (const QString error = writeOutput(options.outputPath, written); !error.isEmpty())
        return fileFailure(error);
    if (!options.previewPath.isEmpty()) {
        if (const QString error = writePicture(options.previewPath, previewImage(grid, request.format)); !error.isEmpty())
            return fileFailure(error);
    }
    if (!options.reportPath.isEmpty()) {
        if (const QString error = writeOutput(options.reportPath, byteSpan(report)); !error.isEmpty())
            return fileFailure(error);
    }
    RunOutcome outcome;
    // The report goes to standard error when the bytes went to standard output.
    outcome.outputOnStandardOutput = namesStandardOutput(options.outputPath);
    if (!options.quiet)
        outcome.printed = terminalText(report);
    return outcome;
}

std::string terminalText(std::string_view report)
{
    std::string text;
    text.reserve(report.size() + 1);
    for (std::size_t index = 0; index < report.size(); ++index) {
        if (report[index] == '\r' && index + 1 < report.size() && report[index + 1] == '\n')
            continue;
        text += report[index];
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text;
}

} // namespace rasterkit::cli
