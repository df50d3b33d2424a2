#include "samplingpass.h"

#include "pictureboxes.h"

#include "platform/qtpictures.h"
#include "platform/progressbar.h"

namespace rasterkit {

SamplingPass::SamplingPass(const QImage& picture, const ReductionRequest& request, PixelGrid& grid,
    PreviewBox& preview, ProgressBar& progress)
    : m_picture(picture)
    , m_reducer(sourceImageOf(m_picture), request)
    , m_grid(grid)
    , m_preview(preview)
    , m_progress(progress)
{
}

bool SamplingPass::run(const std::function<bool()>& yield)
{
    const int rows = m_reducer.request().frame.targetHeight;
    for (int row = 1; row <= rows; ++row) {
        sampleRow(row);
        m_progress.setValue(progressPercent(row, rows));
        if (!yield())
            return false;
    }
    return true;
}

void SamplingPass::sampleRow(int row)
{
    // Sample (i, j) lands on preview pixel (i, j): column 0 and row 0 stay blank.
    m_reducer.reduceRow(row, m_grid);
    const PixelFormat format = m_reducer.request().format;
    const auto values = m_grid.row(row);
    for (int column = 1; column <= m_grid.width(); ++column)
        m_preview.setPixel(column, row, previewColour(format, values[static_cast<std::size_t>(column - 1)]));
    m_preview.showDrawnPixels();
}

} // namespace rasterkit
