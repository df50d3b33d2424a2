#pragma once

#include "pixelformat.h"
#include "pixelgrid.h"

#include <functional>

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
OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress = {});

} // namespace rasterkit
