#pragma once

#include "convert/pixelgrid.h"
#include "convert/reduceframe.h"

#include <QImage>

#include <functional>

namespace rasterkit {

class PreviewBox;
class ProgressBar;

// The sampling pass of a conversion, one row at a time: the framed samples,
// reduced to the format's levels, go into the grid and onto the preview, the
// progress bar shows the share of rows done, and the event queue gets one
// turn.
class SamplingPass {
public:
    // The grid must be the frame's size. The picture's pixels must not change
    // while the pass runs (the copy shares them).
    SamplingPass(const QImage& picture, const ReductionRequest& request, PixelGrid& grid, PreviewBox& preview,
        ProgressBar& progress);

    // Samples every row, calling yield after each; yield returns false to
    // abandon the pass, and so does run.
    bool run(const std::function<bool()>& yield);

private:
    void sampleRow(int row);

    QImage m_picture;
    FrameReducer m_reducer;
    PixelGrid& m_grid;
    PreviewBox& m_preview;
    ProgressBar& m_progress;
};

} // namespace rasterkit
