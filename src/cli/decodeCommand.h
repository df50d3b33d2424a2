#pragma once

#include "cliOptions.h"

#include <QString>

#include <variant>

namespace rasterkit::cli {

struct DecodeOptions {
    QString inputPath;  // the raw file
    QString outputPath; // the PNG picture; with frames, the folder of frames (may be empty)
    FrameRequest request;
    // --frames: the input is an animation file; every frame as the display
    // shows it goes into the folder outputPath as NAME_000.png ..., and
    // into the contact sheet sheetPath when it is given.
    bool frames = false;
    QString sheetPath;
};

const CommandSpec& decodeCommand();

std::variant<DecodeOptions, Reply> parseDecode(const QStringList& arguments);

// Reads the raw file, decodes it with the core's decoder for the format and
// writes the picture the window's preview would show, as PNG. A malformed
// file is refused with the byte offset and the problem, and nothing is
// written.
RunOutcome runDecode(const DecodeOptions& options);

} // namespace rasterkit::cli
