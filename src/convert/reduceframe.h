#pragma once

// The one route from a picture to the grid a format's encoder reads, for the
// window, convert and compare alike: each row of the frame is sampled
// (ColourSampler: the nearest pixel, or the box filter's mean) and brought
// down to the format's levels (RowReducer: the format's own reduction, or
// dithered).

#include "boxfilter.h"
#include "dither.h"
#include "pixelformat.h"
#include "pixelgrid.h"
#include "sampling.h"

#include <vector>

namespace rasterkit {

// What a conversion asks of a frame. The defaults are the window's own: the
// nearest pixel, reduced without dithering.
struct ReductionRequest {
    FrameSettings frame;
    PixelFormat format = DefaultPixelFormat;
    SampleFilter filter = SampleFilter::Nearest;
    Dither dither = Dither::None;
};

// Reduces the frame one row at a time, rows in order from the top, so that
// a caller can show each row and yield between them.
class FrameReducer {
public:
    // The source must outlive the reducer (see ColourSampler for what it
    // must hold).
    FrameReducer(const SourceImage& source, const ReductionRequest& request);

    // Fills grid(1..targetWidth, row); the grid is targetWidth x targetHeight.
    void reduceRow(int row, PixelGrid& grid);

    const ReductionRequest& request() const { return m_request; }

private:
    ReductionRequest m_request;
    ColourSampler m_sampler;
    RowReducer m_reducer;
    std::vector<std::int32_t> m_colours; // the row being reduced, as sampled
};

// The whole frame reduced into a new grid of targetWidth x targetHeight; a
// size outside 1..MaximumTargetSize gives an empty grid.
PixelGrid reduceFrame(const SourceImage& source, const ReductionRequest& request, const SamplingProgress& progress = {});

} // namespace rasterkit
