#pragma once

// rasterkit-cli plan: one format and dither mode for each picture of a set,
// so that the set fits a byte budget and its worst picture looks as good as
// it can.

#include "cliOptions.h"
#include "compareCommand.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace rasterkit::cli {

// The largest budget --budget takes: 1 TiB, far beyond any flash.
inline constexpr std::int64_t MaximumBudget = std::int64_t(1) << 40;

struct PlanOptions {
    QStringList inputPaths; // the pictures, folders and patterns expanded, in the order given
    std::int64_t budget = 0; // bytes
    FrameRequest request;    // the frame, the filter, the threshold, the byte order of the CMake calls
    std::vector<PixelFormat> formats; // the colour formats unless --formats names some
    std::vector<Dither> dithers;      // every dither mode unless --dither-modes names some
    bool json = false;
    QString cmakePath;         // empty: no CMake file
    bool byteOrderGiven = false;  // BYTE_ORDER goes into the CMake calls
    bool backgroundGiven = false; // BACKGROUND goes into the CMake calls
    FramesMeasure measure;        // --frames, --delta: each picture's every frame
};

const CommandSpec& planCommand();

std::variant<PlanOptions, Reply> parsePlan(const QStringList& arguments);

// A budget as --budget takes it: a whole number of bytes, optionally
// followed by B ("65536", "65536B"), or a number followed by KiB or MiB
// ("256KiB", "1.5MiB"), a fraction rounded down to whole bytes; from 1 byte
// to MaximumBudget. The message, naming the accepted forms, when the text is
// not one.
std::variant<std::int64_t, QString> parseBudget(const QString& text);


// The options measured for each picture (measureFrame's rows) and the
// choice made among them.
struct PlanChoice {
    std::vector<std::size_t> chosen; // the index of each picture's option; empty when none fits
    std::int64_t total = 0;          // the bytes of the choice; when none fits, of every picture's smallest option
    double lowestBandingPsnr = 0;    // of the choice

    bool fits() const { return !chosen.empty(); }
};

// The choice of one option a picture whose bytes add up to at most the
// budget and whose lowest banding PSNR is as high as any such choice's, with
// the fewest bytes among those. Every picture has at least one option.
PlanChoice choosePlan(std::span<const std::vector<CompareRow>> options, std::int64_t budget);

// The pictures with their chosen rows, as a table with the total, the budget
// and the headroom, or as a JSON object.
std::string planTable(const QStringList& pictures, std::span<const CompareRow> rows, std::int64_t budget);
std::string planJson(const QStringList& pictures, std::span<const CompareRow> rows, std::int64_t budget);

// The CMake file that builds exactly the chosen rows: one
// rasterkit_add_images() call for each format and dither mode chosen, named
// after the file, and an interface library of them all. Pictures are named
// relative to the file's folder, or absolute when it is standard output.
std::string planCmake(const PlanOptions& options, std::span<const CompareRow> rows);

// Measures every picture on all cores, with a progress line on a terminal,
// chooses, prints the table or the JSON and writes the CMake file. Exit
// status 1 when a picture cannot be read or when no choice fits.
RunOutcome runPlan(const PlanOptions& options);

} // namespace rasterkit::cli
