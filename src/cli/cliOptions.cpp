#include "cliOptions.h"

#include "output/outputfile.h"
#include "output/previewimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>
#include <type_traits>

#include <sys/stat.h>
#include <unistd.h>

#ifndef RASTERKIT_VERSION
#define RASTERKIT_VERSION "9.0"
#endif

namespace rasterkit::cli {

namespace {

const QString ProgramName = QStringLiteral("rasterkit-cli");
constexpr int HelpColumn = 23; // where option descriptions start
constexpr int HelpWidth = 79;

// ---------------------------------------------------------------------------
// Numbers

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

QString quotedName(PixelFormat format)
{
    return QStringLiteral("\"%1\"").arg(fromView(formatInfo(format).name));
}

// "a", "a and b", "a, b and c".
QString spokenList(const QStringList& items)
{
    if (items.size() <= 1)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

QString acceptedFormats()
{
    QStringList names;
    QStringList shortNames;
    for (const PixelFormatInfo& info : PixelFormats) {
        names << quotedName(info.format);
        shortNames << fromView(info.shortName);
    }
    return QStringLiteral("0..7, a name as listed (%1) or %2")
        .arg(names.join(QStringLiteral(", ")), shortNames.join(QStringLiteral(", ")));
}

// ---------------------------------------------------------------------------
// The frame options

struct FrameOption {
    FrameOptionId id;
    OptionSpec spec;
    QString defaultText; // how --help names the value used when the option is not given
    // Reads the value into the request; the message when it is wrong.
    QString (*apply)(const QString& value, FrameRequest& request);
};

QString readSize(const QString& text, const QString& shown, int& target)
{
    const auto parsed = parseNumber<int>(text);
    const QString accepted = QStringLiteral("expected a whole number from %1 to %2").arg(MinimumSize).arg(MaximumSize);
    if (parsed.status == NumberStatus::Bad)
        return QStringLiteral("bad number \"%1\" for %2: %3.").arg(text, shown, accepted);
    if (parsed.status == NumberStatus::OutOfRange || parsed.value < MinimumSize || parsed.value > MaximumSize)
        return QStringLiteral("%1 %2 is out of range: %3.").arg(shown, text, accepted);
    target = parsed.value;
    return {};
}

QString readFormat(const QString& text, FrameRequest& request)
{
    const QByteArray bytes = text.toUtf8();
    const auto format = parsePixelFormat(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!format)
        return QStringLiteral("unknown format \"%1\" for -f/--format: expected %2.").arg(text, acceptedFormats());
    request.format = *format;
    return {};
}

QString readScale(const QString& text, FrameRequest& request)
{
    const auto parsed = parseNumber<double>(text);
    const QString accepted = QStringLiteral("expected a decimal number from 0.1 to 100 with '.' as the decimal point");
    if (parsed.status == NumberStatus::Bad)
        return QStringLiteral("bad number \"%1\" for -s/--scale: %2.").arg(text, accepted);
    if (parsed.status == NumberStatus::OutOfRange || parsed.value < MinimumScale || parsed.value > MaximumScale)
        return QStringLiteral("-s/--scale %1 is out of range: %2.").arg(text, accepted);
    request.frame.sampleStep = parsed.value;
    return {};
}

QString readOrigin(const QString& text, FrameRequest& request)
{
    const QString accepted = QStringLiteral("expected LEFT,TOP, two whole numbers from %1 to %2, e.g. --origin -20,15")
                                 .arg(std::numeric_limits<std::int32_t>::min())
                                 .arg(std::numeric_limits<std::int32_t>::max());
    const auto pair = splitPair(text);
    if (!pair)
        return QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted);
    const auto left = parseNumber<std::int32_t>(pair->first);
    const auto top = parseNumber<std::int32_t>(pair->second);
    if (left.status == NumberStatus::Bad || top.status == NumberStatus::Bad)
        return QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted);
    if (left.status == NumberStatus::OutOfRange || top.status == NumberStatus::OutOfRange)
        return QStringLiteral("--origin %1 is out of range: %2.").arg(text, accepted);
    request.frame.frameLeft = left.value;
    request.frame.frameTop = top.value;
    return {};
}

// Read after the size and the scale, which the corner depends on.
QString readCenter(const QString& text, FrameRequest& request)
{
    const QString accepted = QStringLiteral("expected X,Y, two decimal numbers with '.' as the decimal point, "
                                            "e.g. --center 160,120.5");
    const auto pair = splitPair(text);
    if (!pair)
        return QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted);
    // The centre is a pointer position: single precision, as the window keeps it.
    const auto x = parseNumber<float>(pair->first);
    const auto y = parseNumber<float>(pair->second);
    if (x.status == NumberStatus::Bad || y.status == NumberStatus::Bad)
        return QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted);
    if (x.status == NumberStatus::OutOfRange || y.status == NumberStatus::OutOfRange)
        return QStringLiteral("--center %1 is out of range: %2.").arg(text, accepted);
    FrameSettings& frame = request.frame;
    const FrameOrigin origin = frameOriginForCenter(x.value, y.value, frame.sampleStep, frame.targetWidth, frame.targetHeight);
    frame.frameLeft = origin.left;
    frame.frameTop = origin.top;
    return {};
}

