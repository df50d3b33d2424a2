#pragma once

// The one route from a picture to the grid a format's encoder reads, for the
// window, convert and compare alike: each row of the frame is sampled
// (ColourSampler: the nearest pixel, or the box filter's mean) and brought
// down to the format's levels (RowReducer: the format's own reduction, or
// dithered); the reduced frame is then turned as the panel is mounted.

#include "boxfilter.h"
#include "dither.h"
#include "orientation.h"
#include "pixelformat.h"
#include "pixelgrid.h"
#include "sampling.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace rasterkit {

// What a conversion asks of a frame. The defaults are the window's own: the
// nearest pixel, reduced without dithering, neither turned nor mirrored.
struct ReductionRequest {
    FrameSettings frame;
    PixelFormat format = DefaultPixelFormat;
    SampleFilter filter = SampleFilter::Nearest;
    Dither dither = Dither::None;
    LevelOptions levels {};
    Orientation orientation {};
    // For the formats that take one (takesTransparentKey, transparency.h):
    // the colour (0x00BBGGRR) written for samples with alpha under 128, and
    // what the others are blended over.
    std::optional<Colour> transparentKey {};
    Colour keyBackground = PreviewBackground;

    // Whether the source's alpha matters: a format that keeps alpha, or a
    // transparent key. The source is then read with straight alpha
    // (SourceImage::straightAlpha) wherever the picture has any.
    bool keepsAlpha() const { return formatInfo(format).keepsAlpha() || transparentKey.has_value(); }

    // The size of the reduced grid: the frame's, its sides swapped when
    // turned a quarter.
    int outputWidth() const { return orientation.swapsSides() ? frame.targetHeight : frame.targetWidth; }
    int outputHeight() const { return orientation.swapsSides() ? frame.targetWidth : frame.targetHeight; }
};

// Reduces the frame one row at a time, rows in order from the top, so that a
// caller can show each row and yield between them. The frame as it lies on
// the picture: the request's orientation is reduceFrame's to apply. An
// indexed format needs its palette in the request's level options (its
// rows are otherwise the 5:6:5 colours themselves): choosing one takes the
// whole frame, which reduceFrame does. A request that keeps alpha samples
// the alphas too and applies the transparency rule (transparency.h) around
// the reduction.
class FrameReducer {
public:
    // The source must outlive the reducer (see ColourSampler for what it
    // must hold).
    FrameReducer(const SourceImage& source, const ReductionRequest& request);

    // Fills grid(1..targetWidth, row); the grid is the frame's size.
    void reduceRow(int row, PixelGrid& grid);
    // The same into reduced, targetWidth values.
    void reduceRow(int row, std::span<std::int32_t> reduced);

    const ReductionRequest& request() const { return m_request; }

private:
    ReductionRequest m_request;
    ColourSampler m_sampler;
    RowReducer m_reducer;
    std::vector<std::int32_t> m_colours; // the row being reduced, as sampled
    std::vector<std::uint8_t> m_alphas;  // its alphas, when the request keeps alpha
};

// The whole frame reduced, then turned: a new grid of outputWidth x
// outputHeight. A size outside 1..MaximumTargetSize gives an empty grid.
// progress is called after each row of the frame. For an indexed format
// without a palette, the palette is chosen for the frame's samples
// (paletteForSamples); the grid then holds the colours of that palette in
// use, which is the palette the encoder writes.
PixelGrid reduceFrame(const SourceImage& source, const ReductionRequest& request, const SamplingProgress& progress = {});

} // namespace rasterkit
