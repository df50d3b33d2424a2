#pragma once

#include "cliOptions.h"

#include "convert/boxfilter.h"
#include "convert/pixelgrid.h"
#include "platform/picturefile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace rasterkit::cli {

// How a picture is measured: its one frame, or (frames) every frame of an
// animated picture as one picture; with delta, each frame after the first
// as the rectangle of what changed, as convert --frames --delta stores it.
struct FramesMeasure {
    bool frames = false;
    bool delta = false;
};

// --frames and --delta of compare and plan, and reading them.
std::vector<OptionSpec> framesMeasureOptions();
std::optional<Reply> readFramesMeasure(const CommandLine& line, FramesMeasure& measure);

struct CompareOptions {
    QString inputPath;
    QString sheetPath; // empty: no sheet
    FrameRequest request; // the frame and the filter; every format is measured
    std::vector<PixelFormat> formats; // every format unless --formats names some
    std::vector<Dither> dithers;      // one mode, or all of them
    bool json = false;
    FramesMeasure measure;
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

// A PSNR as the table shows it ("38.25", "inf") and as the JSON does
// ("38.2517", null for an infinite one).
std::string decibels(double value);
std::string jsonDecibels(double value);

// A list of formats as --formats takes them: names, short names or indices
// as -f takes them, separated by commas, each once (a repeat is dropped).
// The message, naming the option, when an item is not a format.
QString readFormatList(const QString& text, const QString& option, std::vector<PixelFormat>& formats);
// Two short names and an index, as --formats takes them, for the help and messages.
QString formatListExample();

std::variant<CompareOptions, Reply> parseCompare(const QStringList& arguments);

// The rows as an aligned table with a heading, and as a JSON array.
std::string compareTable(const std::vector<CompareRow>& rows);
std::string compareJson(const std::vector<CompareRow>& rows);

// Sees each reduced grid that measureFrame measured, with its row.
using ReducedGridVisitor = std::function<void(const CompareRow& row, const PixelGrid& reduced)>;

// A frame sampled for measureFrame: its colours blended over the background
// as convert blends them (what every format is measured against, and what
// the formats without alpha reduce), and for the formats that keep alpha the
// straight colours with their alphas (empty when none is measured).
struct FrameSamples {
    PixelGrid colours;
    SampledFrame straight;
};

// Whether any of the formats keeps alpha: the picture is then loaded with
// its alpha (loadFramePicture's keepAlpha) and sampled both ways.
bool anyKeepsAlpha(std::span<const PixelFormat> formats);

// Samples the request's frame of a loaded picture (loaded with keepAlpha as
// given), both ways with keepAlpha; the message when memory runs out.
std::variant<FrameSamples, QString> sampleFrame(
    const PictureLoadResult& picture, const FrameRequest& request, bool keepAlpha);

// A sampled frame reduced and encoded in every format with every dither
// mode, formats first, and each measured against the blended colours:
// compare's rows, and plan's options. The request gives the frame's size,
// the filter, the level options and the transparency options.
std::vector<CompareRow> measureFrame(const FrameSamples& samples, const FrameRequest& request,
    std::span<const PixelFormat> formats, std::span<const Dither> dithers, const ReducedGridVisitor& visit = {});

// The picture at path loaded and measured as measureFrame measures a frame.
// With frames, every frame of an animated picture (a still picture being
// one frame) as one picture: each row's bytes are the sum of its frames'
// bytes, and its figures those of every frame's errors taken together.
// visit sees the grids of the first frame. The message naming the file
// when it cannot be read.
std::variant<std::vector<CompareRow>, QString> measurePicture(const QString& path, const FrameRequest& request,
    std::span<const PixelFormat> formats, std::span<const Dither> dithers, const FramesMeasure& measure = {},
    const ReducedGridVisitor& visit = {});

// Samples the frame once, then reduces and encodes it in every format with
// every dither mode asked for, measures each against the sampled colours,
// prints the table or the JSON and writes the sheet when one is named.
RunOutcome runCompare(const CompareOptions& options);

} // namespace rasterkit::cli