QString readByteOrder(const QString& text, FrameRequest& request)
{
    const QByteArray bytes = text.toUtf8();
    const auto order = parseByteOrder(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!order)
        return QStringLiteral("unknown byte order \"%1\" for --byte-order: expected big or little.").arg(text);
    request.byteOrder = *order;
    return {};
}

// The format list of --help, two columns, from the format table.
QString formatHelp()
{
    QString text = QStringLiteral("The pixel format: 0..7, the name as listed or a short name:");
    constexpr int half = PixelFormatCount / 2;
    for (int index = 0; index < half; ++index) {
        QString line = QStringLiteral("  ");
        for (const int column : { index, index + half }) {
            const PixelFormatInfo& info = PixelFormats[std::size_t(column)];
            line += QStringLiteral("%1 %2 %3").arg(column).arg(quotedName(info.format), -14).arg(fromView(info.shortName), -11);
        }
        text += QLatin1Char('\n') + line.trimmed().prepend(QStringLiteral("  "));
    }
    return text;
}

// What --byte-order changes, from the format table.
QString byteOrderHelp()
{
    QStringList pixels;
    QStringList colourWords;
    QStringList wholeRecords;
    QStringList singleBytes;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (!hasWords(info.format))
            singleBytes << quotedName(info.format);
        else if (!info.runLength)
            pixels << QStringLiteral("each %1 pixel").arg(quotedName(info.format));
        else if (info.recordWidth > 2)
            colourWords << QStringLiteral("the colour word of each %1 record").arg(quotedName(info.format));
        else
            wholeRecords << quotedName(info.format);
    }
    QStringList units = pixels + colourWords;
    if (!wholeRecords.isEmpty())
        units << QStringLiteral("each record of %1").arg(spokenList(wholeRecords));
    return QStringLiteral("The order of the two bytes of every 16-bit unit: big (high byte first, the files' own "
                          "order) or little (low byte first, as most microcontrollers read a word). The units are "
                          "%1. %2 are made of single bytes and stay unchanged.")
        .arg(spokenList(units), spokenList(singleBytes));
}

const std::vector<FrameOption>& frameOptions()
{
    // In the order they are read: --center needs the size and the scale.
    static const std::vector<FrameOption> options {
        { FrameOptionId::Format, { { QStringLiteral("f"), QStringLiteral("format") }, QStringLiteral("F"), formatHelp() },
            QStringLiteral("0"), readFormat },
        { FrameOptionId::Width,
            { { QStringLiteral("W"), QStringLiteral("width") }, QStringLiteral("N"),
                QStringLiteral("Target width in pixels, 1..8192.") },
            QStringLiteral("320"),
            [](const QString& text, FrameRequest& request) {
                return readSize(text, QStringLiteral("-W/--width"), request.frame.targetWidth);
            } },
        { FrameOptionId::Height,
            { { QStringLiteral("H"), QStringLiteral("height") }, QStringLiteral("N"),
                QStringLiteral("Target height in pixels, 1..8192.") },
            QStringLiteral("240"),
            [](const QString& text, FrameRequest& request) {
                return readSize(text, QStringLiteral("-H/--height"), request.frame.targetHeight);
            } },
        { FrameOptionId::Scale,
            { { QStringLiteral("s"), QStringLiteral("scale") }, QStringLiteral("S"),
                QStringLiteral("Source pixels per output pixel, 0.1..100, '.' as the decimal point.") },
            QStringLiteral("1"), readScale },
        { FrameOptionId::Origin,
            { { QStringLiteral("origin") }, QStringLiteral("LEFT,TOP"),
                QStringLiteral("The frame's top-left corner in source pixels (whole numbers, may be negative).") },
            QStringLiteral("0,0"), readOrigin },
        { FrameOptionId::Center,
            { { QStringLiteral("center") }, QStringLiteral("X,Y"),
                QStringLiteral("The frame's centre, as a left-button drag to (X, Y) places it. Cannot be combined "
                               "with --origin.") },
            QString(), readCenter },
        { FrameOptionId::ByteOrder, { { QStringLiteral("byte-order") }, QStringLiteral("ORDER"), byteOrderHelp() },
            QStringLiteral("big"), readByteOrder },
    };
    return options;
}

