#pragma once

#include "cliOptions.h"

#include <QString>

#include <string>
#include <string_view>

namespace rasterkit::cli {

struct ConvertOutcome {
    int exitCode = ExitSuccess;
    QString error;      // names the file and the reason; empty on success
    std::string report; // UTF-8, lines separated by CR LF, as the window's status box shows it
    bool outputOnStandardOutput = false; // the report is then printed to standard error

    bool ok() const { return exitCode == ExitSuccess; }
};

// Loads the picture, samples the frame, encodes it in the chosen format and
// writes the output file (and the report file, when one is named). Regular
// files are written atomically: a failed run leaves no partial file and an
// earlier file of that name untouched. "-" as the input reads standard input,
// as the output writes standard output. decimalSeparator is the one the report's
// compression ratio is written with.
ConvertOutcome runConvert(const ConvertOptions& options, std::string_view decimalSeparator);

// The report as a terminal shows it: plain line ends ("\n" for CR LF) and a
// line end after the last line.
std::string terminalText(std::string_view report);

} // namespace rasterkit::cli
