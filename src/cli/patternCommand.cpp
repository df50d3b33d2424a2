#include "patternCommand.h"

#include "convert/byteorder.h"
#include "convert/encoders.h"
#include "convert/pattern.h"

namespace rasterkit::cli {

namespace {

const QString Output = QStringLiteral("output");

} // namespace

const CommandSpec& patternCommand()
{
    static const CommandSpec definition {
        QStringLiteral("pattern"),
        QStringLiteral("pattern -f F -o RAW [options]"),
        QStringLiteral("Write a test picture as a raw pixel file, to check a display."),
        QStringLiteral("Writes a test picture in the format F as a raw pixel file, so that the display shows at "
                       "once whether bytes, colour channels or rows come out swapped: a white one-pixel border "
                       "inside a black line, red, green, blue and white bars, a grey ramp from black to white, a "
                       "ramp through the hues, and a yellow mark twice as wide as high in the top-left corner. "
                       "For the one-bit formats, white on black: the border, the mark, a checker of 4 x 4 squares "
                       "and a grid of one-pixel lines every 8 pixels, so that page and bit order mistakes show. "
                       "For the formats that keep the alpha, the colour picture with its alpha: opaque, but for the "
                       "gap, which is transparent, the mark, at half, and the grey ramp, whose alpha rises from 0 "
                       "at the left to 255 at the right. "
                       "--colour-order, --rotate, --mirror and --invert write it as a conversion with them "
                       "would: the display shows it upright and in its true colours when they are right."),
        {
            { { QStringLiteral("o"), Output }, QStringLiteral("RAW"),
                QStringLiteral("The raw pixel file to write. Replaced if it exists; - writes standard output.") },
        },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::ByteOrder,
            FrameOptionId::ColourOrder, FrameOptionId::Rotate, FrameOptionId::Mirror, FrameOptionId::Invert },
        { FrameOptionId::Format },
        QStringLiteral("rasterkit-cli pattern -f %1 -W 240 -H 135 --byte-order little -o pattern.raw")
            .arg(shortNameOf(PixelFormat::RGB565)),
    };
    return definition;
}

std::variant<PatternOptions, Reply> parsePattern(const QStringList& arguments)
{
    CommandLine line(patternCommand());
    if (auto reply = line.parse(arguments))
        return *reply;
    if (const QStringList operands = line.operands(); !operands.isEmpty())
        return line.failure(QStringLiteral("unexpected argument \"%1\": pattern reads no file.").arg(operands.at(0)));
    PatternOptions options;
    if (auto reply = line.readPath(Output, "raw pixel file", true, options.outputPath))
        return *reply;
    if (auto reply = line.readFrame(options.request))
        return *reply;
    return options;
}

RunOutcome runPattern(const PatternOptions& options)
{
    if (const QString problem = destinationProblem(options.outputPath); !problem.isEmpty())
        return RunOutcome { ExitFileError, problem, {} };
    const FrameRequest& request = options.request;
    OutputBytes bytes = encode(request.format, testPattern(request));
    applyByteOrder(request.format, bytes, request.byteOrder);
    if (const QString error = writeOutput(options.outputPath, bytes); !error.isEmpty())
        return RunOutcome { ExitFileError, error, {} };
    return {};
}

} // namespace rasterkit::cli