const FrameOption& frameOption(FrameOptionId id)
{
    for (const FrameOption& option : frameOptions()) {
        if (option.id == id)
            return option;
    }
    return frameOptions().front();
}

template<typename List>
bool contains(const List& list, FrameOptionId id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

const OptionSpec HelpOption { { QStringLiteral("h"), QStringLiteral("help") }, {}, QStringLiteral("Show this help and exit.") };
const OptionSpec VersionOption { { QStringLiteral("v"), QStringLiteral("version") }, {},
    QStringLiteral("Show the version and exit.") };

QCommandLineOption qtOption(const OptionSpec& spec)
{
    QCommandLineOption option(spec.names, spec.help);
    if (!spec.valueName.isEmpty())
        option.setValueName(spec.valueName);
    return option;
}

// Every option a command takes, its own first.
std::vector<OptionSpec> allOptions(const CommandSpec& spec)
{
    std::vector<OptionSpec> options = spec.options;
    for (const FrameOptionId id : spec.frameOptions)
        options.push_back(frameOption(id).spec);
    options.push_back(HelpOption);
    options.push_back(VersionOption);
    return options;
}

void setUpParser(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
}

// ---------------------------------------------------------------------------
// Help

// The words of a paragraph; a quoted name such as "RGB 5:6:5" is one word.
QStringList wordsOf(const QString& paragraph)
{
    QStringList words;
    bool open = false;
    for (const QString& piece : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (open)
            words.last() += QLatin1Char(' ') + piece;
        else
            words << piece;
        if (piece.count(QLatin1Char('"')) % 2 == 1)
            open = !open;
    }
    return words;
}

// Text wrapped to width; lines that start with two spaces are kept as they are.
QStringList wrapped(const QString& text, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.startsWith(QLatin1String("  "))) {
            lines << paragraph;
            continue;
        }
        QString line;
        for (const QString& word : wordsOf(paragraph)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines;
}

// One row of a list in --help: the left column, then the text wrapped into
// the right one.
QString helpRow(const QString& left, const QString& text)
{
    const QString indent(HelpColumn, QLatin1Char(' '));
    const QString start = left.size() + 2 > HelpColumn ? left + QLatin1Char('\n') + indent : left.leftJustified(HelpColumn);
    return start + wrapped(text, HelpWidth - HelpColumn).join(QLatin1Char('\n') + indent) + QLatin1Char('\n');
}

QString optionRow(const OptionSpec& option, const QString& note = {})
{
    QStringList names;
    for (const QString& name : option.names)
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        left += QLatin1Char(' ') + option.valueName;
    QString text = option.help;
    if (!note.isEmpty())
        text += (text.contains(QLatin1Char('\n')) ? QStringLiteral("\n") : QStringLiteral(" ")) + note;
    return helpRow(left, text);
}

QString frameOptionRow(FrameOptionId id, const CommandSpec& spec)
{
    const FrameOption& option = frameOption(id);
    QString note;
    if (contains(spec.requiredFrameOptions, id))
        note = QStringLiteral("Required.");
    else if (!option.defaultText.isEmpty())
        note = QStringLiteral("Default %1.").arg(option.defaultText);
    return optionRow(option.spec, note);
}

QString ownOptionRows(const CommandSpec& spec)
{
    QString text;
    for (const OptionSpec& option : spec.options)
        text += optionRow(option);
    return text;
}

QString exampleLines(const CommandSpec& spec)
{
    QString text;
    for (const QString& line : spec.example.split(QLatin1Char('\n')))
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    return text;
}

// "-f, -W and -H".
QString frameOptionNames(const std::vector<FrameOptionId>& ids)
{
    QStringList names;
    for (const FrameOptionId id : ids)
        names << shownName({ frameOption(id).spec.names.first() });
    return spokenList(names);
}

const QString ExitStatusText = QStringLiteral(
    "Exit status: 0 on success, 1 when a file cannot be read or written or holds\n"
    "malformed data, 2 when an argument is wrong.\n");

} // namespace

