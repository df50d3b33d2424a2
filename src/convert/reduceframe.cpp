#include "reduceframe.h"

#include "transparency.h"

#include <algorithm>

namespace rasterkit {

FrameReducer::FrameReducer(const SourceImage& source, const ReductionRequest& request)
    : m_request(request)
    , m_sampler(source, request.frame, request.filter)
    , m_reducer(request.format, request.dither, std::max(request.frame.targetWidth, 0), request.levels)
    , m_colours(static_cast<std::size_t>(std::max(request.frame.targetWidth, 0)))
{
    if (request.keepsAlpha())
        m_alphas.resize(m_colours.size());
}

void FrameReducer::reduceRow(int row, PixelGrid& grid)
{
    reduceRow(row, grid.row(row));
}

void FrameReducer::reduceRow(int row, std::span<std::int32_t> reduced)
{
    if (m_alphas.empty()) {
        m_sampler.sampleRow(row, m_colours);
        m_reducer.reduceRow(row, m_colours, reduced);
        return;
    }
    const TransparencyRule rule(m_request);
    m_sampler.sampleRow(row, m_colours, m_alphas);
    rule.prepareRow(m_colours, m_alphas);
    m_reducer.reduceRow(row, m_colours, reduced);
    rule.finishRow(reduced, m_alphas);
}

PixelGrid reduceFrame(const SourceImage& source, const ReductionRequest& request, const SamplingProgress& progress)
{
    PixelGrid grid(request.outputWidth(), request.outputHeight());
    if (grid.isEmpty())
        return grid;
    // An indexed format without a palette: chosen for the whole frame's
    // samples, then the frame reduced into it.
    if (formatInfo(request.format).reduction == Reduction::Palette && request.levels.palette.empty()) {
        const PixelGrid samples = sampleColours(source, request.frame, request.filter, progress);
        return orient(reduceColours(samples, request.format, request.dither, request.levels), request.orientation);
    }
    FrameReducer reducer(source, request);
    const int rows = request.frame.targetHeight;
    if (request.orientation.isIdentity()) {
        for (int row = 1; row <= rows; ++row) {
            reducer.reduceRow(row, grid);
            if (progress)
                progress(row, rows);
        }
        return grid;
    }
    // Each row reduced as it lies on the picture, then put in its places.
    const Placement placement = placementOf(request.orientation, request.frame.targetWidth, rows);
    std::vector<std::int32_t> reduced(static_cast<std::size_t>(request.frame.targetWidth));
    for (int row = 1; row <= rows; ++row) {
        reducer.reduceRow(row, reduced);
        placement.place(reduced, row - 1, grid.values().data());
        if (progress)
            progress(row, rows);
    }
    return grid;
}

} // namespace rasterkit
