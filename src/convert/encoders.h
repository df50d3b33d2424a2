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

// Each encoder reads the grid and returns the complete output file image.
// An empty grid gives empty output.
OutputBytes EncodeRGB565(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB332(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB565x8(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB544x3(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB444x4(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB333x7(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeRGB332x8(const PixelGrid& grid, const EncodeProgress& progress = {});
OutputBytes EncodeY5x3(const PixelGrid& grid, const EncodeProgress& progress = {});

// The encoder of a format.
OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress = {});

} // namespace rasterkit