// ---------------------------------------------------------------------------

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString shownName(const QStringList& names)
{
    QStringList shown;
    for (const QString& name : names)
        shown << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return shown.join(QLatin1Char('/'));
}

CommandLine::CommandLine(const CommandSpec& spec)
    : m_spec(spec)
{
    setUpParser(m_parser);
    for (const OptionSpec& option : allOptions(spec))
        m_parser.addOption(qtOption(option));
}

std::optional<Reply> CommandLine::parse(const QStringList& arguments)
{
    if (!m_parser.parse(arguments)) {
        QStringList names;
        for (const OptionSpec& option : allOptions(m_spec))
            names << shownName(option.names);
        return failure(QStringLiteral("%1 The options of %2 are %3.")
                           .arg(m_parser.errorText(), m_spec.name, spokenList(names)));
    }
    if (m_parser.isSet(HelpOption.names.first()))
        return Reply { ExitSuccess, helpText(m_spec) };
    if (m_parser.isSet(VersionOption.names.first()))
        return Reply { ExitSuccess, versionText() };
    return std::nullopt;
}

QStringList CommandLine::operands() const
{
    return m_parser.positionalArguments().mid(1);
}

std::optional<Reply> CommandLine::readFrame(FrameRequest& request) const
{
    for (const FrameOptionId id : m_spec.requiredFrameOptions) {
        const FrameOption& option = frameOption(id);
        if (!m_parser.isSet(option.spec.names.first())) {
            return failure(QStringLiteral("missing %1 %2: %3 needs it.")
                               .arg(shownName(option.spec.names), option.spec.valueName, m_spec.name));
        }
    }
    const auto given = [this](FrameOptionId id) {
        return contains(m_spec.frameOptions, id) && m_parser.isSet(frameOption(id).spec.names.first());
    };
    if (given(FrameOptionId::Origin) && given(FrameOptionId::Center)) {
        return failure(QStringLiteral("--origin and --center cannot be used together: give either the frame's "
                                      "top-left corner or its centre."));
    }
    for (const FrameOption& option : frameOptions()) {
        if (!given(option.id))
            continue;
        if (const QString problem = option.apply(m_parser.value(option.spec.names.first()), request); !problem.isEmpty())
            return failure(problem);
    }
    return std::nullopt;
}

Reply CommandLine::failure(const QString& message) const
{
    return Reply { ExitArgumentError,
        QStringLiteral("%1: %2\nTry '%1 %3 --help' for more information.\n").arg(ProgramName, message, m_spec.name) };
}

Reply programFailure(const QString& message)
{
    return Reply { ExitArgumentError, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(ProgramName, message) };
}

QString commandName(const QStringList& arguments, std::span<const CommandSpec* const> commands)
{
    // Every option of every command, so that an option's value is not taken
    // for the command; errors are left to the command's own parser.
    QCommandLineParser parser;
    setUpParser(parser);
    QStringList known;
    for (const CommandSpec* command : commands) {
        for (const OptionSpec& option : allOptions(*command)) {
            if (!known.contains(option.names.last())) {
                known << option.names.last();
                parser.addOption(qtOption(option));
            }
        }
    }
    parser.parse(arguments);
    return parser.positionalArguments().value(0);
}

