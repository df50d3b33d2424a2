#include "cliOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>
#include <type_traits>

#ifndef RASTERKIT_VERSION
#define RASTERKIT_VERSION "9.0"
#endif

namespace rasterkit::cli {

namespace {

const QString ProgramName = QStringLiteral("rasterkit-cli");
const QString HelpHint = QStringLiteral("Try 'rasterkit-cli --help' for more information.");

enum class NumberStatus { Ok, Bad, OutOfRange };

template<typename Number>
struct ParsedNumber {
    NumberStatus status = NumberStatus::Bad;
    Number value {};
};

// Whole numbers: an optional minus sign and decimal digits, nothing else
// (no spaces, no plus sign, no grouping). Decimal numbers: the same with at
// most one '.', no exponent; NaN and infinities are refused.
template<typename Number>
ParsedNumber<Number> parseNumber(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    ParsedNumber<Number> parsed;
    if (begin == end)
        return parsed;
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<Number>) {
        for (const char* character = begin; character != end; ++character) {
            if (!((*character >= '0' && *character <= '9') || *character == '.' || *character == '-'))
                return parsed; // also turns away "nan", "inf" and exponents
        }
        result = std::from_chars(begin, end, parsed.value, std::chars_format::fixed);
    } else {
        result = std::from_chars(begin, end, parsed.value);
    }
    if (result.ptr != end)
        return parsed;
    if (result.ec == std::errc::result_out_of_range) {
        parsed.status = NumberStatus::OutOfRange;
        return parsed;
    }
    if (result.ec == std::errc() && std::isfinite(static_cast<double>(parsed.value)))
        parsed.status = NumberStatus::Ok;
    return parsed;
}

// "A,B" split at its one comma.
std::optional<std::pair<QString, QString>> splitPair(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    return std::pair { parts.at(0), parts.at(1) };
}

QString acceptedFormats()
{
    QStringList names;
    QStringList shortNames;
    for (const PixelFormat format : AllPixelFormats) {
        const PixelFormatInfo& info = formatInfo(format);
        names << QStringLiteral("\"%1\"").arg(QString::fromUtf8(info.name.data(), qsizetype(info.name.size())));
        shortNames << QString::fromUtf8(info.shortName.data(), qsizetype(info.shortName.size()));
    }
    return QStringLiteral("0..7, a name as listed (%1) or %2")
        .arg(names.join(QStringLiteral(", ")), shortNames.join(QStringLiteral(", ")));
}

bool sameFile(const QString& first, const QString& second)
{
    // "-" is a standard stream, not a file of that name.
    if (first == QLatin1String("-") || second == QLatin1String("-"))
        return false;
    const QFileInfo firstInfo(first);
    const QFileInfo secondInfo(second);
    if (firstInfo.exists() && secondInfo.exists()) {
        // Pipes (/dev/stdin, process substitution) have no canonical path.
        const QString firstPath = firstInfo.canonicalFilePath();
        return !firstPath.isEmpty() && firstPath == secondInfo.canonicalFilePath();
    }
    return QDir::cleanPath(firstInfo.absoluteFilePath()) == QDir::cleanPath(secondInfo.absoluteFilePath());
}

CliParseResult failure(const QString& message)
{
    CliParseResult result;
    result.action = CliAction::Fail;
    result.exitCode = ExitArgumentError;
    result.text = QStringLiteral("%1: %2\n%3\n").arg(ProgramName, message, HelpHint);
    return result;
}

struct SizeOption {
    const QCommandLineOption& option;
    QString shownName;
    int* target;
};

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: rasterkit-cli convert INPUT -o OUTPUT [options]\n"
        "\n"
        "Turns a picture (JPEG, BMP, GIF) into a raw pixel file for a small colour\n"
        "display, exactly as the Rasterkit window does, and prints the window's report.\n"
        "\n"
        "Commands:\n"
        "  convert              Convert the picture INPUT and write the pixels to OUTPUT.\n"
        "                       INPUT may be a pipe; - reads standard input.\n"
        "\n"
        "Options:\n"
        "  -o, --output OUTPUT  The raw pixel file to write (replaced if it exists); a\n"
        "                       device or FIFO is written, never replaced; - writes\n"
        "                       standard output (the report then goes to standard error).\n"
        "  -f, --format F       Output format: 0..7, the name as listed or a short name:\n"
        "                         0 \"RGB 5:6:5\"    rgb565     4 \"RGB 3:3:3x7\"  rgb333x7\n"
        "                         1 \"RGB 5:6:5x8\"  rgb565x8   5 \"RGB 3:3:2\"    rgb332\n"
        "                         2 \"RGB 5:4:4x3\"  rgb544x3   6 \"RGB 3:3:2x8\"  rgb332x8\n"
        "                         3 \"RGB 4:4:4x4\"  rgb444x4   7 \"Y 5x3\"        y5x3\n"
        "                       Default 0.\n"
        "  -W, --width N        Target width in pixels, 1..8192. Default 320.\n"
        "  -H, --height N       Target height in pixels, 1..8192. Default 240.\n"
        "  -s, --scale S        Source pixels per output pixel, 0.1..100, '.' as the\n"
        "                       decimal point. Default 1.\n"
        "  --origin LEFT,TOP    The frame's top-left corner in source pixels (whole\n"
        "                       numbers, may be negative). Default 0,0.\n"
        "  --center X,Y         The frame's centre, as a left-button drag to (X, Y)\n"
        "                       places it. Cannot be combined with --origin.\n"
        "  --report FILE        Also write the report (UTF-8, CR LF line ends) to FILE.\n"
        "  -q, --quiet          Do not print the report.\n"
        "  -h, --help           Show this help and exit.\n"
        "  -v, --version        Show the version and exit.\n"
        "\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
        "2 when an argument is wrong.\n");
}

