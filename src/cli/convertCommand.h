#pragma once

#include "batch.h"
#include "cliOptions.h"

#include "convert/pixelgrid.h"
#include "output/cheader.h"
#include "platform/picturefile.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace rasterkit::cli {

// Everything one conversion needs, taken from the command line.
struct ConvertOptions {
    QString inputPath;
    QString outputPath;
    QString reportPath;  // empty: no report file
    QString previewPath; // empty: no preview
    QString arrayName;   // not empty: write a C header with this array
    QString arrayAttribute;
    CArrayType arrayType = CArrayType::Bytes;
    FrameRequest request;
    bool quiet = false;
    // Several pictures into a folder: each item is converted with the
    // options above, its own input, output and array name (batchArrayName)
    // taking the place of theirs, on up to jobs threads at once.
    std::vector<BatchItem> batch;
    QString outputFolder;
    int jobs = 1;
    // --shared-palette (a batch of an indexed format): one palette for every
    // picture, written once into the folder; each picture's file then holds
    // its index rows alone (indexRowsOnly), the palette being in the
    // request's level options, and its header names the palette's array.
    bool sharedPalette = false;
    bool indexRowsOnly = false;
    QString paletteArrayName;
    // --frames: every frame of an animated picture, into the folder
    // outputFolder (one raw file a whole frame) or the animation file
    // outputPath; --delta stores each frame after the first as what changed.
    bool frames = false;
    bool delta = false;
};

// The file --shared-palette writes the palette into: FOLDER/palette.raw, or
// palette.h with --c-array.
QString sharedPalettePath(const QString& folder, bool header);

const CommandSpec& convertCommand();

std::variant<ConvertOptions, Reply> parseConvert(const QStringList& arguments);

// Loads INPUT ("-": standard input) for sampling the request's frame: for
// the nearest pixel only the region the samples read (where the format
// allows), for the box filter the whole picture, whose every pixel a cell
// may cover. Transparent pixels are blended over the request's background,
// unless the request keeps alpha (or keepAlpha says so): then each pixel's
// straight alpha is kept (PictureLoadOptions::keepAlpha).
PictureLoadResult loadFramePicture(const QString& inputPath, const FrameRequest& request);
PictureLoadResult loadFramePicture(const QString& inputPath, const FrameRequest& request, bool keepAlpha);

// Loads the picture, samples the frame, encodes it in the chosen format and
// byte order and writes the output file (raw bytes or a C header), and the
// preview and the report file when they are named. Regular files are written
// whole or not at all; "-" as the input reads standard input, as an output
// writes standard output. decimalSeparator is the one the report's
// compression ratio is written with.
RunOutcome runConvert(const ConvertOptions& options, std::string_view decimalSeparator);

// The C array of a picture of a batch: the --c-array NAME, '_' and the
// picture's stem made a C identifier ("icon" and "play-1": "icon_play_1").
QString batchArrayName(const QString& prefix, const QString& stem);

// The report as a terminal shows it: plain line ends ("\n" for CR LF) and a
// line end after the last line.
std::string terminalText(std::string_view report);

} // namespace rasterkit::cli