QString helpText(const CommandSpec& spec)
{
    QString options = ownOptionRows(spec);
    for (const FrameOptionId id : spec.frameOptions)
        options += frameOptionRow(id, spec);
    return QStringLiteral("Usage: %1 %2\n\n%3\n\nOptions:\n%4%5\nExample:\n%6\n%7")
        .arg(ProgramName, spec.usage, wrapped(spec.description, HelpWidth).join(QLatin1Char('\n')), options,
            optionRow(HelpOption) + optionRow(VersionOption), exampleLines(spec), ExitStatusText);
}

// The first command takes every frame option; the others are told apart by
// which of them they take and need.
QString programHelp(std::span<const CommandSpec* const> commands)
{
    QString text;
    for (const CommandSpec* command : commands) {
        text += QStringLiteral("%1%2 %3\n")
                    .arg(text.isEmpty() ? QStringLiteral("Usage: ") : QString(7, QLatin1Char(' ')), ProgramName,
                        command->usage);
    }
    text += QStringLiteral("\nTurns a picture (JPEG, BMP, GIF) into a raw pixel file for a small colour\n"
                           "display, exactly as the Rasterkit window does, and checks such files.\n\nCommands:\n");
    for (const CommandSpec* command : commands)
        text += helpRow(QStringLiteral("  ") + command->name, command->summary);
    for (const CommandSpec* command : commands)
        text += QStringLiteral("\nOptions of %1:\n%2").arg(command->name, ownOptionRows(*command));

    const CommandSpec& first = *commands.front();
    QString takers;
    for (const CommandSpec* command : commands.subspan(1)) {
        takers += QStringLiteral(" %1 takes %2").arg(command->name, frameOptionNames(command->frameOptions));
        takers += command->requiredFrameOptions.empty()
            ? QStringLiteral(".")
            : QStringLiteral(" and needs %1.").arg(frameOptionNames(command->requiredFrameOptions));
    }
    text += QStringLiteral("\nFrame options:\n%1\n").arg(wrapped(QStringLiteral("%1 takes them all.%2")
                                                                     .arg(first.name, takers), HelpWidth)
                                                             .join(QLatin1Char('\n')));
    for (const FrameOptionId id : first.frameOptions)
        text += frameOptionRow(id, first);
    text += QStringLiteral("\nEvery command also takes:\n") + optionRow(HelpOption) + optionRow(VersionOption);
    text += QStringLiteral("\nExamples:\n");
    for (const CommandSpec* command : commands)
        text += exampleLines(*command);
    text += QStringLiteral("\n'%1 COMMAND --help' shows the help of one command.\n\n").arg(ProgramName);
    return text + ExitStatusText;
}

QString versionText()
{
    return QStringLiteral("%1 %2\n").arg(ProgramName, QStringLiteral(RASTERKIT_VERSION));
}

bool sameFile(const QString& first, const QString& second)
{
    // "-" is a standard stream, not a file of that name.
    if (first == StandardStream || second == StandardStream)
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

bool namesStandardOutput(const QString& path)
{
    if (path == StandardStream)
        return true;
    struct stat named {};
    struct stat standardOutput {};
    return ::stat(QFile::encodeName(path).constData(), &named) == 0 && ::fstat(STDOUT_FILENO, &standardOutput) == 0
        && named.st_dev == standardOutput.st_dev && named.st_ino == standardOutput.st_ino;
}

QString destinationProblem(const QString& path)
{
    if (namesStandardOutput(path))
        return {};
    const SaveResult problem = checkDestination(path);
    return problem.ok() ? QString() : problem.message();
}

QString writeOutput(const QString& path, std::span<const std::uint8_t> bytes)
{
    const SaveResult saved = namesStandardOutput(path) ? saveToStandardOutput(bytes) : saveOutputBytes(path, bytes);
    return saved.ok() ? QString() : saved.message();
}

QString writePicture(const QString& path, const QImage& picture)
{
    const QByteArray png = pngBytes(picture);
    if (png.isEmpty()) {
        return QStringLiteral("Cannot write \"%1\": the picture could not be encoded as PNG.")
            .arg(path == StandardStream ? QStringLiteral("standard output") : QFileInfo(path).absoluteFilePath());
    }
    return writeOutput(path, byteSpan(png));
}

std::span<const std::uint8_t> byteSpan(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::span<const std::uint8_t> byteSpan(const QByteArray& bytes)
{
    return { reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()) };
}

} // namespace rasterkit::cli