QString versionText()
{
    return QStringLiteral("%1 %2\n").arg(ProgramName, QStringLiteral(RASTERKIT_VERSION));
}

CliParseResult parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);

    const QCommandLineOption outputOption({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The raw pixel file to write."), QStringLiteral("OUTPUT"));
    const QCommandLineOption formatOption({ QStringLiteral("f"), QStringLiteral("format") },
        QStringLiteral("Output format."), QStringLiteral("F"));
    const QCommandLineOption widthOption({ QStringLiteral("W"), QStringLiteral("width") },
        QStringLiteral("Target width."), QStringLiteral("N"));
    const QCommandLineOption heightOption({ QStringLiteral("H"), QStringLiteral("height") },
        QStringLiteral("Target height."), QStringLiteral("N"));
    const QCommandLineOption scaleOption({ QStringLiteral("s"), QStringLiteral("scale") },
        QStringLiteral("Source pixels per output pixel."), QStringLiteral("S"));
    const QCommandLineOption originOption(QStringLiteral("origin"),
        QStringLiteral("The frame's top-left corner."), QStringLiteral("LEFT,TOP"));
    const QCommandLineOption centerOption(QStringLiteral("center"),
        QStringLiteral("The frame's centre."), QStringLiteral("X,Y"));
    const QCommandLineOption reportOption(QStringLiteral("report"),
        QStringLiteral("Also write the report to a file."), QStringLiteral("FILE"));
    const QCommandLineOption quietOption({ QStringLiteral("q"), QStringLiteral("quiet") },
        QStringLiteral("Do not print the report."));
    const QCommandLineOption helpOption({ QStringLiteral("h"), QStringLiteral("help") },
        QStringLiteral("Show the help."));
    const QCommandLineOption versionOption({ QStringLiteral("v"), QStringLiteral("version") },
        QStringLiteral("Show the version."));
    parser.addOptions({ outputOption, formatOption, widthOption, heightOption, scaleOption, originOption,
        centerOption, reportOption, quietOption, helpOption, versionOption });

    if (!parser.parse(arguments)) {
        return failure(QStringLiteral("%1 The options are -o, -f, -W, -H, -s, --origin, --center, --report, "
                                      "-q, --help and --version.")
                           .arg(parser.errorText()));
    }

    if (parser.isSet(helpOption)) {
        CliParseResult result;
        result.action = CliAction::ShowHelp;
        result.exitCode = ExitSuccess;
        result.text = usageText();
        return result;
    }
    if (parser.isSet(versionOption)) {
        CliParseResult result;
        result.action = CliAction::ShowVersion;
        result.exitCode = ExitSuccess;
        result.text = versionText();
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        CliParseResult result;
        result.action = CliAction::Fail;
        result.exitCode = ExitArgumentError;
        result.text = QStringLiteral("%1: no command given; the command is convert.\n\n%2").arg(ProgramName, usageText());
        return result;
    }
    if (positional.first() != QLatin1String("convert"))
        return failure(QStringLiteral("unknown command \"%1\": the command is convert.").arg(positional.first()));
    if (positional.size() < 2)
        return failure(QStringLiteral("missing INPUT: name the picture to convert (JPEG, BMP or GIF)."));
    if (positional.size() > 2) {
        return failure(QStringLiteral("unexpected argument \"%1\": convert takes one INPUT picture (\"%2\").")
                           .arg(positional.at(2), positional.at(1)));
    }

    ConvertOptions options;
    options.inputPath = positional.at(1);
    if (options.inputPath.isEmpty())
        return failure(QStringLiteral("missing INPUT: the picture's name is empty."));

    if (!parser.isSet(outputOption))
        return failure(QStringLiteral("missing -o/--output OUTPUT: name the raw pixel file to write."));
    options.outputPath = parser.value(outputOption);
    if (options.outputPath.isEmpty())
        return failure(QStringLiteral("-o/--output OUTPUT is empty: name the raw pixel file to write."));
    if (sameFile(options.inputPath, options.outputPath)) {
        return failure(QStringLiteral("-o/--output \"%1\" names the input picture: choose another output file.")
                           .arg(options.outputPath));
    }

    if (parser.isSet(reportOption)) {
        options.reportPath = parser.value(reportOption);
        if (options.reportPath.isEmpty())
            return failure(QStringLiteral("--report FILE is empty: name the report file to write."));
        if (sameFile(options.reportPath, options.outputPath) || sameFile(options.reportPath, options.inputPath)) {
            return failure(QStringLiteral("--report \"%1\" names the input or the output file: choose another "
                                          "report file.")
                               .arg(options.reportPath));
        }
    }

    if (parser.isSet(formatOption)) {
        const QString text = parser.value(formatOption);
        const QByteArray bytes = text.toUtf8();
        const auto format = parsePixelFormat(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        if (!format)
            return failure(QStringLiteral("unknown format \"%1\" for -f/--format: expected %2.").arg(text, acceptedFormats()));
        options.format = *format;
    }

    const SizeOption sizeOptions[] = {
        { widthOption, QStringLiteral("-W/--width"), &options.frame.targetWidth },
        { heightOption, QStringLiteral("-H/--height"), &options.frame.targetHeight },
    };
    for (const SizeOption& size : sizeOptions) {
        if (!parser.isSet(size.option))
            continue;
        const QString text = parser.value(size.option);
        const auto parsed = parseNumber<int>(text);
        const QString accepted = QStringLiteral("expected a whole number from %1 to %2").arg(MinimumSize).arg(MaximumSize);
        if (parsed.status == NumberStatus::Bad)
            return failure(QStringLiteral("bad number \"%1\" for %2: %3.").arg(text, size.shownName, accepted));
        if (parsed.status == NumberStatus::OutOfRange || parsed.value < MinimumSize || parsed.value > MaximumSize)
            return failure(QStringLiteral("%1 %2 is out of range: %3.").arg(size.shownName, text, accepted));
        *size.target = parsed.value;
    }

    if (parser.isSet(scaleOption)) {
        const QString text = parser.value(scaleOption);
        const auto parsed = parseNumber<double>(text);
        const QString accepted = QStringLiteral("expected a decimal number from 0.1 to 100 with '.' as the decimal point");
        if (parsed.status == NumberStatus::Bad)
            return failure(QStringLiteral("bad number \"%1\" for -s/--scale: %2.").arg(text, accepted));
        if (parsed.status == NumberStatus::OutOfRange || parsed.value < MinimumScale || parsed.value > MaximumScale)
            return failure(QStringLiteral("-s/--scale %1 is out of range: %2.").arg(text, accepted));
        options.frame.sampleStep = parsed.value;
    }

    if (parser.isSet(originOption) && parser.isSet(centerOption)) {
        return failure(QStringLiteral("--origin and --center cannot be used together: give either the frame's "
                                      "top-left corner or its centre."));
    }

    if (parser.isSet(originOption)) {
        const QString text = parser.value(originOption);
        const QString accepted = QStringLiteral("expected LEFT,TOP, two whole numbers from %1 to %2, e.g. --origin -20,15")
                                     .arg(std::numeric_limits<std::int32_t>::min())
                                     .arg(std::numeric_limits<std::int32_t>::max());
        const auto pair = splitPair(text);
        if (!pair)
            return failure(QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted));
        const auto left = parseNumber<std::int32_t>(pair->first);
        const auto top = parseNumber<std::int32_t>(pair->second);
        if (left.status == NumberStatus::Bad || top.status == NumberStatus::Bad)
            return failure(QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted));
        if (left.status == NumberStatus::OutOfRange || top.status == NumberStatus::OutOfRange)
            return failure(QStringLiteral("--origin %1 is out of range: %2.").arg(text, accepted));
        options.frame.frameLeft = left.value;
        options.frame.frameTop = top.value;
    }

    if (parser.isSet(centerOption)) {
        const QString text = parser.value(centerOption);
        const QString accepted = QStringLiteral("expected X,Y, two decimal numbers with '.' as the decimal point, "
                                                "e.g. --center 160,120.5");
        const auto pair = splitPair(text);
        if (!pair)
            return failure(QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted));
        // The centre is a pointer position: single precision, as the window keeps it.
        const auto x = parseNumber<float>(pair->first);
        const auto y = parseNumber<float>(pair->second);
        if (x.status == NumberStatus::Bad || y.status == NumberStatus::Bad)
            return failure(QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted));
        if (x.status == NumberStatus::OutOfRange || y.status == NumberStatus::OutOfRange)
            return failure(QStringLiteral("--center %1 is out of range: %2.").arg(text, accepted));
        const FrameOrigin origin = frameOriginForCenter(x.value, y.value, options.frame.sampleStep,
            options.frame.targetWidth, options.frame.targetHeight);
        options.frame.frameLeft = origin.left;
        options.frame.frameTop = origin.top;
    }

    options.quiet = parser.isSet(quietOption);

    CliParseResult result;
    result.action = CliAction::Convert;
    result.exitCode = ExitSuccess;
    result.options = options;
    return result;
}

} // namespace rasterkit::cli
