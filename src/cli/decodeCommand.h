#pragma once

#include "cliOptions.h"

#include <QString>

#include <variant>

namespace rasterkit::cli {

struct DecodeOptions {
    QString inputPath;  // the raw file
    QString outputPath; // the PNG picture
    FrameRequest request;
};

const CommandSpec& decodeCommand();

std::variant<DecodeOptions, Reply> parseDecode(const QStringList& arguments);

// Reads the raw file, decodes it with the core's decoder for the format and
// writes the picture the window's preview would show, as PNG. A malformed
// file is refused with the byte offset and the problem, and nothing is
// written.
RunOutcome runDecode(const DecodeOptions& options);

} // namespace rasterkit::cli
