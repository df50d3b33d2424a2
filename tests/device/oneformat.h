#pragma once

// rasterkit_decode.h as a firmware that reads one format alone compiles it,
// with RK_FORMATS naming only that format: oneformat.cpp, built once for each
// format below as readAlone<number>.

#include "devicecheck.h"

namespace rasterkit::devicecheck {

// The stream read row by row with its alphas, as deviceOutcome reads it with
// Way::AlphaRows, by a decoder built for "RGB 5:6:5x8", "Index 4" or
// "RGB 5:6:5 A8" alone.
using ReadAlone = Outcome (*)(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height, int byteOrder);
Outcome readAlone1(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height, int byteOrder);
Outcome readAlone18(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height, int byteOrder);
Outcome readAlone21(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height, int byteOrder);

} // namespace rasterkit::devicecheck
