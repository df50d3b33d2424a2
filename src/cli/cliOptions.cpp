#include "cliOptions.h"

#include "guifunctions.h"

#include "output/outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

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

template<typename List>
bool contains(const List& list, FrameOptionId id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

const OptionSpec HelpOption { { QStringLiteral("h"), QStringLiteral("help") }, {}, QStringLiteral("Show this help and exit.") };
const OptionSpec VersionOption { { QStringLiteral("v"), QStringLiteral("version") }, {},
    QStringLiteral("Show the version and exit.") };

QCommandLineOption qtOption(const OptionSpec& definition)
{
    QCommandLineOption option(definition.names, definition.help);
    if (!definition.valueName.isEmpty())
        option.setValueName(definition.valueName);
    return option;
}

// Every option a command takes, its own first.
std::vector<OptionSpec> allOptions(const CommandSpec& definition)
{
    std::vector<OptionSpec> options = definition.options;
    for (const FrameOptionId id : definition.frameOptions)
        options.push_back(frameOption(id).definition);
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

// The words of a paragraph; a quoted name with spaces, a format name, is one word.
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

QString frameOptionRow(FrameOptionId id, const CommandSpec& definition)
{
    const FrameOption& option = frameOption(id);
    QString note;
    if (contains(definition.requiredFrameOptions, id))
        note = QStringLiteral("Required.");
    else if (!option.defaultText.isEmpty())
        note = QStringLiteral("Default %1.").arg(option.defaultText);
    return optionRow(option.definition, note);
}

QString ownOptionRows(const CommandSpec& definition)
{
    QString text;
    for (const OptionSpec& option : definition.options)
        text += optionRow(option);
    return text;
}

QString exampleLines(const CommandSpec& definition)
{
    QString text;
    for (const QString& line : definition.example.split(QLatin1Char('\n')))
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    return text;
}

// "-f, -W and -H".
QString frameOptionNames(const std::vector<FrameOptionId>& ids)
{
    QStringList names;
    for (const FrameOptionId id : ids)
        names << shownName({ frameOption(id).definition.names.first() });
    return spokenList(names);
}

const QString ExitStatusText = QStringLiteral(
    "Exit status: 0 on success, 1 when a file cannot be read or written or holds\n"
    "malformed data, 2 when an argument is wrong.\n");

} // namespace

// ---------------------------------------------------------------------------

QString shownName(const QStringList& names)
{
    QStringList shown;
    for (const QString& name : names)
        shown << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return shown.join(QLatin1Char('/'));
}

CommandLine::CommandLine(const CommandSpec& definition)
    : m_spec(definition)
{
    setUpParser(m_parser);
    for (const OptionSpec& option : allOptions(definition))
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

std::optional<Reply> CommandLine::readPath(const QString& option, const char* what, bool required, QString& path,
    std::initializer_list<OtherFile> others) const
{
    const auto definition = std::find_if(m_spec.options.begin(), m_spec.options.end(),
        [&](const OptionSpec& candidate) { return candidate.names.contains(option); });
    const QString shown = definition != m_spec.options.end() ? shownName(definition->names) : option;
    const QString valueName = definition != m_spec.options.end() ? definition->valueName : QString();
    if (!m_parser.isSet(option)) {
        if (!required)
            return std::nullopt;
        return failure(QStringLiteral("missing %1 %2: name the %3 to write.").arg(shown, valueName, QLatin1String(what)));
    }
    path = m_parser.value(option);
    if (path.isEmpty())
        return failure(QStringLiteral("%1 %2 is empty: name the %3 to write.").arg(shown, valueName, QLatin1String(what)));
    for (const OtherFile& other : others) {
        if (other.written && path == StandardStream && other.path == StandardStream) {
            return failure(QStringLiteral("%1 - and the %2 both write standard output: send one of them to a file.")
                               .arg(shown, QLatin1String(other.what)));
        }
        if (!other.path.isEmpty() && sameFile(path, other.path)) {
            return failure(QStringLiteral("%1 \"%2\" names the %3: choose another %4.")
                               .arg(shown, path, QLatin1String(other.what), QLatin1String(what)));
        }
    }
    return std::nullopt;
}

std::optional<Reply> CommandLine::readFrame(FrameRequest& request) const
{
    for (const FrameOptionId id : m_spec.requiredFrameOptions) {
        const FrameOption& option = frameOption(id);
        if (!m_parser.isSet(option.definition.names.first())) {
            return failure(QStringLiteral("missing %1 %2: %3 needs it.")
                               .arg(shownName(option.definition.names), option.definition.valueName, m_spec.name));
        }
    }
    const auto given = [this](FrameOptionId id) {
        return contains(m_spec.frameOptions, id) && m_parser.isSet(frameOption(id).definition.names.first());
    };
    if (given(FrameOptionId::Origin) && given(FrameOptionId::Center)) {
        return failure(QStringLiteral("--origin and --center cannot be used together: give either the frame's "
                                      "top-left corner or its centre."));
    }
    for (const FrameOption& option : frameOptions()) {
        if (!given(option.id))
            continue;
        if (const QString problem = option.apply(m_parser.value(option.definition.names.first()), request); !problem.isEmpty())
            return failure(problem);
    }
    // The options that apply to some formats only, once the format is known.
    if (contains(m_spec.frameOptions, FrameOptionId::Format)) {
        const QString problem = formatOptionProblem(request, given(FrameOptionId::ColourOrder),
            given(FrameOptionId::Threshold), given(FrameOptionId::Invert));
        if (!problem.isEmpty())
            return failure(problem);
        if (const QString palette = paletteOptionProblem(request); !palette.isEmpty())
            return failure(palette);
        if (const QString transparency = transparencyOptionProblem(request, given(FrameOptionId::Background));
            !transparency.isEmpty())
            return failure(transparency);
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

QString helpText(const CommandSpec& definition)
{
    QString options = ownOptionRows(definition);
    for (const FrameOptionId id : definition.frameOptions)
        options += frameOptionRow(id, definition);
    return QStringLiteral("Usage: %1 %2\n\n%3\n\nOptions:\n%4%5\nExample:\n%6\n%7")
        .arg(ProgramName, definition.usage, wrapped(definition.description, HelpWidth).join(QLatin1Char('\n')), options,
            optionRow(HelpOption) + optionRow(VersionOption), exampleLines(definition), ExitStatusText);
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
    text += QStringLiteral("\nTurns a picture (JPEG, PNG, BMP, GIF) into a raw pixel file for a small colour\n"
                           "display, exactly as the Rasterkit window does, and checks such files.\n\nCommands:\n");
    for (const CommandSpec* command : commands)
        text += helpRow(QStringLiteral("  ") + command->name, command->summary);
    for (const CommandSpec* command : commands)
        text += QStringLiteral("\nOptions of %1:\n%2").arg(command->name, ownOptionRows(*command));

    const CommandSpec& first = *commands.front();
    QString takers;
    for (const CommandSpec* command : commands.subspan(1)) {
        if (command->frameOptions.empty())
            continue;
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

QString writePicture(const QString& path, const RgbxPicture& picture)
{
    const QString shown = path == StandardStream ? QStringLiteral("standard output") : QFileInfo(path).absoluteFilePath();
    QString problem;
    const GuiFunctions* functions = guiFunctions(&problem);
    if (functions == nullptr)
        return QStringLiteral("Cannot write \"%1\": PNG files are made by a module, and %2.").arg(shown, problem);
    const QByteArray png = picture.isNull() ? QByteArray() : functions->pngBytes(picture);
    if (png.isEmpty())
        return QStringLiteral("Cannot write \"%1\": the picture could not be encoded as PNG.").arg(shown);
    return writeOutput(path, byteSpan(png));
}

std::string jsonString(std::string_view text)
{
    std::string quoted = "\"";
    for (const char character : text) {
        if (character == '"' || character == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (static_cast<unsigned char>(character) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(character));
            quoted += escaped;
        } else {
            quoted += character;
        }
    }
    return quoted + '"';
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
