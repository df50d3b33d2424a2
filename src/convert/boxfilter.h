#pragma once

#include "pixelgrid.h"
#include "sampling.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace rasterkit {

// How one sample reads the picture.
enum class SampleFilter {
    // The pixel nearest to the sample position: the window's rule.
    Nearest,
    // The mean of the pixels under the sample's cell, the SampleStep x
    // SampleStep square centred on the sample position, each pixel weighted
    // by the area of it the cell covers. The mean is taken in linear light.
    Box,
};

inline constexpr std::array<SampleFilter, 2> AllSampleFilters { SampleFilter::Nearest, SampleFilter::Box };

// "nearest" or "box".
std::string_view sampleFilterName(SampleFilter filter);
// The name as sampleFilterName gives it, compared without regard to case.
std::optional<SampleFilter> parseSampleFilter(std::string_view text);

// The filter a frame is sampled with: Box asked for with a step of 1 or
// less is Nearest, pixel for pixel the same.
constexpr SampleFilter filterInUse(SampleFilter filter, double sampleStep)
{
    return filter == SampleFilter::Box && sampleStep > 1.0 ? SampleFilter::Box : SampleFilter::Nearest;
}

namespace detail {

// The pixels a cell covers along one axis, clipped to the picture's
// 0..extent - 1. Pixel p covers p - 0.5 to p + 0.5, so the pixel nearest to
// a position is the one that holds it. The pixels between first and last are
// covered whole; first and last may be covered in part.
struct CellSpan {
    std::int64_t first = 0;
    std::int64_t last = -1;  // last < first: the cell misses the picture on this axis
    float firstWeight = 0;   // the covered length of pixel first (its only weight when first == last)
    float lastWeight = 0;    // the covered length of pixel last, when last > first
    float inverseLength = 0; // 1 / the covered length of the whole span

    bool isEmpty() const { return last < first; }
};

// Red, green and blue on the linear light scale, and in the fourth place the
// transparency (1 - alpha / 255; 0 for an opaque pixel), as one vector of
// four floats (a GCC and Clang extension), so that the four are scaled and
// added by single instructions. The colour of a pixel that is not opaque is
// premultiplied by its alpha.
using Light = float __attribute__((vector_size(16)));

// The span of the cell of the given size centred on centre.
CellSpan cellSpan(double centre, double size, std::int64_t extent);

} // namespace detail

// Samples the framed region of a picture into a grid of colours that are not
// yet reduced to any format: column i and row j (1-based) hold the colour
// 0x00BBGGRR sampled at (frameLeft + step x i, frameTop + step x j), the
// positions narrowed to single precision as the window's sampler does, or -1
// (OutsideSample) where the sample lies outside the picture. The frame's
// conversion (reduceFrame) reduces them to the format's levels.
//
// Box: each channel is decoded from sRGB to linear light, averaged over the
// cell with area weights, encoded back and rounded. The part of a cell outside
// the picture does not count; a cell wholly outside reads -1. A step of 1 or
// less is sampled as Nearest, pixel for pixel the same.
//
// Alpha (sampleRow with alphas, a source with straightAlpha): Nearest takes
// the pixel's own. Box averages the colour weighted by each pixel's alpha as
// well as its area, in linear light as above, and the alpha with the area
// weights alone, rounded to the nearest of 0..255; a cell where every pixel
// is opaque gives exactly the colour it gives without alpha. A sample with
// alpha 0 has no colour: it reads 0. Outside the picture is fully
// transparent: a sample there reads -1 with alpha 0, and as for the colour,
// the part of a cell outside the picture does not count. A source without
// alpha is opaque: 255 inside, 0 outside.
//
// The source may hold only part of the picture, from its pixel (left, top):
// positions are made relative to it. Nearest then
// needs only the pixels the samples select (sampledRegion); Box takes the
// stored pixels' edges for the picture's, so for Box the stored pixels must
// hold every pixel a cell covers: decode the whole picture.
class ColourSampler {
public:
    ColourSampler(const SourceImage& source, const FrameSettings& frame, SampleFilter filter);

    // Fills out with the colours of row (1-based) from column 1; out holds
    // targetWidth colours. Rows may come in any order; in order from the
    // top, box filtering reads each source row once (for steps up to 7).
    void sampleRow(int row, std::span<std::int32_t> out);
    // The same, and alphas (as many as out) with each sample's alpha.
    void sampleRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas);

    const FrameSettings& frame() const { return m_frame; }
    // The filter in use: Box asked for with a step of 1 or less is Nearest.
    SampleFilter filter() const { return m_filter; }

private:
    void sampleNearestRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas) const;
    void sampleBoxRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas);
    // The horizontal means of source row y under every column's cell.
    const detail::Light* rowMeans(std::int64_t y);
    void averageSourceRow(std::int64_t y, detail::Light* means);

    SourceImage m_source;
    FrameSettings m_frame;
    SampleFilter m_filter;
    std::size_t m_width = 0;                     // columns sampled per row
    std::vector<std::int64_t> m_columnPixels;    // nearest: source x for columns 1..targetWidth
    std::vector<detail::CellSpan> m_columnSpans; // box: the cells' horizontal spans
    std::int64_t m_spanFirst = 0;                // box: the source columns any cell covers
    std::int64_t m_spanLast = -1;
    // box, for steps up to MaximumTaps - 1: every column's cell as the same
    // number of taps, offset from m_spanFirst and weight (the covered length
    // divided by the cell's), zero where a cell covers fewer pixels.
    static constexpr int MaximumTaps = 8;
    int m_tapCount = 0; // 0: the spans are summed as they are
    std::vector<std::int32_t> m_tapOffsets;
    std::vector<float> m_tapWeights;
    std::vector<detail::Light> m_sourceLine;     // box: one source row in linear light, from m_spanFirst
    // box: the horizontal means of the last RowMeansKept source rows read,
    // source row y in slot y % RowMeansKept, and the row each slot holds.
    static constexpr int RowMeansKept = MaximumTaps;
    std::vector<detail::Light> m_rowMeans;
    std::array<std::int64_t, RowMeansKept> m_rowMeansOf {};
    std::vector<detail::Light> m_cellMeans;      // box: a row of cells taller than RowMeansKept rows
};

// Samples the whole frame into a new grid of targetWidth x targetHeight
// colours (-1 outside the picture). A size outside 1..MaximumTargetSize gives
// an empty grid.
PixelGrid sampleColours(const SourceImage& source, const FrameSettings& frame, SampleFilter filter,
    const SamplingProgress& progress = {});

// The colours and the alphas of the whole frame.
struct SampledFrame {
    PixelGrid colours;
    std::vector<std::uint8_t> alphas; // one a sample, in raster order
};
SampledFrame sampleColoursAndAlphas(const SourceImage& source, const FrameSettings& frame, SampleFilter filter);

} // namespace rasterkit
