#pragma once

// Runs rasterkit_decode.h over a stream in each of its ways and compares what
// it hands out with the core's decoder. Shared by the device tests and the
// device decoder's fuzz target.

#include "convert/pixelformat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rasterkit::devicecheck {

// The stream with the two bytes of every 16-bit unit swapped: a big-endian
// file's little-endian form, and back. One-byte units stay; so does a unit
// cut off by the end of the data.
std::vector<std::uint8_t> swapUnits(PixelFormat format, std::span<const std::uint8_t> bytes);

// A value of the core's grid as the device shows it: each channel's kept bits
// repeated to fill 8 bits (a grey level as the grey 8 x level), then the top
// 5, 6 and 5 bits as RGB 5:6:5.
std::uint16_t widened(PixelFormat format, std::int32_t value);

// A decode's result: its last result code (RK_DONE when it succeeded), the
// byte offset of the fault, and the pixels handed out in raster order.
struct Outcome {
    int code = 0;
    std::size_t position = 0;
    std::vector<std::uint16_t> pixels;

    bool operator==(const Outcome&) const = default;
};

// The core's decoder, its values widened and its error as the header's code.
Outcome coreOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

// The header's ways of reading: row by row into a buffer exactly `width`
// long, run by run, and alternating a run and a (part) row.
enum class Way { Rows, Runs, Mixed };
Outcome deviceOutcome(Way way, PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    int byteOrder);

// Each of the header's ways, in both byte orders (the little-endian stream
// being swapUnits of the big-endian one), against the core's decoder: a line
// for every difference, empty when there is none. Sizes the core refuses but
// the header takes (above 8192) are checked for agreement between the ways.
std::string differences(PixelFormat format, std::span<const std::uint8_t> bigEndian, int width, int height);

} // namespace rasterkit::devicecheck
