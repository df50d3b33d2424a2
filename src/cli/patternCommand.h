#pragma once

#include "cliOptions.h"

#include <QString>

#include <variant>

namespace rasterkit::cli {

struct PatternOptions {
    QString outputPath;
    FrameRequest request; // the format, the size (320 x 240 unless given) and the byte order
};

const CommandSpec& patternCommand();

std::variant<PatternOptions, Reply> parsePattern(const QStringList& arguments);

// Builds the test picture at the size, encodes it in the format and byte
// order with the core's encoder and writes the raw file.
RunOutcome runPattern(const PatternOptions& options);

} // namespace rasterkit::cli
