#pragma once

#include "pixelformat.h"
#include "pixelgrid.h"

#include <functional>
#include <span>

namespace rasterkit {

// The run-length encoders scan the grid twice: a counting pass that learns
// the output size, then a writing pass into bytes allocated once at that
// size. The plain encoders make a single writing pass.
enum class EncodePass { Counting, Writing };

// Called after each finished row of each pass: row (1-based) of rowCount.
using EncodeProgress = std::function<void(int row, int rowCount, EncodePass pass)>;

// The format's encoder, as its row of the format table gives it: reads the
// grid and returns the complete output file image. An empty grid gives
// empty output.
//
// An indexed format writes the palette of the grid's own colours, in
// ascending order of their 5:6:5 words, then each pixel's index into it. (A
// grid of more colours than the palette holds, which no reduction makes, is
// written through the palette chosen for its colours.)
OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress = {});

// The same with the palette given, in its order: each pixel is the index of
// its colour there (the first entry holding it; the nearest, should none).
// Entries past the format's palette are left out. Formats without a palette
// ignore it.
OutputBytes encode(PixelFormat format, const PixelGrid& grid, std::span<const Colour> palette,
    const EncodeProgress& progress = {});

// The two parts of an indexed format's file on their own, as a batch with a
// shared palette writes them: the palette, paletteBytes bytes (its colours'
// words high byte first, then 0s), and the index rows. Empty for the other
// formats.
OutputBytes encodePalette(PixelFormat format, std::span<const Colour> palette);
OutputBytes encodeIndexRows(PixelFormat format, const PixelGrid& grid, std::span<const Colour> palette,
    const EncodeProgress& progress = {});

} // namespace rasterkit
