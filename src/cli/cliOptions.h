#pragma once

#include "convert/pixelformat.h"
#include "convert/sampling.h"

#include <QString>
#include <QStringList>

namespace rasterkit::cli {

// Exit codes of rasterkit-cli.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFileError = 1;     // a picture, output or report file could not be read or written
inline constexpr int ExitArgumentError = 2; // the command line itself is wrong

// Bounds of the numbers the convert command accepts.
inline constexpr int MinimumSize = 1;
inline constexpr int MaximumSize = 8192;
inline constexpr double MinimumScale = 0.1;
inline constexpr double MaximumScale = 100.0;

// Everything one conversion needs, taken from the command line.
struct ConvertOptions {
    QString inputPath;
    QString outputPath;
    QString reportPath; // empty: no report file
    PixelFormat format = PixelFormat::RGB565;
    // The window's start-up frame: 320 x 240 at scale 1 with its corner at 0, 0.
    FrameSettings frame;
    bool quiet = false;
};

enum class CliAction {
    Convert,     // run the conversion described by options
    ShowHelp,    // print text to standard output and exit 0
    ShowVersion, // print text to standard output and exit 0
    Fail,        // print text to standard error and exit with exitCode
};

struct CliParseResult {
    CliAction action = CliAction::Fail;
    ConvertOptions options;
    QString text;
    int exitCode = ExitArgumentError;
};

// Reads the arguments (the program name first, as QCoreApplication::arguments()
// gives them). A bad argument gives CliAction::Fail with exit code 2 and a
// message that names the argument and what it accepts.
CliParseResult parseCommandLine(const QStringList& arguments);

// The text printed by --help (and, after an error, when no command is given).
QString usageText();

// The text printed by --version.
QString versionText();

} // namespace rasterkit::cli
