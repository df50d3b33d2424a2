#pragma once

// What the commands of rasterkit-cli share: exit codes, the parser over
// QCommandLineParser, which reads each command's own options and the frame
// options it takes, and the --help text built from the same descriptions.

#include "frameOptions.h"

#include "convert/rgbxpicture.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rasterkit::cli {

// Exit codes of rasterkit-cli.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFileError = 1;     // a file could not be read or written, or holds bad data
inline constexpr int ExitArgumentError = 2; // the command line itself is wrong

// What the program prints, and its exit status, when it stops without
// running a command: the help, the version or a bad command line.
struct Reply {
    int exitCode = ExitSuccess;
    QString text; // to standard output when the exit status is 0, else to standard error
};

// The end of a command's run.
struct RunOutcome {
    int exitCode = ExitSuccess;
    QString error;       // names the file and the reason; empty on success
    std::string printed; // UTF-8 for standard output, or standard error when the output went there
    bool outputOnStandardOutput = false;
    QString notice {}; // said on standard error whatever the outcome ("rasterkit-cli: " goes before it)

    bool ok() const { return exitCode == ExitSuccess; }
    // A run that failed over a file (exit status 1); error names it and why.
    static RunOutcome fileFailure(const QString& error) { return RunOutcome { ExitFileError, error, {} }; }
};

// One command: its options (its own, then the frame options it takes) and
// its help.
struct CommandSpec {
    QString name;        // "convert"
    QString usage;       // "convert INPUT -o OUTPUT [options]"
    QString summary;     // one line for the list of commands
    QString description; // the paragraph under the usage line
    std::vector<OptionSpec> options;
    std::vector<FrameOptionId> frameOptions;
    std::vector<FrameOptionId> requiredFrameOptions; // the others keep the start-up frame's values
    QString example;     // command lines, one per line
};

// The command line of one command, parsed.
class CommandLine {
public:
    explicit CommandLine(const CommandSpec& definition);

    // Nothing when the command should run; the help or the error otherwise.
    std::optional<Reply> parse(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    // The arguments after the command's name that are not options.
    QStringList operands() const;

    // The file an option names, into path (left empty when the option is
    // not given and not required); the error when it is missing, empty, one
    // of the other files the command reads or writes, or standard output
    // when another file written goes there too.
    struct OtherFile {
        QString path; // empty: none
        const char* what;
        bool written = true; // false for the command's input
    };
    std::optional<Reply> readPath(const QString& option, const char* what, bool required, QString& path,
        std::initializer_list<OtherFile> others = {}) const;

    // Reads the frame options given into request; the error when one is
    // wrong or a required one is missing.
    std::optional<Reply> readFrame(FrameRequest& request) const;

    // Exit status 2 with the message and a pointer to the command's help.
    Reply failure(const QString& message) const;

private:
    const CommandSpec& m_spec;
    QCommandLineParser m_parser;
};

// The command named on the command line (the first operand), whichever
// options come before it; empty when there is none.
QString commandName(const QStringList& arguments, std::span<const CommandSpec* const> commands);

// The whole help of one command, and of the program (every command).
QString helpText(const CommandSpec& definition);
QString programHelp(std::span<const CommandSpec* const> commands);
QString versionText();

// Exit status 2 with the message and a pointer to the program's help.
Reply programFailure(const QString& message);

// How an option is named in messages: "-o/--output", "--report".
QString shownName(const QStringList& names);

// Whether two paths name the same file, existing or not.
bool sameFile(const QString& first, const QString& second);

// "-" names a standard stream, as in most tools: standard input as a
// command's input, standard output as its output.
inline const QString StandardStream = QStringLiteral("-");

// Whether writing to path writes the program's standard output: "-", or a
// name of the file that standard output already is (/dev/stdout, or a
// redirection to the same file), so that the shell's redirection stays in
// charge.
bool namesStandardOutput(const QString& path);

// The problem that writing to path would run into and that can be seen
// before anything is written (a folder, a missing folder); empty when none,
// and for standard output.
QString destinationProblem(const QString& path);

// Writes the bytes, whole or not at all, to the file at path (see
// saveOutputBytes), or to standard output when path names it. The failure's
// message, naming the file and the reason; empty on success.
QString writeOutput(const QString& path, std::span<const std::uint8_t> bytes);

// The picture as PNG, written as writeOutput writes. PNG files are made by
// the module over Qt Gui (guifunctions.h), loaded here if need be.
QString writePicture(const QString& path, const RgbxPicture& picture);

// A JSON string literal of UTF-8 text, quoted and escaped.
std::string jsonString(std::string_view text);

// Bytes of a string or byte array, for writeOutput.
std::span<const std::uint8_t> byteSpan(const std::string& text);
std::span<const std::uint8_t> byteSpan(const QByteArray& bytes);

} // namespace rasterkit::cli
