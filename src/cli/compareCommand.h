#pragma once

#include "cliOptions.h"

#include <QString>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace rasterkit::cli {

struct CompareOptions {
    QString inputPath;
    QString sheetPath; // empty: no sheet
    FrameRequest request; // the frame and the filter; every format is measured
    std::vector<PixelFormat> formats; // every format unless --formats names some
    std::vector<Dither> dithers;      // one mode, or all of them
    bool json = false;
};

// One format and dither mode of the frame, as compare reports it.
struct CompareRow {
    PixelFormat format;
    Dither dither;
    SampleFilter filter;
    std::int64_t bytes = 0;
    double ratio = 0;       // the uncompressed size over bytes, as convert's report gives it
    double psnr = 0;        // dB; +infinity when nothing differs
    double bandingPsnr = 0; // dB, after the blur; +infinity when nothing differs
};

const CommandSpec& compareCommand();

std::variant<CompareOptions, Reply> parseCompare(const QStringList& arguments);

// The rows as an aligned table with a heading, and as a JSON array.
std::string compareTable(const std::vector<CompareRow>& rows);
std::string compareJson(const std::vector<CompareRow>& rows);

// Samples the frame once, then reduces and encodes it in every format with
// every dither mode asked for, measures each against the sampled colours,
// prints the table or the JSON and writes the sheet when one is named.
RunOutcome runCompare(const CompareOptions& options);

} // namespace rasterkit::cli
