#pragma once

// Runs rasterkit_decode.h over a stream in each of its ways and compares what
// it hands out with the core's decoder. Shared by the device tests and the
// device decoder's fuzz target.

#include "convert/pixelformat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace rasterkit::devicecheck {

// The formats the header reads, numbered as the core numbers them: the
// window's eight, then "Index 1", "Index 2", "Index 4", "Index 8", "A 8" and
// "RGB 5:6:5 A8" (16 .. 21).
inline constexpr int FirstLayoutFormat = 16;
inline constexpr std::array<PixelFormat, 14> DeviceFormats = [] {
    std::array<PixelFormat, 14> formats {};
    for (std::size_t index = 0; index < formats.size(); ++index)
        formats[index] = static_cast<PixelFormat>(index < 8 ? static_cast<int>(index) : FirstLayoutFormat + static_cast<int>(index) - 8);
    return formats;
}();

// Whether the format is one of 16 .. 21, whose files are also made here
// from their layouts (indexFile, alphaFile, randomLayoutFile).
constexpr bool isLayoutFormat(PixelFormat format) { return formatIndex(format) >= FirstLayoutFormat; }
// n of "Index n", or 0.
int indexBits(PixelFormat format);
// The short name ("rgb565x8", "i4", "rgb565a8").
std::string shortName(PixelFormat format);

// The stream with the two bytes of every 16-bit unit swapped: a big-endian
// file's little-endian form, and back. Those units are the words of the
// window's formats' records, an index file's palette entries and the first
// width x height words of "RGB 5:6:5 A8". One-byte units (indices, alphas)
// stay; so does a unit cut off by the end of the data.
std::vector<std::uint8_t> swapUnits(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

// A value of the core's grid as the device shows it: each channel's kept bits
// repeated to fill 8 bits (a grey level as the grey 8 x level), then the top
// 5, 6 and 5 bits as RGB 5:6:5.
std::uint16_t widened(PixelFormat format, std::int32_t value);

// A decode's result: its last result code (RK_DONE when it succeeded), the
// byte offset of the fault, the colours handed out in raster order and,
// when the way of reading gives them, the alphas.
struct Outcome {
    int code = 0;
    std::size_t position = 0;
    std::vector<std::uint16_t> pixels;
    std::vector<std::uint8_t> alphas;

    bool operator==(const Outcome&) const = default;
};

// The core's decoder, its values widened to the colours the header hands
// out (a palette entry, a straight colour, white for "A 8"), with the
// alphas, and its error as the header's code.
Outcome coreOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

// What the header must hand out for a big-endian stream: coreOutcome.
Outcome referenceOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

// The header's ways of reading: row by row into a buffer exactly `width`
// long, run by run, alternating a run and a (part) row, and row by row with
// the alphas.
enum class Way { Rows, Runs, Mixed, AlphaRows };
Outcome deviceOutcome(Way way, PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    int byteOrder);

// Each of the header's ways, in both byte orders (the little-endian stream
// being swapUnits of the big-endian one), against referenceOutcome: a line
// for every difference, empty when there is none. Sizes the core refuses but
// the header takes (above 8192) are checked for agreement between the ways.
std::string differences(PixelFormat format, std::span<const std::uint8_t> bigEndian, int width, int height);

// Files of formats 16 .. 21 made from their layouts, big-endian: an index
// file from its palette (padded with 0 entries to 2^n) and one index a
// pixel in raster order; an alpha file from one colour (ignored for "A 8")
// and one alpha a pixel.
std::vector<std::uint8_t> indexFile(PixelFormat format, const std::vector<std::uint16_t>& palette,
    const std::vector<std::uint8_t>& indices, int width, int height);
std::vector<std::uint8_t> alphaFile(PixelFormat format, const std::vector<std::uint16_t>& colours,
    const std::vector<std::uint8_t>& alphas);

// A random well-formed file of formats 16 .. 21, as Rasterkit lays them out:
// an index file using `colours` palette entries (at most 2^n; now and then
// black among them, last too, or no colour but black), its indices over
// them; or an alpha file of opaque and transparent areas with soft edges,
// its transparent pixels' colours 0.
std::vector<std::uint8_t> randomLayoutFile(PixelFormat format, int width, int height, std::mt19937& random, int colours);

// rk_animation over an animation file against the core's readAnimation: both
// accept it or both refuse it (the header refusing formats 8 .. 15 with
// RK_ERR_FORMAT), with the same fault (the core's error as the header's
// code; a bad frame stream with the decoder's code the core's decoder gives
// it) in the same frame; an accepted file with the same header numbers, the
// same records and data (where it lies in the file) for every frame, played
// over again as the loop count says, then RK_DONE. A line for every
// difference, empty when there is none.
std::string animationDifferences(std::span<const std::uint8_t> file);

} // namespace rasterkit::devicecheck
