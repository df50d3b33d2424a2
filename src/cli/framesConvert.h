#pragma once

// convert --frames: every frame of an animated picture (GIF), composed as a
// browser shows it and converted with the frame options, into one raw file a
// frame or one animation file (convert/animation.h).

#include "convertCommand.h"

#include "convert/animation.h"

#include <functional>

namespace rasterkit::cli {

// Every frame of the picture converted: the animation (whole frames, or with
// delta the rectangles of what changed), nothing written. still: the
// picture has one frame. On failure error names the file and the reason.
struct ConvertedAnimation {
    Animation animation;
    bool still = false;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Called with each frame converted: its grid, in the order shown.
using ConvertedFrameVisitor = std::function<void(int index, const PixelGrid& grid)>;

ConvertedAnimation convertFrames(const QString& inputPath, const FrameRequest& request, bool delta,
    const ConvertedFrameVisitor& visitor = {});

// Runs convert --frames with options read by parseConvert.
RunOutcome runFramesConvert(const ConvertOptions& options);

// The name of frame index of frameCount in a folder: STEM_000.raw, with as
// many digits as the last frame needs, at least 3.
QString frameFileName(const QString& stem, int index, int frameCount, const QString& extension);

} // namespace rasterkit::cli
