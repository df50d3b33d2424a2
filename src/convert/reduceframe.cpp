#include "reduceframe.h"

#include <algorithm>

namespace rasterkit {

FrameReducer::FrameReducer(const SourceImage& source, const ReductionRequest& request)
    : m_request(request)
    , m_sampler(source, request.frame, request.filter)
    , m_reducer(request.format, request.dither, std::max(request.frame.targetWidth, 0))
    , m_colours(static_cast<std::size_t>(std::max(request.frame.targetWidth, 0)))
{
}

void FrameReducer::reduceRow(int row, PixelGrid& grid)
{
    m_sampler.sampleRow(row, m_colours);
    m_reducer.reduceRow(row, m_colours, grid.row(row));
}

PixelGrid reduceFrame(const SourceImage& source, const ReductionRequest& request, const SamplingProgress& progress)
{
    PixelGrid grid(request.frame.targetWidth, request.frame.targetHeight);
    if (grid.isEmpty())
        return grid;
    FrameReducer reducer(source, request);
    for (int row = 1; row <= grid.height(); ++row) {
        reducer.reduceRow(row, grid);
        if (progress)
            progress(row, grid.height());
    }
    return grid;
}

} // namespace rasterkit
